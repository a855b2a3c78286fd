// Another instance holding the score file's lock never holds up a frame: a
// whole recorded game is played while the lock is held throughout, every
// gap between two frames measured; its saves are put off, and go in once
// the lock is free.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "../support/work_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "base/scores.h"
#include "loop/main_loop.h"
#include "platform/os/clock.h"
#include "platform/system/null_platform.h"
#include "platform/system/recorder.h"

namespace {

// The headless runner's platform, with the time of every present.
class TimedPlatform final : public platform::NullPlatform {
 public:
  explicit TimedPlatform(platform::Recorder& recorder) : recorder_(recorder) {}
  bool PollMessage(platform::Message& out) override {
    return recorder_.NextReplayed(out);
  }
  bool Present(const std::uint8_t* pixels, int pitch,
               const platform::PaletteEntry* palette) override {
    presents.push_back(os::MonotonicNow());
    return NullPlatform::Present(pixels, pitch, palette);
  }
  std::unique_ptr<platform::FileLock> LockFile(const char* name,
                                               platform::LockWait wait,
                                               bool& busy,
                                               std::string& error) override {
    // Start-up's comes before the first frame.
    if (!presents.empty()) locking.push_back(presents.size());
    return NullPlatform::LockFile(name, wait, busy, error);
  }
  std::vector<os::Nanos> presents;
  // The frames (counted from 0) that asked for a lock.
  std::vector<std::size_t> locking;

 private:
  platform::Recorder& recorder_;
};

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

}  // namespace

TEST(BusyLock, AGameWhoseSavesFindTheLockHeldNeverWaitsForIt) {
  testsupport::WorkFolder folder("ts_busy_lock", true);
  // Another instance, in the middle of a save that does not end.
  const int held = ::open("Score.dat.lock", O_RDONLY | O_CREAT, 0644);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  platform::Recorder recorder;
  platform::RecorderFiles files;
  files.replay = TS_GOLDEN_DIR "/game.script";
  std::string error;
  ASSERT_TRUE(recorder.Open(files, error)) << error;
  TimedPlatform timed(recorder);
  base::SetDataFolder(TS_RUN_DIR);
  loop::StartOptions start;
  start.fixedSeed = true;
  start.seed = 11;
  testing::internal::CaptureStderr();
  loop::Start(timed, start);
  // Past the result and its save, the ranking, and back at the title.
  while (loop::Step() != loop::StepResult::Exit && loop::SceneCalls < 2300) {
  }
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_GT(timed.presents.size(), 2000u);
  // The frames whose scene asked for the lock, against the usual frame.
  std::vector<os::Nanos> gaps;
  for (std::size_t i = 1; i < timed.presents.size(); ++i) {
    gaps.push_back(timed.presents[i] - timed.presents[i - 1]);
  }
  std::vector<os::Nanos> sorted = gaps;
  std::sort(sorted.begin(), sorted.end());
  const os::Nanos usual = sorted[sorted.size() / 2];
  ASSERT_FALSE(timed.locking.empty());
  for (const std::size_t frame : timed.locking) {
    ASSERT_GT(frame, 0u);
    ASSERT_LT(frame, timed.presents.size());
    const os::Nanos gap = gaps[frame - 1];
    std::printf("the frame that saved: %.3f ms; the usual frame %.3f ms\n",
                gap / 1e6, usual / 1e6);
    // Waiting for the lock took five seconds a save.
    EXPECT_LT(gap - usual, os::kSecond / 60);
  }
  // Start-up's creation and the result's save: each one line, nothing
  // written meanwhile.
  EXPECT_EQ(Count(said, "\n"), 2u) << said;
  EXPECT_EQ(Count(said, "it is made at the next save"), 1u) << said;
  EXPECT_EQ(Count(said, "trying again at the next save"), 1u) << said;
  EXPECT_FALSE(std::filesystem::exists("Score.dat"));
  const u32 total = base::HighScores[0];
  EXPECT_GT(total, 0u);

  // The other instance is done: the game's end puts the total in.
  ::close(held);
  EXPECT_TRUE(base::FinishScores());
  loop::ReleaseDevices();
  platform::SetCurrent(nullptr);
  base::SetDataFolder("");
  base::ResetScores();
  platform::NullPlatform reader;
  platform::SetCurrent(&reader);
  base::LoadScores();
  EXPECT_EQ(base::HighScores[0], total);
  platform::SetCurrent(nullptr);
  loop::ResetRun();
}
