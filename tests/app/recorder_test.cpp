// The session recorder: what it records at frame F replays at frame F, for
// every back end alike, and a file it cannot write is said, not ignored.
#include <gtest/gtest.h>

#include "../support/work_folder.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "loop/main_loop.h"
#include "platform/system/recorder.h"

using platform::Message;
using platform::MsgType;

namespace {

// Where the frame loop stands: in the start-up wait, or after this many
// scene calls.
struct Moment {
  bool pregame;
  std::uint32_t sceneCalls;
};

class Recorder : public ::testing::Test {
 protected:
  void SetUp() override { loop::ResetRun(); }
  void TearDown() override { loop::ResetRun(); }
  static void At(Moment m) {
    loop::InPregame = m.pregame;
    loop::SceneCalls = m.sceneCalls;
  }
  testsupport::WorkFolder folder_{"ts_recorder", true};
};

}  // namespace

TEST_F(Recorder, WhatIsRecordedBeforeFrameFReplaysBeforeFrameF) {
  constexpr std::uint32_t kLast = platform::kLastReachableFrame;
  // The start-up wait, the first frames, and the two last frames the 32-bit
  // count reaches. An event after the last one can never be replayed.
  const std::vector<Moment> moments = {
      {true, 0}, {false, 0}, {false, 4}, {false, kLast - 1}, {false, kLast}};
  platform::RecorderFiles files;
  files.record = "session.script";
  std::string error;
  {
    platform::Recorder recorder;
    ASSERT_TRUE(recorder.Open(files, error)) << error;
    recorder.BeginRecording(4000000000u);
    for (std::size_t i = 0; i < moments.size(); ++i) {
      At(moments[i]);
      recorder.Record({MsgType::MouseMove, 0, std::uint32_t(i)});
      if (i == 0) recorder.Record({MsgType::LButtonDown, 0, 0});
    }
    ASSERT_TRUE(recorder.Close());
  }
  std::ifstream in("session.script");
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(text,
            "# seed 4000000000\n0 move 0 0\n0 ldown\n1 move 1 0\n5 move 2 0\n"
            "4294967295 move 3 0\n");

  platform::RecorderFiles replay;
  replay.replay = "session.script";
  platform::Recorder player;
  ASSERT_TRUE(player.Open(replay, error)) << error;
  std::uint32_t seed = 0;
  ASSERT_TRUE(player.ReplaySeed(seed));
  EXPECT_EQ(seed, 4000000000u);
  Message m{};
  At(moments[0]);
  ASSERT_TRUE(player.NextReplayed(m));
  EXPECT_EQ(m.lParam, 0u);
  ASSERT_TRUE(player.NextReplayed(m));
  EXPECT_EQ(m.type, MsgType::LButtonDown);
  EXPECT_FALSE(player.NextReplayed(m));  // frame 1's waits for frame 1
  for (std::size_t i = 1; i + 1 < moments.size(); ++i) {
    // Not one pass early...
    if (moments[i].sceneCalls > 0) {
      At({false, moments[i].sceneCalls - 1});
      EXPECT_FALSE(player.NextReplayed(m)) << i;
    }
    // ...and in the passes before its own scene call.
    At(moments[i]);
    ASSERT_TRUE(player.NextReplayed(m)) << i;
    EXPECT_EQ(m.lParam, i);
  }
  EXPECT_FALSE(player.NextReplayed(m));
}

TEST_F(Recorder, AFileThatCannotBeWrittenIsSaidOnceAndFailsTheRun) {
  for (const bool eachLine : {true, false}) {
    platform::RecorderFiles files;
    files.record = "/dev/full";
    files.trace = "/dev/full";
    files.flushEveryLine = eachLine;
    platform::Recorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.Open(files, error)) << error;
    testing::internal::CaptureStderr();
    At({false, 3});
    for (int i = 0; i < 3; ++i) {
      recorder.Record({MsgType::LButtonDown, 0, 0});
      recorder.AfterScene();
    }
    EXPECT_FALSE(recorder.Close());
    const std::string said = testing::internal::GetCapturedStderr();
    // One line for each file, naming it.
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 2) << said;
    EXPECT_NE(said.find("tumblesquash: cannot write \"/dev/full\""),
              std::string::npos)
        << said;
  }
  // A file that cannot even be made stops the run before it starts.
  platform::RecorderFiles files;
  files.trace = "no/such/folder/trace.jsonl";
  platform::Recorder recorder;
  std::string error;
  EXPECT_FALSE(recorder.Open(files, error));
  EXPECT_NE(error.find("no/such/folder/trace.jsonl"), std::string::npos);
}
