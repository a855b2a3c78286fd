// The mixer: conversion of the sample formats, resampling, the loop seam,
// summing and limiting, and the silent device's clock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "sound/sound.h"
#include "sound_test_util.h"

namespace {

using soundtest::Bytes16;
using soundtest::MakeWave;
using soundtest::Mix;

class Mixer : public ::testing::Test {
 protected:
  void SetUp() override { sound::ResetSound(); }
  void TearDown() override { sound::ResetSound(); }
  void Open() {
    res.Install();
    ASSERT_EQ(sound::InitSound(audio), 1);
  }
  soundtest::FakeAudio audio;
  soundtest::Resources res;
};

TEST_F(Mixer, ConvertsEightAndSixteenBitMonoAndStereo) {
  // 8-bit is unsigned around 128; 16-bit is signed.
  res.Add("U8", MakeWave(2, 11025, 8, {128, 64, 200, 129, 32, 127}));
  res.Add("S16", MakeWave(1, 11025, 16, Bytes16({-20000, 24000, -1, 300})));
  Open();
  sound::SetOutputFormat(11025, 2);
  ASSERT_EQ(sound::LoadWaveChannel(0, "U8"), 1);
  ASSERT_EQ(sound::LoadWaveChannel(1, "S16"), 1);

  sound::SoundCommand(0, 1, 0);
  std::vector<int16_t> out = Mix(4);
  std::vector<int16_t> expected8 = {0, -16384, 18432, 256, -24576, -256, 0, 0};
  EXPECT_EQ(out, expected8);

  sound::SoundCommand(1, 1, 0);
  out = Mix(5);
  // Mono goes to both sides.
  EXPECT_EQ(out[0], -20000);
  EXPECT_EQ(out[1], -20000);
  EXPECT_EQ(out[2], 24000);
  EXPECT_EQ(out[3], 24000);
  EXPECT_EQ(out[4], -1);
  EXPECT_EQ(out[5], -1);
  EXPECT_EQ(out[6], 300);
  EXPECT_EQ(out[7], 300);
  EXPECT_EQ(out[8], 0);

  // A mono device hears the average of both sides.
  sound::SetOutputFormat(11025, 1);
  sound::SoundCommand(0, 1, 0);
  out = Mix(3, 1);
  EXPECT_EQ(out[0], -8192);
  EXPECT_EQ(out[1], 9344);
  EXPECT_EQ(out[2], -12416);
}

TEST_F(Mixer, ResamplesSmoothlyAndAcrossTheLoopSeam) {
  // A ramp: the interpolation must put the in-between samples on it.
  std::vector<int16_t> ramp;
  for (int i = 0; i < 64; ++i) ramp.push_back(int16_t(i * 100));
  res.Add("RAMP", MakeWave(1, 22050, 16, Bytes16(ramp)));
  // Exactly four periods of a sine, so it loops without a seam.
  std::vector<int16_t> sine;
  for (int i = 0; i < 200; ++i) {
    sine.push_back(int16_t(std::lround(10000.0 * std::sin(i * M_PI / 25.0))));
  }
  res.Add("SINE", MakeWave(1, 22050, 16, Bytes16(sine)));
  Open();

  sound::SetOutputFormat(44100, 2);
  ASSERT_EQ(sound::LoadWaveChannel(2, "RAMP"), 1);
  sound::SoundCommand(2, 1, 0);
  std::vector<int16_t> out = Mix(100);
  for (int f = 2; f < 100; ++f) {
    ASSERT_EQ(out[2 * f], f * 50) << f;
  }

  // Stretched by an uneven ratio, over several turns of the loop, the sine
  // stays a sine: no gap or jump where the loop starts over.
  sound::SoundCommand(2, 0, 0);
  sound::SetOutputFormat(30000, 2);
  ASSERT_EQ(sound::LoadWaveChannel(3, "SINE"), 1);
  sound::SoundCommand(3, -1, 0);
  out = Mix(1000);
  double step = 22050.0 / 30000.0;
  for (int f = 0; f < 1000; ++f) {
    double ideal = 10000.0 * std::sin(f * step * M_PI / 25.0);
    ASSERT_NEAR(out[2 * f], ideal, 40.0) << f;
  }

  // A one-shot fades into silence at its end instead of wrapping.
  sound::SoundCommand(3, 1, 0);
  out = Mix(400);
  for (int f = 280; f < 400; ++f) ASSERT_EQ(out[2 * f], 0) << f;
  EXPECT_FALSE(sound::ChannelPlaying(3));
}

TEST_F(Mixer, SumsAndLimitsWithoutWrapping) {
  res.Add("QUIET",
          MakeWave(1, 22050, 16, Bytes16(std::vector<int16_t>(500, 8000))));
  res.Add("LOUD",
          MakeWave(1, 22050, 16, Bytes16(std::vector<int16_t>(500, 30000))));
  res.Add("LOUDNEG",
          MakeWave(1, 22050, 16, Bytes16(std::vector<int16_t>(500, -30000))));
  Open();
  sound::SetOutputFormat(22050, 2);
  sound::LoadWaveChannel(7, "QUIET");
  sound::LoadWaveChannel(8, "QUIET");
  sound::SoundCommand(7, 1, 0);
  sound::SoundCommand(8, 1, 0);
  EXPECT_EQ(Mix(4)[6], 16000);

  // Four full-scale sounds at once: squeezed under full scale, never wrapped
  // round to the other sign.
  sound::LoadWaveChannel(0, "LOUD");
  for (int c = 1; c <= 3; ++c) sound::DuplicateChannel(c, 0);
  int previous = 16000;
  for (int c = 0; c <= 3; ++c) {
    sound::SoundCommand(c, 1, 0);
    int v = Mix(4)[6];
    EXPECT_GT(v, previous) << c;
    EXPECT_LE(v, 32767);
    previous = v;
  }
  for (int c = 9; c <= 12; ++c) {
    sound::LoadWaveChannel(c, "LOUDNEG");
    sound::SoundCommand(c, -1, 0);
  }
  for (int c : {0, 1, 2, 3, 7, 8}) sound::SoundCommand(c, 0, 0);
  std::vector<int16_t> out = Mix(600);
  for (int16_t v : out) {
    ASSERT_LT(v, -30000);
    ASSERT_GE(v, -32767);
  }
}

TEST_F(Mixer, SilentDeviceKeepsTimeLikeARealOne) {
  res.Add("LONG", MakeWave(2, 22050, 8, std::vector<unsigned char>(6000, 90)));
  Open();
  sound::OpenSilentDevice(44100);
  sound::LoadWaveChannel(0, "LONG");
  sound::LoadWaveChannel(13, "LONG");
  sound::SoundCommand(0, 1, 0);
  sound::SoundCommand(13, -1, 11025);

  // Each headless frame is 735 output frames; the mixer moves a channel
  // just as far.
  for (int frame = 0; frame < 3; ++frame) {
    sound::AdvanceSilentDevice(735);
  }
  EXPECT_EQ(sound::ChannelPosition(0), 1102u);  // 3 * 367.5
  EXPECT_EQ(sound::ChannelPosition(13), 551u);  // 3 * 183.75

  sound::ResetSound();
  Open();
  sound::OpenSilentDevice(44100);
  sound::LoadWaveChannel(1, "LONG");
  sound::SoundCommand(1, 1, 0);
  Mix(3 * 735);
  EXPECT_EQ(sound::ChannelPosition(1), 1102u);

  // A one-shot ends after its 3000 frames; a loop goes round.
  sound::SoundCommand(1, 1, 0);
  sound::LoadWaveChannel(13, "LONG");
  sound::SoundCommand(13, -1, 0);
  for (int frame = 0; frame < 8; ++frame) sound::AdvanceSilentDevice(735);
  EXPECT_TRUE(sound::ChannelPlaying(1));
  EXPECT_EQ(sound::ChannelPosition(1), 2940u);
  sound::AdvanceSilentDevice(735);
  EXPECT_FALSE(sound::ChannelPlaying(1));
  EXPECT_EQ(sound::ChannelPosition(1), 0u);
  EXPECT_TRUE(sound::ChannelPlaying(13));
  EXPECT_EQ(sound::ChannelPosition(13), 307u);  // 3307.5 - 3000

  // Once the silent device is closed, time stands still.
  sound::CloseSilentDevice();
  sound::AdvanceSilentDevice(735);
  EXPECT_EQ(sound::ChannelPosition(13), 307u);
}

}  // namespace
