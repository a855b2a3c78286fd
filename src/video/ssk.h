// Loading SSK pictures into the sheet and their palettes onto the display.
#pragma once
#include "base/types.h"
#include "video/surface.h"

namespace video {

extern PaletteEntry ImagePalette[256];
extern PaletteEntry ScreenPalette[256];

int LoadSskImage(const char* name, i32 x, i32 y);
u8 LoadSskPalette(const char* name);

}  // namespace video
