#include <cstdint>
#include <string>
#include <vector>

#include "video/ssk_codec.h"

namespace {

void Check(const std::vector<std::uint8_t>& bytes) {
  video::SskFile file;
  std::string error;
  if (video::ParseSsk(bytes, file, error)) {
    // A file that parses must re-encode to the same pixels.
    const auto code = video::EncodeSskPixels(file.pixels);
    std::vector<std::uint8_t> back(file.pixels.size());
    if (!video::DecodeSskPixels(code, back) || back != file.pixels) {
      __builtin_trap();
    }
  }
}

}  // namespace

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
