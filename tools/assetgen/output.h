// Writing the generated files: SSK pictures, Windows bitmaps, the icon's C++
// source and the contact sheets for review.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "palette.h"
#include "raster.h"
#include "video/sheet_layout.h"

namespace assetgen {

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& b);
std::vector<std::uint8_t> SskBytes(const Indexed& pic);
// A bottom-up 24-bit bitmap (alpha ignored, composited over black).
std::vector<std::uint8_t> Bmp24(const Image& im);
// A bottom-up 32-bit bitmap with its alpha in the top byte of each pixel.
std::vector<std::uint8_t> Bmp32(const Image& im);
// C++ source defining resources::kIconBmp and resources::kIconBmpSize.
// The window icon as C++ source: `bmp` (32 pixels) as kIconBmp, and each
// of `sizes` for the window manager's several sizes as kWindowIcons.
std::string IconSource(
    const std::vector<std::uint8_t>& bmp,
    const std::vector<std::vector<std::uint8_t>>& sizes);
// An 8-bit RGB (or, with `alpha`, RGBA) PNG of the image.
bool WritePng(const std::string& path, const Image& im, bool alpha);
// A Windows icon file holding the images (square, 1 to 256 pixels): 32-bit
// bitmaps with their masks, the 256-pixel one as a PNG, as Windows keeps
// them.
std::vector<std::uint8_t> Ico(const std::vector<Image>& images);
// A PNG of the picture through its palette, transparent pixels shown as a
// chequer, every region outlined and named.
bool WriteContactSheet(const std::string& path, const Indexed& pic,
                       const std::vector<layout::Region>& regions);

}  // namespace assetgen
