#include "video/ssk.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "video/ssk_codec.h"

namespace video {

PaletteEntry ImagePalette[256];
PaletteEntry ScreenPalette[256];

namespace {

// Reads a picture file whole and checks it. A file that cannot be opened is
// quietly passed over, as the game always did; a damaged one is reported.
bool ReadSsk(const char* name, bool decode, SskFile& file,
             std::vector<std::uint8_t>& bytes) {
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  // The largest valid picture codes to well under this.
  constexpr std::streamoff kMaxFile =
      std::streamoff(kSskCodeOffset) + 3 * std::streamoff(kSskMaxPixels) + 1;
  std::string error;
  if (size < 0) {
    error = "cannot be read";
  } else {
    bytes.resize(static_cast<std::size_t>(std::min(size, kMaxFile)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    if (in.gcount() != static_cast<std::streamsize>(bytes.size())) {
      error = "cannot be read";
    } else if (ParseSsk(bytes, decode, file, error)) {
      return true;
    }
  }
  std::fprintf(stderr, "TumbleSquash: picture \"%s\" refused: %s\n", name,
               error.c_str());
  return false;
}

}  // namespace

int LoadSskImage(const char* name, i32 x, i32 y) {
  Surface* sheet = SheetSurface;
  if (!sheet || x < 0 || y < 0 || y >= sheet->height) return 0;
  SskFile file;
  std::vector<std::uint8_t> bytes;
  if (!ReadSsk(name, true, file, bytes)) return 0;

  // Top row first; whatever runs past the right or bottom edge is cut.
  const int w = file.width, h = file.height;
  for (int r = 0; r < h; ++r) {
    const u8* in = file.pixels.data() + std::size_t(h - 1 - r) * std::size_t(w);
    u8* out = sheet->Row(y + r);
    for (int c = 0; c < w && x + c < sheet->pitch; ++c) out[x + c] = in[c];
    if (y + r + 1 >= sheet->height) break;
  }
  return 1;
}

u8 LoadSskPalette(const char* name) {
  SskFile file;
  std::vector<std::uint8_t> bytes;
  if (!ReadSsk(name, true, file, bytes)) return 0;
  for (int i = 0; i < 256; ++i) {
    ImagePalette[i] = {file.colours[i].r, file.colours[i].g, file.colours[i].b,
                       0};
    ScreenPalette[i] = ImagePalette[i];
  }
  // The display palette is made by the first load; later ones only set its
  // entries. The new colours show with the next presented frame.
  DisplayPalette.exists = true;
  for (int i = 0; i < 256; ++i) DisplayPalette.entries[i] = ImagePalette[i];
  return SskFirstCodedByte(bytes);
}

}  // namespace video
