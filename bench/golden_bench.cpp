// The recorded golden game (tests/golden/game.script, seed 11), menu, play,
// result and ranking, through the real frame loop as the headless runner
// plays it: the worst scene call of the whole game in processor time, the
// cost of the trace and of the mix, and the peak memory of the real program
// playing it.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "loop/main_loop.h"
#include "loop/trace.h"
#include "platform/system/null_platform.h"
#include "platform/system/recorder.h"
#include "platform/system/script.h"
#include "sound/device.h"
#include "sound/recording.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSeed = 11;
const char* const kScript = TS_GOLDEN_DIR "/game.script";

enum Kind { kPlain = 0, kTraced = 1, kMixed = 2 };

std::vector<platform::ScriptEvent> GoldenEvents() {
  static std::vector<platform::ScriptEvent> events;
  if (events.empty()) {
    // Read once, held in memory: no file reading inside the timed game.
    platform::ScriptStream stream;
    std::string error;
    if (!stream.Open(kScript, error)) {
      std::fprintf(stderr, "benchmark: %s\n", error.c_str());
    }
    for (platform::ScriptEvent e; stream.Peek(e); stream.Pop()) {
      events.push_back(e);
    }
  }
  return events;
}

// As the headless runner: input from the script, the trace line after each
// scene call, the mix of each frame's share of time when asked for.
class GoldenPlatform final : public platform::NullPlatform {
 public:
  GoldenPlatform(Kind kind, std::FILE* trace) : kind_(kind), trace_(trace) {
    script_.Replay(GoldenEvents());
    line_.reserve(1 << 16);
  }
  bool PollMessage(platform::Message& out) override {
    return script_.NextReplayed(out);
  }
  bool Present(const std::uint8_t* pixels, int pitch,
               const platform::PaletteEntry* palette) override {
    if (kind_ != kMixed) return NullPlatform::Present(pixels, pitch, palette);
    static std::int16_t mix[2 * kSamplesPerFrame];
    sound::MixAudio(mix, kSamplesPerFrame);
    return true;
  }
  void AfterScene() override {
    if (kind_ != kTraced) return;
    loop::TraceLine(line_, false);
    std::fwrite(line_.data(), 1, line_.size(), trace_);
  }

 private:
  Kind kind_;
  platform::Recorder script_;
  std::FILE* trace_;
  std::string line_;
};

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Peak resident memory of the real program playing the golden game
// headless, as the golden test runs it; -1 when it could not be run.
long ProgramPeakKilobytes() {
  bench::GameFolder folder;
  std::string exe = TS_RUN_DIR "/tumblesquash", seed = std::to_string(kSeed);
  std::vector<std::string> args = {exe,      "--headless", "--seed",
                                   seed,     "--input",    kScript,
                                   "--data", TS_RUN_DIR};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ) !=
      0) {
    return -1;
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return -1;
  }
  return usage.ru_maxrss;
}

// What the scene calls of one game cost, on this thread's clock.
struct GameCost {
  double worst = 0, total = 0;
  std::uint32_t worstFrame = 0, frames = 0;
};

// Everything but the game itself is left out of the timing when `state` is
// given.
void PlayGolden(Kind kind, std::FILE* trace, GameCost& cost,
                benchmark::State* state = nullptr) {
  if (state) state->PauseTiming();
  std::error_code error;
  fs::remove("Score.dat", error);
  std::rewind(trace);
  // Each game as the first of a fresh program: nothing made before.
  sound::ClearRecordingCache();
  GoldenPlatform platform(kind, trace);
  loop::StartOptions options;
  options.fixedSeed = true;
  options.seed = kSeed;
  if (state) state->ResumeTiming();
  loop::Start(platform, options);
  for (;;) {
    const double before = ThreadCpuSeconds();
    const loop::StepResult r = loop::Step();
    const double spent = ThreadCpuSeconds() - before;
    if (r == loop::StepResult::Exit) break;
    if (r != loop::StepResult::Frame) continue;
    cost.total += spent;
    ++cost.frames;
    if (spent > cost.worst) {
      cost.worst = spent;
      cost.worstFrame = loop::SceneCalls;
    }
    // The script ends the run; the cap only keeps a broken one from
    // running on.
    if (loop::SceneCalls >= 20000) break;
  }
  loop::ReleaseDevices();
}

void BM_GoldenGame(benchmark::State& state) {
  const Kind kind = Kind(state.range(0));
  bench::GameFolder folder;
  std::FILE* trace = std::fopen("trace.jsonl", "wb");
  GameCost cost;
  for (auto _ : state) PlayGolden(kind, trace, cost, &state);
  std::fclose(trace);
  state.counters["worst_frame_ms"] = cost.worst * 1e3;
  state.counters["worst_frame"] = cost.worstFrame;
  state.counters["mean_frame_us"] = cost.total / cost.frames * 1e6;
  if (kind == kPlain) {
    static const long peak = ProgramPeakKilobytes();
    state.counters["program_peak_MB"] = peak < 0 ? -1.0 : peak / 1024.0;
  }
}
BENCHMARK(BM_GoldenGame)
    ->ArgName("traced1_mixed2")
    ->Arg(kPlain)
    ->Arg(kTraced)
    ->Arg(kMixed)
    ->Unit(benchmark::kMillisecond);

// The traced game against the plain one in pairs: each round plays both,
// one straight after the other, so both meet the same load from the
// machine's neighbours; the round's ratio is the traced game's scene calls'
// CPU time over the plain game's. Reported: the median ratio over the
// rounds.
void BM_GoldenGame_TracedOverPlain(benchmark::State& state) {
  bench::GameFolder folder;
  std::FILE* trace = std::fopen("trace.jsonl", "wb");
  std::vector<double> ratios;
  for (auto _ : state) {
    GameCost plain, traced;
    PlayGolden(kPlain, trace, plain);
    PlayGolden(kTraced, trace, traced);
    ratios.push_back(traced.total / plain.total);
  }
  std::fclose(trace);
  std::sort(ratios.begin(), ratios.end());
  state.counters["median_ratio"] = ratios[ratios.size() / 2];
  state.counters["rounds"] = double(ratios.size());
}
BENCHMARK(BM_GoldenGame_TracedOverPlain)
    ->MinTime(3.0)
    ->Unit(benchmark::kMillisecond);

}  // namespace
