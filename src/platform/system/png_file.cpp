#include "platform/system/png_file.h"

#include <png.h>

#include <cerrno>
#include <cstdio>

namespace platform {

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

}  // namespace

bool EncodePng(const std::uint8_t* pixels, int pitch,
               const PaletteEntry* palette, std::vector<std::uint8_t>& out) {
  out.clear();
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  std::vector<png_byte> row(kScreenWidth * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    out.clear();
    return false;
  }
  png_set_write_fn(png, &out, Append, Flush);
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
  return true;
}

bool WritePng(const std::string& path, const std::uint8_t* pixels, int pitch,
              const PaletteEntry* palette) {
  std::vector<std::uint8_t> bytes;
  if (!EncodePng(pixels, pitch, palette, bytes)) {
    errno = ENOMEM;
    return false;
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written =
      std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written;
}

}  // namespace platform
