#include <cmath>

#include "app/input.h"
#include "app/scene.h"
#include "app/scores.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace scenes_test {
namespace {

using namespace scenes;

class TitleTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    WriteTitlePicture("TITLE.ssk");
    WriteGameSheet("qqqq.ssk");
    // As the opening leaves it: the picture keyed, the screen faded out.
    video::LoadSskImage("TITLE.ssk", 0, 0);
    video::LoadSskPalette("TITLE.ssk");
    video::SetSheetColorKey(kTitleKey);
    for (int i = 0; i < 64; ++i) video::FadeOutStep(0, 255);
    app::CurrentScene = TitleScene;
  }
  // Runs to the first idle frame of a first visit.
  void ToIdle() {
    while (TitlePhase != 2) Frame();
  }
  bool PaletteShownInFull() {
    for (int i = 0; i < 256; ++i) {
      if (video::ScreenPalette[i].red != video::ImagePalette[i].red ||
          video::ScreenPalette[i].green != video::ImagePalette[i].green) {
        return false;
      }
    }
    return true;
  }
};

TEST_F(TitleTest, FirstVisitWavesInThenRevealsFromTheMiddle) {
  Frame();
  EXPECT_EQ(TitleWave, 5);
  // Strips 0, 1, 2 shifted by 3, 6 and 9 pixels: the lettering's one
  // visible column moves with them.
  EXPECT_EQ(Shown(1 + 3, 0), 21);
  EXPECT_EQ(Shown(1 + 6, 3), 21);
  EXPECT_EQ(Shown(1 + 9, 6), 21);
  EXPECT_EQ(Shown(1, 0), 0);
  int waveFrames = 1;
  while (TitlePhase == 0) {
    Frame();
    ++waveFrames;
  }
  EXPECT_EQ(waveFrames, 303);
  EXPECT_TRUE(PaletteShownInFull());
  EXPECT_EQ(TitleAmplitude, 100);

  FillScreens(99);
  Frame();
  // The band opens 20 rows each way; the rest keeps what the screen held.
  EXPECT_TRUE(ShownAll({2, 220, 640, 260}, 40));
  EXPECT_EQ(Shown(100, 219), 99);
  EXPECT_EQ(Shown(100, 260), 99);
  EXPECT_EQ(Shown(0, 240), 99);  // column 0 is never copied
  Frames(10);
  EXPECT_EQ(TitlePhase, 1);
  Frame();  // the twelfth reveals everything and stays in the phase
  EXPECT_EQ(TitleWave, 240);
  EXPECT_EQ(TitlePhase, 1);
  Frame();
  EXPECT_EQ(TitlePhase, 2);
  EXPECT_TRUE(ShownAll({2, 0, 640, 1}, 40));
  EXPECT_TRUE(ShownAll({1, 479, 640, 480}, 40));
}

TEST_F(TitleTest, EmblemTurnsLikeACoinShowingBothFaces) {
  ToIdle();
  TitleSpin = 1;
  Frame();
  EXPECT_EQ(TitleSwing, 0);  // edge-on: nothing drawn
  EXPECT_EQ(Shown(592, 460), 40);
  Frame();
  EXPECT_EQ(TitleSwing, 1);
  EXPECT_TRUE(ShownAll({591, 448, 593, 480}, 31));  // back face
  EXPECT_EQ(Shown(590, 460), 40);
  Frame();
  EXPECT_TRUE(ShownAll({590, 448, 594, 480}, 31));
  while (TitleSwing > -20) Frame();
  // Negative swing: the front face, the right way round.
  EXPECT_TRUE(ShownAll({592 + TitleSwing, 448, 592 - TitleSwing, 480}, 30));
  // One turn every 256 frames.
  int spin = TitleSpin;
  Frames(256);
  EXPECT_EQ(TitleSpin, spin);
}

TEST_F(TitleTest, PromptBlinksThirtyTwoFramesOnThirtyTwoOff) {
  ToIdle();
  TitleTimer = 0;
  for (int n = 1; n <= 128; ++n) {
    Frame();
    const bool on = (n % 64) >= 32;
    ASSERT_EQ(Shown(300, 410) == 32, on) << n;
  }
}

TEST_F(TitleTest, IdleTimeOutLoadsTheGameSheetAndGoesToTheRanking) {
  ToIdle();
  TitleIdle = 0;
  Frames(960);
  EXPECT_EQ(app::CurrentScene, TitleScene);
  Frame();
  EXPECT_EQ(app::CurrentScene, RankingScene);
  EXPECT_EQ(TitleIdle, 0);
  EXPECT_EQ(TitlePhase, -1);
  EXPECT_EQ(TitleSpin, 1);
  EXPECT_EQ(TitleAmplitude, 100);
  // This frame still drew the title, from the old sheet.
  EXPECT_EQ(Shown(100, 400), 40);
  EXPECT_EQ(video::SheetColorKey, kGameKey);
  EXPECT_EQ(video::SheetSurface->Row(1536)[0], 80);
  EXPECT_EQ(video::ScreenPalette[3].blue, kGameShade);
}

TEST_F(TitleTest, BonusTimeOutKeysTheBonusSheetOnItsFirstPixel) {
  WriteGameSheet("qqqqomake.ssk", 100);
  app::BonusMode = 1;
  ToIdle();
  TitleIdle = 960;
  Frame();
  EXPECT_EQ(video::SheetSurface->Row(1536)[0], 180);
  EXPECT_EQ(video::SheetColorKey, kGameKey);
}

TEST_F(TitleTest, ClickDuringTheWaveSkipsToTheIdleTitle) {
  Frames(10);
  EXPECT_FALSE(PaletteShownInFull());
  app::LeftButton = 1;
  Frame();
  EXPECT_EQ(TitlePhase, 2);
  EXPECT_TRUE(PaletteShownInFull());
  Frame();
  EXPECT_EQ(app::CurrentScene, TitleScene);
  EXPECT_EQ(TitleIdle, 1);
}

TEST_F(TitleTest, ClickOnTheIdleTitleLeavesForTheMenuNextFrame) {
  ToIdle();
  Frames(100);
  app::LeftButton = 1;
  Frame();
  EXPECT_EQ(TitlePhase, 11);
  EXPECT_EQ(app::CurrentScene, TitleScene);
  Frame();
  EXPECT_EQ(app::CurrentScene, MenuScene);
  EXPECT_EQ(TitlePhase, -1);
  // Idle time is kept: the time-out after a game comes early.
  EXPECT_EQ(TitleIdle, 101);
}

TEST_F(TitleTest, LaterVisitReloadsThePictureAndAClickThereCountsAtOnce) {
  TitlePhase = -1;
  WriteTitlePicture("OMAKETITLE.ssk", 100);
  app::BonusMode = 1;
  video::SetSheetColorKey(0);
  Frame();
  EXPECT_EQ(TitlePhase, 2);
  EXPECT_EQ(video::SheetSurface->Row(0)[100], 140);
  EXPECT_EQ(video::SheetColorKey, kTitleKey);
  EXPECT_TRUE(ShownAll({0, 0, 640, 480}, 0));  // a loading frame draws nothing

  TitlePhase = -1;
  app::LeftButton = 1;
  Frame();
  EXPECT_EQ(TitlePhase, 11);
  Frame();
  EXPECT_EQ(app::CurrentScene, MenuScene);
}

}  // namespace
}  // namespace scenes_test
