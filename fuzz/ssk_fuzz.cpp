// SSK pictures as the game meets them: a file on disk, read through the
// file seam by both loaders. A picture the codec refuses changes nothing; one
// it takes lands in the sheet pixel for pixel.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_folder.h"
#include "video/ssk.h"
#include "video/ssk_codec.h"
#include "video/video.h"

namespace {

void Check(const std::vector<std::uint8_t>& bytes) {
  fuzzing::WriteFile("p.ssk", bytes.data(), bytes.size());
  video::SskFile file;
  std::string error;
  const bool good = video::ParseSsk(bytes, file, error);
  if (good) {
    // A file that parses must re-encode to the same pixels.
    const auto code = video::EncodeSskPixels(file.pixels);
    std::vector<std::uint8_t> back(file.pixels.size());
    if (!video::DecodeSskPixels(code, back) || back != file.pixels) {
      __builtin_trap();
    }
  }
  video::Surface& sheet = *video::SheetSurface;
  const std::size_t area = std::size_t(sheet.pitch) * sheet.height;
  static const std::vector<std::uint8_t> untouched(area, 0xA5);
  std::memset(sheet.pixels, 0xA5, area);
  video::ImagePalette[7] = {1, 2, 3, 0};
  const int loaded = video::LoadSskImage("p.ssk", 0, 0);
  const std::uint8_t key = video::LoadSskPalette("p.ssk");
  if (loaded != int(good)) __builtin_trap();
  if (!good) {
    if (std::memcmp(sheet.pixels, untouched.data(), area) != 0) {
      __builtin_trap();
    }
    if (key != 0 || video::ImagePalette[7].red != 1) __builtin_trap();
    return;
  }
  // The top row of the picture is the sheet's first row.
  const int w = std::min<int>(file.width, sheet.pitch);
  const std::uint8_t* top =
      file.pixels.data() + std::size_t(file.height - 1) * file.width;
  if (std::memcmp(sheet.Row(0), top, std::size_t(w)) != 0) __builtin_trap();
  if (key != bytes[video::kSskCodeOffset]) __builtin_trap();
  if (video::ImagePalette[7].red != file.colours[7].r) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::EnterOwnFolder("ts_fuzz_ssk");
  video::CreateSurfaces();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  Check({data, data + size});
  if (size < 6) return 0;
  // Mostly well-formed headers around fuzzed sizes and coded pixels, so the
  // decoder is reached on every run.
  video::Rgb colours[256] = {};
  std::vector<std::uint8_t> file =
      video::BuildSsk(1, 1, colours, std::vector<std::uint8_t>{0});
  file.resize(video::kSskCodeOffset);
  for (int i = 0; i < 4; ++i) {
    file[18 + i] = i < 2 ? data[i] : 0;
    file[22 + i] = i < 2 ? data[2 + i] : 0;
  }
  const std::uint32_t coded =
      static_cast<std::uint32_t>(size - 4) ^ (data[4] == 0xFF ? data[5] : 0);
  for (int i = 0; i < 4; ++i) file[1078 + i] = std::uint8_t(coded >> (8 * i));
  file.insert(file.end(), data + 4, data + size);
  Check(file);
  return 0;
}
