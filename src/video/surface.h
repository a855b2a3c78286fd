// The emulated 8-bit display: a flip pair of 640 x 480 screens, the
// 640 x 2048 sprite sheet, the display palette and the sheet's colour key.
#pragma once
#include <array>
#include <span>

#include "base/globals.h"
#include "base/platform.h"
#include "base/types.h"
#include "video/rect.h"

namespace video {

using PaletteEntry = platform::PaletteEntry;

using platform::kScreenHeight;
using platform::kScreenWidth;
inline constexpr int kSheetWidth = 640;
inline constexpr int kSheetHeight = 2048;

struct Surface {
  int width = 0;
  int height = 0;
  int pitch = 0;
  u8* pixels = nullptr;

  u8* Row(int y) { return pixels + static_cast<long>(y) * pitch; }
  const u8* Row(int y) const { return pixels + static_cast<long>(y) * pitch; }
};

// Null while no display is up.
extern Surface* PrimarySurface;
extern Surface* BackSurface;
extern Surface* SheetSurface;

struct Palette {
  bool exists = false;
  PaletteEntry entries[256] = {};
};
extern Palette DisplayPalette;

// The palette index that keyed copies from the sheet leave out.
#define TS_VIDEO_GLOBALS(X) X(u8, SheetColorKey, 0)
TS_VIDEO_GLOBALS(TS_DECLARE_GLOBAL)

// Makes the surfaces (all pixels 0). Used by InitDisplay and by tests.
void CreateSurfaces();
// Where the surfaces' pixels live, made or not: a driver may have the
// system hand out those pages early, before the display opens.
std::array<std::span<u8>, 2> SurfaceMemory();
// Releases the surfaces and the palette.
void ReleaseSurfaces();
// Exchanges the two screens: the back buffer then holds the picture that was
// on screen before, two frames old.
void FlipSurfaces();
// Back to the start-of-run state: no display, palettes zero, key 0.
void ResetVideo();

}  // namespace video
