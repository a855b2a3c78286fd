#include "output.h"

#include <png.h>

#include <cstdio>

#include "base/bytes.h"
#include "text.h"

namespace assetgen {
namespace {

std::uint8_t Byte(float v) { return (std::uint8_t)(Clamp01(v) * 255 + 0.5f); }

std::vector<std::uint8_t> BmpHeaders(int w, int h, int bits) {
  int row = ((w * bits / 8) + 3) & ~3;
  std::vector<std::uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  base::AppendLe32(b, 54 + row * h);
  base::AppendLe32(b, 0);
  base::AppendLe32(b, 54);
  base::AppendLe32(b, 40);
  base::AppendLe32(b, w);
  base::AppendLe32(b, h);
  base::AppendLe16(b, 1);
  base::AppendLe16(b, bits);
  base::AppendLe32(b, 0);  // uncompressed
  base::AppendLe32(b, row * h);
  base::AppendLe32(b, 2835);
  base::AppendLe32(b, 2835);
  base::AppendLe32(b, 0);
  base::AppendLe32(b, 0);
  return b;
}

}  // namespace

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& b) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<std::uint8_t> SskBytes(const Indexed& pic) {
  return video::BuildSsk(pic.width, pic.height, pic.colours, pic.pixels);
}

std::vector<std::uint8_t> Bmp24(const Image& im) {
  std::vector<std::uint8_t> b = BmpHeaders(im.width(), im.height(), 24);
  int pad = (4 - (im.width() * 3) % 4) % 4;
  for (int y = im.height() - 1; y >= 0; --y) {
    for (int x = 0; x < im.width(); ++x) {
      const Color& c = im.at(x, y);
      b.push_back(Byte(c.b * c.a));
      b.push_back(Byte(c.g * c.a));
      b.push_back(Byte(c.r * c.a));
    }
    for (int i = 0; i < pad; ++i) b.push_back(0);
  }
  return b;
}

std::vector<std::uint8_t> Bmp32(const Image& im) {
  std::vector<std::uint8_t> b = BmpHeaders(im.width(), im.height(), 32);
  for (int y = im.height() - 1; y >= 0; --y)
    for (int x = 0; x < im.width(); ++x) {
      const Color& c = im.at(x, y);
      b.push_back(Byte(c.b));
      b.push_back(Byte(c.g));
      b.push_back(Byte(c.r));
      b.push_back(Byte(c.a));
    }
  return b;
}

std::string IconSource(const std::vector<std::uint8_t>& bmp,
                       const std::vector<std::vector<std::uint8_t>>& sizes) {
  std::string s =
      "// Made by tools/assetgen: the window icon as BMP files.\n"
      "#include \"platform/sdl/icon.h\"\n\n"
      "namespace resources {\n";
  char buf[8];
  const auto array = [&](const std::string& name,
                         const std::vector<std::uint8_t>& bytes) {
    s += "const unsigned char " + name + "[] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
      if (i % 16 == 0) s += "\n   ";
      std::snprintf(buf, sizeof buf, " %u,", bytes[i]);
      s += buf;
    }
    s += "\n};\n";
  };
  array("kIconBmp", bmp);
  s += "const unsigned kIconBmpSize = " + std::to_string(bmp.size()) + ";\n";
  for (size_t k = 0; k < sizes.size(); ++k) {
    array("kIcon" + std::to_string(k), sizes[k]);
  }
  s += "const IconBmp kWindowIcons[] = {";
  for (size_t k = 0; k < sizes.size(); ++k) {
    s += "{kIcon" + std::to_string(k) + ", " +
         std::to_string(sizes[k].size()) + "}, ";
  }
  s += "};\nconst unsigned kWindowIconCount = " +
       std::to_string(sizes.size()) + ";\n}  // namespace resources\n";
  return s;
}

bool WritePng(const std::string& path, const Image& im, bool alpha) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  const int channels = alpha ? 4 : 3;
  png_set_IHDR(png, info, im.width(), im.height(), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(im.width() * channels);
  for (int y = 0; y < im.height(); ++y) {
    for (int x = 0; x < im.width(); ++x) {
      const Color& c = im.at(x, y);
      png_byte* out = &row[x * channels];
      out[0] = Byte(c.r);
      out[1] = Byte(c.g);
      out[2] = Byte(c.b);
      if (alpha) out[3] = Byte(c.a);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

namespace {

void AppendPngBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

// An RGBA PNG of the image, in memory.
std::vector<std::uint8_t> PngBytes(const Image& im) {
  std::vector<std::uint8_t> out;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, AppendPngBytes, nullptr);
  png_set_IHDR(png, info, im.width(), im.height(), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(im.width() * 4);
  for (int y = 0; y < im.height(); ++y) {
    for (int x = 0; x < im.width(); ++x) {
      const Color& c = im.at(x, y);
      row[4 * x] = Byte(c.r);
      row[4 * x + 1] = Byte(c.g);
      row[4 * x + 2] = Byte(c.b);
      row[4 * x + 3] = Byte(c.a);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// An icon's bitmap: a header without the file header, twice the height (the
// colours, then the mask), the colours bottom-up with their alpha.
std::vector<std::uint8_t> IconBitmap(const Image& im) {
  const int w = im.width(), h = im.height();
  const int maskRow = ((w + 31) / 32) * 4;
  std::vector<std::uint8_t> b;
  base::AppendLe32(b, 40);
  base::AppendLe32(b, w);
  base::AppendLe32(b, 2 * h);
  base::AppendLe16(b, 1);
  base::AppendLe16(b, 32);
  base::AppendLe32(b, 0);  // uncompressed
  base::AppendLe32(b, w * h * 4 + maskRow * h);
  for (int i = 0; i < 4; ++i) base::AppendLe32(b, 0);
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      const Color& c = im.at(x, y);
      b.push_back(Byte(c.b));
      b.push_back(Byte(c.g));
      b.push_back(Byte(c.r));
      b.push_back(Byte(c.a));
    }
  // The mask: a set bit where the icon is clear, for old drawing code.
  for (int y = h - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskRow, 0);
    for (int x = 0; x < w; ++x)
      if (Byte(im.at(x, y).a) == 0) row[x / 8] |= 0x80 >> (x % 8);
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

}  // namespace

std::vector<std::uint8_t> Ico(const std::vector<Image>& images) {
  std::vector<std::vector<std::uint8_t>> parts;
  for (const Image& im : images)
    parts.push_back(im.width() >= 256 ? PngBytes(im) : IconBitmap(im));
  std::vector<std::uint8_t> b;
  base::AppendLe16(b, 0);
  base::AppendLe16(b, 1);  // an icon
  base::AppendLe16(b, images.size());
  std::size_t offset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int w = images[i].width(), h = images[i].height();
    b.push_back(w >= 256 ? 0 : w);  // 0 stands for 256
    b.push_back(h >= 256 ? 0 : h);
    b.push_back(0);  // no palette
    b.push_back(0);
    base::AppendLe16(b, 1);   // planes
    base::AppendLe16(b, 32);  // bits a pixel
    base::AppendLe32(b, parts[i].size());
    base::AppendLe32(b, offset);
    offset += parts[i].size();
  }
  for (const auto& part : parts) b.insert(b.end(), part.begin(), part.end());
  return b;
}

bool WriteContactSheet(const std::string& path, const Indexed& pic,
                       const std::vector<layout::Region>& regions) {
  Image im(pic.width, pic.height);
  for (int y = 0; y < pic.height; ++y)
    for (int x = 0; x < pic.width; ++x) {
      std::uint8_t i = pic.at(x, y);
      if (i == kKeyIndex) {
        bool dark = ((x >> 3) + (y >> 3)) & 1;
        im.at(x, y) = dark ? Rgb(90, 90, 100) : Rgb(130, 130, 140);
      } else {
        const video::Rgb& c = pic.colours[i];
        im.at(x, y) = Rgb(c.r, c.g, c.b);
      }
    }
  for (const layout::Region& region : regions) {
    const layout::Rect& r = region.rect;
    Color line = Rgb(255, 255, 0);
    for (int x = r.left; x < r.right; ++x) {
      im.Blend(x, r.top, line, 0.8f);
      im.Blend(x, r.bottom - 1, line, 0.8f);
    }
    for (int y = r.top; y < r.bottom; ++y) {
      im.Blend(r.left, y, line, 0.8f);
      im.Blend(r.right - 1, y, line, 0.8f);
    }
    Mask m = RenderText(Face::kSans, 9, region.name, 1);
    RoundRect(im, r.left + 1, r.top + 1, r.left + 1 + m.w, r.top + 1 + m.h, 1,
              Rgb(0, 0, 0, 0.7f));
    DrawMask(im, m, r.left + 1, r.top + 1, Rgb(255, 255, 120));
  }
  return WritePng(path, im, false);
}

}  // namespace assetgen
