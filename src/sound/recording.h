// A recording as the mixer plays it: read from its WAVE resource, resampled
// once to the device's rate and given its loudness-matched gain. Kept in a
// small cache, so a new game finds its recordings ready.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "base/types.h"
#include "sound/wave_resources.h"

namespace sound {

// DirectSound's frequency range: a recording's rate outside it is refused,
// and a channel's playing frequency outside it leaves the old one.
constexpr u32 kMinRate = 100;
constexpr u32 kMaxRate = 100000;

struct Recording {
  std::vector<int16_t> samples;  // as stored, interleaved when stereo
  int channels = 1;
  u32 rate = 22050;
  u32 frames = 0;
  // At the device's rate, always stereo, full scale 1: playedFrames frames
  // with kGuard frames of the loop's continuation on either side.
  static constexpr int kGuard = 64;
  std::vector<float> played;
  u32 playedRate = 0;
  int64_t playedFrames = 0;
  uint64_t playedLength = 0;  // 32.32 frames: frames * playedRate / rate
  const float* Frame0() const { return played.data() + 2 * kGuard; }
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
