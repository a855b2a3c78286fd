// Where the 640 x 480 picture goes in a window, how large a window fits the
// desktop, and which game pixel a pointer is over: plain arithmetic, no SDL,
// so it is tested on its own.
#pragma once
#include <cstdint>

#include "base/platform.h"
#include "platform/system/settings_file.h"

namespace platform {

// The start-up window: the splash picture's size.
inline constexpr int kStartWindowWidth = 480, kStartWindowHeight = 240;

// How the picture is scaled. Whole: by the largest whole number that fits,
// black bars around. Fit: as large as the output allows, 4:3 kept, edges
// kept crisp (see SharpFit). Auto: whole where that is 2x or more, fit where
// a whole number would leave it at 1x.
enum class ScaleMode { Auto, Whole, Fit };

// The mode a remembered scale asks for (0: auto, kScaleFit, N: whole).
ScaleMode ModeForScale(int scale);

// The largest whole-number scale at which a 640 x 480 picture fits an area
// of `width` x `height` pixels; never below 1.
int FittingScale(int width, int height);

// The client size of a window that fits an area of `width` x `height`
// (the usable desktop less the window manager's frame) for the remembered
// `scale`: N times 640 x 480 if that fits (else the largest whole number
// that does), the largest 4:3 size for fit, and for auto whichever of the
// two its rule picks. Never below 640 x 480.
struct Size {
  int width = kScreenWidth, height = kScreenHeight;
};
Size WindowSize(int width, int height, int scale);

// The picture in an output of `outWidth` x `outHeight` pixels, centred,
// black bars around it.
struct PictureLayout {
  int outWidth = kScreenWidth, outHeight = kScreenHeight;
  // The whole-number scale, or 0 when the picture is scaled by a fraction.
  int scale = 1;
  int x = 0, y = 0, width = kScreenWidth, height = kScreenHeight;
  // Window points to output pixels (not 1 on high-density screens).
  float pixelsPerPoint = 1;
  bool HasBars() const { return width < outWidth || height < outHeight; }
  // How many output pixels a game pixel covers, across.
  double Zoom() const { return double(width) / kScreenWidth; }
};
// `pointsWidth` is the window's width in points (0: as many as pixels).
PictureLayout PlacePicture(int outWidth, int outHeight, int pointsWidth,
                           ScaleMode mode = ScaleMode::Whole);

// The game pixel under a pointer at (x, y) window points, packed as a
// mouse-move message carries it; over the bars, the picture's nearest edge.
// It is the game pixel that covers most of the output pixel pointed at.
std::uint32_t GamePointer(const PictureLayout& layout, int x, int y);
// The same in the start-up window, whose points are its pixels.
std::uint32_t StartWindowPointer(int x, int y);

}  // namespace platform
