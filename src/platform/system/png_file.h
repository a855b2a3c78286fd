// A frame of the game as a PNG file: headless shots and F12 screenshots.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/platform.h"

namespace platform {

// A 640 x 480 frame of palette indices (rows `pitch` bytes apart) as the
// bytes of an RGB PNG file. False when libpng could not make it.
bool EncodePng(const std::uint8_t* pixels, int pitch,
               const PaletteEntry* palette, std::vector<std::uint8_t>& out);

// Writes the frame as a PNG file at `path` (a headless shot: the name the
// caller chose, as given). False on error, with errno as the system left it.
bool WritePng(const std::string& path, const std::uint8_t* pixels, int pitch,
              const PaletteEntry* palette);

}  // namespace platform
