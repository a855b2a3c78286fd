// A recording as the mixer plays it: read from its WAVE resource, made ready
// to be resampled to the device's rate as it plays, and given its
// loudness-matched gain. Kept in a small cache, so a new game finds its
// recordings ready.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "base/types.h"
#include "sound/resample.h"
#include "sound/wave_resources.h"

namespace sound {

// DirectSound's frequency range: a recording's rate outside it is refused,
// and a channel's playing frequency outside it leaves the old one.
constexpr u32 kMinRate = 100;
constexpr u32 kMaxRate = 100000;

struct Recording {
  int channels = 1;
  u32 rate = 22050;
  u32 frames = 0;
  // The played form: at the device's rate, always stereo, full scale 1,
  // playedFrames frames with kGuard frames of the loop's continuation on
  // either side. It is computed a stretch at a time as the mixer reads it
  // (Render), never kept whole: the music alone would take 10 MB.
  static constexpr int kGuard = 64;
  std::unique_ptr<const Resampler> resampler;
  u32 playedRate = 0;
  int64_t playedFrames = 0;
  uint64_t playedLength = 0;  // 32.32 frames: frames * playedRate / rate
  // Played frames [first, first + count) into `out`, interleaved; first may
  // be as low as -kGuard and first + count as high as playedFrames + kGuard.
  void Render(int64_t first, int64_t count, float* out) const {
    resampler->Render(size_t(first + kGuard), size_t(count), out);
  }
  // The whole played form, guards included (tools and tests).
  std::vector<float> Played() const;
  float gain = 1.0f;      // brings it to its level in the mix
  double loudness = 0.0;  // as recorded: its loudest 400 ms, LUFS
};

// The recording of `resource` for a device at `rate`, from the cache when it
// was made before. `targetLufs` is the loudness it should play at; NaN plays
// it as recorded. nullptr when the resource is malformed (refused as a
// whole: the header's fields are checked against the resource's size) or
// would play for more than about six minutes.
std::shared_ptr<const Recording> LoadRecording(const WaveResource& resource,
                                               int rate, double targetLufs);

// True when LoadRecording would take that recording from the cache.
bool RecordingReady(const WaveResource& resource, int rate, double targetLufs);

// The loudness a recording is matched by (its loudest 400 ms as recorded,
// LUFS); NaN when the resource is malformed. The build measures the game's
// own recordings with it and keeps the figure in their table.
double MeasureLoudness(const WaveResource& resource);

// The same recording made again for another device rate (not cached);
// nullptr when it would be too long to play at that rate.
std::shared_ptr<const Recording> RemakeForRate(const Recording& recording,
                                               int rate);

// The loudness the game's recording of that name plays at (LUFS before the
// master gain and the volumes); NaN for any other name.
double LevelOf(const char* name);

// Forgets every cached recording (channels keep theirs).
void ClearRecordingCache();

}  // namespace sound
