// SSK pictures as the game meets them: a file on disk, read through the
// file seam by both loaders. A picture the codec refuses changes nothing; one
// it takes lands in the sheet pixel for pixel. And the codec against known
// pixels: the input's bytes taken as pixels (every value, a lone pixel at
// the end whenever the last two differ) and as runs, encoded, must decode to
// themselves, alone and in a whole file.
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
  // The colours-only parse takes and refuses exactly the same files.
  video::SskFile colours;
  if (video::ParseSsk(bytes, colours, error, false) != good) __builtin_trap();
  if (good && std::memcmp(colours.colours, file.colours, sizeof file.colours)) {
    __builtin_trap();
  }
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

// Known pixels through the encoder, the decoder and a whole file.
void RoundTrip(const std::vector<std::uint8_t>& pixels) {
  if (pixels.empty()) return;
  const std::vector<std::uint8_t> code = video::EncodeSskPixels(pixels);
  std::vector<std::uint8_t> back(pixels.size(), 0xA5);
  if (!video::DecodeSskPixels(code, back) || back != pixels) __builtin_trap();
  // Asked for one pixel more than it holds, the code is refused.
  std::vector<std::uint8_t> wrong(pixels.size() + 1);
  if (video::DecodeSskPixels(code, wrong)) __builtin_trap();
  if (!video::CheckSskPixels(code, pixels.size()) ||
      video::CheckSskPixels(code, pixels.size() + 1) ||
      video::CheckSskPixels(code, pixels.size() - 1)) {
    __builtin_trap();
  }
  // As a picture of one row (its rows are stored bottom first).
  const auto width = static_cast<std::int32_t>(pixels.size());
  if (width > video::kSskMaxSide) return;
  video::Rgb colours[256] = {};
  video::SskFile file;
  std::string error;
  if (!video::ParseSsk(video::BuildSsk(width, 1, colours, pixels), file,
                       error) ||
      file.pixels != pixels) {
    __builtin_trap();
  }
}

// The bytes as pixels, then as runs: a value and a length up to 600, so
// that runs past the 256 a code pair holds come up too.
void KnownPixels(const std::uint8_t* data, std::size_t size) {
  RoundTrip({data, data + size});
  std::vector<std::uint8_t> runs;
  for (std::size_t i = 0; i + 1 < size && runs.size() < 20000; i += 2) {
    runs.insert(runs.end(), std::size_t(data[i + 1]) * 600 / 255 + 1, data[i]);
  }
  RoundTrip(runs);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::EnterOwnFolder("ts_fuzz_ssk");
  video::CreateSurfaces();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  KnownPixels(data, size);
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
