#include <gtest/gtest.h>

#include <cstring>

#include "video/video.h"

using namespace video;

namespace {

class Blit : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetVideo();
    CreateSurfaces();
    // Sheet pixel (x, y) holds a pattern that tells positions apart.
    for (int y = 0; y < kSheetHeight; ++y) {
      for (int x = 0; x < kSheetWidth; ++x) {
        SheetSurface->Row(y)[x] = static_cast<u8>(1 + (x + 3 * y) % 200);
      }
    }
    Clear(222);
  }
  static void Clear(u8 v) {
    for (int y = 0; y < kScreenHeight; ++y) {
      std::memset(BackSurface->Row(y), v, kScreenWidth);
    }
  }
  static u8 At(int x, int y) { return BackSurface->Row(y)[x]; }
  static u8 Sheet(int x, int y) { return SheetSurface->Row(y)[x]; }
  static int CountNot(u8 v) {
    int n = 0;
    for (int y = 0; y < kScreenHeight; ++y) {
      for (int x = 0; x < kScreenWidth; ++x) n += At(x, y) != v;
    }
    return n;
  }
};

}  // namespace

TEST_F(Blit, RejectionAtTheEdges) {
  EXPECT_EQ(BlitSheet({-64, 10, -1, 74}, {0, 0, 63, 64}, kModeOpaque, 0), 0);
  EXPECT_EQ(BlitSheet({10, -64, 74, -1}, {0, 0, 64, 63}, kModeOpaque, 0), 0);
  EXPECT_EQ(BlitSheet({641, 0, 700, 10}, {0, 0, 59, 10}, kModeOpaque, 0), 0);
  EXPECT_EQ(BlitSheet({0, 481, 10, 500}, {0, 0, 10, 19}, kModeOpaque, 0), 0);
  EXPECT_EQ(CountNot(222), 0);
  // Touching edges pass the test and draw nothing.
  EXPECT_EQ(BlitSheet({-64, 10, 0, 74}, {0, 0, 64, 64}, kModeOpaque, 0), 1);
  EXPECT_EQ(BlitSheet({640, 10, 704, 74}, {0, 0, 64, 64}, kModeOpaque, 0), 1);
  EXPECT_EQ(BlitSheet({10, 480, 74, 544}, {0, 0, 64, 64}, kModeOpaque, 0), 1);
  EXPECT_EQ(BlitSheet({10, -64, 74, 0}, {0, 0, 64, 64}, kModeOpaque, 0), 1);
  // Left greater than right: accepted, nothing drawn.
  EXPECT_EQ(BlitSheet({300, 100, 290, 200}, {0, 0, 10, 100}, kModeKeyed, 0), 1);
  EXPECT_EQ(CountNot(222), 0);
}

TEST_F(Blit, KeyedCopyLeavesTheKeyOut) {
  SetSheetColorKey(Sheet(5, 0));
  EXPECT_EQ(SheetColorKey, Sheet(5, 0));
  BlitSheet({0, 0, 10, 1}, {0, 0, 10, 1}, kModeKeyed, 0);
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(At(x, 0), x == 5 ? 222 : Sheet(x, 0)) << x;
  }
  // A source made only of the key changes nothing.
  for (int x = 0; x < 32; ++x) SheetSurface->Row(1000)[x] = SheetColorKey;
  Clear(9);
  BlitSheet({0, 0, 32, 1}, {0, 1000, 32, 1001}, kModeKeyed, 0);
  EXPECT_EQ(CountNot(9), 0);
  EXPECT_EQ(SetSheetColorKey(0x1FF), 1);
  EXPECT_EQ(SheetColorKey, 0xFF);
}

TEST_F(Blit, ScaledKeyedCopyDoublesEachPixel) {
  SetSheetColorKey(250);  // not in the pattern
  BlitSheet({100, 100, 164, 164}, {32, 864, 64, 896}, kModeKeyed, 0);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      ASSERT_EQ(At(100 + x, 100 + y), Sheet(32 + x / 2, 864 + y / 2));
    }
  }
  // 96 x 32 onto 116 x 24: every destination pixel from a source pixel.
  Clear(222);
  BlitSheet({272, 290, 388, 314}, {0, 928, 96, 960}, kModeOpaque, 0);
  EXPECT_EQ(At(387, 313), Sheet(95, 958));
  EXPECT_EQ(CountNot(222), 116 * 24);
}

TEST_F(Blit, FillsPaintTheirRectangleOnly) {
  BlitSheet({0, 0, 640, 480}, {0, 0, 0, 0}, kModeFill, 0);
  EXPECT_EQ(CountNot(0), 0);
  BlitSheet({630, 470, 700, 500}, {0, 0, 0, 0}, kModeFill, 3);
  EXPECT_EQ(CountNot(0), 100);
  EXPECT_EQ(At(639, 479), 3);
  // Unknown modes draw nothing and report success.
  EXPECT_EQ(BlitSheet({0, 0, 10, 10}, {0, 0, 10, 10}, 4, 0), 1);
  EXPECT_EQ(CountNot(0), 100);
}

TEST_F(Blit, SurfaceCopyAndPixelRead) {
  std::memset(PrimarySurface->Row(0), 42, kScreenWidth);
  EXPECT_EQ(BlitSurface(PrimarySurface, BackSurface, {0, 0, 640, 480},
                        {0, 0, 640, 480}),
            1);
  EXPECT_EQ(At(639, 0), 42);
  EXPECT_EQ(At(0, 1), 0);
  EXPECT_EQ(BlitSurface(PrimarySurface, BackSurface, {0, 0, 640, 480},
                        {0, 481, 640, 961}),
            0);
  EXPECT_EQ(ReadPixel(20, 480, SheetSurface), Sheet(20, 480));
  EXPECT_EQ(ReadPixel(-1, 0, SheetSurface), 0);
  EXPECT_EQ(ReadPixel(0, 2048, SheetSurface), 0);
}
