#include "video/ssk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "base/platform.h"
#include "base/say.h"
#include "video/blit.h"
#include "video/ssk_codec.h"

namespace video {

PaletteEntry ImagePalette[256];
PaletteEntry ScreenPalette[256];

namespace {

// The file the last LoadSskImage took whole. The scenes load a picture's
// pixels and then its colours from the same file: when the colours' read
// finds the same bytes, they are taken from here instead of decoding every
// pixel again.
struct LastImage {
  std::string path;
  std::vector<std::uint8_t> bytes;
  Rgb colours[256] = {};
};
LastImage lastImage;

// The decoded pixels, kept between loads: a picture of the same size as the
// last is decoded over it without clearing 1.3 MB first.
SskFile& Decoded() {
  static SskFile file;
  return file;
}

// Reads a picture file whole and checks it; without `pixels` only the
// colours need be filled in. A missing file is quietly passed over, as the
// game always did; one that is there but unusable is reported.
bool ReadSsk(const char* name, SskFile& file, std::vector<std::uint8_t>& bytes,
             bool pixels) {
  // The largest valid picture codes to well under this.
  constexpr std::size_t kMaxFile = kSskCodeOffset + 3 * kSskMaxPixels + 1;
  std::string error;
  const std::string path = base::DataFile(name);
  switch (platform::Current()->ReadFile(path.c_str(), kMaxFile, bytes)) {
    case platform::ReadResult::Read:
      if (!pixels && path == lastImage.path && bytes == lastImage.bytes) {
        std::memcpy(file.colours, lastImage.colours, sizeof file.colours);
        return true;
      }
      if (ParseSsk(bytes, file, error, pixels)) {
        if (pixels) {
          lastImage.path = path;
          lastImage.bytes = bytes;
          std::memcpy(lastImage.colours, file.colours, sizeof file.colours);
        }
        return true;
      }
      break;
    case platform::ReadResult::Missing:
      return false;
    case platform::ReadResult::Unreadable:
      error = "cannot be read";
      break;
    case platform::ReadResult::NotRegular:
      error = "not a regular file";
      break;
  }
  base::Say("picture \"%s\" refused: %s", path.c_str(), error.c_str());
  return false;
}

}  // namespace

int LoadSskImage(const char* name, i32 x, i32 y) {
  Surface* sheet = SheetSurface;
  if (!sheet || x < 0 || y < 0 || y >= sheet->height) return 0;
  SskFile& file = Decoded();
  std::vector<std::uint8_t> bytes;
  if (!ReadSsk(name, file, bytes, true)) return 0;

  // Top row first; whatever runs past the right or bottom edge is cut.
  const int w = file.width, h = file.height;
  for (int r = 0; r < h; ++r) {
    const u8* in = file.pixels.data() + std::size_t(h - 1 - r) * std::size_t(w);
    const int n = std::min(w, sheet->pitch - x);
    if (n > 0) std::memcpy(sheet->Row(y + r) + x, in, std::size_t(n));
    if (y + r + 1 >= sheet->height) break;
  }
  SheetChanged();
  return 1;
}

u8 LoadSskPalette(const char* name) {
  SskFile& file = Decoded();
  std::vector<std::uint8_t> bytes;
  if (!ReadSsk(name, file, bytes, false)) return 0;
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
