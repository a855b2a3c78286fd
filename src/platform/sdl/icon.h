// The window icon, BMP files embedded in the executable (made at build
// time): one for SDL, and several sizes for the window manager to choose
// from.
#pragma once

namespace resources {
extern const unsigned char kIconBmp[];
extern const unsigned kIconBmpSize;
struct IconBmp {
  const unsigned char* data;
  unsigned size;
};
extern const IconBmp kWindowIcons[];
extern const unsigned kWindowIconCount;
}  // namespace resources
