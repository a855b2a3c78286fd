// Where the pointer lies on the game's screen (the page lays the screen out
// itself, in boot.js). Standard C++ only, so the native tests check it.
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

}  // namespace web
