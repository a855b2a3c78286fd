#include <gtest/gtest.h>

#include "video/video.h"

using namespace video;

namespace {

void SetScreenRed(int i, u8 v) { ScreenPalette[i].red = v; }

class Fade : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetVideo();
    DisplayPalette.exists = true;
  }
};

}  // namespace

TEST_F(Fade, OutStepsAndTheirEnds) {
  const u8 start[] = {255, 6, 5, 1, 0};
  const u8 after[] = {249, 0, 4, 1, 0};
  for (int i = 0; i < 5; ++i) SetScreenRed(i, start[i]);
  FadeOutStep(0, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ScreenPalette[i].red, after[i]) << i;

  SetScreenRed(0, 251);
  SetScreenRed(1, 255);
  SetScreenRed(2, 252);
  for (int k = 0; k < 42; ++k) FadeOutStep(0, 3);
  EXPECT_EQ(ScreenPalette[2].red, 0);
  for (int k = 42; k < 44; ++k) FadeOutStep(0, 3);
  EXPECT_EQ(ScreenPalette[1].red, 1);
  EXPECT_NE(ScreenPalette[0].red, 1);
  FadeOutStep(0, 3);
  EXPECT_EQ(ScreenPalette[0].red, 1);
  EXPECT_EQ(DisplayPalette.entries[0].red, 1);
}

TEST_F(Fade, InClimbsToTheImageColours) {
  ImagePalette[0].green = 10;
  ScreenPalette[0].green = 1;
  const u8 expected[] = {3, 5, 7, 9, 11, 10, 10};
  for (u8 e : expected) {
    FadeInStep(0, 1);
    EXPECT_EQ(ScreenPalette[0].green, e);
  }
  ScreenPalette[0].green = 12;
  FadeInStep(0, 1);
  EXPECT_EQ(ScreenPalette[0].green, 10);
  // A byte just below a target of 255 lands on it instead of wrapping.
  ImagePalette[1].blue = 255;
  ScreenPalette[1].blue = 254;
  FadeInStep(1, 1);
  EXPECT_EQ(ScreenPalette[1].blue, 255);
}

TEST_F(Fade, RangesStopAtTheirEnds) {
  for (int i = 0; i < 256; ++i) ScreenPalette[i] = {100, 100, 100, 0};
  FadeOutStep(0, 255);
  EXPECT_EQ(ScreenPalette[254].red, 94);
  EXPECT_EQ(ScreenPalette[255].red, 100);
  EXPECT_EQ(DisplayPalette.entries[255].red, 100);
  FadeOutStep(0, 256);
  EXPECT_EQ(ScreenPalette[255].blue, 94);
  FadeOutStep(250, 10);
  EXPECT_EQ(ScreenPalette[249].red, 88);
  EXPECT_EQ(ScreenPalette[250].red, 82);
  EXPECT_EQ(ScreenPalette[255].red, 88);
  FadeOutStep(0, 0);
  EXPECT_EQ(ScreenPalette[0].red, 88);
  EXPECT_EQ(ScreenPalette[0].flags, 0);
}
