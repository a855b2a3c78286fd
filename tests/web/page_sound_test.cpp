// The game's channels, with their stand-in recordings, as the worklet's
// mixer gets them: what it must play after each scene call, with the real
// recordings in place of the stand-ins, and the music started late when its
// recording arrives late.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/system/null_platform.h"
#include "platform/web/sound_link.h"
#include "sound/mixer.h"
#include "sound/recording.h"
#include "sound/sound.h"
#include "sound/volumes.h"

namespace {

using Recordings = std::vector<std::shared_ptr<const sound::Recording>>;

// The game's five, as the page lists them.
const std::vector<std::string> kNames = {"BOMB", "FALL", "ITE", "MUSIC",
                                         "PUTI"};

std::vector<unsigned char> Wave(int frames, int value) {
  std::vector<unsigned char> w = {
      'R',  'I',  'F', 'F', 0, 0, 0,  0, 'W', 'A', 'V',  'E',  'f', 'm',
      't',  ' ',  16,  0,   0, 0, 1,  0, 1,   0,   0x22, 0x56, 0,   0,
      0x44, 0xAC, 0,   0,   2, 0, 16, 0, 'd', 'a', 't',  'a'};
  const int data = 2 * frames;
  for (int i = 0; i < 4; ++i) w.push_back((data >> (8 * i)) & 0xFF);
  for (int i = 0; i < frames; ++i) {
    w.push_back(value & 0xFF);
    w.push_back((value >> 8) & 0xFF);
  }
  return w;
}

class SoundLink : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetCurrent(&platform_);
    sound::ResetSound();
    stand_ins_.Install();
    ASSERT_TRUE(sound::InitSound());
    // The worklet's real recordings, each a different length.
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      waves_.push_back(Wave(1000 + 100 * static_cast<int>(i), 1000));
    }
  }
  void TearDown() override {
    sound::ResetSound();
    sound::SetVolumes({});
    platform::SetCurrent(nullptr);
  }
  std::shared_ptr<const sound::Recording> Real(int i) {
    const sound::WaveResource r{"WAVE", kNames[i].c_str(), waves_[i].data(),
                                static_cast<unsigned>(waves_[i].size())};
    return sound::LoadRecording(r, 48000, sound::LevelOf(r.name));
  }
  // The game's channels since the last call, into the worklet's.
  int Send() {
    watch_.Collect(sound::Channels, sound::GetVolumes(), words_);
    return mirror_.Apply(words_, worklet_, recordings_);
  }

  platform::NullPlatform platform_;
  web::StandIns stand_ins_{kNames};
  std::vector<std::vector<unsigned char>> waves_;
  web::ChannelWatch watch_;
  web::ChannelMirror mirror_;
  sound::Channel worklet_[sound::kChannelCount];
  Recordings recordings_;
  std::vector<std::uint32_t> words_;
};

TEST_F(SoundLink, TheWorkletPlaysWhatTheGameCommands) {
  for (int i = 0; i < 5; ++i) recordings_.push_back(Real(i));
  sound::FillGameChannels();
  sound::SoundCommand(13, -1, 0);  // the music, looping
  EXPECT_EQ(Send(), 1);
  EXPECT_EQ(worklet_[13].recording, recordings_[3]);
  EXPECT_TRUE(worklet_[13].playing && worklet_[13].looping);
  // The bomb's copies share the real bomb.
  for (int k : {0, 1, 2, 3}) EXPECT_EQ(worklet_[k].recording, recordings_[0]);
  EXPECT_EQ(worklet_[4].recording, recordings_[4]);
  EXPECT_FALSE(worklet_[4].playing);

  // Nothing new: nothing to send.
  watch_.Collect(sound::Channels, sound::GetVolumes(), words_);
  EXPECT_TRUE(words_.empty());

  // A shot restarts a bomb that the worklet has moved on; a stop keeps the
  // place the worklet reached, a restart begins again.
  worklet_[2].position = 5000;
  const std::uint32_t serial = worklet_[2].serial;
  sound::SoundCommand(2, 1, 0);
  EXPECT_EQ(Send(), 1);
  EXPECT_EQ(worklet_[2].position, 0u);
  EXPECT_NE(worklet_[2].serial, serial);
  worklet_[13].position = 777;
  sound::SoundCommand(13, 0, 0);
  sound::SoundCommand(4, 1, 22050);
  EXPECT_EQ(Send(), 1);
  EXPECT_FALSE(worklet_[13].playing);
  EXPECT_EQ(worklet_[13].position, 777u);
  EXPECT_EQ(worklet_[4].frequency, 22050u);

  // The volumes travel too.
  sound::StepVolume(sound::VolumeStep::Mute, false);
  Send();
  EXPECT_TRUE(mirror_.HasVolumes() && mirror_.volumes().mute);

  // The sound released: every channel empty.
  sound::ReleaseSound();
  Send();
  for (const sound::Channel& c : worklet_) EXPECT_FALSE(c.recording);
}

TEST_F(SoundLink, ALateRecordingStartsTheMusicButNoOldEffects) {
  recordings_.resize(5);  // none here yet
  sound::FillGameChannels();
  sound::SoundCommand(13, -1, 0);
  sound::SoundCommand(6, 1, 0);
  EXPECT_EQ(Send(), 0);
  EXPECT_FALSE(worklet_[13].recording);

  recordings_[3] = Real(3);
  recordings_[1] = Real(1);
  const std::uint32_t serial = worklet_[13].serial;
  mirror_.Arrived(3, worklet_, recordings_);
  mirror_.Arrived(1, worklet_, recordings_);
  EXPECT_TRUE(worklet_[13].playing);
  EXPECT_NE(worklet_[13].serial, serial);
  EXPECT_EQ(worklet_[6].recording, recordings_[1]);
  EXPECT_FALSE(
      worklet_[6].playing);  // the fall that was due is not played late
  sound::SoundCommand(6, 1, 0);
  Send();
  EXPECT_TRUE(worklet_[6].playing);
}

}  // namespace
