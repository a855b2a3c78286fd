#include <algorithm>
#include <cstdio>

#include "app/input.h"
#include "app/scene.h"
#include "app/scores.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace scenes_test {
namespace {

using namespace scenes;

class OpeningTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    WriteTitlePicture("TITLE.ssk");
    app::CurrentScene = OpeningScene;
  }
};

TEST_F(OpeningTest, RunsItsPhasesFor482FramesWhateverIsClicked) {
  // The frames after which phases 1, 2, 3 and 4 are current.
  const int phaseFrom[] = {1, 160, 352, 481};
  for (int frame = 1; frame <= 482; ++frame) {
    app::LeftButton = 1;  // clicks never shorten it
    Frame();
    int expected = 0;
    for (int from : phaseFrom) expected += frame >= from;
    if (frame == 482) {
      EXPECT_EQ(app::CurrentScene, TitleScene);
      EXPECT_EQ(OpeningPhase, 0);
    } else {
      ASSERT_EQ(OpeningPhase, expected) << frame;
      ASSERT_EQ(app::CurrentScene, OpeningScene) << frame;
    }
  }
  // Everything back to the start so that it would run alike again.
  EXPECT_EQ(OpeningTimer, 0);
  EXPECT_EQ(OpeningSpeed, 0);
  EXPECT_EQ(OpeningCell, 0);
  EXPECT_EQ(OpeningSize, 2);
  EXPECT_EQ(OpeningStep, 1);
}

TEST_F(OpeningTest, LoadsTheTitlePictureKeyedOnItsLetteringCorner) {
  video::SetSheetColorKey(200);
  Frame();
  EXPECT_EQ(video::SheetColorKey, kTitleKey);
  EXPECT_EQ(video::SheetSurface->Row(800)[416], 30);
  EXPECT_EQ(video::ScreenPalette[100].red, 100);
}

TEST_F(OpeningTest, BonusModeOpensWithTheBonusTitle) {
  WriteTitlePicture("OMAKETITLE.ssk", 100);
  app::BonusMode = 1;
  Frame();
  EXPECT_EQ(video::SheetSurface->Row(800)[416], 130);
}

TEST_F(OpeningTest, ZoomsTheCellsBackAndForthFromTheCentre) {
  FillScreens(99);
  Frames(2);  // load, then the first zoom frame
  EXPECT_TRUE(ShownAll({318, 238, 322, 242}, 10));  // cell 0, 4 x 4
  EXPECT_EQ(Shown(317, 240), 0);                    // the rest cleared
  EXPECT_EQ(Shown(322, 240), 0);
  EXPECT_EQ(Shown(0, 0), 0);
  Frames(4);
  EXPECT_EQ(OpeningCell, 0);
  Frame();  // sixth zoom frame
  EXPECT_EQ(OpeningCell, 1);
  EXPECT_EQ(OpeningSpeed, 1);
  EXPECT_EQ(Shown(320, 240), 11);
  // The cell turns at 7 and runs back down.
  std::vector<int> cells;
  while (OpeningPhase == 1) {
    Frame();
    if (cells.empty() || cells.back() != OpeningCell) {
      cells.push_back(OpeningCell);
    }
  }
  const std::vector<int> start = {1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1, 0, 1};
  ASSERT_GE(cells.size(), start.size());
  EXPECT_TRUE(std::equal(start.begin(), start.end(), cells.begin()));
  // The frame that passes 2048 shows only black.
  EXPECT_TRUE(ShownAll({0, 0, 640, 480}, 0));
}

TEST_F(OpeningTest, HoldsTheEmblemThenStretchesItAwayWhileFading) {
  Frames(1 + 159 + 1);
  EXPECT_TRUE(ShownAll({272, 224, 368, 256}, 30));
  EXPECT_EQ(Shown(271, 240), 0);
  EXPECT_EQ(Shown(368, 240), 0);
  Frames(191);
  ASSERT_EQ(OpeningPhase, 3);
  Frame();
  EXPECT_TRUE(ShownAll({279, 175, 361, 305}, 30));
  EXPECT_EQ(Shown(278, 240), 0);
  EXPECT_EQ(Shown(361, 240), 0);
  EXPECT_EQ(Shown(300, 174), 0);
  EXPECT_EQ(Shown(300, 305), 0);
  Frame();
  EXPECT_TRUE(ShownAll({285, 127, 355, 353}, 30));
  // From frame 27 of the phase the emblem is narrower than nothing.
  Frames(25);
  EXPECT_TRUE(ShownAll({0, 0, 640, 480}, 0));
  Frames(129 - 27);
  EXPECT_EQ(OpeningPhase, 4);
  // Two steps a frame: every entry but 255 is black; 255 keeps its colour.
  for (int i = 0; i < 255; ++i) {
    ASSERT_LE(video::ScreenPalette[i].red, 1) << i;
    ASSERT_LE(video::ScreenPalette[i].green, 1) << i;
  }
  EXPECT_EQ(video::ScreenPalette[255].red, 255);
  EXPECT_EQ(video::ImagePalette[200].red, 200);
}

TEST_F(OpeningTest, RunsItsCourseWithoutAPicture) {
  std::remove("TITLE.ssk");
  Frames(482);
  EXPECT_EQ(app::CurrentScene, TitleScene);
}

}  // namespace
}  // namespace scenes_test
