// The program as a process meets the system: signals (a pipe whose reader
// has gone, the terminal hanging up), what killed runs left behind, too
// little memory, and scripts that are huge, endless or not text at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/work_folder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The game, started with `args` in the working folder, with `env` added to
// the environment; its errors on a pipe.
class Game {
 public:
  Game(std::vector<std::string> args, std::vector<std::string> env = {},
       rlim_t addressSpace = 0, bool stdoutClosed = false) {
    int err[2], out[2];
    if (::pipe(err) != 0 || ::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(err[1], 2);
      ::dup2(out[1], 1);
      ::close(err[0]);
      ::close(out[0]);
      // As a shell starts it, whatever this test ignores.
      std::signal(SIGPIPE, SIG_DFL);
      for (std::string& e : env) ::putenv(e.data());
      if (addressSpace) {
        const rlimit r{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_AS, &r);
      }
      std::vector<char*> argv{const_cast<char*>(TS_GAME_EXE)};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(TS_GAME_EXE, argv.data());
      ::_exit(127);
    }
    ::close(err[1]);
    ::close(out[1]);
    err_ = err[0];
    if (stdoutClosed) {
      ::close(out[0]);  // nobody will read what it prints
    } else {
      out_ = out[0];
    }
  }
  // Reads its errors until `text` shows (false when it ended first, or had
  // not said it within 20 seconds).
  bool Says(const std::string& text) {
    char c;
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (errors_.find(text) == std::string::npos) {
      pollfd p{err_, POLLIN, 0};
      if (::poll(&p, 1, 100) == 0) {
        if (std::chrono::steady_clock::now() > until) return false;
        continue;
      }
      if (::read(err_, &c, 1) != 1) return false;
      errors_ += c;
    }
    return true;
  }
  // A test that stops early leaves no game behind.
  ~Game() {
    if (waited_ || pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    Wait();
  }
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  void Signal(int sig) { ::kill(pid_, sig); }
  // Waits until the process catches `sig` (SDL's handlers are in place).
  bool Catches(int sig) {
    const std::string status = "/proc/" + std::to_string(pid_) + "/status";
    for (int tries = 0; tries < 1000; ++tries) {
      std::ifstream in(status);
      for (std::string line; std::getline(in, line);) {
        if (line.rfind("SigCgt:", 0) == 0 &&
            (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1) & 1)) {
          return true;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // The exit code, or 128 + the signal that ended it.
  int Wait() {
    std::thread drainOut([this] {
      char buffer[4096];
      while (out_ >= 0 && ::read(out_, buffer, sizeof buffer) > 0) {
      }
    });
    char buffer[4096];
    for (ssize_t n; (n = ::read(err_, buffer, sizeof buffer)) > 0;) {
      errors_.append(buffer, static_cast<std::size_t>(n));
    }
    drainOut.join();
    int status = 0;
    ::wait4(pid_, &status, 0, &usage_);
    waited_ = true;
    if (out_ >= 0) ::close(out_);
    ::close(err_);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& errors() const { return errors_; }
  // The most memory it held at once, in KiB.
  long peakKib() const { return usage_.ru_maxrss; }

 private:
  pid_t pid_ = -1;
  bool waited_ = false;
  int err_ = -1, out_ = -1;
  std::string errors_;
  rusage usage_{};
};

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// One line of ours, and nothing else.
bool OneLineOfOurs(const std::string& errors) {
  return Lines(errors) == 1 && errors.rfind("tumblesquash: ", 0) == 0;
}

void MakeOld(const fs::path& path) {
  const timeval old[2] = {{std::time(nullptr) - 120, 0},
                          {std::time(nullptr) - 120, 0}};
  ::lutimes(path.c_str(), old);
}

class Process : public ::testing::Test {
 protected:
  void SetUp() override {
    // The writers of these tests' pipes must see EPIPE, not die of it.
    std::signal(SIGPIPE, SIG_IGN);
  }
  testsupport::WorkFolder folder_{"ts_process", true};
};

}  // namespace

TEST_F(Process, APipeWhoseReaderHasGoneEndsNothing) {
  Game game({"--help"}, {}, 0, /*stdoutClosed=*/true);
  EXPECT_EQ(game.Wait(), 0) << game.errors();
}

TEST_F(Process, HangingUpSavesAsTerminatingDoes) {
  // The desktop game waiting at its start-up window (SDL's dummy display),
  // told a new volume; its save finds another instance saving, so the
  // volume is still to be saved when the signal comes.
  const fs::path home = fs::absolute("home");
  const fs::path config = home / ".config/tumblesquash";
  fs::create_directories(config);
  for (const int sig : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(sig == SIGHUP ? "SIGHUP" : "SIGTERM");
    fs::remove(config / "settings.conf");
    const int held = ::open((config / "settings.conf.lock").c_str(),
                            O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    Game game({"--window", "--volume", sig == SIGHUP ? "40" : "60", "--data",
               TS_RUN_DIR},
              {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy",
               "HOME=" + home.string(), "XDG_CONFIG_HOME=", "XDG_DATA_HOME="});
    ASSERT_TRUE(game.Says("trying again at the next save")) << game.errors();
    ASSERT_TRUE(game.Catches(SIGTERM));
    game.Signal(sig);
    // The other instance finishes a moment later; the game's way out waits
    // for it that long.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::close(held);
    EXPECT_EQ(game.Wait(), 0) << game.errors();
    EXPECT_NE(Read(config / "settings.conf")
                  .find(sig == SIGHUP ? "master_volume = 40\n"
                                      : "master_volume = 60\n"),
              std::string::npos)
        << game.errors();
  }
}

TEST_F(Process, WhatKilledSavesLeftBehindGoesAtTheNextStart) {
  const fs::path home = fs::absolute("home");
  const fs::path data = home / ".local/share/tumblesquash";
  const fs::path config = home / ".config/tumblesquash";
  const fs::path shots = data / "screenshots";
  fs::create_directories(config);
  fs::create_directories(shots);
  const std::vector<fs::path> stale = {
      data / "Score.dat.tmp-4242-0badf00d",
      config / "settings.conf.tmp-17-89abcdef",
      shots / "tumblesquash-20260101-120000.123.png.tmp-99-00c0ffee",
  };
  const std::vector<fs::path> kept = {
      data / "Score.dat.tmp-4243-0badf00e",  // a save under way right now
      data / "Score.dat.tmp-1-xyz",          // not one of our names
      data / "notes.tmp-1-00000000",         // not one of our files
      data / "Score.dat.tmp-12-345678",      // seven digits, not eight
      config / "settings.conf.bak",
  };
  for (const fs::path& p : stale) std::ofstream(p) << "x";
  for (const fs::path& p : kept) std::ofstream(p) << "x";
  const fs::path link = data / "Score.dat.tmp-7-deadbeef";
  fs::create_symlink("/etc/hostname", link);
  for (const fs::path& p : stale) MakeOld(p);
  for (std::size_t i = 1; i < kept.size(); ++i) MakeOld(kept[i]);
  MakeOld(link);
  // Another user's, where the suite may give a file away.
  const fs::path theirs = data / "Score.dat.tmp-5-feedface";
  std::ofstream(theirs) << "x";
  MakeOld(theirs);
  const bool givenAway = ::chown(theirs.c_str(), 65534, 65534) == 0;

  Game game({"--window", "--data", TS_RUN_DIR, "--score-file",
             (data / "Score.dat").string()},
            {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy",
             "HOME=" + home.string(), "XDG_CONFIG_HOME=", "XDG_DATA_HOME="});
  // Up and waiting for its start-up click: the clearing is done by then.
  ASSERT_TRUE(game.Catches(SIGTERM));
  game.Signal(SIGTERM);
  EXPECT_EQ(game.Wait(), 0) << game.errors();
  for (const fs::path& p : stale) EXPECT_FALSE(fs::exists(p)) << p;
  for (const fs::path& p : kept) EXPECT_TRUE(fs::exists(p)) << p;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::exists(theirs), givenAway);
}

TEST_F(Process, RunningOutOfMemoryAnywhereInStartUpEndsInOneLine) {
  if (kSanitized) GTEST_SKIP() << "the sanitizers need the address space";
  // From too little to load the program at all to enough for a short
  // game, in small steps: every run ends well, in one line of ours, or (with
  // too little to load its libraries) in the system's own words.
  int ours = 0, played = 0;
  for (rlim_t kib = 16 * 1024; kib <= 48 * 1024; kib += 512) {
    SCOPED_TRACE(std::to_string(kib) + " KiB");
    Game game(
        {"--headless", "--seed", "1", "--frames", "30", "--data", TS_RUN_DIR},
        {}, kib * 1024);
    const int code = game.Wait();
    if (code == 127 &&
        game.errors().find("error while loading shared libraries") !=
            std::string::npos) {
      continue;
    }
    if (code == 0) {
      EXPECT_EQ(game.errors(), "");
      ++played;
      continue;
    }
    EXPECT_LT(code, 128) << "ended by a signal";
    EXPECT_TRUE(OneLineOfOurs(game.errors())) << game.errors();
    ++ours;
  }
  std::printf("%d runs short of memory said so in one line, %d played\n", ours,
              played);
  EXPECT_GT(ours, 0);
  EXPECT_GT(played, 0);
}

TEST_F(Process, AHugeScriptTakesNoMoreMemoryThanASmallOne) {
  // 60 MB of events in frame order: it used to be held whole, five times
  // over; now it is read as the frames come.
  {
    std::ofstream big("big.script", std::ios::binary);
    std::string block;
    char line[64];
    for (std::uint32_t i = 0, size = 0; size < 60'000'000; ++i) {
      const int n = std::snprintf(line, sizeof line, "%u move %u %u\n", i / 40,
                                  i % 640, i % 480);
      block.append(line, static_cast<std::size_t>(n));
      size += static_cast<std::uint32_t>(n);
      if (block.size() > (1 << 20)) {
        big << block;
        block.clear();
      }
    }
    big << block;
  }
  std::ofstream("small.script") << "1 move 5 5\n";
  long peak[2] = {};
  const char* scripts[2] = {"small.script", "big.script"};
  for (int i = 0; i < 2; ++i) {
    Game game({"--headless", "--seed", "1", "--frames", "200", "--data",
               TS_RUN_DIR, "--input", scripts[i]});
    ASSERT_EQ(game.Wait(), 0) << game.errors();
    peak[i] = game.peakKib();
  }
  std::printf(
      "peak memory: %ld KiB with a one-line script, %ld KiB with 60 MB\n",
      peak[0], peak[1]);
  EXPECT_LT(peak[1] - peak[0], 8 * 1024);
}

TEST_F(Process, EndlessZerosBinaryAndEndlessPipesAreRefusedInOneLine) {
  std::ofstream("binary.script", std::ios::binary)
      << std::string("0 ldown\n\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 24);
  ASSERT_EQ(::mkfifo("endless.script", 0644), 0);
  // A writer that never stops: valid events, for ever.
  std::thread writer([] {
    const int fd = ::open("endless.script", O_WRONLY);
    const std::string line = "1 move 10 10\n";
    std::string block;
    for (int i = 0; i < 1000; ++i) block += line;
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
  });
  for (const char* input : {"/dev/zero", "binary.script", "endless.script"}) {
    SCOPED_TRACE(input);
    Game game({"--headless", "--frames", "10", "--data", TS_RUN_DIR, "--input",
               input});
    EXPECT_EQ(game.Wait(), 2);
    EXPECT_TRUE(OneLineOfOurs(game.errors())) << game.errors();
    EXPECT_NE(game.errors().find(input), std::string::npos) << game.errors();
    EXPECT_LT(game.peakKib(), 256 * 1024);
  }
  // Should the game never have opened the pipe, the writer is let go.
  ::close(::open("endless.script", O_RDONLY | O_NONBLOCK));
  writer.join();
}
