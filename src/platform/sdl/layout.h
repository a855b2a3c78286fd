// Where the 640 x 480 picture goes in a window, and which game pixel a
// pointer is over: plain arithmetic, no SDL, so it is tested on its own.
#pragma once
#include <cstdint>

#include "base/platform.h"

namespace platform {

// The start-up window: the splash picture's size.
inline constexpr int kStartWindowWidth = 480, kStartWindowHeight = 240;

// The largest whole-number scale at which a 640 x 480 window fits an area
// of `width` x `height` pixels; never below 1.
int FittingScale(int width, int height);
// The window's scale: the one asked for (0: the largest) if it fits.
int WindowScale(int want, int fit);

// The picture in an output of `outWidth` x `outHeight` pixels: the largest
// whole-number scale that fits, centred, black bars around it.
struct PictureLayout {
  int outWidth = kScreenWidth, outHeight = kScreenHeight;
  int scale = 1;
  int x = 0, y = 0, width = kScreenWidth, height = kScreenHeight;
  // Window points to output pixels (not 1 on high-density screens).
  float pixelsPerPoint = 1;
  bool HasBars() const { return width < outWidth || height < outHeight; }
};
// `pointsWidth` is the window's width in points (0: as many as pixels).
PictureLayout PlacePicture(int outWidth, int outHeight, int pointsWidth);

// The game pixel under a pointer at (x, y) window points, packed as a
// mouse-move message carries it; over the bars, the picture's nearest edge.
std::uint32_t GamePointer(const PictureLayout& layout, int x, int y);
// The same in the start-up window, whose points are its pixels.
std::uint32_t StartWindowPointer(int x, int y);

}  // namespace platform
