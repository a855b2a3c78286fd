// Sine and cosine of 1024ths of a turn.
#pragma once
#include "base/types.h"

namespace base {

extern f32 SineTable[1024];
extern f32 CosineTable[1024];

void BuildTrigTables();

}  // namespace base
