#include "video/fade.h"

#include "video/ssk.h"
#include "video/surface.h"

namespace video {

namespace {

template <typename Step>
void FadeRange(i32 first, i32 count, Step step) {
  for (i32 i = first; i < first + count && i <= 255; ++i) {
    if (i < 0) continue;
    PaletteEntry& s = ScreenPalette[i];
    const PaletteEntry& target = ImagePalette[i];
    step(s.red, target.red);
    step(s.green, target.green);
    step(s.blue, target.blue);
  }
  // The whole palette goes to the display at every step, whatever the range.
  if (DisplayPalette.exists) {
    for (int i = 0; i < 256; ++i) DisplayPalette.entries[i] = ScreenPalette[i];
  }
}

}  // namespace

void FadeOutStep(i32 first, i32 count) {
  FadeRange(first, count, [](u8& v, u8) {
    if (v > 5) {
      v = static_cast<u8>(v - 6);
    } else if (v > 1) {
      v = static_cast<u8>(v - 1);
    }
  });
}

void FadeInStep(i32 first, i32 count) {
  FadeRange(first, count, [](u8& v, u8 target) {
    // A byte at 254 below a target of 255 would wrap when raised by 2; it
    // lands on the target instead.
    if (target > v && v < 254) {
      v = static_cast<u8>(v + 2);
    } else {
      v = target;
    }
  });
}

}  // namespace video
