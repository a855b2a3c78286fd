#include "sound/volumes.h"

#include <algorithm>

namespace sound {

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

}  // namespace sound
