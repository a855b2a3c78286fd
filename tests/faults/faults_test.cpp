// Score.dat under faults, with real processes: killed in the middle of a
// save, held to a file-size limit, in a read-only or full folder, and two
// instances saving at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/work_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/scores.h"

namespace fs = std::filesystem;

namespace {

// A running score_saver with its output and errors on pipes (never on
// files, which a file-size limit would cut short).
class Saver {
 public:
  explicit Saver(std::vector<std::string> args) {
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      ::close(out[0]);
      ::close(err[0]);
      std::vector<char*> argv{const_cast<char*>(TS_SCORE_SAVER)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(TS_SCORE_SAVER, argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  // Waits until it has said `line` (false when it ended first).
  bool Said(const std::string& line) {
    char c;
    std::string now;
    while (::read(out_, &c, 1) == 1) {
      output_ += c;
      if (c != '\n') {
        now += c;
      } else if (now == line) {
        return true;
      } else {
        now.clear();
      }
    }
    return false;
  }
  void Kill() { ::kill(pid_, SIGKILL); }
  // Waits for the end; the exit code, or 128 + the signal that ended it.
  int Wait() {
    std::thread errors([this] { Drain(err_, errors_); });
    Drain(out_, output_);
    errors.join();
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& output() const { return output_; }
  const std::string& errors() const { return errors_; }

 private:
  static void Drain(int fd, std::string& into) {
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      into.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
  }
  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
  std::string output_, errors_;
};

std::vector<u8> FileBytes() {
  std::ifstream in(base::kScoreFileName, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const std::vector<u8>& bytes) {
  std::ofstream(base::kScoreFileName, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// What the loop's save of total n writes: n and the nine before it (those
// above zero), and settings made from n.
std::vector<u8> LoopRecord(u32 n) {
  for (u32 i = 0; i < 10; ++i) base::HighScores[i] = n > i ? n - i : 0;
  base::DetailLevel = static_cast<u8>(n % 3);
  base::Difficulty = static_cast<u8>(n / 3 % 3);
  base::BonusMode = n;
  return base::EncodeScoreFile();
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class SaveFaults : public ::testing::Test {
 protected:
  testsupport::WorkFolder folder_{"ts_faults", true};
};

}  // namespace

TEST_F(SaveFaults, KilledAtRandomPointsLeavesTheOldRecordOrTheNew) {
  WriteBytes(LoopRecord(0));
  std::mt19937 random(20240611);
  u32 top = 0;
  int kept = 0, replaced = 0, midSave = 0;
  const int trials = 100;
  for (int trial = 0; trial < trials; ++trial) {
    Saver saver({"loop", std::to_string(top)});
    // From its first save on, however slowly the machine starts it.
    ASSERT_TRUE(saver.Said("ready")) << saver.errors();
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 10000));
    saver.Kill();
    ASSERT_EQ(saver.Wait(), 128 + SIGKILL) << saver.errors();
    // The last save it finished, as it said so; the one after may have
    // been under way.
    u32 last = top;
    const std::string& said = saver.output();
    const std::size_t at = said.rfind("\nsaved ");
    if (at != std::string::npos) last = std::stoul(said.substr(at + 7));
    const std::vector<u8> file = FileBytes();
    ASSERT_TRUE(file == LoopRecord(last) || file == LoopRecord(last + 1))
        << "trial " << trial << ": neither the record of " << last << " nor of "
        << last + 1;
    (file == LoopRecord(top) ? kept : replaced) += 1;
    top = file == LoopRecord(last) ? last : last + 1;
    // A temporary file is left only by a kill between its making and the
    // rename; the next save never takes it for the real one.
    for (const auto& e : fs::directory_iterator(".")) {
      if (e.path().filename().string().rfind("Score.dat.tmp-", 0) == 0) {
        ++midSave;
        fs::remove(e.path());
      }
    }
  }
  std::printf(
      "%d kills: %d left the file as it was, %d after saves; %d in "
      "the middle of writing; %u saves in all\n",
      trials, kept, replaced, midSave, top);
  EXPECT_GT(top, 0u);
}

TEST_F(SaveFaults, SizeLimitKeepsTheFileAndSaysSo) {
  WriteBytes(LoopRecord(300));
  Saver saver({"once", "5000", "--fsize", "20"});
  // Not ended by the limit's signal: the game goes on.
  ASSERT_EQ(saver.Wait(), 0) << saver.errors();
  EXPECT_EQ(saver.output(), "not saved\nfile kept\n");
  EXPECT_EQ(Lines(saver.errors()), 1u) << saver.errors();
  EXPECT_NE(saver.errors().find("\"Score.dat\""), std::string::npos);
  EXPECT_NE(saver.errors().find("too large"), std::string::npos)
      << saver.errors();
  EXPECT_EQ(FileBytes(), LoopRecord(300));
}

TEST_F(SaveFaults, ReadOnlyOrFullFolderKeepsTheFileAndSaysSo) {
  WriteBytes(LoopRecord(300));
  for (const char* kind : {"ro", "full"}) {
    SCOPED_TRACE(kind);
    Saver saver({"once", "5000", "--mount", kind});
    ASSERT_EQ(saver.Wait(), 0) << saver.errors();
    std::string said = saver.output();
    if (said.rfind("simulated\n", 0) == 0) {
      std::printf("%s: no mount to be had here, simulated\n", kind);
      said.erase(0, 10);
    }
    EXPECT_EQ(said, "not saved\nfile kept\n");
    EXPECT_EQ(Lines(saver.errors()), 1u) << saver.errors();
    EXPECT_NE(saver.errors().find(kind == std::string("ro")
                                      ? "Read-only file system"
                                      : "No space left on device"),
              std::string::npos)
        << saver.errors();
  }
  EXPECT_EQ(FileBytes(), LoopRecord(300));
}

TEST_F(SaveFaults, TwoInstancesSavingTogetherNeverTearNorLoseAScore) {
  const int count = 150;
  Saver first({"race", "0", std::to_string(count)});
  Saver second({"race", "1", std::to_string(count)});
  // Meanwhile a third reader checks every record it sees: always one whole
  // record of one instance (never empty, cut or mixed), and no score ever
  // leaves the table but for a higher one.
  int reads = 0, torn = 0, lost = 0;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    std::vector<u32> before;
    while (!done) {
      std::ifstream in(base::kScoreFileName, std::ios::binary);
      if (!in) continue;  // not made yet
      const std::vector<u8> bytes{std::istreambuf_iterator<char>(in), {}};
      ++reads;
      base::ResetScores();
      base::DecodeScoreFile(bytes.data(), bytes.size());
      const bool whole = base::EncodeScoreFile() == bytes;
      const bool one = (base::DetailLevel == base::Difficulty &&
                        base::BonusMode == base::DetailLevel) ||
                       (base::DetailLevel == 2 && base::Difficulty == 1);
      torn += !(whole && one);
      const std::vector<u32> now(base::HighScores, base::HighScores + 10);
      for (u32 score : before) {
        lost += score > now.back() &&
                std::count(now.begin(), now.end(), score) <
                    std::count(before.begin(), before.end(), score);
      }
      before = now;
    }
  });
  EXPECT_EQ(first.Wait(), 0) << first.errors();
  EXPECT_EQ(second.Wait(), 0) << second.errors();
  done = true;
  reader.join();
  EXPECT_EQ(torn, 0) << "of " << reads << " reads";
  EXPECT_EQ(lost, 0) << "of " << reads << " reads";
  // At the end, the ten best of both: a save that found the other one
  // saving went into a later one.
  base::ResetScores();
  const std::vector<u8> bytes = FileBytes();
  base::DecodeScoreFile(bytes.data(), bytes.size());
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(base::HighScores[i], u32(1000 + 2 * count - 1 - i)) << i;
  }
  const auto said = [](const Saver& s) {
    return s.output().substr(0, s.output().find('\n'));
  };
  std::printf("%d saves each, %d reads during them; %s, %s\n", count, reads,
              said(first).c_str(), said(second).c_str());
}
