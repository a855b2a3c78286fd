#include "platform/sdl/sharp_fit.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// Output pixel i of `out` covers [i * in / out, (i + 1) * in / out) of the
// input; with out >= in that is at most two input pixels.
std::vector<SharpFit::Tap> Taps(int in, int out) {
  std::vector<SharpFit::Tap> taps(static_cast<std::size_t>(out));
  for (int i = 0; i < out; ++i) {
    const std::int64_t start = std::int64_t(i) * in;  // in units of 1/out
    const int first = static_cast<int>(start / out);
    // How much of the output pixel (`in` units long) lies before the next
    // input pixel begins.
    const std::int64_t before = std::int64_t(first + 1) * out - start;
    int share = static_cast<int>(
        (std::min<std::int64_t>(in, before) * 256 + in / 2) / in);
    if (first + 1 >= in) share = 256;  // the last input pixel: nothing after
    taps[static_cast<std::size_t>(i)] = {static_cast<std::uint16_t>(first),
                                         static_cast<std::uint16_t>(share)};
  }
  return taps;
}

// a * share + b * (256 - share), per byte, in 256ths, rounded.
inline std::uint32_t Mix(std::uint32_t a, std::uint32_t b,
                         std::uint32_t share) {
  const std::uint32_t rest = 256 - share;
  const std::uint32_t rb =
      ((a & 0x00FF00FFu) * share + (b & 0x00FF00FFu) * rest + 0x00800080u) >>
          8 &
      0x00FF00FFu;
  const std::uint32_t ag = ((a >> 8 & 0x00FF00FFu) * share +
                            (b >> 8 & 0x00FF00FFu) * rest + 0x00800080u) &
                           0xFF00FF00u;
  return rb | ag;
}

}  // namespace

void SharpFit::Configure(int width, int height, int outWidth, int outHeight) {
  width_ = width;
  height_ = height;
  columns_ = Taps(width, outWidth);
  rows_ = Taps(height, outHeight);
  for (auto& line : lines_) line.assign(static_cast<std::size_t>(outWidth), 0);
  lineRow_[0] = lineRow_[1] = -1;
}

const std::uint32_t* SharpFit::Line(const std::uint8_t* pixels, int pitch,
                                    int row) {
  for (int k = 0; k < 2; ++k) {
    if (lineRow_[k] == row) return lines_[k].data();
  }
  const int k = nextLine_;
  nextLine_ ^= 1;
  lineRow_[k] = row;
  const std::uint8_t* in = pixels + std::int64_t(row) * pitch;
  std::uint32_t* out = lines_[k].data();
  const std::size_t n = columns_.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Tap t = columns_[i];
    const std::uint32_t a = colours_[in[t.index]];
    out[i] = t.share == 256 ? a : Mix(a, colours_[in[t.index + 1]], t.share);
  }
  return out;
}

void SharpFit::Convert(const std::uint8_t* pixels, int pitch,
                       const PaletteEntry* palette, std::uint32_t* out,
                       int outPitch) {
  for (int i = 0; i < 256; ++i) {
    colours_[i] = 0xFF000000u | std::uint32_t(palette[i].red) << 16 |
                  std::uint32_t(palette[i].green) << 8 | palette[i].blue;
  }
  // The palette may differ from the last frame's: no line is kept.
  lineRow_[0] = lineRow_[1] = -1;
  const std::size_t bytes = columns_.size() * sizeof(std::uint32_t);
  auto* row = reinterpret_cast<std::uint8_t*>(out);
  for (const Tap t : rows_) {
    auto* to = reinterpret_cast<std::uint32_t*>(row);
    const std::uint32_t* a = Line(pixels, pitch, t.index);
    if (t.share == 256) {
      std::memcpy(to, a, bytes);
    } else {
      const std::uint32_t* b = Line(pixels, pitch, t.index + 1);
      for (std::size_t i = 0; i < columns_.size(); ++i) {
        to[i] = Mix(a[i], b[i], t.share);
      }
    }
    row += outPitch;
  }
}

}  // namespace platform
