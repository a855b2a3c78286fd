#include "platform/web/page_geometry.h"

#include <algorithm>
#include <cmath>

namespace web {

std::uint32_t ScreenPosition(double x, double y, const ScreenRect& screen) {
  const auto pixel = [](double at, double start, double size, int count) {
    if (!(size > 0)) return 0;
    const double p = std::floor((at - start) * count / size);
    return static_cast<int>(std::clamp(p, 0.0, count - 1.0));
  };
  const std::uint32_t gx =
      pixel(x, screen.left, screen.width, platform::kScreenWidth);
  const std::uint32_t gy =
      pixel(y, screen.top, screen.height, platform::kScreenHeight);
  return gy << 16 | gx;
}

}  // namespace web
