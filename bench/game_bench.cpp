// One complete play frame of gameplay and drawing: with every record of the
// pool live, and with a typical field of ten enemies and their effects.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>

#include "alloc_counter.h"
#include "game/actors.h"
#include "play_field.h"
#include "video/video.h"

namespace {

void RunFrames(benchmark::State& state, bool full) {
  bench::PrepareField(full);
  const std::uint64_t allocationsBefore = bench::Allocations.load();
  for (auto _ : state) {
    // Back to the same field each time, so every frame does the same work.
    bench::RestoreField();
    bench::PlayFrame();
    benchmark::DoNotOptimize(video::BackSurface->pixels[0]);
  }
  // Read before the counters below are made: they allocate themselves.
  const std::uint64_t allocations =
      bench::Allocations.load() - allocationsBefore;
  int live = 0;
  for (const game::Actor& a : game::ActorPool) live += a.active == 1;
  state.counters["live"] = live;
  state.counters["allocs_per_frame"] =
      benchmark::Counter(static_cast<double>(allocations) /
                         static_cast<double>(state.iterations()));
}

void BM_FullFrame_WorstCase(benchmark::State& state) { RunFrames(state, true); }
void BM_FullFrame_Typical(benchmark::State& state) { RunFrames(state, false); }

BENCHMARK(BM_FullFrame_WorstCase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullFrame_Typical)->Unit(benchmark::kMicrosecond);

}  // namespace
