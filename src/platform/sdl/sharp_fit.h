// The picture drawn larger by a fraction and still crisp: each output pixel
// takes the colours of the game pixels under it by the share of it they
// cover. Most output pixels lie under one game pixel and keep its colour
// exactly; only those across an edge between two mix them, so edges stay
// one pixel sharp at any size (what drawing the frame larger by a whole
// number and then smoothly down to the size would give, in one pass).
#pragma once
#include <cstdint>
#include <vector>

#include "base/platform.h"

namespace platform {

class SharpFit {
 public:
  // For frames of `width` x `height` drawn at `outWidth` x `outHeight`
  // (each at least as large as the frame's).
  void Configure(int width, int height, int outWidth, int outHeight);
  int outWidth() const { return int(columns_.size()); }
  int outHeight() const { return int(rows_.size()); }

  // Writes the frame as 0xAARRGGBB pixels (alpha 0xFF) into `out`, whose
  // rows are `outPitch` bytes apart.
  void Convert(const std::uint8_t* pixels, int pitch,
               const PaletteEntry* palette, std::uint32_t* out, int outPitch);

  // For an output column (or row): the game pixel that covers it first and
  // its share of it, in 256ths; the next game pixel covers the rest.
  struct Tap {
    std::uint16_t index;
    std::uint16_t share;
  };
  const std::vector<Tap>& columns() const { return columns_; }
  const std::vector<Tap>& rows() const { return rows_; }

 private:
  const std::uint32_t* Line(const std::uint8_t* pixels, int pitch, int row);

  int width_ = 0, height_ = 0;
  std::vector<Tap> columns_, rows_;
  std::uint32_t colours_[256] = {};
  // The last two frame rows drawn across, and which rows they are.
  std::vector<std::uint32_t> lines_[2];
  int lineRow_[2] = {-1, -1};
  int nextLine_ = 0;
};

}  // namespace platform
