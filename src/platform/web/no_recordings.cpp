// The page's programs carry no recordings: the game gets stand-ins (see
// sound_link.h) and the worklet's mixer the real ones, fetched after the
// start picture. This table keeps the generated one out of both.
#include "sound/wave_resources.h"

namespace resources {
const sound::WaveResource kWaveResources[1] = {};
const int kWaveResourceCount = 0;
}  // namespace resources
