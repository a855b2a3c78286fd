// The channels and our mixer on recordings made here; the built-in ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/inspect.h"
#include "sound/recording.h"
#include "sound/sound_log.h"
#include "sound_fixture.h"

namespace {

using namespace soundtest;

Bytes Steady(int n, int v) { return Mono(Ints(n, v)); }

// Mixes `frames` frames; the buffer starts as garbage, so all is written.
Samples Mix(int frames, int channels = 2) {
  Samples out(size_t(frames) * channels, 12345);
  sound::MixAudio(out.data(), frames);
  return out;
}
// The same, as heard: the limiter's look-ahead holds the output back by a
// few frames, skipped here.
Samples Heard(int frames, int channels = 2) {
  const int late = sound::MixDelayFrames();
  Samples out = Mix(late + frames, channels);
  out.erase(out.begin(), out.begin() + late * channels);
  return out;
}
// A sample as the master gain lets it through.
int16_t Level(double v) { return int16_t(std::lround(v * sound::kMasterGain)); }
Samples Levels(const std::vector<double>& v) {
  Samples out;
  for (double x : v) out.push_back(Level(x));
  return out;
}
void Play(i32 ch, i32 cmd, u32 f = 0) { sound::SoundCommand(ch, cmd, f); }
u32 Pos(i32 channel) { return sound::ChannelPosition(channel); }

using Sound = SoundTest;

TEST_F(Sound, CommandsRestartStopResumeLoopAndSetTheRate) {
  Open({{"STEADY", Steady(3000, 1000)}});  // one frame in, one frame out
  ASSERT_EQ(sound::LoadWaveChannel(4, "STEADY"), 1);
  EXPECT_FALSE(sound::ChannelPlaying(4));
  // Each step: a command, `mix` frames, then the channel. 7 and -2 only set
  // the rate; one out of range keeps the last, 0 is the recording's own.
  const struct {
    int command, frequency, mix, position;
    bool playing, looping;
  } kSteps[] = {
      {1, 0, 400, 400, true, false},      // play once
      {1, 0, 200, 200, true, false},      // restart while playing
      {7, 0, 50, 250, true, false},       // no command: goes on
      {0, 0, 100, 250, false, false},     // stopped: nothing moves
      {2, 0, 50, 300, true, false},       // resumed where it stopped
      {0, 0, 0, 300, false, false},       // stopped again
      {1, 0, 0, 0, true, false},          // and restarted: from the start
      {-2, 0, 3200, 0, false, false},     // played to the end: rewound
      {-1, 0, 6300, 300, true, true},     // a loop wraps round and goes on
      {-1, 0, 0, 0, true, true},          // and starts over on -1
      {2, 0, 100, 100, true, false},      // 2 turns it into one play...
      {7, 0, 2900, 0, false, false},      // ...to the very end
      {1, 44100, 450, 900, true, false},  // the rate, to its borders
      {1, 99, 450, 900, true, false},    {1, 100, 450, 2, true, false},
      {1, 100001, 450, 2, true, false},  {1, 100000, 450, 2040, true, false},
      {1, 0, 450, 450, true, false},     {7, 11025, 100, 500, true, false},
  };
  for (const auto& s : kSteps) {
    Play(4, s.command, s.frequency);
    Mix(s.mix);
    SCOPED_TRACE(&s - kSteps);
    EXPECT_EQ(Pos(4), u32(s.position));
    EXPECT_EQ(sound::ChannelPlaying(4), s.playing);
    EXPECT_EQ(sound::ChannelLooping(4), s.looping);
  }
  // Released (twice): the slots emptied, the device closed once, silence
  // once the last voice has faded.
  for (int i = 0; i < 2; ++i) sound::ReleaseSound();
  EXPECT_EQ(audio.closes, 1);
  EXPECT_FALSE(sound::SoundDeviceOpen() || sound::ChannelFilled(4));
  Mix(1000);
  EXPECT_EQ(Mix(64), Samples(128, 0));
}

TEST_F(Sound, DuplicatesShareTheRecordingButNotThePosition) {
  Open({{"STEADY", Steady(1000, 1000)}, {"SHORT", Steady(300, 2000)}});
  ASSERT_EQ(sound::LoadWaveChannel(0, "STEADY"), 1);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(sound::DuplicateChannel(c, 0), 1);
  EXPECT_EQ(sound::ChannelShareCount(0), 4);
  Play(1, 1), Mix(100), Play(2, 1);
  // Both at once, over one another.
  EXPECT_EQ(Heard(10)[4], Level(2000));
  const u32 late = u32(sound::MixDelayFrames());
  EXPECT_EQ(Pos(1), 110u + late);
  EXPECT_EQ(Pos(2), 10u + late);
  EXPECT_FALSE(sound::ChannelPlaying(0));
  // Refilling a slot lets go of what it held; the others keep theirs.
  ASSERT_EQ(sound::LoadWaveChannel(0, "SHORT"), 1);
  EXPECT_EQ(sound::ChannelShareCount(1), 3);
  EXPECT_TRUE(sound::ChannelPlaying(1));
  ASSERT_EQ(sound::DuplicateChannel(1, 0), 1);
  EXPECT_EQ(sound::ChannelLength(1), 300u);
  EXPECT_FALSE(sound::ChannelPlaying(1));
  EXPECT_EQ(sound::DuplicateChannel(2, 9), 1);  // an empty source: no change
  EXPECT_EQ(sound::ChannelLength(2), 1000u);
}

TEST_F(Sound, MalformedHeadersAreRefused) {
  const Bytes good = MakeWave(2, 22050, 8, Ints(64, 200));
  const size_t n = good.size();
  const struct {
    const char* name;
    size_t at, size;
    Bytes patch;
    bool ok;
  } kCases[] = {
      {"empty", 0, 0, {}, false},
      {"header cut short", 0, 43, {}, false},
      {"data runs past the end", 0, n - 1, {}, false},
      {"huge data length", 40, n, {0xFF, 0xFF, 0xFF, 0xFF}, false},
      {"not PCM", 20, n, {3, 0}, false},
      {"six channels", 22, n, {6, 0}, false},
      {"no channels", 22, n, {0, 0}, false},
      {"24-bit", 34, n, {24, 0}, false},
      {"wrong block size", 32, n, {3, 0}, false},
      {"rate 99", 24, n, {99, 0, 0, 0}, false},
      {"rate 100001", 24, n, {0xA1, 0x86, 1, 0}, false},
      {"not RIFF", 0, n, {'R', 'I', 'F', 'X'}, false},
      {"not WAVE", 8, n, {'W', 'A', 'V', 'X'}, false},
      {"no fmt tag", 12, n, {'f', 'm', 't', 'x'}, false},
      {"no data tag", 36, n, {'d', 'a', 't', 'x'}, false},
      {"no samples", 40, n, {0, 0, 0, 0}, false},
      {"rate 100", 24, n, {100, 0, 0, 0}, true},  // accepted from here on
      {"rate 100000", 24, n, {0xA0, 0x86, 1, 0}, true},
      {"padded", 0, n + 10, {}, true}};
  // 80000 frames at 100 Hz would play as 17.6 million at 22050 Hz.
  Recordings recordings = {{"GOOD", good},
                           {"ENDLESS", MakeWave(1, 100, 8, Ints(80000, 0))}};
  for (const auto& c : kCases) {
    Bytes w = good;
    std::copy(c.patch.begin(), c.patch.end(), w.begin() + c.at);
    w.resize(c.size, 0);
    recordings.push_back({c.name, w});
  }
  Open(std::move(recordings));
  ASSERT_EQ(sound::LoadWaveChannel(6, "GOOD"), 1);
  Play(6, -1);
  for (const auto& c : kCases) {
    EXPECT_EQ(sound::LoadWaveChannel(6, c.name), int(c.ok)) << c.name;
    EXPECT_EQ(sound::ChannelLength(6), 32u) << c.name;
    EXPECT_EQ(sound::ChannelPlaying(6), !c.ok) << c.name;  // refused: as was
  }
  EXPECT_EQ(sound::LoadWaveChannel(6, "ENDLESS"), 0);
  EXPECT_EQ(sound::LoadWaveChannel(-1, "GOOD"), 0);
  EXPECT_EQ(sound::LoadWaveChannel(14, "GOOD"), 0);
  EXPECT_EQ(sound::LoadWaveChannel(13, "MISSING"), 0);
  EXPECT_EQ(sound::LoadWaveChannel(13, nullptr), 0);
  EXPECT_EQ(sound::LoadWaveChannel(13, "GOOD"), 1);
}

TEST_F(Sound, NoDeviceRunsSilentButLogsEveryCall) {
  audio.hasDevice = false;
  Open({{"STEADY", Steady(100, 1000)}}, 22050, 0);
  EXPECT_EQ(sound::LoadWaveChannel(0, "STEADY"), 0);
  EXPECT_EQ(sound::DuplicateChannel(1, 0), 1);
  for (int c = -1; c <= 14; ++c) Play(c, -1), Play(c, 1);
  EXPECT_EQ(Mix(64), Samples(128, 0));
  sound::ReleaseSound();
  EXPECT_EQ(audio.opens - audio.closes, 1);
  // The trace reads the log: in order, and a full one keeps its first part.
  ASSERT_EQ(sound::SoundLogCount, 32);
  for (int i = 0; i < 300; ++i) Play(1, 0);
  EXPECT_EQ(sound::SoundLogCount, sound::kSoundLogCapacity);
  EXPECT_EQ(sound::SoundLog[0].channel, -1);
  EXPECT_EQ(sound::SoundLog[31].channel, 14);
  EXPECT_EQ(sound::SoundLog[31].command, 1);
}

TEST_F(Sound, ConvertsAndResamplesAcrossTheLoopSeam) {
  Ints sine(200);  // four whole periods, so it loops seamlessly
  for (int i = 0; i < 200; ++i) sine[i] = int(10000 * std::sin(i * M_PI / 25));
  Open({{"U8", MakeWave(2, 11025, 8, {128, 64, 200, 129, 32, 127})},
        {"S16", MakeWave(1, 11025, 16, {-20000, 24000, -1, 300})},
        {"SINE", MakeWave(1, 22050, 16, sine)}},
       11025);
  ASSERT_EQ(sound::LoadWaveChannel(0, "U8"), 1);
  ASSERT_EQ(sound::LoadWaveChannel(1, "S16"), 1);
  ASSERT_EQ(sound::LoadWaveChannel(2, "SINE"), 1);
  // 8-bit is unsigned around 128; 16-bit is signed; mono goes to both sides.
  Play(0, 1);
  EXPECT_EQ(Heard(4), Levels({0, -16384, 18432, 256, -24576, -256, 0, 0}));
  Play(1, 1);
  EXPECT_EQ(Heard(5),
            Levels({-20000, -20000, 24000, 24000, -1, -1, 300, 300, 0, 0}));
  sound::SetOutputFormat(11025, 1);  // a mono device hears the average
  Play(0, 1);
  EXPECT_EQ(Heard(3, 1), Levels({-8192, 9344, -12416}));
  // Resampled to an uneven rate, the looped sine stays a sine: no click at
  // the seam, which comes round every 272.1 frames.
  sound::SetOutputFormat(30000, 2);
  Play(2, -1);
  Samples out = Heard(1000);
  for (int f = 0; f < 1000; ++f) {
    double ideal = 10000.0 * std::sin(f * (22050.0 / 30000.0) * M_PI / 25.0);
    ASSERT_NEAR(out[2 * f], ideal * sound::kMasterGain, 2.0) << f;
  }
}

TEST_F(Sound, SilentDeviceKeepsTimeLikeARealOne) {
  Open({{"LONG", MakeWave(2, 22050, 8, Ints(6000, 90))}}, 44100);
  for (int c : {0, 1, 13}) sound::LoadWaveChannel(c, "LONG");
  Play(0, 1), Play(13, -1, 11025);
  // A headless frame is 735 output frames; mixing moves a channel as far.
  for (int frame = 0; frame < 3; ++frame) sound::AdvanceChannels(735);
  EXPECT_EQ(Pos(0), 1102u);  // 3 * 367.5
  EXPECT_EQ(Pos(13), 551u);  // 3 * 183.75
  Play(0, 0), Play(13, 0), Play(1, 1), Mix(3 * 735);
  EXPECT_EQ(Pos(1), 1102u);
  // A loop goes round and plays on (where a one-shot ends, exactly, is
  // checked on the built-in recordings below).
  Play(13, -1);
  for (int frame = 0; frame < 9; ++frame) sound::AdvanceChannels(735);
  EXPECT_EQ(Pos(13), 307u);  // 3307.5 - 3000
  EXPECT_TRUE(sound::ChannelPlaying(13));
  sound::ReleaseSound();  // released: nothing left to move
  sound::AdvanceChannels(735);
  EXPECT_FALSE(sound::ChannelFilled(13));
}

int SampleAt(const sound::WaveResource& r, int bits, size_t i) {
  const unsigned char* d = r.data + 44;
  return bits == 8 ? (d[i] - 128) * 256 : int16_t(d[2 * i] | d[2 * i + 1] << 8);
}

TEST_F(Sound, RecordingsHaveTheirHeadersAndLengths) {
  const struct {
    const char* name;
    unsigned channels, rate, bits, dataBytes;
  } kRecordings[] = {
      {"BOMB", 2, 22050, 8, 117496},    {"PUTI", 2, 22050, 8, 8930},
      {"ITE", 1, 22050, 16, 6946},      {"FALL", 2, 22050, 8, 33034},
      {"MUSIC", 2, 11025, 16, 1317888},
  };
  platform::SetCurrent(&audio);
  ASSERT_EQ(sound::InitSound(), 1);
  sound::SetOutputFormat(44100, 2);
  for (int c = 0; c < 5; ++c) {
    const auto& e = kRecordings[c];
    SCOPED_TRACE(e.name);
    const sound::WaveResource* r = sound::FindWaveResource(e.name);
    ASSERT_TRUE(r && r->size == 44 + e.dataBytes) << (r ? r->size : 0);
    // The canonical header, field for field, as MakeWave writes it.
    size_t samples = e.dataBytes / (e.bits / 8);
    Bytes want = MakeWave(e.channels, e.rate, e.bits, Ints(samples));
    EXPECT_TRUE(std::equal(want.begin(), want.begin() + 44, r->data));
    int peak = 0, step = 0;  // loudest sample; largest step between frames
    for (size_t i = e.channels; i < samples; ++i) {
      int v = SampleAt(*r, e.bits, i);
      peak = std::max(peak, std::abs(v));
      step = std::max(step, std::abs(v - SampleAt(*r, e.bits, i - e.channels)));
    }
    EXPECT_GT(peak, 8000);  // loud enough to hear
    // The music's loop seam is a small step: no click.
    for (unsigned k = 0; std::string(e.name) == "MUSIC" && k < 2; ++k) {
      int seam = SampleAt(*r, 16, k) - SampleAt(*r, 16, samples - 2 + k);
      EXPECT_LT(std::abs(seam), step / 4) << k;
    }
    ASSERT_EQ(sound::LoadWaveChannel(c, e.name), 1);
    const u32 frames = e.dataBytes / (e.channels * e.bits / 8);
    EXPECT_EQ(sound::ChannelLength(c), frames);
    // The loudness the build measured for the table is what measuring it
    // now gives, to the last bit.
    sound::WaveResource unmeasured = {r->type, r->name, r->data, r->size};
    EXPECT_EQ(r->loudness, sound::MeasureLoudness(unmeasured));
    // Played whole at the device's rate: sounding up to its last frame.
    const int outputFrames = int(uint64_t(frames) * 44100 / e.rate);
    Play(c, 1);
    sound::AdvanceChannels(outputFrames - 1);
    EXPECT_TRUE(sound::ChannelPlaying(c));
    EXPECT_EQ(Pos(c), frames - 1);
    sound::AdvanceChannels(1);
    EXPECT_FALSE(sound::ChannelPlaying(c));
  }
}

}  // namespace
