// The channel commands: what plays, from where, and what a broken or missing
// piece does.
#include <gtest/gtest.h>

#include "sound/sound.h"
#include "sound_test_util.h"

namespace {

using soundtest::Bytes16;
using soundtest::FakeAudio;
using soundtest::MakeWave;
using soundtest::Mix;

class Channels : public ::testing::Test {
 protected:
  void SetUp() override {
    sound::ResetSound();
    // 1000 frames of a constant, and a shorter one of another constant.
    res.Add("STEADY",
            MakeWave(1, 22050, 16, Bytes16(std::vector<int16_t>(1000, 1000))));
    res.Add("SHORT",
            MakeWave(1, 22050, 16, Bytes16(std::vector<int16_t>(300, 2000))));
    res.Install();
    ASSERT_EQ(sound::InitSound(audio), 1);
    // The device runs at the recordings' rate: one frame in, one frame out.
    sound::SetOutputFormat(22050, 2);
  }
  void TearDown() override { sound::ResetSound(); }

  FakeAudio audio;
  soundtest::Resources res;
};

TEST_F(Channels, RestartStopResumeAndLoop) {
  ASSERT_EQ(sound::LoadWaveChannel(4, "STEADY"), 1);
  EXPECT_FALSE(sound::ChannelPlaying(4));

  sound::SoundCommand(4, 1, 0);
  Mix(400);
  EXPECT_EQ(sound::ChannelPosition(4), 400u);
  // Restart while playing: from the beginning at once.
  sound::SoundCommand(4, 1, 0);
  EXPECT_EQ(sound::ChannelPosition(4), 0u);
  Mix(250);
  // Stop keeps the position; nothing moves while stopped.
  sound::SoundCommand(4, 0, 0);
  Mix(100);
  EXPECT_FALSE(sound::ChannelPlaying(4));
  EXPECT_EQ(sound::ChannelPosition(4), 250u);
  // Play once from where it stopped.
  sound::SoundCommand(4, 2, 0);
  Mix(50);
  EXPECT_EQ(sound::ChannelPosition(4), 300u);
  // Stop then restart starts from the beginning.
  sound::SoundCommand(4, 0, 0);
  sound::SoundCommand(4, 1, 0);
  EXPECT_EQ(sound::ChannelPosition(4), 0u);

  // Played to the end: it stops and the next play starts over.
  Mix(1200);
  EXPECT_FALSE(sound::ChannelPlaying(4));
  EXPECT_EQ(sound::ChannelPosition(4), 0u);

  // Looping wraps round and goes on; -1 while looping starts over.
  sound::SoundCommand(4, -1, 0);
  Mix(2300);
  EXPECT_TRUE(sound::ChannelPlaying(4));
  EXPECT_TRUE(sound::ChannelLooping(4));
  EXPECT_EQ(sound::ChannelPosition(4), 300u);
  sound::SoundCommand(4, -1, 0);
  EXPECT_EQ(sound::ChannelPosition(4), 0u);
  // Command 2 turns a loop into a single play to the end.
  Mix(100);
  sound::SoundCommand(4, 2, 0);
  EXPECT_FALSE(sound::ChannelLooping(4));
  Mix(1000);
  EXPECT_FALSE(sound::ChannelPlaying(4));

  // Any other command changes nothing.
  sound::SoundCommand(4, 1, 0);
  Mix(10);
  sound::SoundCommand(4, 7, 0);
  sound::SoundCommand(4, -2, 0);
  EXPECT_TRUE(sound::ChannelPlaying(4));
  EXPECT_EQ(sound::ChannelPosition(4), 10u);
}

TEST_F(Channels, FrequencyOverridesTheRecordingsRate) {
  ASSERT_EQ(sound::LoadWaveChannel(5, "STEADY"), 1);
  sound::SoundCommand(5, 1, 44100);
  Mix(100);
  EXPECT_EQ(sound::ChannelPosition(5), 200u);
  // 0 puts the recording's own rate back.
  sound::SoundCommand(5, 2, 0);
  Mix(100);
  EXPECT_EQ(sound::ChannelPosition(5), 300u);
  // Even a command that does nothing else sets the rate.
  sound::SoundCommand(5, 9, 11025);
  Mix(100);
  EXPECT_EQ(sound::ChannelPosition(5), 350u);
}

TEST_F(Channels, DuplicatesShareTheRecordingButNotThePosition) {
  ASSERT_EQ(sound::LoadWaveChannel(0, "STEADY"), 1);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(sound::DuplicateChannel(c, 0), 1);
  EXPECT_EQ(sound::ChannelShareCount(0), 4);
  EXPECT_EQ(sound::ChannelLength(3), 1000u);

  sound::SoundCommand(1, 1, 0);
  Mix(100);
  sound::SoundCommand(2, 1, 0);
  std::vector<int16_t> out = Mix(10);
  EXPECT_EQ(sound::ChannelPosition(1), 110u);
  EXPECT_EQ(sound::ChannelPosition(2), 10u);
  EXPECT_FALSE(sound::ChannelPlaying(0));
  // Both sound at once, over one another.
  EXPECT_EQ(out[4], 2000);
  EXPECT_EQ(out[5], 2000);

  // Refilling a slot lets go of what it held; the others keep theirs.
  ASSERT_EQ(sound::LoadWaveChannel(0, "SHORT"), 1);
  EXPECT_EQ(sound::ChannelShareCount(0), 1);
  EXPECT_EQ(sound::ChannelShareCount(1), 3);
  EXPECT_EQ(sound::ChannelLength(0), 300u);
  EXPECT_TRUE(sound::ChannelPlaying(1));
  ASSERT_EQ(sound::DuplicateChannel(1, 0), 1);
  EXPECT_EQ(sound::ChannelShareCount(0), 2);
  EXPECT_EQ(sound::ChannelShareCount(2), 2);
  EXPECT_FALSE(sound::ChannelPlaying(1));

  // Duplicating an empty slot changes nothing.
  EXPECT_EQ(sound::DuplicateChannel(2, 9), 1);
  EXPECT_EQ(sound::ChannelLength(2), 1000u);
}

TEST_F(Channels, MalformedRecordingsAreRefused) {
  std::vector<unsigned char> good =
      MakeWave(2, 22050, 8, std::vector<unsigned char>(64, 200));
  auto with = [&](int offset, std::vector<unsigned char> bytes) {
    std::vector<unsigned char> w = good;
    for (size_t i = 0; i < bytes.size(); ++i) w[offset + i] = bytes[i];
    return w;
  };
  soundtest::Resources bad;
  bad.Add("GOOD", good);
  bad.Add("EMPTY", {});
  bad.Add("HEADER_ONLY_PART",
          std::vector<unsigned char>(good.begin(), good.begin() + 43));
  // The stated data length runs past the end of the resource.
  bad.Add("TRUNCATED",
          std::vector<unsigned char>(good.begin(), good.end() - 1));
  bad.Add("HUGE_LENGTH", with(40, {0xFF, 0xFF, 0xFF, 0xFF}));
  bad.Add("FLOAT", with(20, {3, 0}));
  bad.Add("SIX_CHANNELS", with(22, {6, 0}));
  bad.Add("NO_CHANNELS", with(22, {0, 0}));
  bad.Add("24_BIT", with(34, {24, 0}));
  bad.Add("BAD_BLOCK", with(32, {3, 0}));
  bad.Add("NO_RATE", with(24, {0, 0, 0, 0}));
  bad.Add("NOT_RIFF", with(0, {'R', 'I', 'F', 'X'}));
  bad.Add("NO_DATA_TAG", with(36, {'d', 'a', 't', 'x'}));
  bad.Add("NO_SAMPLES", with(40, {0, 0, 0, 0}));
  bad.Install();

  ASSERT_EQ(sound::LoadWaveChannel(6, "GOOD"), 1);
  EXPECT_EQ(sound::ChannelLength(6), 32u);
  sound::SoundCommand(6, -1, 0);
  for (const std::string& name : bad.names) {
    if (name == "GOOD") continue;
    EXPECT_EQ(sound::LoadWaveChannel(6, name.c_str()), 0) << name;
    // The channel keeps what it had, still playing.
    EXPECT_EQ(sound::ChannelLength(6), 32u) << name;
    EXPECT_TRUE(sound::ChannelPlaying(6)) << name;
  }
  EXPECT_EQ(sound::LoadWaveChannel(6, "MISSING"), 0);
  EXPECT_EQ(sound::LoadWaveChannel(6, nullptr), 0);
  EXPECT_EQ(sound::LoadWaveChannel(14, "GOOD"), 0);
  EXPECT_EQ(sound::LoadWaveChannel(-1, "GOOD"), 0);

  // Extra bytes after the samples are fine; only the stated length plays.
  std::vector<unsigned char> padded = good;
  padded.resize(padded.size() + 10, 0);
  soundtest::Resources more;
  more.Add("PADDED", padded);
  more.Install();
  EXPECT_EQ(sound::LoadWaveChannel(6, "PADDED"), 1);
  EXPECT_EQ(sound::ChannelLength(6), 32u);
}

TEST_F(Channels, EveryCallIsLoggedEmptyChannelsIncluded) {
  sound::ClearSoundLog();
  sound::SoundCommand(13, 0, 0);
  sound::SoundCommand(7, 1, 0);
  sound::SoundCommand(99, -1, 0);
  ASSERT_EQ(sound::SoundLogCount, 3);
  EXPECT_EQ(sound::SoundLog[0].channel, 13);
  EXPECT_EQ(sound::SoundLog[1].command, 1);
  EXPECT_EQ(sound::SoundLog[2].channel, 99);
  EXPECT_EQ(sound::SoundLog[2].command, -1);
  EXPECT_FALSE(sound::ChannelFilled(7));
  // A full log keeps its first entries and drops the rest.
  for (int i = 0; i < sound::kSoundLogCapacity + 10; ++i) {
    sound::SoundCommand(1, 0, 0);
  }
  EXPECT_EQ(sound::SoundLogCount, sound::kSoundLogCapacity);
  EXPECT_EQ(sound::SoundLog[0].channel, 13);
}

TEST_F(Channels, ReleaseEmptiesTheSlotsAndClosesTheDevice) {
  ASSERT_EQ(sound::LoadWaveChannel(13, "STEADY"), 1);
  sound::SoundCommand(13, -1, 0);
  sound::ReleaseSound();
  EXPECT_EQ(audio.closes, 1);
  EXPECT_FALSE(sound::SoundDeviceOpen());
  EXPECT_FALSE(sound::ChannelFilled(13));
  sound::ReleaseSound();
  EXPECT_EQ(audio.closes, 1);
  std::vector<int16_t> out = Mix(64);
  for (int16_t v : out) ASSERT_EQ(v, 0);
}

TEST(NoDevice, TheGameRunsSilent) {
  sound::ResetSound();
  soundtest::Resources res;
  res.Add("STEADY",
          MakeWave(1, 22050, 16, Bytes16(std::vector<int16_t>(100, 1000))));
  res.Install();
  FakeAudio none(false);
  EXPECT_EQ(sound::InitSound(none), 0);
  EXPECT_EQ(none.opens, 1);
  EXPECT_FALSE(sound::SoundDeviceOpen());
  EXPECT_EQ(sound::LoadWaveChannel(0, "STEADY"), 0);
  EXPECT_EQ(sound::DuplicateChannel(1, 0), 1);
  for (int c = -1; c <= 14; ++c) {
    for (int command = -1; command <= 3; ++command) {
      sound::SoundCommand(c, command, 0);
    }
  }
  // Still logged: the trace shows what the game asked for.
  EXPECT_EQ(sound::SoundLogCount, 16 * 5);
  EXPECT_FALSE(sound::ChannelFilled(0));
  std::vector<int16_t> out = Mix(64);
  for (int16_t v : out) ASSERT_EQ(v, 0);
  sound::ReleaseSound();
  EXPECT_EQ(none.closes, 0);
  sound::ResetSound();
}

}  // namespace
