// Rectangles of screen or sheet pixels: left, top, right, bottom, with right
// and bottom exclusive.
#pragma once
#include "base/types.h"

namespace video {

struct Rect {
  i32 left, top, right, bottom;
};

struct Point {
  i32 x, y;
};

}  // namespace video
