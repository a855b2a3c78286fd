#include <cstdio>

#include "scene_fixture.h"

namespace scenes_test {
namespace {

// The opening, title, menu and boss key, from the title picture loaded and
// faded out, as the opening leaves it.
class FrontTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    LoadSheet(layout::kTitlePicture, kTitleKey);
    for (int i = 0; i < 64; ++i) video::FadeOutStep(0, 255);
  }
  static bool PaletteInFull() {
    return std::memcmp(video::ScreenPalette, video::ImagePalette,
                       sizeof video::ScreenPalette) == 0;
  }
  void OpenSettings() {
    base::CurrentScene = MenuScene;
    LeftClickAt(300, 300);
    ASSERT_EQ(MenuPhase, 2u);
  }
};

TEST_F(FrontTest, OpeningRunsItsPhasesFor482FramesWhateverIsClicked) {
  base::CurrentScene = OpeningScene;
  video::SetSheetColorKey(200);
  const int phaseFrom[] = {1, 160, 352, 481};  // phases 1..4 current after
  for (int frame = 1; frame <= 482; ++frame) {
    base::LeftButton = 1;
    Frame();
    int phase = 0;
    for (int from : phaseFrom) phase += frame >= from && frame < 482;
    ASSERT_EQ(OpeningPhase, phase) << frame;
    ASSERT_EQ(base::CurrentScene == TitleScene, frame == 482) << frame;
  }
  EXPECT_EQ(video::SheetColorKey, kTitleKey);  // keyed on the lettering corner
  // It runs its course without a picture too.
  std::remove(layout::kTitlePicture);
  base::CurrentScene = OpeningScene;
  Frames(482);
  EXPECT_EQ(base::CurrentScene, TitleScene);
}

TEST_F(FrontTest, TitleTimeOutKeysTheRankingSheetOnItsFirstPixel) {
  for (u32 bonus : {0u, 1u}) {  // in bonus mode too, unlike a game start
    base::BonusMode = bonus;
    LoadSheet(bonus ? layout::kBonusTitlePicture : layout::kTitlePicture,
              kTitleKey);
    base::CurrentScene = TitleScene;
    TitlePhase = 2;
    TitleIdle = 960;
    Frame();
    EXPECT_EQ(base::CurrentScene, RankingScene);
    EXPECT_EQ(Shown(100, 400), 40 + 100 * bonus);  // still drew the title
    EXPECT_EQ(std::make_tuple(TitleIdle, TitleSpin, TitleAmplitude, TitlePhase),
              std::make_tuple(0, 1, 100, -1));
    EXPECT_EQ(std::make_tuple(int(Sheet(layout::game::kFieldTile.left,
                                        layout::game::kFieldTile.top)),
                              int(video::SheetColorKey)),
              std::make_tuple(80 + 100 * int(bonus), int(kGameKey)));
  }
}

TEST_F(FrontTest, TitleClicksSkipTheWaveAndCountOnALoadingFrameAtOnce) {
  base::CurrentScene = TitleScene;
  Frames(10);
  base::LeftButton = 1;
  Frame();
  EXPECT_EQ(TitlePhase, 2);
  EXPECT_TRUE(PaletteInFull());
  // A later visit reloads the picture; a click there counts at once.
  base::BonusMode = 1;
  TitlePhase = -1;
  TitleIdle = 5;
  base::LeftButton = 1;
  Frame();
  EXPECT_EQ(std::make_tuple(int(Sheet(100, 0)), int(video::SheetColorKey)),
            std::make_tuple(140, int(kTitleKey)));
  EXPECT_EQ(TitlePhase, 11);
  Frame();
  EXPECT_EQ(base::CurrentScene, MenuScene);
  // Idle time kept: an early time-out.
  EXPECT_EQ(std::make_tuple(TitlePhase, TitleIdle), std::make_tuple(-1, 5));
}

TEST_F(FrontTest, MenuChoiceBoxesCountTheirBordersAndRightClickGoesBack) {
  base::CurrentScene = MenuScene;
  const u32 cases[][3] = {{256, 174, 1}, {404, 238, 1}, {255, 200, 0},
                          {405, 200, 0}, {300, 173, 0}, {300, 239, 0},
                          {256, 264, 2}, {404, 330, 2}, {300, 263, 0},
                          {300, 331, 0}, {405, 300, 0}};
  for (const auto& c : cases) {
    MenuPhase = 0;
    LeftClickAt(c[0], c[1]);
    EXPECT_EQ(MenuPhase, c[2]) << c[0] << "," << c[1];
  }
  base::LeftButton = base::RightButton = 1;  // not with the left down too
  Frame();
  EXPECT_EQ(base::CurrentScene, MenuScene);
  base::RightButton = 1;
  Frame();
  EXPECT_EQ(base::CurrentScene, TitleScene);
  EXPECT_FALSE(Saved());
}

TEST_F(FrontTest, MenuSetUpFrameLoadsTheGameAndStartsTheMusic) {
  base::CurrentScene = MenuScene;
  game::ActorPool[3].active = game::HitCount = game::ShotCount = 5;
  game::MaxCombo = game::EnemiesSpawned = 5;
  LeftClickAt(300, 200);
  Frame();
  EXPECT_EQ(base::CurrentScene, PlayScene);
  EXPECT_EQ(
      std::make_tuple(LiveActors(), game::HitCount, game::ShotCount,
                      game::MaxCombo, int(game::EnemiesSpawned), MenuPhase),
      std::make_tuple(0, 0, 0, 0, 0, 0u));
  EXPECT_EQ(LastSound(), (std::pair{13, -1}));
  // The sheet by the bonus setting (2 only from a damaged file).
  const int cases[][3] = {{0, 80, kGameKey}, {1, 180, 12}, {2, 80, kGameKey}};
  for (const auto& c : cases) {
    base::BonusMode = u32(c[0]);
    MenuPhase = 1;
    MenuScene();
    EXPECT_EQ(
        Sheet(layout::game::kFieldTile.left, layout::game::kFieldTile.top),
        c[1])
        << c[0];
    EXPECT_EQ(video::SheetColorKey, c[2]) << c[0];
    EXPECT_EQ(video::ImagePalette[3].blue, kGameShade + c[1] - 80);
  }
}

TEST_F(FrontTest, SettingsArrowsLeaveOutTheirBordersAndLeavingSaves) {
  OpenSettings();
  // x, y, then detail and difficulty (both 1 before, or held at 0 and 2).
  const int cases[][4] = {{304, 140, 1, 1}, {368, 140, 1, 1}, {340, 112, 1, 1},
                          {340, 176, 1, 1}, {305, 113, 0, 1}, {367, 175, 0, 0},
                          {432, 140, 1, 1}, {433, 140, 2, 1}, {495, 175, 2, 2},
                          {496, 140, 1, 1}, {340, 177, 1, 0}, {460, 239, 1, 2},
                          {460, 240, 1, 1}, {460, 200, 2, 2}, {340, 200, 0, 0}};
  for (const auto& c : cases) {
    bool held = c[2] == c[3] && c[2] != 1;
    base::DetailLevel = base::Difficulty = u8(held ? c[2] : 1);
    LeftClickAt(c[0], c[1]);
    EXPECT_EQ(std::make_tuple(int(base::DetailLevel), int(base::Difficulty)),
              std::make_tuple(c[2], c[3]))
        << c[0] << "," << c[1];
  }
  // Only leaving the page saves; the leave area's borders do not count.
  base::DetailLevel = 1;
  LeftClickAt(560, 400);
  LeftClickAt(600, 332);
  EXPECT_EQ(std::make_tuple(MenuPhase, Saved()), std::make_tuple(2u, false));
  LeftClickAt(561, 333);  // well above the drawn button
  EXPECT_EQ(MenuPhase, 0u);
  EXPECT_EQ(base::CurrentScene, MenuScene);
  base::DetailLevel = 2;
  base::LoadScores();
  EXPECT_EQ(base::DetailLevel, 1);
}

TEST_F(FrontTest, SettingsBonusRowOnceEarnedSwitchesThePictureAtOnce) {
  base::CurrentScene = MenuScene;
  const u32 earned[][3] = {
      {0, 0, 0}, {1000, 0, 0}, {1001, 0, 1}, {0, 1, 1}, {0x80000000u, 0, 0}};
  for (const auto& c : earned) {
    MenuPhase = 2, base::BonusMode = 0;
    base::HighScores[0] = c[0], base::HighScores[9] = c[1];
    LeftClickAt(460, 270);
    EXPECT_EQ(std::make_tuple(base::BonusMode, u32(Sheet(100, 0))),
              std::make_tuple(c[2], c[2] ? 140u : 40u))
        << c[0];
    EXPECT_EQ(Shown(150, 270) == 56, c[2] == 1);  // the row's label
    LoadSheet(layout::kTitlePicture, kTitleKey);
  }
  // What is drawn after the switch comes from the bonus picture ("on").
  base::HighScores[9] = 5;
  LeftClickAt(460, 270);
  EXPECT_EQ(Shown(400, 270), 167);
  // Value before, arrow x, value after, what the sheet then holds.
  const u32 cases[][4] = {{1, 460, 1, 1},   {1, 340, 0, 40}, {0, 340, 0, 1},
                          {0, 460, 1, 140}, {2, 340, 0, 1},  {2, 460, 1, 1}};
  for (const auto& c : cases) {
    base::BonusMode = c[0];
    video::SheetSurface->Row(0)[100] = 1;
    LeftClickAt(c[1], 270);
    EXPECT_EQ(std::make_tuple(base::BonusMode, u32(Sheet(100, 0))),
              std::make_tuple(c[2], c[3]))
        << c[0] << " " << c[1];
  }
}

TEST_F(FrontTest, BossKeyIgnoresLeftClicksAndARightClickBringsTheGame) {
  LoadSheet(layout::kBossPicture,
            102);  // as the play scene's right click leaves it
  base::CurrentScene = BossKeyScene;
  LeftClickAt(300, 200);  // left clicks do nothing here
  Frame();
  EXPECT_EQ(base::CurrentScene, BossKeyScene);
  base::RightButton = 1;
  base::CurrentScene();
  EXPECT_EQ(
      std::make_tuple(int(base::RightButton), base::CurrentScene == PlayScene),
      std::make_tuple(0, true));
  EXPECT_EQ(std::make_tuple(int(Sheet(layout::game::kFieldTile.left,
                                      layout::game::kFieldTile.top)),
                            int(video::SheetColorKey)),
            std::make_tuple(80, int(kGameKey)));
  EXPECT_EQ(LastSound(), (std::pair{13, -1}));
}

}  // namespace
}  // namespace scenes_test
