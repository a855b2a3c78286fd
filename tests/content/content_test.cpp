// The generated picture files, read back from the run folder as the game
// reads them. No art is compared pixel for pixel: only what the game's code
// relies on (positions, transparent colours, palettes, seams).
#include <gtest/gtest.h>

#include "../support/work_folder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sdl/icon.h"
#include "video/ssk_codec.h"

namespace {

namespace fs = std::filesystem;

struct R {
  const char* name;
  int x0, y0, x1, y1;
};

std::vector<std::uint8_t> ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct Picture {
  video::SskFile file;
  std::uint8_t firstCoded = 0;
  std::vector<std::uint8_t> bytes;
  // Top-down pixel access, as the sheet holds it after loading.
  std::uint8_t at(int x, int y) const {
    return file.pixels[(file.height - 1 - y) * file.width + x];
  }
};

Picture Load(const char* name) {
  Picture p;
  p.bytes = ReadAll(fs::path(TS_RUN_DIR_PATH) / name);
  std::string error;
  EXPECT_TRUE(video::ParseSsk(p.bytes, p.file, error))
      << name << ": " << error;
  if (!p.bytes.empty()) p.firstCoded = video::SskFirstCodedByte(p.bytes);
  return p;
}

int Opaque(const Picture& p, const R& r, std::uint8_t key) {
  int n = 0;
  for (int y = r.y0; y < r.y1; ++y)
    for (int x = r.x0; x < r.x1; ++x) n += p.at(x, y) != key;
  return n;
}

// Every picture rectangle shows something; full-screen ones show no key.
void ExpectFilled(const Picture& p, const std::vector<R>& rects,
                  std::uint8_t key) {
  for (const R& r : rects) {
    int area = (r.x1 - r.x0) * (r.y1 - r.y0);
    int n = Opaque(p, r, key);
    EXPECT_GE(n, std::max(20, area / 100)) << r.name;
  }
}
void ExpectSolid(const Picture& p, const R& r, std::uint8_t key) {
  EXPECT_EQ(Opaque(p, r, key), (r.x1 - r.x0) * (r.y1 - r.y0)) << r.name;
}
// A sprite that touches its cell's edge is cut off on screen.
void ExpectClearBorder(const Picture& p, const R& r, std::uint8_t key) {
  int touching = 0;
  for (int x = r.x0; x < r.x1; ++x)
    touching += (p.at(x, r.y0) != key) + (p.at(x, r.y1 - 1) != key);
  for (int y = r.y0; y < r.y1; ++y)
    touching += (p.at(r.x0, y) != key) + (p.at(r.x1 - 1, y) != key);
  EXPECT_EQ(touching, 0) << r.name << " at " << r.x0 << "," << r.y0;
}

std::vector<R> TitleRects() {
  std::vector<R> v = {{"lettering", 0, 480, 640, 768},
                      {"emblem front", 416, 800, 512, 832},
                      {"emblem back", 416, 832, 512, 864},
                      {"prompt", 0, 800, 256, 832},
                      {"start", 0, 896, 96, 928},
                      {"start lit", 96, 896, 192, 928},
                      {"settings", 0, 928, 96, 960},
                      {"settings lit", 96, 928, 192, 960},
                      {"detail label", 192, 896, 352, 928},
                      {"smoke label", 192, 928, 288, 960},
                      {"bonus label", 288, 928, 384, 960},
                      {"left arrow", 256, 800, 288, 832},
                      {"left arrow lit", 288, 800, 320, 832},
                      {"right arrow", 256, 832, 288, 864},
                      {"right arrow lit", 288, 832, 320, 864},
                      {"on", 320, 864, 352, 896},
                      {"off", 352, 864, 384, 896},
                      {"leave", 352, 896, 416, 928},
                      {"cursor", 256, 864, 288, 896}};
  for (int i = 0; i < 3; ++i) {
    v.push_back({"detail value", 320 + 32 * i, 800, 352 + 32 * i, 832});
    v.push_back({"smoke value", 320 + 32 * i, 832, 352 + 32 * i, 864});
  }
  for (int c = 0; c < 8; ++c)
    v.push_back({"zoom cell", 32 * c, 864, 32 * c + 32, 896});
  return v;
}

std::vector<R> GameSprites() {
  std::vector<R> v;
  for (int kind = 0; kind < 3; ++kind)
    for (int row = 0; row < 8; ++row)
      for (int f = 0; f < 8; ++f)
        v.push_back({kind == 2 ? "flyer" : "walker", f * 64,
                     kind * 512 + row * 64, f * 64 + 64,
                     kind * 512 + row * 64 + 64});
  for (int f = 0; f < 4; ++f) {
    v.push_back({"large puff", f * 128, 1792, f * 128 + 128, 1920});
    v.push_back({"small puff", f * 64, 1920, f * 64 + 64, 1984});
    v.push_back({"miss mark", f * 64, 1984, f * 64 + 64, 2048});
  }
  v.push_back({"shadow", 256, 1984, 320, 2048});
  v.push_back({"aim", 320, 1984, 384, 2048});
  return v;
}

std::vector<R> GameLabels() {
  std::vector<R> v = {{"upper counter", 320, 1536, 384, 1568},
                      {"after counters", 384, 1536, 416, 1568},
                      {"hits", 384, 1568, 448, 1600},
                      {"shots", 320, 1568, 384, 1600},
                      {"best", 384, 1600, 448, 1632},
                      {"total", 320, 1600, 384, 1632},
                      {"banner", 320, 1664, 512, 1776},
                      {"heading", 288, 1952, 512, 1984}};
  for (int d = 0; d < 10; ++d)
    v.push_back({"digit", 256 + 32 * d, 1920, 288 + 32 * d, 1952});
  for (int k = 1; k <= 13; ++k)
    v.push_back({"blast", 576, (k + 1) * 100, 640, (k + 1) * 100 + 100});
  return v;
}

TEST(ContentTest, TitlePicturesKeyedAtRow480WithTheirFadePalette) {
  for (const char* name : {"TITLE.ssk", "OMAKETITLE.ssk"}) {
    SCOPED_TRACE(name);
    Picture p = Load(name);
    ASSERT_EQ(p.file.width, 640);
    ASSERT_GE(p.file.height, 960);
    std::uint8_t key = p.at(0, 480);
    ExpectSolid(p, {"background", 0, 0, 640, 480}, key);
    ExpectFilled(p, TitleRects(), key);
    // Index 0 paints every clear; 255 keeps its colour through the opening's
    // fade, so it must be black and unused.
    const video::Rgb& c0 = p.file.colours[0];
    const video::Rgb& c255 = p.file.colours[255];
    EXPECT_EQ(c0.r + c0.g + c0.b, 0);
    EXPECT_EQ(c255.r + c255.g + c255.b, 0);
    for (std::uint8_t v : p.file.pixels) ASSERT_NE(v, 255);
  }
}

TEST(ContentTest, GameSheetsKeyedAtBottomLeftAndBonusAlsoAtRow480) {
  for (const char* name : {"qqqq.ssk", "qqqqomake.ssk"}) {
    SCOPED_TRACE(name);
    Picture p = Load(name);
    ASSERT_EQ(p.file.width, 640);
    ASSERT_EQ(p.file.height, 2048);
    std::uint8_t key = p.firstCoded;
    EXPECT_EQ(p.at(0, 2047), key);
    EXPECT_EQ(p.at(0, 480), key);  // the bonus sheet is keyed from here too
    ExpectSolid(p, {"field tile", 0, 1536, 320, 1776}, key);
    ExpectFilled(p, GameSprites(), key);
    ExpectFilled(p, GameLabels(), key);
    for (const R& r : GameSprites()) ExpectClearBorder(p, r, key);
    const video::Rgb& c0 = p.file.colours[0];
    EXPECT_EQ(c0.r + c0.g + c0.b, 0);
  }
}

TEST(ContentTest, PlayTileJoinsWithoutASeam) {
  for (const char* name : {"qqqq.ssk", "qqqqomake.ssk"}) {
    SCOPED_TRACE(name);
    Picture p = Load(name);
    auto diff = [&](int xa, int ya, int xb, int yb) {
      const video::Rgb& a = p.file.colours[p.at(xa, 1536 + ya)];
      const video::Rgb& b = p.file.colours[p.at(xb, 1536 + yb)];
      return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
    };
    // The step across the wrap is no larger than the largest step between
    // neighbouring columns (or rows) inside the tile.
    auto column = [&](int a, int b) {
      long s = 0;
      for (int y = 0; y < 240; ++y) s += diff(a, y, b, y);
      return s;
    };
    auto row = [&](int a, int b) {
      long s = 0;
      for (int x = 0; x < 320; ++x) s += diff(x, a, x, b);
      return s;
    };
    long inside = 0;
    for (int x = 0; x + 1 < 320; ++x)
      inside = std::max(inside, column(x, x + 1));
    EXPECT_LE(column(319, 0), inside) << "left and right edges";
    inside = 0;
    for (int y = 0; y + 1 < 240; ++y) inside = std::max(inside, row(y, y + 1));
    EXPECT_LE(row(239, 0), inside) << "top and bottom edges";
  }
}

TEST(ContentTest, BossKeyScreenWithItsPointer) {
  Picture p = Load("JYOUSI.SSK");
  ASSERT_EQ(p.file.width, 640);
  ASSERT_GE(p.file.height, 504);
  std::uint8_t key = p.at(20, 480);
  ExpectSolid(p, {"screen", 0, 0, 640, 480}, key);
  R pointer{"pointer", 0, 480, 16, 504};
  ExpectFilled(p, {pointer}, key);
  EXPECT_NE(p.at(0, 480), key);  // the tip is the pointer's top-left pixel
  EXPECT_EQ(p.at(15, 503), key);
  // A spreadsheet is mostly one paper colour, not noise.
  std::vector<int> count(256);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) ++count[p.at(x, y)];
  EXPECT_GT(*std::max_element(count.begin(), count.end()), 640 * 480 / 3);
}

TEST(ContentTest, FilesAreShortestCodeOfTheirPictures) {
  for (const char* name : {"TITLE.ssk", "OMAKETITLE.ssk", "qqqq.ssk",
                           "qqqqomake.ssk", "JYOUSI.SSK"}) {
    SCOPED_TRACE(name);
    Picture p = Load(name);
    std::vector<std::uint8_t> topDown(p.file.pixels.size());
    for (int y = 0; y < p.file.height; ++y)
      for (int x = 0; x < p.file.width; ++x)
        topDown[y * p.file.width + x] = p.at(x, y);
    EXPECT_EQ(
        video::BuildSsk(p.file.width, p.file.height, p.file.colours, topDown),
        p.bytes);
  }
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
         (std::uint32_t)b[at + 3] << 24;
}

TEST(ContentTest, SplashAndIconAreWindowsBitmaps) {
  std::vector<std::uint8_t> splash =
      ReadAll(fs::path(TS_RUN_DIR_PATH) / "minititle.bmp");
  ASSERT_GE(splash.size(), 54u);
  EXPECT_EQ(splash[0], 'B');
  EXPECT_EQ(splash[1], 'M');
  EXPECT_EQ(Le32(splash, 18), 480u);
  EXPECT_EQ(Le32(splash, 22), 240u);
  EXPECT_EQ(splash[28], 24);
  EXPECT_EQ(splash.size(), Le32(splash, 10) + 480u * 3 * 240);

  // The embedded icon is the icon file, with a clear corner.
  std::vector<std::uint8_t> icon(resources::kIconBmp,
                                 resources::kIconBmp + resources::kIconBmpSize);
  EXPECT_EQ(icon, ReadAll(fs::path(TS_RUN_DIR_PATH) / "icon.bmp"));
  ASSERT_GE(icon.size(), 54u);
  std::uint32_t w = Le32(icon, 18), h = Le32(icon, 22);
  EXPECT_TRUE(w == 32 || w == 64);
  EXPECT_EQ(w, h);
  EXPECT_EQ(icon[28], 32);
  ASSERT_EQ(icon.size(), Le32(icon, 10) + w * h * 4);
  EXPECT_EQ(icon[Le32(icon, 10) + 3], 0);  // bottom-left alpha
  std::uint32_t centre = Le32(icon, 10) + ((h / 2) * w + w / 2) * 4;
  EXPECT_EQ(icon[centre + 3], 255);
}

TEST(ContentTest, GeneratorWritesTheSameBytesEveryRun) {
  testsupport::WorkFolder folder("ts_assetgen", false);
  const fs::path& dir = folder.path();
  std::string cmd = std::string("\"") + TS_ASSETGEN_PATH + "\" --out \"" +
                    dir.string() + "\"";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  for (const char* name :
       {"TITLE.ssk", "OMAKETITLE.ssk", "qqqq.ssk", "qqqqomake.ssk",
        "JYOUSI.SSK", "minititle.bmp", "icon.bmp"}) {
    EXPECT_EQ(ReadAll(dir / name), ReadAll(fs::path(TS_RUN_DIR_PATH) / name))
        << name;
  }
}

}  // namespace
