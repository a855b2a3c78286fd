// The recordings compiled into the executable (generated at build time from
// the WAVE files the sound generator writes).
#pragma once
#include "sound/sound.h"

namespace resources {
extern const sound::WaveResource kWaveResources[];
extern const int kWaveResourceCount;
}  // namespace resources
