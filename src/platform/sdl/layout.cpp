#include "platform/sdl/layout.h"

#include <algorithm>

namespace platform {

namespace {

std::uint32_t Pack(int x, int y) {
  return static_cast<std::uint32_t>(y) << 16 | static_cast<std::uint32_t>(x);
}

}  // namespace

int FittingScale(int width, int height) {
  return std::max(1, std::min(width / kScreenWidth, height / kScreenHeight));
}

int WindowScale(int want, int fit) {
  return want == 0 ? fit : std::min(want, fit);
}

PictureLayout PlacePicture(int outWidth, int outHeight, int pointsWidth) {
  PictureLayout l;
  l.outWidth = outWidth;
  l.outHeight = outHeight;
  l.pixelsPerPoint = pointsWidth > 0 ? float(outWidth) / float(pointsWidth) : 1;
  l.scale = FittingScale(outWidth, outHeight);
  l.width = kScreenWidth * l.scale;
  l.height = kScreenHeight * l.scale;
  l.x = (outWidth - l.width) / 2;
  l.y = (outHeight - l.height) / 2;
  return l;
}

std::uint32_t GamePointer(const PictureLayout& l, int x, int y) {
  const auto game = [&](int v, int offset, int limit) {
    const int pixel = static_cast<int>(float(v) * l.pixelsPerPoint);
    const int g = pixel >= offset ? (pixel - offset) / l.scale : 0;
    return std::clamp(g, 0, limit - 1);
  };
  return Pack(game(x, l.x, kScreenWidth), game(y, l.y, kScreenHeight));
}

std::uint32_t StartWindowPointer(int x, int y) {
  return Pack(std::clamp(x, 0, kStartWindowWidth - 1),
              std::clamp(y, 0, kStartWindowHeight - 1));
}

}  // namespace platform
