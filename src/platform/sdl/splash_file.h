// The start-up picture, read and checked before SDL sees it: SDL makes a
// surface as large as a bitmap's header claims before it reads a pixel.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/platform.h"

namespace platform {

// Larger bitmaps are refused: the window is 480 x 240, and 4096 x 4096 at
// 32 bits is already 64 MB.
inline constexpr int kSplashMaxSide = 4096;

// The width and height a Windows bitmap's headers give, as SDL reads them
// (a negative height is a top-down picture). False when the bytes do not
// start like a bitmap.
bool BitmapSize(std::span<const std::uint8_t> bytes, std::int64_t& width,
                std::int64_t& height);

// Reads the splash picture through the platform's files. False when it is
// not to be shown, with a short reason in `error` (empty when the file is
// simply not there, which is not worth a word).
bool ReadSplash(Platform& platform, const char* name,
                std::vector<std::uint8_t>& bytes, std::string& error);

}  // namespace platform
