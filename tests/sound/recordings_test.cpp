// The five recordings built into the game: their headers and lengths, and
// that each holds an audible sound the mixer accepts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "sound/sound.h"
#include "sound_test_util.h"

namespace {

struct Expected {
  const char* name;
  unsigned channels, rate, bits, dataBytes;
};

const Expected kRecordings[] = {
    {"BOMB", 2, 22050, 8, 117496},    {"PUTI", 2, 22050, 8, 8930},
    {"ITE", 1, 22050, 16, 6946},      {"FALL", 2, 22050, 8, 33034},
    {"MUSIC", 2, 11025, 16, 1317888},
};

unsigned U32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | unsigned(p[3]) << 24;
}
unsigned U16(const unsigned char* p) { return p[0] | p[1] << 8; }

// Sample i of the recording as a signed 16-bit value.
int SampleAt(const sound::WaveResource& r, unsigned bits, size_t i) {
  const unsigned char* d = r.data + 44;
  return bits == 8 ? (d[i] - 128) * 256 : int16_t(U16(d + 2 * i));
}

TEST(Recordings, HeadersAndLengthsAsTheGameExpects) {
  sound::ResetSound();
  soundtest::FakeAudio audio;
  ASSERT_EQ(sound::InitSound(audio), 1);
  int channel = 0;
  for (const Expected& e : kRecordings) {
    SCOPED_TRACE(e.name);
    const sound::WaveResource* r = sound::FindWaveResource(e.name);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->type, "WAVE");
    ASSERT_EQ(r->size, 44 + e.dataBytes);
    const unsigned char* h = r->data;
    EXPECT_EQ(std::memcmp(h, "RIFF", 4), 0);
    EXPECT_EQ(U32(h + 4), r->size - 8);
    EXPECT_EQ(std::memcmp(h + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(U32(h + 16), 16u);
    EXPECT_EQ(U16(h + 20), 1u);
    EXPECT_EQ(U16(h + 22), e.channels);
    EXPECT_EQ(U32(h + 24), e.rate);
    unsigned block = e.channels * e.bits / 8;
    EXPECT_EQ(U32(h + 28), e.rate * block);
    EXPECT_EQ(U16(h + 32), block);
    EXPECT_EQ(U16(h + 34), e.bits);
    EXPECT_EQ(std::memcmp(h + 36, "data", 4), 0);
    EXPECT_EQ(U32(h + 40), e.dataBytes);

    // Loud enough to hear, and no louder than full scale allows.
    size_t samples = e.dataBytes / (e.bits / 8);
    int peak = 0;
    for (size_t i = 0; i < samples; ++i) {
      peak = std::max(peak, std::abs(SampleAt(*r, e.bits, i)));
    }
    EXPECT_GT(peak, 8000);

    ASSERT_EQ(sound::LoadWaveChannel(channel, e.name), 1);
    EXPECT_EQ(sound::ChannelLength(channel), e.dataBytes / block);
    ++channel;
  }
  EXPECT_EQ(sound::FindWaveResource("ICON"), nullptr);
  sound::ResetSound();
}

TEST(Recordings, MusicLoopsWithoutAJump) {
  const sound::WaveResource* r = sound::FindWaveResource("MUSIC");
  ASSERT_NE(r, nullptr);
  size_t samples = (r->size - 44) / 2;
  // The step from the last frame to the first is no bigger than the music's
  // ordinary steps from one frame to the next.
  long largest = 0;
  for (size_t i = 2; i < samples; ++i) {
    largest = std::max<long>(
        largest, std::abs(SampleAt(*r, 16, i) - SampleAt(*r, 16, i - 2)));
  }
  for (size_t side = 0; side < 2; ++side) {
    long seam =
        std::abs(SampleAt(*r, 16, side) - SampleAt(*r, 16, samples - 2 + side));
    EXPECT_LT(seam, largest / 4) << side;
  }
}

}  // namespace
