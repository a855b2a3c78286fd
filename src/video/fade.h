// Palette fades: one step per call, the pixels untouched.
#pragma once
#include "base/types.h"

namespace video {

void FadeOutStep(i32 first, i32 count);
void FadeInStep(i32 first, i32 count);

}  // namespace video
