// Where the pointer lies on the game's screen, and how large the page shows
// it. Standard C++ only, so the native tests check it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/platform.h"

namespace web {

// The game's screen as the page shows it, in CSS pixels.
struct ScreenRect {
  double left, top, width, height;
};

// The screen pixel under a pointer at (x, y) CSS pixels, clamped to the
// screen, packed as a mouse-move message carries it.
std::uint32_t ScreenPosition(double x, double y, const ScreenRect& screen);

// The largest whole number of device pixels per game pixel at which the
// 640 x 480 screen fits a view of the given CSS size; never below 1.
int WholeScale(double viewWidth, double viewHeight, double devicePixelRatio);

}  // namespace web
