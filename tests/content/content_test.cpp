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

#include "base/bytes.h"
#include "platform/sdl/icon.h"
#include "video/sheet_layout.h"
#include "video/ssk_codec.h"

namespace {

namespace fs = std::filesystem;

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
  EXPECT_TRUE(video::ParseSsk(p.bytes, p.file, error)) << name << ": " << error;
  if (!p.bytes.empty()) p.firstCoded = video::SskFirstCodedByte(p.bytes);
  return p;
}

int Opaque(const Picture& p, const layout::Rect& r, std::uint8_t key) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += p.at(x, y) != key;
  return n;
}

// A sprite that touches its cell's edge is cut off on screen.
int TouchingTheEdge(const Picture& p, const layout::Rect& r, std::uint8_t key) {
  int touching = 0;
  for (int x = r.left; x < r.right; ++x)
    touching += (p.at(x, r.top) != key) + (p.at(x, r.bottom - 1) != key);
  for (int y = r.top; y < r.bottom; ++y)
    touching += (p.at(r.left, y) != key) + (p.at(r.right - 1, y) != key);
  return touching;
}

// Every rectangle the game copies holds what it should: solid ones no
// transparent pixel, pictures something to see, sprites something that keeps
// off their cell's edges.
void ExpectRegions(const Picture& p, const std::vector<layout::Region>& regions,
                   std::uint8_t key) {
  for (const layout::Region& region : regions) {
    const layout::Rect& r = region.rect;
    SCOPED_TRACE(::testing::Message()
                 << region.name << " at " << r.left << "," << r.top);
    const int area = (r.right - r.left) * (r.bottom - r.top);
    const int opaque = Opaque(p, r, key);
    if (region.content == layout::Content::Solid) {
      EXPECT_EQ(opaque, area);
    } else {
      EXPECT_GE(opaque, std::max(20, area / 100));
    }
    if (region.content == layout::Content::Sprite) {
      EXPECT_EQ(TouchingTheEdge(p, r, key), 0);
    }
  }
}

TEST(ContentTest, TitlePicturesKeyedAtRow480WithTheirFadePalette) {
  for (const char* name : {layout::kTitlePicture, layout::kBonusTitlePicture}) {
    SCOPED_TRACE(name);
    Picture p = Load(name);
    ASSERT_EQ(p.file.width, layout::title::kWidth);
    ASSERT_EQ(p.file.height, layout::title::kHeight);
    const layout::Point k = layout::title::kKeyPixel;
    ExpectRegions(p, layout::title::Regions(), p.at(k.x, k.y));
    // Index 0 paints every clear; 255 keeps its colour through the opening's
    // fade, so it must be black and unused.
    const video::Rgb& c0 = p.file.colours[0];
    const video::Rgb& c255 = p.file.colours[255];
    EXPECT_EQ(c0.r + c0.g + c0.b, 0);
    EXPECT_EQ(c255.r + c255.g + c255.b, 0);
    for (std::uint8_t v : p.file.pixels) ASSERT_NE(v, 255);
  }
}

TEST(ContentTest, GameSheetsKeyedAtBottomLeftAndBonusAlsoAtItsKeyPixel) {
  for (const char* name : {layout::kGameSheet, layout::kBonusGameSheet}) {
    SCOPED_TRACE(name);
    Picture p = Load(name);
    ASSERT_EQ(p.file.width, layout::game::kWidth);
    ASSERT_EQ(p.file.height, layout::game::kHeight);
    std::uint8_t key = p.firstCoded;
    EXPECT_EQ(p.at(0, layout::game::kHeight - 1), key);
    const layout::Point k = layout::game::kBonusKeyPixel;
    EXPECT_EQ(p.at(k.x, k.y), key);  // the bonus sheet is keyed from here
    ExpectRegions(p, layout::game::Regions(), key);
    const video::Rgb& c0 = p.file.colours[0];
    EXPECT_EQ(c0.r + c0.g + c0.b, 0);
  }
}

TEST(ContentTest, PlayTileJoinsWithoutASeam) {
  for (const char* name : {layout::kGameSheet, layout::kBonusGameSheet}) {
    SCOPED_TRACE(name);
    Picture p = Load(name);
    const layout::Rect tile = layout::game::kFieldTile;
    auto diff = [&](int xa, int ya, int xb, int yb) {
      const video::Rgb& a = p.file.colours[p.at(tile.left + xa, tile.top + ya)];
      const video::Rgb& b = p.file.colours[p.at(tile.left + xb, tile.top + yb)];
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

// Smoke and shadows are keyed copies: any softness they have must come from
// their colours. Keyed holes scattered through them (a dither) read as a
// screen door once the screen is enlarged.
TEST(ContentTest, SmokeAndShadowsAreSolidNotScreenDoors) {
  namespace g = layout::game;
  std::vector<layout::Rect> soft = {g::kShadow};
  for (int f = 1; f <= 4; ++f)
    soft.insert(soft.end(),
                {g::LargePuffCell(f), g::SmallPuffCell(f), g::MissMarkCell(f)});
  for (int f = 8; f <= g::kBlastPictures; ++f) soft.push_back(g::BlastCell(f));
  for (const char* name : {layout::kGameSheet, layout::kBonusGameSheet}) {
    Picture p = Load(name);
    const std::uint8_t key = p.firstCoded;
    for (const layout::Rect& r : soft) {
      SCOPED_TRACE(::testing::Message()
                   << name << " at " << r.left << "," << r.top);
      // Pixels unlike all four of their neighbours: lone holes and specks.
      int lone = 0;
      for (int y = r.top + 1; y + 1 < r.bottom; ++y)
        for (int x = r.left + 1; x + 1 < r.right; ++x) {
          const bool k = p.at(x, y) == key;
          lone += (p.at(x - 1, y) == key) != k &&
                  (p.at(x + 1, y) == key) != k &&
                  (p.at(x, y - 1) == key) != k && (p.at(x, y + 1) == key) != k;
        }
      EXPECT_LE(lone, Opaque(p, r, key) / 200);
    }
  }
}

// The walkers and flyers stand out from the field they walk on: few of a
// creature's pixels come near the field's own colour.
TEST(ContentTest, EnemiesStandOutFromTheField) {
  for (const char* name : {layout::kGameSheet, layout::kBonusGameSheet}) {
    Picture p = Load(name);
    const std::uint8_t key = p.firstCoded;
    const layout::Rect tile = layout::game::kFieldTile;
    long field[3] = {0, 0, 0};
    for (int y = tile.top; y < tile.bottom; ++y)
      for (int x = tile.left; x < tile.right; ++x) {
        const video::Rgb& c = p.file.colours[p.at(x, y)];
        field[0] += c.r, field[1] += c.g, field[2] += c.b;
      }
    for (long& v : field)
      v /= (tile.right - tile.left) * (tile.bottom - tile.top);
    for (int kind = 1; kind <= 3; ++kind) {
      SCOPED_TRACE(::testing::Message() << name << " kind " << kind);
      long like = 0, all = 0;
      for (int row = 1; row <= 8; ++row)
        for (int frame = 0; frame < 8; ++frame) {
          const layout::Rect e = layout::game::EnemyCell(kind, row, frame);
          for (int y = e.top; y < e.bottom; ++y)
            for (int x = e.left; x < e.right; ++x) {
              if (p.at(x, y) == key) continue;
              const video::Rgb& c = p.file.colours[p.at(x, y)];
              const long dr = c.r - field[0], dg = c.g - field[1],
                         db = c.b - field[2];
              like += dr * dr + dg * dg + db * db < 48 * 48;
              ++all;
            }
        }
      EXPECT_LE(like * 100, all * 10);
    }
  }
}

TEST(ContentTest, BossKeyScreenWithItsPointer) {
  Picture p = Load(layout::kBossPicture);
  ASSERT_EQ(p.file.width, layout::boss::kWidth);
  ASSERT_EQ(p.file.height, layout::boss::kHeight);
  const layout::Point k = layout::boss::kKeyPixel;
  std::uint8_t key = p.at(k.x, k.y);
  ExpectRegions(p, layout::boss::Regions(), key);
  const layout::Rect pointer = layout::boss::kPointer;
  // The tip is the pointer's top-left pixel.
  EXPECT_NE(p.at(pointer.left, pointer.top), key);
  EXPECT_EQ(p.at(pointer.right - 1, pointer.bottom - 1), key);
  // A spreadsheet is mostly one paper colour, not noise.
  const layout::Rect screen = layout::boss::kScreen;
  std::vector<int> count(256);
  for (int y = screen.top; y < screen.bottom; ++y)
    for (int x = screen.left; x < screen.right; ++x) ++count[p.at(x, y)];
  EXPECT_GT(*std::max_element(count.begin(), count.end()), 640 * 480 / 3);
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, size_t at) {
  return base::LoadLe32(&b.at(at + 3) - 3);
}

TEST(ContentTest, SplashAndIconAreWindowsBitmaps) {
  std::vector<std::uint8_t> splash =
      ReadAll(fs::path(TS_RUN_DIR_PATH) / layout::kSplashPicture);
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
  std::vector<const char*> names(std::begin(layout::kSskPictures),
                                 std::end(layout::kSskPictures));
  names.insert(names.end(), {layout::kSplashPicture, "icon.bmp"});
  for (const char* name : names) {
    EXPECT_EQ(ReadAll(dir / name), ReadAll(fs::path(TS_RUN_DIR_PATH) / name))
        << name;
  }
}

}  // namespace
