// The session recorder: what it records at frame F replays at frame F, for
// every back end alike, and a file it cannot write is said, not ignored.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "../support/work_folder.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
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

namespace {

// The order PrepareScript gives the parsed text: what any script file must
// deliver, however it is read.
std::vector<platform::ScriptEvent> Expected(const std::string& text) {
  std::vector<platform::ScriptEvent> events;
  std::string error;
  EXPECT_TRUE(platform::ParseScript(text, "s", events, error)) << error;
  platform::PrepareScript(events);
  return events;
}

std::vector<platform::ScriptEvent> Streamed(const std::string& path,
                                            std::string& error) {
  platform::ScriptStream stream;
  std::vector<platform::ScriptEvent> got;
  if (!stream.Open(path, error)) return got;
  for (platform::ScriptEvent e; stream.Peek(e); stream.Pop()) got.push_back(e);
  return got;
}

bool Same(const std::vector<platform::ScriptEvent>& a,
          const std::vector<platform::ScriptEvent>& b) {
  return std::equal(
      a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.frame == y.frame && x.message.type == y.message.type &&
               x.message.wParam == y.message.wParam &&
               x.message.lParam == y.message.lParam;
      });
}

}  // namespace

TEST_F(Recorder, AScriptFileIsDeliveredInFrameOrderHoweverItIsWritten) {
  // Random scripts: frames out of order, start-up events with and without
  // their click, comments, blank lines, CRLF, no last line end. Read line
  // by line from a file and from a pipe, each delivers what sorting the
  // whole text gives.
  std::mt19937 random(24);
  const char* verbs[] = {"ldown",      "lup",        "rdown",   "rup",
                         "deactivate", "key escape", "move 3 4"};
  for (int trial = 0; trial < 300; ++trial) {
    std::string text = random() % 2 ? "# seed 9\n" : "";
    const int lines = static_cast<int>(random() % 40);
    for (int i = 0; i < lines; ++i) {
      const unsigned pick = random() % 10;
      if (pick == 0) {
        text += "  # a comment\n";
      } else if (pick == 1) {
        text += "\r\n";
      } else {
        const std::uint32_t frame =
            random() % 3 == 0 ? 0 : static_cast<std::uint32_t>(random() % 30);
        text += std::to_string(frame) + " " + verbs[random() % 7] +
                (pick == 2 ? "\r\n" : "\n");
      }
    }
    if (random() % 2 && !text.empty()) text.pop_back();
    SCOPED_TRACE(text);
    std::ofstream("s.script", std::ios::binary) << text;
    std::string error;
    EXPECT_TRUE(Same(Streamed("s.script", error), Expected(text))) << error;
    if (trial % 30 == 0) {
      ASSERT_EQ(::mkfifo("p.script", 0644), 0);
      std::thread writer([&] { std::ofstream("p.script") << text; });
      EXPECT_TRUE(Same(Streamed("p.script", error), Expected(text))) << error;
      writer.join();
      std::remove("p.script");
    }
  }
}

TEST_F(Recorder, AScriptThatIsNotOneIsRefusedNamingItsLine) {
  const std::pair<std::string, std::string> bad[] = {
      {"1 ldown\n2 fly\n", "s.script line 2: unknown event \"fly\""},
      {"1 ldown\n\n3 move 1\n", "s.script line 3: move needs X and Y"},
      {std::string("# ok\n1 ld\0wn\n", 13),
       "s.script line 2: not text (it holds a NUL byte)"},
      {"1 ldown\n" + std::string(70000, ' ') + "\n",
       "s.script line 2: longer than 65536 bytes"},
      {"\x01\x02\x7f zz\n",
       "s.script line 1: expected a frame number, "
       "found \"???\""},
  };
  for (const auto& [text, said] : bad) {
    std::ofstream("s.script", std::ios::binary) << text;
    std::string error;
    platform::ScriptStream stream;
    EXPECT_FALSE(stream.Open("s.script", error));
    EXPECT_EQ(error.rfind(said, 0), 0u) << error;
  }
}

TEST_F(Recorder, AScriptThatChangesWhileItIsReplayedEndsThereInOneLine) {
  std::string text;
  for (int f = 1; f <= 100000; ++f) text += std::to_string(f) + " ldown\n";
  std::ofstream("s.script") << text;
  platform::ScriptStream stream;
  std::string error;
  ASSERT_TRUE(stream.Open("s.script", error)) << error;
  // Rewritten meanwhile, no script any more: what was read ahead is
  // played, then the replay ends.
  std::ofstream("s.script") << std::string(text.size(), 'x');
  testing::internal::CaptureStderr();
  int events = 0;
  for (platform::ScriptEvent e; stream.Peek(e); stream.Pop()) ++events;
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_GT(events, 1);
  EXPECT_LT(events, 100000);
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_EQ(said.rfind("tumblesquash: s.script changed while it was being "
                       "replayed; its events end at line ",
                       0),
            0u)
      << said;
}
