// The window icon, a BMP file embedded in the executable (made at build time).
#pragma once

namespace resources {
extern const unsigned char kIconBmp[];
extern const unsigned kIconBmpSize;
}  // namespace resources
