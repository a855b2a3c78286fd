#include "platform/sdl/layout.h"

#include <algorithm>

namespace platform {

namespace {

std::uint32_t Pack(int x, int y) {
  return static_cast<std::uint32_t>(y) << 16 | static_cast<std::uint32_t>(x);
}

// The largest 4:3 size within `width` x `height`.
Size LargestFit(int width, int height) {
  Size s;
  if (std::int64_t(width) * 3 >= std::int64_t(height) * 4) {
    s.height = height;
    s.width = (height * 4 + 1) / 3;  // rounded; never wider than `width`
  } else {
    s.width = width;
    s.height = (width * 3 + 2) / 4;
  }
  return s;
}

}  // namespace

ScaleMode ModeForScale(int scale) {
  return scale == 0           ? ScaleMode::Auto
         : scale == kScaleFit ? ScaleMode::Fit
                              : ScaleMode::Whole;
}

int FittingScale(int width, int height) {
  return std::max(1, std::min(width / kScreenWidth, height / kScreenHeight));
}

Size WindowSize(int width, int height, int scale) {
  const int whole = FittingScale(width, height);
  Size s;
  if (scale == kScaleFit || (scale == 0 && whole == 1)) {
    s = LargestFit(width, height);
  } else {
    const int n = scale == 0 ? whole : std::min(scale, whole);
    s = {kScreenWidth * n, kScreenHeight * n};
  }
  s.width = std::max(s.width, kScreenWidth);
  s.height = std::max(s.height, kScreenHeight);
  return s;
}

PictureLayout PlacePicture(int outWidth, int outHeight, int pointsWidth,
                           ScaleMode mode) {
  PictureLayout l;
  l.outWidth = outWidth;
  l.outHeight = outHeight;
  l.pixelsPerPoint = pointsWidth > 0 ? float(outWidth) / float(pointsWidth) : 1;
  l.scale = FittingScale(outWidth, outHeight);
  l.width = kScreenWidth * l.scale;
  l.height = kScreenHeight * l.scale;
  const bool fit =
      mode == ScaleMode::Fit || (mode == ScaleMode::Auto && l.scale == 1);
  const Size f = LargestFit(outWidth, outHeight);
  if (fit && f.width > l.width && f.height >= kScreenHeight) {
    l.width = f.width;
    l.height = f.height;
    // A fit that lands on a whole number is drawn as one.
    const bool whole = l.width % kScreenWidth == 0 &&
                       l.height == l.width / kScreenWidth * kScreenHeight;
    l.scale = whole ? l.width / kScreenWidth : 0;
  }
  l.x = (outWidth - l.width) / 2;
  l.y = (outHeight - l.height) / 2;
  return l;
}

std::uint32_t GamePointer(const PictureLayout& l, int x, int y) {
  // The game pixel under the output pixel's centre: the one that covers
  // most of it, as the picture is drawn.
  const auto game = [&](int v, int offset, int size, int limit) {
    const int pixel = static_cast<int>(float(v) * l.pixelsPerPoint) - offset;
    if (pixel < 0) return 0;
    const std::int64_t g =
        (2 * std::int64_t(pixel) + 1) * limit / (2 * std::int64_t(size));
    return static_cast<int>(std::min<std::int64_t>(g, limit - 1));
  };
  return Pack(game(x, l.x, l.width, kScreenWidth),
              game(y, l.y, l.height, kScreenHeight));
}

std::uint32_t StartWindowPointer(int x, int y) {
  return Pack(std::clamp(x, 0, kStartWindowWidth - 1),
              std::clamp(y, 0, kStartWindowHeight - 1));
}

}  // namespace platform
