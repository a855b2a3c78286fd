// A whole game, menu to result, through the real frame loop with every frame
// drawn: a platform of our own clicks through the title and the menu and
// then shoots at an enemy every seventh frame.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "alloc_counter.h"
#include "base/data_folder.h"
#include "base/input.h"
#include "base/scores.h"
#include "bench_support.h"
#include "game/actors.h"
#include "loop/main_loop.h"
#include "platform/system/null_platform.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/sheet_layout.h"
#include "video/video.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using platform::Message;
using platform::MsgType;

constexpr std::uint32_t kSeed = 20240607;
constexpr int kShotEvery = 7;
// The exit code of the process that measures one game's memory.
constexpr int kPlayedOneGame = 42;

// Messages for the coming passes; filled after each scene call, so the
// player reacts to the frame just drawn.
class PlayerPlatform final : public platform::NullPlatform {
 public:
  bool PollMessage(Message& out) override {
    if (loop::InPregame) {
      out = {MsgType::LButtonDown, 0, 0};
      return true;
    }
    if (head_ == count_) return false;
    out = queue_[head_++];
    return true;
  }
  void AfterScene() override {
    head_ = count_ = 0;
    ++framesInScene_;
    if (base::CurrentScene != scene_) {
      scene_ = base::CurrentScene;
      framesInScene_ = 0;
    }
    if (scene_ == scenes::TitleScene || scene_ == scenes::MenuScene) {
      // The first click skips the wave-in, a later one reaches the menu;
      // in the menu it lands on Start.
      if (framesInScene_ % 30 == 29) Click(330, 206);
    } else if (scene_ == scenes::PlayScene) {
      if (framesInScene_ % kShotEvery == kShotEvery - 1) ShootAtAnEnemy();
    }
  }

 private:
  void Click(std::uint32_t x, std::uint32_t y) {
    queue_[count_++] = {MsgType::MouseMove, 0, (y << 16) | x};
    queue_[count_++] = {MsgType::LButtonDown, 0, 0};
  }
  void ShootAtAnEnemy() {
    i32 x = 320, y = 240;
    for (const game::Actor& a : game::ActorPool) {
      if (a.active == 1 && a.kind >= 1 && a.kind <= 3 && a.hit == 0 &&
          a.x >= 0 && a.x < 640 && a.y >= 0 && a.y < 480) {
        x = static_cast<i32>(a.x);
        y = static_cast<i32>(a.y);
        break;
      }
    }
    Click(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
  }

  Message queue_[4];
  int head_ = 0, count_ = 0;
  base::Scene scene_ = nullptr;
  int framesInScene_ = 0;
};

struct GameFigures {
  double seconds = 0;  // menu to result
  std::uint64_t frames = 0, playFrames = 0, playAllocations = 0;
  bool finished = false;
};

// With a benchmark state, only the menu-to-result frames are timed.
GameFigures PlayOneGame(benchmark::State* state) {
  if (state) state->PauseTiming();
  PlayerPlatform player;
  loop::StartOptions options;
  options.fixedSeed = true;
  options.seed = kSeed;
  loop::Start(player, options);

  GameFigures figures;
  using Clock = std::chrono::steady_clock;
  Clock::time_point start{};
  std::uint32_t firstFrame = 0;
  bool timing = false;
  // A game that never ends would be a fault of its own; the cap only keeps
  // the benchmark from hanging on one.
  while (loop::SceneCalls < 200000) {
    const bool play = base::CurrentScene == scenes::PlayScene;
    const std::uint64_t before = bench::Allocations.load();
    const loop::StepResult r = loop::Step();
    if (r == loop::StepResult::Exit) break;
    if (r != loop::StepResult::Frame) continue;
    if (play && loop::LastScene == scenes::PlayScene) {
      ++figures.playFrames;
      figures.playAllocations += bench::Allocations.load() - before;
    }
    if (!timing && base::CurrentScene == scenes::MenuScene) {
      timing = true;
      firstFrame = loop::SceneCalls;
      if (state) state->ResumeTiming();
      start = Clock::now();
    } else if (timing && base::CurrentScene == scenes::ResultScene) {
      figures.seconds =
          std::chrono::duration<double>(Clock::now() - start).count();
      figures.frames = loop::SceneCalls - firstFrame;
      figures.finished = true;
      break;
    }
  }
  if (state && !timing) state->ResumeTiming();
  loop::ReleaseDevices();
  return figures;
}

// Peak resident memory of a process that plays one game: this program run
// again with only that to do, so the other benchmarks' memory does not count.
long ChildPeakKilobytes() {
  char self[] = "/proc/self/exe";
  char filter[] = "--benchmark_filter=^BM_HeadlessGame$";
  char* argv[] = {self, filter, nullptr};
  std::string marker = "TS_BENCH_ONE_GAME=1";
  int n = 0;
  while (environ[n]) ++n;
  char** env = static_cast<char**>(std::calloc(n + 2, sizeof(char*)));
  for (int i = 0; i < n; ++i) env[i] = environ[i];
  env[n] = marker.data();
  pid_t pid = 0;
  // Its own report would land in the middle of ours (and break JSON); its
  // exit code says whether it played the game through.
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
    posix_spawn_file_actions_addopen(&quiet, fd, "/dev/null", O_WRONLY, 0);
  }
  const int spawned = posix_spawn(&pid, self, &quiet, nullptr, argv, env);
  posix_spawn_file_actions_destroy(&quiet);
  std::free(env);
  if (spawned != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != kPlayedOneGame) {
    return -1;
  }
  return usage.ru_maxrss;
}

void BM_HeadlessGame(benchmark::State& state) {
  if (std::getenv("TS_BENCH_ONE_GAME")) {
    bool finished = false;
    {
      bench::GameFolder folder;
      finished = PlayOneGame(nullptr).finished;
    }
    std::fflush(nullptr);
    _exit(finished ? kPlayedOneGame : 1);
  }
  bench::GameFolder folder;
  GameFigures total;
  for (auto _ : state) {
    const GameFigures g = PlayOneGame(&state);
    if (!g.finished) {
      state.SkipWithError("the game did not reach the result screen");
      return;
    }
    total.seconds += g.seconds;
    total.frames += g.frames;
    total.playFrames += g.playFrames;
    total.playAllocations += g.playAllocations;
  }
  state.counters["frames_per_s"] =
      static_cast<double>(total.frames) / total.seconds;
  state.counters["frames_per_game"] = static_cast<double>(total.frames) /
                                      static_cast<double>(state.iterations());
  state.counters["allocs_per_play_frame"] =
      static_cast<double>(total.playAllocations) /
      static_cast<double>(total.playFrames);
  static const long peak = ChildPeakKilobytes();
  state.counters["peak_rss_MB"] =
      peak < 0 ? -1.0 : static_cast<double>(peak) / 1024.0;
}
BENCHMARK(BM_HeadlessGame)->Unit(benchmark::kMillisecond);

}  // namespace
