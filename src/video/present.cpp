#include "video/present.h"

#include <bit>
#include <cstring>

namespace video {

// The pair table is indexed by two bytes read as one little-endian word.
static_assert(std::endian::native == std::endian::little);

namespace {

// Two pixels at a time through a table of every pair of indices: one load
// and one 8-byte store per pair. The table (512 KiB, it lives in L2) is made
// again only when the palette changes, which outside fades is rare.
struct PairTable {
  platform::PaletteEntry palette[256];
  bool valid = false;
  std::uint64_t pairs[65536];
};

PairTable& Table(const platform::PaletteEntry* palette) {
  static PairTable table;
  if (!table.valid ||
      std::memcmp(table.palette, palette, sizeof table.palette) != 0) {
    std::uint32_t single[256];
    for (int i = 0; i < 256; ++i) {
      single[i] = 0xFF000000u | std::uint32_t(palette[i].red) << 16 |
                  std::uint32_t(palette[i].green) << 8 | palette[i].blue;
    }
    // Index pair (first, second) as they lie in memory, little-endian.
    for (int second = 0; second < 256; ++second) {
      const std::uint64_t high = std::uint64_t(single[second]) << 32;
      std::uint64_t* row = table.pairs + (second << 8);
      for (int first = 0; first < 256; ++first)
        row[first] = high | single[first];
    }
    std::memcpy(table.palette, palette, sizeof table.palette);
    table.valid = true;
  }
  return table;
}

}  // namespace

void ConvertFrame(const std::uint8_t* pixels, int pitch, int width, int height,
                  const platform::PaletteEntry* palette, std::uint32_t* out) {
  const std::uint64_t* pairs = Table(palette).pairs;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = pixels + static_cast<long>(y) * pitch;
    std::uint32_t* row = out + static_cast<long>(y) * width;
    int x = 0;
    // Eight indices per load, four pairs out of them.
    for (; x + 8 <= width; x += 8) {
      std::uint64_t eight;
      std::memcpy(&eight, in + x, 8);
      const std::uint64_t p0 = pairs[eight & 0xFFFF];
      const std::uint64_t p1 = pairs[(eight >> 16) & 0xFFFF];
      const std::uint64_t p2 = pairs[(eight >> 32) & 0xFFFF];
      const std::uint64_t p3 = pairs[eight >> 48];
      std::memcpy(row + x, &p0, 8);
      std::memcpy(row + x + 2, &p1, 8);
      std::memcpy(row + x + 4, &p2, 8);
      std::memcpy(row + x + 6, &p3, 8);
    }
    for (; x + 2 <= width; x += 2) {
      const unsigned pair = unsigned(in[x]) | unsigned(in[x + 1]) << 8;
      std::memcpy(row + x, &pairs[pair], 8);
    }
    if (x < width) row[x] = static_cast<std::uint32_t>(pairs[in[x]]);
  }
}

}  // namespace video
