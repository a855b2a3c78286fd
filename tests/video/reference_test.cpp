// The fast primitives against plain per-pixel versions of the same rules, on
// many random rectangles, with every kernel this processor can run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "video/present.h"
#include "video/video.h"

namespace {

using namespace video;

// The copy rules one pixel at a time: every destination pixel inside the
// screen maps back through the whole rectangles, floor(offset * src / dst).
int ReferenceBlit(Surface& to, const Surface& from, Rect d, Rect s, u8 mode,
                  u32 colour, u8 key) {
  if (d.top > kScreenHeight || d.bottom < 0 || d.left > kScreenWidth ||
      d.right < 0) {
    return 0;
  }
  if (mode < 1 || mode > 3) return 1;
  const long dw = long(d.right) - d.left, dh = long(d.bottom) - d.top;
  const long sw = long(s.right) - s.left, sh = long(s.bottom) - s.top;
  if (mode != 3) {
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return 1;
    if (s.left < 0 || s.top < 0 || s.right > from.width ||
        s.bottom > from.height) {
      return 1;
    }
  }
  // Only the pixels inside the screen are visited.
  const long top = std::max<long>(d.top, 0),
             bottom = std::min<long>(d.bottom, to.height);
  const long left = std::max<long>(d.left, 0),
             right = std::min<long>(d.right, to.width);
  for (long y = top; y < bottom; ++y) {
    for (long x = left; x < right; ++x) {
      u8& out = to.Row(int(y))[x];
      if (mode == 3) {
        out = u8(colour);
        continue;
      }
      const long sx = s.left + (x - d.left) * sw / dw;
      const long sy = s.top + (y - d.top) * sh / dh;
      const u8 v = from.Row(int(sy))[sx];
      if (mode == 2 || v != key) out = v;
    }
  }
  return 1;
}

struct Pixels {
  std::vector<u8> back, sheet;
  Surface backSurface, sheetSurface;
  Pixels()
      : back(kScreenWidth * kScreenHeight), sheet(kSheetWidth * kSheetHeight) {
    backSurface = {kScreenWidth, kScreenHeight, kScreenWidth, back.data()};
    sheetSurface = {kSheetWidth, kSheetHeight, kSheetWidth, sheet.data()};
  }
};

// A sheet of runs: stretches of the key between stretches of colours, so
// keyed copies meet every mix of kept and skipped pixels.
// A draw below n.
i32 Below(std::mt19937& gen, u32 n) { return i32(gen() % n); }

void FillSheet(std::mt19937& gen, u8 key) {
  u8* p = SheetSurface->pixels;
  const int total = kSheetWidth * kSheetHeight;
  for (int i = 0; i < total;) {
    const int run = 1 + Below(gen, 40);
    const bool isKey = gen() % 3 == 0;
    for (int k = 0; k < run && i < total; ++k, ++i) p[i] = isKey ? key : gen();
  }
  // Cells like sprites: the key all round a figure, some cells all key, so
  // keyed copies cut to a cell's figure meet every edge.
  for (int cy = 0; cy < kSheetHeight / 64; ++cy) {
    for (int cx = 0; cx < kSheetWidth / 64; ++cx) {
      if (gen() % 2) continue;
      const i32 top = Below(gen, 70), bottom = top + Below(gen, 40);
      i32 left = Below(gen, 64), right = left + Below(gen, 40);
      // Half the figures change width from row to row, as real ones do.
      const bool ragged = gen() % 2;
      for (int y = 0; y < 64; ++y) {
        if (ragged) {
          left = Below(gen, 64);
          right = left + Below(gen, 65);
        }
        for (int x = 0; x < 64; ++x) {
          if (y < top || y >= bottom || x < left || x >= right) {
            p[(64 * cy + y) * kSheetWidth + 64 * cx + x] = key;
          }
        }
      }
    }
  }
  SheetChanged();
}

i32 Coordinate(std::mt19937& gen, int span) {
  switch (gen() % 10) {
    case 0:
      return Below(gen, 5) - 2;  // around 0
    case 1:
      return span - 2 + Below(gen, 5);  // around the far edge
    case 2:
      return Below(gen, 1u << 30) - (1 << 29);  // far away, either side
    default:
      return Below(gen, span + 400) - 200;
  }
}

Rect Destination(std::mt19937& gen) {
  const int shape = Below(gen, 8);
  const i32 x = Coordinate(gen, kScreenWidth),
            y = Coordinate(gen, kScreenHeight);
  if (shape < 4) return {x, y, x + 64, y + 64};  // a sprite
  if (shape == 4) {
    // Around the opening's zoom: large, centred, clipped on every side.
    const i32 h = Below(gen, 800) + 1;
    return {320 - h, 240 - h, 320 + h, 240 + h};
  }
  if (shape == 5) return {x, y, x - Below(gen, 50), y + 10};
  return {x, y, x + Below(gen, 700), y + Below(gen, 520)};
}

Rect Source(std::mt19937& gen, const Rect& d) {
  const int shape = Below(gen, 10);
  i32 w = d.right - d.left, h = d.bottom - d.top;
  if (shape < 4 && w > 0 && w <= kSheetWidth && h > 0 && h <= kSheetHeight) {
    // Same size as the destination.
  } else if (shape < 8) {
    w = 1 + Below(gen, 160);
    h = 1 + Below(gen, 160);
  } else {
    // Empty, reversed or partly outside the sheet.
    const i32 x = Coordinate(gen, kSheetWidth),
              y = Coordinate(gen, kSheetHeight);
    return {x, y, x + Below(gen, 200) - 20, y + Below(gen, 200) - 20};
  }
  if (w == 64 && h == 64 && shape < 2) {
    // A whole sprite cell, as the game draws them.
    const i32 x = 64 * Below(gen, kSheetWidth / 64);
    const i32 y = 64 * Below(gen, kSheetHeight / 64);
    return {x, y, x + 64, y + 64};
  }
  const i32 x = Below(gen, kSheetWidth - w + 1);
  const i32 y = Below(gen, kSheetHeight - h + 1);
  return {x, y, x + w, y + h};
}

::testing::AssertionResult SameScreen(const Surface& a, const Surface& b) {
  for (int y = 0; y < kScreenHeight; ++y) {
    if (std::memcmp(a.Row(y), b.Row(y), kScreenWidth) == 0) continue;
    for (int x = 0; x < kScreenWidth; ++x) {
      if (a.Row(y)[x] != b.Row(y)[x]) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << int(a.Row(y)[x])
               << ", expected " << int(b.Row(y)[x]);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

class ReferenceTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ResetVideo();
    CreateSurfaces();
    level_ = SetBlitLevel(GetParam());
    if (level_ != GetParam()) GTEST_SKIP() << "kernel not available here";
  }
  void TearDown() override {
    SetBlitLevel(-1);
    ResetVideo();
  }
  int level_ = 0;
};

TEST_P(ReferenceTest, BlitSheetMatchesPixelByPixelCopy) {
  std::mt19937 gen(7 + GetParam());
  Pixels ref;
  for (int round = 0; round < 4; ++round) {
    const u8 key = round == 0 ? 0 : u8(gen());
    SetSheetColorKey(key);
    FillSheet(gen, key);
    for (u8& p : ref.back) p = u8(gen());
    std::memcpy(BackSurface->pixels, ref.back.data(), ref.back.size());
    std::memcpy(ref.sheet.data(), SheetSurface->pixels, ref.sheet.size());
    for (int i = 0; i < 700; ++i) {
      const Rect d = Destination(gen);
      const Rect s = Source(gen, d);
      const u32 pick = gen() % 16;
      const u8 mode = pick < 9    ? kModeKeyed
                      : pick < 13 ? kModeOpaque
                      : pick < 15 ? kModeFill
                                  : u8(gen());
      const u32 colour = gen() % 1000;
      const int expected = ReferenceBlit(ref.backSurface, ref.sheetSurface, d,
                                         s, mode, colour, key);
      ASSERT_EQ(BlitSheet(d, s, mode, colour), expected);
      ASSERT_TRUE(SameScreen(*BackSurface, ref.backSurface))
          << "after mode " << int(mode) << " dst (" << d.left << ", " << d.top
          << ")-(" << d.right << ", " << d.bottom << ") src (" << s.left << ", "
          << s.top << ")-(" << s.right << ", " << s.bottom << ") key "
          << int(key);
    }
  }
}

TEST_P(ReferenceTest, WholeScreenCopyAndScaledSurfaceCopies) {
  std::mt19937 gen(99);
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      PrimarySurface->Row(y)[x] = u8(gen());
      BackSurface->Row(y)[x] = u8(gen());
    }
  }
  Pixels ref;
  std::memcpy(ref.back.data(), BackSurface->pixels, ref.back.size());
  ASSERT_EQ(BlitSurface(PrimarySurface, BackSurface, {0, 0, 640, 480},
                        {0, 0, 640, 480}),
            1);
  EXPECT_EQ(
      std::memcmp(BackSurface->pixels, PrimarySurface->pixels, ref.back.size()),
      0);
  std::memcpy(ref.back.data(), BackSurface->pixels, ref.back.size());
  for (int i = 0; i < 200; ++i) {
    const Rect d = Destination(gen);
    Rect s = Destination(gen);
    if (gen() % 2) {
      const i32 w = 1 + Below(gen, 640), h = 1 + Below(gen, 480);
      const i32 x = Below(gen, 641 - w), y = Below(gen, 481 - h);
      s = {x, y, x + w, y + h};
    }
    const int expected = ReferenceBlit(ref.backSurface, *PrimarySurface, d, s,
                                       kModeOpaque, 0, 0);
    ASSERT_EQ(BlitSurface(PrimarySurface, BackSurface, s, d), expected);
    ASSERT_TRUE(SameScreen(*BackSurface, ref.backSurface));
  }
  // Whole rows within one surface, apart (as the field's lower half is
  // drawn) and overlapping: both as a copy row by row from the top.
  for (const i32 to : {240, 100}) {
    for (int y = 0; y < 240; ++y) {
      std::memcpy(ref.backSurface.Row(to + y), ref.backSurface.Row(y),
                  kScreenWidth);
    }
    BlitSurface(BackSurface, BackSurface, {0, 0, 640, 240},
                {0, to, 640, to + 240});
    ASSERT_TRUE(SameScreen(*BackSurface, ref.backSurface)) << "rows to " << to;
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ReferenceTest, ::testing::Values(0, 1, 2));

// Palette to 32-bit pixels, one entry at a time.
void ReferenceConvert(const u8* pixels, int pitch, int width, int height,
                      const PaletteEntry* palette, std::uint32_t* out) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const PaletteEntry& e = palette[pixels[y * pitch + x]];
      out[y * width + x] = 0xFF000000u | std::uint32_t(e.red) << 16 |
                           std::uint32_t(e.green) << 8 | e.blue;
    }
  }
}

TEST(ConvertFrameReference,
     EveryConversionMatchesOnOddSizesScalesAndNewPalettes) {
  std::mt19937 gen(5);
  std::vector<u8> pixels(700 * 480);
  for (u8& p : pixels) p = u8(gen());
  std::vector<std::uint32_t> fast(700 * 480), slow(700 * 480);
  for (int level = 0; level <= 2; ++level) {
    if (SetPresentLevel(level) != level) continue;
    // The same frame through changing palettes: a conversion must never use
    // colours of the palette before.
    for (int round = 0; round < 4; ++round) {
      PaletteEntry palette[256];
      for (PaletteEntry& e : palette) {
        e = {u8(gen()), u8(gen()), u8(gen()), u8(gen())};
      }
      for (const auto& [width, height, pitch] :
           {std::tuple{640, 480, 640}, std::tuple{637, 3, 700},
            std::tuple{65, 2, 65}, std::tuple{1, 1, 1}, std::tuple{63, 5, 64},
            std::tuple{128, 7, 131}, std::tuple{1000, 9, 1000},
            std::tuple{9000, 2, 9001}}) {
        std::fill(fast.begin(), fast.end(), 0u);
        std::fill(slow.begin(), slow.end(), 0u);
        ConvertFrame(pixels.data(), pitch, width, height, palette, fast.data());
        ReferenceConvert(pixels.data(), pitch, width, height, palette,
                         slow.data());
        ASSERT_EQ(fast, slow)
            << "level " << level << " width " << width << " pitch " << pitch;
        // Scaled into a screen texture whose rows have room to spare: each
        // pixel a whole block, the spare room left alone.
        for (int scale : {1, 2, 3, 4, 5, 9}) {
          const int outPitch = width * scale + 3;  // in pixels
          std::vector<std::uint32_t> scaled(
              std::size_t(outPitch) * height * scale, 7u);
          ConvertFrameScaled(pixels.data(), pitch, width, height, palette,
                             scale, scaled.data(), outPitch * 4);
          std::vector<std::uint32_t> want(scaled.size(), 7u);
          for (int y = 0; y < height * scale; ++y) {
            for (int x = 0; x < width * scale; ++x) {
              want[std::size_t(y) * outPitch + x] =
                  slow[std::size_t(y / scale) * width + x / scale];
            }
          }
          ASSERT_EQ(scaled, want)
              << "level " << level << " width " << width << " scale " << scale;
        }
      }
    }
  }
  SetPresentLevel(-1);
}

// Into a window's image (aligned rows, where the stores go around the
// caches), and over the picture of the frame before: only what changed is
// drawn, and the picture comes out as a whole conversion would.
TEST(ConvertFrameReference, AlignedImagesAndOnlyWhatChangedSinceTheLastFrame) {
  constexpr int kWidth = 640, kHeight = 12;
  std::mt19937 gen(9);
  std::vector<u8> before(kWidth * kHeight), now;
  for (u8& p : before) p = u8(gen());
  now = before;
  // A figure moved: bytes at a block's start, middle and end, and the
  // row's last pixel.
  for (int at : {0, 13, 640 + 7, 2 * 640 + 8, 5 * 640 + 639, 11 * 640 + 320})
    now[std::size_t(at)] = u8(now[std::size_t(at)] + 1);
  PaletteEntry palette[256];
  for (PaletteEntry& e : palette) e = {u8(gen()), u8(gen()), u8(gen()), 0};
  for (int level = 0; level <= 2; ++level) {
    if (SetPresentLevel(level) != level) continue;
    for (int scale : {2, 3, 4}) {
      const int outPitch = kWidth * scale + 64;  // pixels: a multiple of 8
      const std::size_t size = std::size_t(outPitch) * kHeight * scale;
      // Both images start on a 32-byte boundary, as a window's does.
      std::vector<std::uint32_t> imageRoom(size + 8, 7u), wholeRoom = imageRoom;
      const auto aligned = [](std::vector<std::uint32_t>& room) {
        const auto at = reinterpret_cast<std::uintptr_t>(room.data());
        return room.data() + (32 - at % 32) % 32 / 4;
      };
      std::uint32_t* image = aligned(imageRoom);
      std::uint32_t* whole = aligned(wholeRoom);
      ConvertFrameScaled(before.data(), kWidth, kWidth, kHeight, palette, scale,
                         image, outPitch * 4);
      ConvertFrameScaled(now.data(), kWidth, kWidth, kHeight, palette, scale,
                         image, outPitch * 4, before.data());
      ConvertFrameScaled(now.data(), kWidth, kWidth, kHeight, palette, scale,
                         whole, outPitch * 4);
      ASSERT_TRUE(std::equal(image, image + size, whole))
          << "level " << level << " scale " << scale;
      for (int y = 0; y < kHeight * scale; ++y) {
        for (int x = 0; x < kWidth * scale; ++x) {
          const PaletteEntry& e =
              palette[now[std::size_t(y / scale) * kWidth + x / scale]];
          ASSERT_EQ(whole[std::size_t(y) * outPitch + x],
                    0xFF000000u | std::uint32_t(e.red) << 16 |
                        std::uint32_t(e.green) << 8 | e.blue)
              << "level " << level << " scale " << scale << " at " << x << ", "
              << y;
        }
      }
    }
  }
  SetPresentLevel(-1);
}

}  // namespace
