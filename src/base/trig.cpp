#include "base/trig.h"

#include <cmath>

namespace base {

f32 SineTable[1024];
f32 CosineTable[1024];

void BuildTrigTables() {
  // The ten-digit pi is deliberate: it leaves sin(pi) a tiny non-zero value,
  // and the motion of every actor is built on these exact floats.
  for (int i = 0; i < 1024; ++i) {
    const double angle = static_cast<double>(i) * 3.141592654 / 512.0;
    SineTable[i] = static_cast<f32>(std::sin(angle));
    CosineTable[i] = static_cast<f32>(std::cos(angle));
  }
}

}  // namespace base
