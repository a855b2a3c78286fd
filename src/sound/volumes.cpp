#include "sound/volumes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "base/numbers.h"
#include "sound/mixer.h"

namespace sound {

// Guarded by MixerLock: the mixer reads it as it mixes.
Volumes PlayerVolumes;

Volumes GetVolumes() {
  std::lock_guard<std::mutex> lock(MixerLock);
  return PlayerVolumes;
}

void SetVolumes(const Volumes& wanted) {
  Volumes v = wanted;
  v.master = std::clamp(v.master, 0, 100);
  v.music = std::clamp(v.music, 0, 100);
  v.effects = std::clamp(v.effects, 0, 100);
  std::lock_guard<std::mutex> lock(MixerLock);
  PlayerVolumes = v;
}

void StepVolume(VolumeStep step, bool repeat) {
  Volumes v = GetVolumes();
  switch (step) {
    case VolumeStep::Mute:
      if (!repeat) v.mute = !v.mute;
      break;
    case VolumeStep::Down:
      v.master = std::max(0, v.master - 10);
      v.mute = false;
      break;
    case VolumeStep::Up:
      v.master = std::min(100, v.master + 10);
      v.mute = false;
      break;
  }
  SetVolumes(v);
}

int ParseVolumeOption(int argc, char** argv, int i, Volumes& volumes,
                      const char*& error) {
  const char* arg = argv[i];
  if (std::strcmp(arg, "--mute") == 0) {
    volumes.mute = true;
    return 1;
  }
  int* into = std::strcmp(arg, "--volume") == 0           ? &volumes.master
              : std::strcmp(arg, "--music-volume") == 0   ? &volumes.music
              : std::strcmp(arg, "--effects-volume") == 0 ? &volumes.effects
                                                          : nullptr;
  if (!into) return 0;
  const char* text = i + 1 < argc ? argv[i + 1] : "";
  std::uint64_t value = 0;
  if (!base::ParseUnsigned(text, 100, value)) {
    error = std::strcmp(arg, "--volume") == 0
                ? "--volume needs a number from 0 to 100"
            : std::strcmp(arg, "--music-volume") == 0
                ? "--music-volume needs a number from 0 to 100"
                : "--effects-volume needs a number from 0 to 100";
    return -1;
  }
  *into = int(value);
  return 2;
}

}  // namespace sound
