// The window procedure and the frame loop as a scene sees them.
#include <gtest/gtest.h>

#include "../support/work_folder.h"

#include <deque>
#include <filesystem>

#include "base/input.h"
#include "base/scene.h"
#include "base/scores.h"
#include "loop/main_loop.h"
#include "platform/system/null_platform.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "sound/sound_log.h"
#include "video/video.h"

using platform::Message;
using platform::MsgType;

namespace {

// A scripted platform: messages are queued by the test.
struct FakePlatform : platform::NullPlatform {
  std::deque<Message> queue;
  int presents = 0, closes = 0, failures = 0;
  bool displayWorks = true;
  bool PollMessage(Message& out) override {
    if (queue.empty()) return false;
    out = queue.front();
    queue.pop_front();
    return true;
  }
  bool OpenDisplay() override { return displayWorks; }
  void CloseDisplay() override { ++closes; }
  void ShowFailure(const char*, const char*) override { ++failures; }
  bool Present(const std::uint8_t*, int,
               const platform::PaletteEntry*) override {
    ++presents;
    return true;
  }
  bool audio = false;
  bool OpenAudio() override { return audio; }
};

std::vector<std::array<u32, 4>> seen;
// Notes what it saw, and makes one sound a frame.
void RecordingScene() {
  seen.push_back(
      {base::MouseX, base::MouseY, base::LeftButton, base::RightButton});
  sound::SoundCommand(5, 1, 0);
}

class FrameLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    loop::ResetRun();
    seen.clear();
  }
  void TearDown() override { video::ResetVideo(); }
  // Runs until the first scene call has been made with our scene in place.
  void StartGame() {
    loop::Start(p_, {true, 5});
    p_.queue.push_back({MsgType::LButtonDown, 0, 0});
    while (loop::InPregame) ASSERT_NE(loop::Step(), loop::StepResult::Exit);
    base::CurrentScene = RecordingScene;
  }
  loop::StepResult Pass() { return loop::Step(); }

  FakePlatform p_;
  testsupport::WorkFolder folder_{"ts_loop", true};
};

}  // namespace

TEST_F(FrameLoop, TheStartingClickIsSeenByTheFirstFrameOnly) {
  StartGame();
  video::Surface* back = video::BackSurface;
  EXPECT_EQ(Pass(), loop::StepResult::Frame);
  EXPECT_EQ(video::PrimarySurface, back);  // the flip exchanged the screens
  EXPECT_EQ(Pass(), loop::StepResult::Frame);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0][2], 1u);  // the press that ended the wait
  EXPECT_EQ(seen[1][2], 0u);  // held, but reported once
  // The trace's sound log holds what the last scene call did, no more.
  ASSERT_EQ(sound::SoundLogCount, 1);
  EXPECT_EQ(sound::SoundLog[0].channel, 5);
}

TEST_F(FrameLoop, PressAndReleaseBetweenFramesIsNoClick) {
  StartGame();
  Pass();
  p_.queue.push_back({MsgType::LButtonDown, 0, 0});
  p_.queue.push_back({MsgType::LButtonUp, 0, 0});
  EXPECT_EQ(Pass(), loop::StepResult::Message);
  EXPECT_EQ(Pass(), loop::StepResult::Message);
  EXPECT_EQ(Pass(), loop::StepResult::Frame);
  p_.queue.push_back({MsgType::RButtonDown, 0, 0});
  Pass();
  Pass();
  Pass();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1][2], 0u);
  EXPECT_EQ(seen[1][3], 0u);
  EXPECT_EQ(seen[2][3], 1u);
  EXPECT_EQ(seen[3][3], 0u);
}

TEST_F(FrameLoop, MousePositionIsZeroExtended) {
  StartGame();
  p_.queue.push_back({MsgType::MouseMove, 0, 0xFFFF8001u});
  Pass();
  Pass();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0][0], 0x8001u);
  EXPECT_EQ(seen[0][1], 0xFFFFu);
}

TEST_F(FrameLoop, EscapeRunsTheQuitSequenceWithoutAnotherFrame) {
  p_.audio = true;
  StartGame();
  Pass();
  // Other keys and a regained foreground change nothing.
  p_.queue.push_back({MsgType::KeyDown, 'A', 0});
  p_.queue.push_back({MsgType::Activate, 1, 0});
  Pass();
  Pass();
  p_.queue.push_back({MsgType::KeyDown, platform::kKeyEscape, 0});
  EXPECT_EQ(Pass(), loop::StepResult::Message);  // key: display released
  EXPECT_FALSE(video::DisplayUp());
  // Every channel that can sound is stopped, the music included.
  const std::vector<std::pair<int, int>> stops = {
      {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {13, 0}};
  ASSERT_GE(sound::SoundLogCount, 8);
  std::vector<std::pair<int, int>> last;
  for (int i = sound::SoundLogCount - 8; i < sound::SoundLogCount; ++i) {
    last.push_back({sound::SoundLog[i].channel, sound::SoundLog[i].command});
  }
  EXPECT_EQ(last, stops);
  EXPECT_EQ(Pass(), loop::StepResult::Message);  // close request
  EXPECT_EQ(Pass(), loop::StepResult::Exit);     // quit message
  EXPECT_EQ(loop::ExitCode(), 0);
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_EQ(p_.closes, 1);  // the second shutdown does nothing
}

TEST_F(FrameLoop, LosingTheForegroundEndsTheProgram) {
  StartGame();
  p_.queue.push_back({MsgType::Activate, 0, 0});
  loop::StepResult r;
  int passes = 0;
  while ((r = Pass()) != loop::StepResult::Exit) {
    EXPECT_NE(r, loop::StepResult::Frame);
    ASSERT_LT(++passes, 10);
  }
  EXPECT_TRUE(seen.empty());
}

TEST_F(FrameLoop, EscapeBeforeTheClickNeverOpensTheDisplay) {
  loop::Start(p_, {true, 5});
  p_.queue.push_back({MsgType::KeyDown, platform::kKeyEscape, 0});
  int passes = 0;
  while (Pass() != loop::StepResult::Exit) ASSERT_LT(++passes, 10);
  EXPECT_EQ(p_.closes, 0);
  EXPECT_EQ(p_.presents, 0);
}

TEST_F(FrameLoop, DisplayFailureShowsTheMessageAndEndsWithZero) {
  p_.displayWorks = false;
  loop::Start(p_, {true, 5});
  p_.queue.push_back({MsgType::LButtonDown, 0, 0});
  int passes = 0;
  while (Pass() != loop::StepResult::Exit) ASSERT_LT(++passes, 10);
  EXPECT_EQ(p_.failures, 1);
  EXPECT_EQ(loop::ExitCode(), 0);
  EXPECT_EQ(p_.presents, 0);
}
