// A frame of the game as a PNG file: headless shots and F12 screenshots.
#pragma once
#include <cstdint>
#include <string>

#include "base/platform.h"

namespace platform {

// Writes a 640 x 480 frame of palette indices (rows `pitch` bytes apart) as
// an RGB PNG. False on error, with errno as the system left it.
bool WritePng(const std::string& path, const std::uint8_t* pixels, int pitch,
              const PaletteEntry* palette);

}  // namespace platform
