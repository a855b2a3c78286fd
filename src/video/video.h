// Everything the scenes use from the video subsystem.
#pragma once
#include "video/blit.h"
#include "video/display.h"
#include "video/fade.h"
#include "video/ssk.h"
#include "video/surface.h"

namespace video {
// Back to the start-of-run state: no display, palettes zero, key 0.
void ResetVideo();
}  // namespace video
