// What the random comparison in reference_test.cpp is unlikely to hit
// exactly: the edges at which a copy is refused, the key's range and pixel
// reads off the surface.
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
    for (int y = 0; y < kScreenHeight; ++y) {
      std::memset(BackSurface->Row(y), 222, kScreenWidth);
    }
  }
  static int CountNot(u8 v) {
    int n = 0;
    for (int y = 0; y < kScreenHeight; ++y) {
      for (int x = 0; x < kScreenWidth; ++x) n += BackSurface->Row(y)[x] != v;
    }
    return n;
  }
};

}  // namespace

TEST_F(Blit, RejectionAtTheEdges) {
  // One pixel beyond an edge is refused (0); touching it passes the test
  // (1) and draws nothing.
  const struct {
    Rect d;
    int result;
  } cases[] = {{{-64, 10, -1, 74}, 0},  {{10, -64, 74, -1}, 0},
               {{641, 0, 700, 10}, 0},  {{0, 481, 10, 500}, 0},
               {{-64, 10, 0, 74}, 1},   {{640, 10, 704, 74}, 1},
               {{10, 480, 74, 544}, 1}, {{10, -64, 74, 0}, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(BlitSheet(c.d, {0, 0, 64, 64}, kModeOpaque, 0), c.result)
        << c.d.left << "," << c.d.top;
  }
  // Left greater than right: accepted, nothing drawn.
  EXPECT_EQ(BlitSheet({300, 100, 290, 200}, {0, 0, 10, 100}, kModeKeyed, 0), 1);
  EXPECT_EQ(CountNot(222), 0);
}

TEST_F(Blit, TheKeyIsAByteAndReadsOffTheSurfaceGiveZero) {
  EXPECT_EQ(SetSheetColorKey(0x1FF), 1);
  EXPECT_EQ(SheetColorKey, 0xFF);
  SheetSurface->Row(480)[20] = 5;
  EXPECT_EQ(ReadPixel(20, 480, SheetSurface), 5);
  EXPECT_EQ(ReadPixel(-1, 0, SheetSurface), 0);
  EXPECT_EQ(ReadPixel(0, 2048, SheetSurface), 0);
}
