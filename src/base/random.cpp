#include "base/random.h"

namespace base {

u32 RandomState = 0;

void SeedRandom(u32 seed) { RandomState = seed; }

int Random() {
  RandomState = RandomState * 214013u + 2531011u;
  return static_cast<int>((RandomState >> 16) & 0x7FFF);
}

}  // namespace base
