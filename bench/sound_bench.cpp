// The mixer's cost: one second of audio with all fourteen channels playing,
// the part of a pull that holds the lock, and the silent device's step
// after each headless frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "alloc_counter.h"
#include "platform/system/null_platform.h"
#include "sound/device.h"
#include "sound/sound.h"

namespace {

using BenchAudio = platform::NullPlatform;

// Every channel filled and looping: the game's eight and six more copies.
void FillAllChannels(BenchAudio& audio) {
  sound::ResetSound();
  platform::SetCurrent(&audio);
  sound::InitSound();
  sound::FillGameChannels();
  for (int c = 7; c <= 12; ++c) sound::DuplicateChannel(c, c % 2 ? 13 : 0);
  for (int c = 0; c < sound::kChannelCount; ++c) sound::SoundCommand(c, -1, 0);
}

void BM_Mixer14(benchmark::State& state) {
  BenchAudio audio;
  FillAllChannels(audio);
  // The rate the device opened at.
  constexpr int kRate = BenchAudio::kSampleRate, kPull = 512;
  std::vector<int16_t> buffer(2 * kPull);
  std::uint64_t allocationsBefore = bench::Allocations.load();
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    // One second, in the pieces an audio device asks for.
    for (int done = 0; done < kRate; done += kPull) {
      int n = kRate - done < kPull ? kRate - done : kPull;
      sound::MixAudio(buffer.data(), n);
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  std::chrono::duration<double> spent =
      std::chrono::steady_clock::now() - start;
  std::uint64_t allocations = bench::Allocations.load() - allocationsBefore;
  // Seconds of work per second of audio: the share of one core it takes.
  state.counters["core_fraction"] = spent.count() / double(state.iterations());
  state.counters["allocations"] = double(allocations);
  sound::ResetSound();
}
BENCHMARK(BM_Mixer14)->Unit(benchmark::kMillisecond);

// What the audio thread does under the mixer's lock in each pull: reading
// the channels before mixing and writing their positions back after (a
// pull of no frames does only that), with all fourteen playing.
void BM_MixerLockedPart(benchmark::State& state) {
  BenchAudio audio;
  FillAllChannels(audio);
  std::int16_t buffer[2];
  for (auto _ : state) sound::MixAudio(buffer, 0);
  sound::ResetSound();
}
BENCHMARK(BM_MixerLockedPart);

void BM_SilentDeviceFrame(benchmark::State& state) {
  BenchAudio audio;
  FillAllChannels(audio);
  for (auto _ : state) sound::AdvanceChannels(BenchAudio::kSamplesPerFrame);
  sound::ResetSound();
}
BENCHMARK(BM_SilentDeviceFrame);

}  // namespace
