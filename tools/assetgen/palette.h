// Turns a finished true-colour picture into 256 palette indices: a palette
// made for that picture (median cut, then a few rounds of refinement), with
// the entries the game relies on held back.
#pragma once
#include <cstdint>
#include <vector>

#include "raster.h"
#include "video/ssk_codec.h"

namespace assetgen {

// Index 0 is always black: every clear and fill of the game paints it.
inline constexpr std::uint8_t kKeyIndex = 1;  // transparent, shown nowhere

struct PaletteRules {
  bool keepLastBlack = false;  // entry 255 black and never used
};

struct Indexed {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // top row first
  video::Rgb colours[256] = {};
  std::uint8_t at(int x, int y) const { return pixels[y * width + x]; }
};

// Pixels with alpha 0 become kKeyIndex; every other pixel (alpha 1) gets the
// nearest colour of the palette, never the key and never a held-back entry.
Indexed Quantise(const Image& im, const PaletteRules& rules);

}  // namespace assetgen
