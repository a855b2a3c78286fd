#include "video/ssk_codec.h"

#include <bit>
#include <cstring>

#include "base/bytes.h"

namespace video {

// Eight coded bytes are read as one little-endian word below.
static_assert(std::endian::native == std::endian::little);

// Byte k of the result is nonzero exactly where byte k of v is zero.
inline std::uint64_t ZeroBytes(std::uint64_t v) {
  constexpr std::uint64_t k7F = 0x7F7F7F7F7F7F7F7Full;
  return ~(((v & k7F) + k7F) | v | k7F);
}

namespace {

// The code walked token by token. Writing, the pixels go to `out`; not
// writing, only their count is kept, with the same answer: whether the code
// makes exactly `size` pixels.
template <bool kWrite>
bool Walk(std::span<const std::uint8_t> coded, std::uint8_t* out,
          std::size_t size) {
  const std::size_t n = coded.size();
  std::size_t i = 0, o = 0;
  while (i < n) {
    // Single pixels come in stretches where no byte equals the next: those
    // are found eight at a time and copied whole.
    while (i + 9 <= n) {
      std::uint64_t here, next;
      std::memcpy(&here, coded.data() + i, 8);
      std::memcpy(&next, coded.data() + i + 1, 8);
      const std::uint64_t same = ZeroBytes(here ^ next);
      const std::size_t singles =
          same ? std::size_t(std::countr_zero(same)) / 8 : 8;
      if (singles == 0) break;
      if (singles > size - o) return false;
      if constexpr (kWrite) std::memcpy(out + o, coded.data() + i, singles);
      o += singles;
      i += singles;
      if (singles < 8) break;
    }
    if (i >= n) break;
    const std::uint8_t c = coded[i];
    if (i + 1 == n) {
      // The last byte, reached as the start of a token, is one pixel.
      if (o == size) return false;
      if constexpr (kWrite) out[o] = c;
      ++o;
      break;
    }
    if (coded[i + 1] == c) {
      if (i + 2 >= n) return false;  // a pair without its count byte
      const std::size_t run = std::size_t(coded[i + 2]) + 1;
      if (run > size - o) return false;
      if constexpr (kWrite) std::memset(out + o, c, run);
      o += run;
      i += 3;
    } else {
      if (o == size) return false;
      if constexpr (kWrite) out[o] = c;
      ++o;
      ++i;
    }
  }
  return o == size;
}

}  // namespace

bool DecodeSskPixels(std::span<const std::uint8_t> coded,
                     std::span<std::uint8_t> out) {
  return Walk<true>(coded, out.data(), out.size());
}

bool CheckSskPixels(std::span<const std::uint8_t> coded, std::size_t count) {
  return Walk<false>(coded, nullptr, count);
}

std::vector<std::uint8_t> EncodeSskPixels(
    std::span<const std::uint8_t> pixels) {
  std::vector<std::uint8_t> out;
  out.reserve(pixels.size() / 2 + 16);
  std::size_t i = 0;
  while (i < pixels.size()) {
    const std::uint8_t c = pixels[i];
    std::size_t run = 1;
    while (i + run < pixels.size() && pixels[i + run] == c) ++run;
    i += run;
    // Runs of two or more become pairs of at most 256 pixels; a lone pixel
    // left over is followed by a different one, so it cannot start a pair.
    while (run >= 2) {
      const std::size_t take = run > 256 ? 256 : run;
      out.push_back(c);
      out.push_back(c);
      out.push_back(static_cast<std::uint8_t>(take - 1));
      run -= take;
    }
    if (run == 1) out.push_back(c);
  }
  return out;
}

bool ParseSsk(std::span<const std::uint8_t> bytes, SskFile& out,
              std::string& error, bool pixels) {
  if (bytes.size() < kSskCodeOffset) {
    error = "file too short for its headers";
    return false;
  }
  const auto width = static_cast<std::int32_t>(base::LoadLe32(&bytes[18]));
  const auto height = static_cast<std::int32_t>(base::LoadLe32(&bytes[22]));
  if (width < 1 || height < 1 || width > kSskMaxSide || height > kSskMaxSide ||
      std::size_t(width) * std::size_t(height) > kSskMaxPixels) {
    error = "bad picture size " + std::to_string(width) + " x " +
            std::to_string(height);
    return false;
  }
  const std::size_t pixelCount = std::size_t(width) * std::size_t(height);
  const std::uint32_t coded = base::LoadLe32(&bytes[1078]);
  // Every token yields at least one pixel from at most three bytes.
  if (coded < 1 || coded >= 0x80000000u || coded > 3 * pixelCount) {
    error = "bad coded length " + std::to_string(coded);
    return false;
  }
  if (bytes.size() - kSskCodeOffset < coded) {
    error = "coded pixel data cut short";
    return false;
  }
  // Decoded into out's own buffer: one kept from a picture of the same size
  // is written over without being cleared or allocated again. Only the
  // colours wanted, the code is checked just as strictly but not decoded.
  const auto code = bytes.subspan(kSskCodeOffset, coded);
  if (pixels) out.pixels.resize(pixelCount);
  if (pixels ? !DecodeSskPixels(code, out.pixels)
             : !CheckSskPixels(code, pixelCount)) {
    error = "pixel data does not decode to " + std::to_string(width) + " x " +
            std::to_string(height) + " pixels";
    return false;
  }
  if (pixels) {
    out.width = width;
    out.height = height;
  }
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* entry = &bytes[54 + 4 * i];
    out.colours[i] = {entry[2], entry[1], entry[0]};
  }
  return true;
}

std::uint8_t SskFirstCodedByte(std::span<const std::uint8_t> bytes) {
  return bytes.size() > kSskCodeOffset ? bytes[kSskCodeOffset] : 0;
}

std::vector<std::uint8_t> BuildSsk(std::int32_t width, std::int32_t height,
                                   const Rgb (&colours)[256],
                                   std::span<const std::uint8_t> topDown) {
  // Rows are stored bottom row first.
  std::vector<std::uint8_t> bottomUp(topDown.size());
  const std::size_t w = static_cast<std::size_t>(width);
  for (std::int32_t r = 0; r < height; ++r) {
    std::memcpy(&bottomUp[std::size_t(r) * w],
                &topDown[std::size_t(height - 1 - r) * w], w);
  }
  const std::vector<std::uint8_t> code = EncodeSskPixels(bottomUp);

  std::vector<std::uint8_t> file(kSskCodeOffset + code.size(), 0);
  file[0] = 'B';
  file[1] = 'M';
  base::StoreLe32(&file[2], static_cast<std::uint32_t>(file.size()));
  base::StoreLe32(&file[10], static_cast<std::uint32_t>(kSskHeaderSize));
  base::StoreLe32(&file[14], 40);
  base::StoreLe32(&file[18], static_cast<std::uint32_t>(width));
  base::StoreLe32(&file[22], static_cast<std::uint32_t>(height));
  base::StoreLe16(&file[26], 1);
  base::StoreLe16(&file[28], 8);
  base::StoreLe32(&file[34], static_cast<std::uint32_t>(code.size()));
  base::StoreLe32(&file[46], 256);
  for (int i = 0; i < 256; ++i) {
    file[54 + 4 * i] = colours[i].b;
    file[55 + 4 * i] = colours[i].g;
    file[56 + 4 * i] = colours[i].r;
  }
  base::StoreLe32(&file[1078], static_cast<std::uint32_t>(code.size()));
  std::memcpy(&file[kSskCodeOffset], code.data(), code.size());
  return file;
}

}  // namespace video
