#include "platform/system/png_file.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace platform {

bool WritePng(const std::string& path, const std::uint8_t* pixels, int pitch,
              const PaletteEntry* palette) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  std::vector<png_byte> row(kScreenWidth * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, kScreenWidth, kScreenHeight, 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < kScreenHeight; ++y) {
    const std::uint8_t* in = pixels + static_cast<long>(y) * pitch;
    for (int x = 0; x < kScreenWidth; ++x) {
      const PaletteEntry& c = palette[in[x]];
      row[3 * x] = c.red;
      row[3 * x + 1] = c.green;
      row[3 * x + 2] = c.blue;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace platform
