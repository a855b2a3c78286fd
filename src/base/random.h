// The program's one pseudo-random generator (a linear congruential one).
#pragma once
#include "base/types.h"

namespace base {

extern u32 RandomState;

void SeedRandom(u32 seed);
// Advances the state and returns bits 16..30 of it: 0..32767.
int Random();

}  // namespace base
