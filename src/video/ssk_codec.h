// The SSK picture format: BMP-style headers and colour table, then the
// program's own run-length coded pixels. Pure functions, shared with tools/.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace video {

inline constexpr std::size_t kSskHeaderSize = 1078;  // headers + colour table
inline constexpr std::size_t kSskCodeOffset = 1082;  // after the coded length
// Larger pictures are refused rather than allocated.
inline constexpr std::int32_t kSskMaxSide = 8192;
inline constexpr std::size_t kSskMaxPixels = 16u << 20;

struct Rgb {
  std::uint8_t r, g, b;
};

struct SskFile {
  std::int32_t width = 0;
  std::int32_t height = 0;
  Rgb colours[256] = {};
  std::vector<std::uint8_t> pixels;  // decoded, bottom row first
};

// Decodes exactly `out.size()` pixels; false when the code is malformed
// (too many or too few pixels, a pair without its count byte).
bool DecodeSskPixels(std::span<const std::uint8_t> coded,
                     std::span<std::uint8_t> out);
// The same answer for `count` pixels, without writing them.
bool CheckSskPixels(std::span<const std::uint8_t> coded, std::size_t count);
// The shortest valid code for `pixels`.
std::vector<std::uint8_t> EncodeSskPixels(std::span<const std::uint8_t> pixels);

// Parses and decodes a whole file. On failure returns false and puts a short
// reason in `error`; out's pixels may then hold anything. Without `pixels`
// the file is checked alike but its size and pixels are left as they were.
bool ParseSsk(std::span<const std::uint8_t> bytes, SskFile& out,
              std::string& error, bool pixels = true);
// The first coded byte (the bottom-left pixel) of a file that ParseSsk took.
std::uint8_t SskFirstCodedByte(std::span<const std::uint8_t> bytes);

// A complete file; `topDown` holds width x height pixels, top row first.
std::vector<std::uint8_t> BuildSsk(std::int32_t width, std::int32_t height,
                                   const Rgb (&colours)[256],
                                   std::span<const std::uint8_t> topDown);

}  // namespace video
