#include <filesystem>

#include "app/input.h"
#include "app/scene.h"
#include "app/scores.h"
#include "game/actors.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace scenes_test {
namespace {

using namespace scenes;

class MenuTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    WriteTitlePicture("TITLE.ssk");
    WriteTitlePicture("OMAKETITLE.ssk", 100);
    WriteGameSheet("qqqq.ssk");
    // As the title leaves it.
    video::LoadSskImage("TITLE.ssk", 0, 0);
    video::LoadSskPalette("TITLE.ssk");
    video::SetSheetColorKey(kTitleKey);
    app::CurrentScene = MenuScene;
  }
  void LeftClickAt(u32 x, u32 y) {
    SetMouse(x, y);
    app::LeftButton = 1;
    Frame();
  }
  void OpenSettings() {
    LeftClickAt(300, 300);
    ASSERT_EQ(MenuPhase, 2u);
  }
  static bool ScoreFileWritten() {
    return std::filesystem::exists("Score.dat");
  }
};

TEST_F(MenuTest, StartBoxCountsItsBorders) {
  for (auto [x, y] : {std::pair{256u, 174u}, {404u, 238u}}) {
    MenuPhase = 0;
    LeftClickAt(x, y);
    EXPECT_EQ(MenuPhase, 1u) << x << "," << y;
  }
  for (auto [x, y] :
       {std::pair{255u, 200u}, {405u, 200u}, {300u, 173u}, {300u, 239u}}) {
    MenuPhase = 0;
    LeftClickAt(x, y);
    EXPECT_EQ(MenuPhase, 0u) << x << "," << y;
  }
}

TEST_F(MenuTest, ChoicesLightUnderTheMouse) {
  SetMouse(256, 174);
  Frame();
  EXPECT_EQ(Shown(330, 200), 51);  // Start lit, stretched to 116 wide
  EXPECT_EQ(Shown(387, 200), 51);
  EXPECT_EQ(Shown(330, 300), 52);  // Settings normal, 24 high
  EXPECT_EQ(Shown(330, 313), 52);
  EXPECT_EQ(Shown(330, 314), 40);
  SetMouse(404, 330);
  Frame();
  EXPECT_EQ(Shown(300, 200), 50);
  EXPECT_EQ(Shown(300, 300), 53);
}

TEST_F(MenuTest, BackgroundLeavesColumnZeroAndTheCursorComesLast) {
  FillScreens(99);
  SetMouse(300, 200);
  Frame();
  for (int y = 0; y < 480; ++y) ASSERT_EQ(Shown(0, y), 99) << y;
  EXPECT_EQ(Shown(1, 0), 40);
  EXPECT_EQ(Shown(639, 479), 40);
  // The cursor, 32 x 32 centred on the mouse, over the lit Start choice.
  EXPECT_TRUE(ShownAll({284, 184, 316, 216}, 70));
  EXPECT_EQ(Shown(283, 200), 51);
  EXPECT_EQ(Shown(316, 200), 51);
}

TEST_F(MenuTest, RightClickReturnsToTheTitleUnlessTheLeftIsDownToo) {
  SetMouse(10, 10);
  app::LeftButton = 1;
  app::RightButton = 1;
  Frame();
  EXPECT_EQ(app::CurrentScene, MenuScene);
  EXPECT_EQ(MenuPhase, 0u);
  app::RightButton = 1;
  Frame();
  EXPECT_EQ(app::CurrentScene, TitleScene);
  EXPECT_FALSE(ScoreFileWritten());
}

TEST_F(MenuTest, SetUpFrameLoadsTheGameAndStartsTheMusic) {
  game::ActorPool[3].active = 1;
  game::HitCount = 5;
  game::ShotCount = 6;
  game::MaxCombo = 2;
  game::EnemiesSpawned = 100;
  LeftClickAt(300, 200);
  EXPECT_EQ(app::CurrentScene, MenuScene);
  TakeSounds();
  SetMouse(100, 100);
  Frame();
  EXPECT_EQ(app::CurrentScene, PlayScene);
  EXPECT_EQ(MenuPhase, 0u);
  EXPECT_EQ(game::ActorPool[3].active, 0);
  EXPECT_EQ(game::HitCount, 0);
  EXPECT_EQ(game::ShotCount, 0);
  EXPECT_EQ(game::MaxCombo, 0);
  EXPECT_EQ(game::EnemiesSpawned, 0);
  const std::vector<std::pair<int, int>> music = {{13, -1}};
  EXPECT_EQ(TakeSounds(), music);
  EXPECT_EQ(video::SheetColorKey, kGameKey);
  EXPECT_EQ(video::ScreenPalette[3].blue, kGameShade);
  // The background came from the title picture, the cursor from the sheet
  // just loaded.
  EXPECT_EQ(Shown(200, 300), 40);
  EXPECT_TRUE(ShownAll({84, 84, 116, 116}, 71));
}

TEST_F(MenuTest, BonusGameSheetIsKeyedOnItsPixelAtRow480) {
  WriteGameSheet("qqqqomake.ssk", 100);
  app::BonusMode = 1;
  LeftClickAt(300, 200);
  Frame();
  EXPECT_EQ(video::SheetSurface->Row(1536)[0], 180);
  EXPECT_EQ(video::SheetColorKey, kGameKey + 3);
}

TEST_F(MenuTest, DamagedBonusValueStartsTheNormalSheet) {
  WriteGameSheet("qqqqomake.ssk", 100);
  app::BonusMode = 2;
  LeftClickAt(300, 200);
  Frame();
  EXPECT_EQ(video::SheetSurface->Row(1536)[0], 80);
}

TEST_F(MenuTest, ArrowBoxesLeaveOutTheirBorders) {
  OpenSettings();
  app::DetailLevel = 1;
  LeftClickAt(304, 140);
  LeftClickAt(368, 140);
  LeftClickAt(340, 112);
  LeftClickAt(340, 176);
  EXPECT_EQ(app::DetailLevel, 1);
  LeftClickAt(305, 113);
  EXPECT_EQ(app::DetailLevel, 0);
  LeftClickAt(367, 175);
  EXPECT_EQ(app::DetailLevel, 0);  // held at 0
  LeftClickAt(433, 140);
  LeftClickAt(495, 140);
  LeftClickAt(440, 140);
  EXPECT_EQ(app::DetailLevel, 2);  // held at 2
  LeftClickAt(496, 140);
  EXPECT_EQ(app::DetailLevel, 2);

  app::Difficulty = 1;
  LeftClickAt(340, 177);
  EXPECT_EQ(app::Difficulty, 0);
  LeftClickAt(460, 239);
  LeftClickAt(460, 200);
  LeftClickAt(460, 200);
  EXPECT_EQ(app::Difficulty, 2);
  EXPECT_EQ(app::DetailLevel, 2);
  EXPECT_EQ(MenuPhase, 2u);
  EXPECT_FALSE(ScoreFileWritten());  // only leaving the page saves
}

TEST_F(MenuTest, SettingsPageShowsValuesAfterTheClickThatChangedThem) {
  OpenSettings();
  SetMouse(340, 140);  // on the detail level's left arrow
  Frame();
  EXPECT_EQ(Shown(321, 158), 58);  // lit arrow, beside the cursor
  EXPECT_EQ(Shown(460, 140), 59);  // right arrow, normal
  EXPECT_EQ(Shown(400, 140), 61);  // detail level 2
  EXPECT_EQ(Shown(400, 200), 65);  // difficulty 1
  EXPECT_EQ(Shown(300, 10), 53);   // heading
  EXPECT_EQ(Shown(100, 140), 54);
  EXPECT_EQ(Shown(600, 460), 69);  // leave button
  app::LeftButton = 1;
  Frame();
  EXPECT_EQ(Shown(400, 140), 62);  // already 1 in the same frame
}

TEST_F(MenuTest, BonusRowOnlyOnceTheScoresEarnIt) {
  struct Case {
    u32 first, last;
    bool shown;
  } cases[] = {{0, 0, false},
               {1000, 0, false},
               {1001, 0, true},
               {0, 1, true},
               {0x80000000u, 0, false}};
  for (const Case& c : cases) {
    MenuPhase = 2;
    app::BonusMode = 0;
    app::HighScores[0] = c.first;
    app::HighScores[9] = c.last;
    SetMouse(100, 270);
    Frame();
    EXPECT_EQ(Shown(150, 270) == 56, c.shown) << c.first << " " << c.last;
    EXPECT_EQ(Shown(400, 270) == 68, c.shown);
    LeftClickAt(460, 270);
    EXPECT_EQ(app::BonusMode, c.shown ? 1u : 0u) << c.first;
    if (app::BonusMode == 1) LeftClickAt(340, 270);
  }
}

TEST_F(MenuTest, BonusSwitchChangesThePictureAtOnce) {
  app::HighScores[9] = 5;
  OpenSettings();
  SetMouse(460, 270);
  app::LeftButton = 1;
  Frame();
  EXPECT_EQ(app::BonusMode, 1u);
  EXPECT_EQ(video::SheetSurface->Row(0)[100], 140);
  // What is drawn after the switch comes from the bonus picture.
  EXPECT_EQ(Shown(400, 270), 167);                   // "on"
  EXPECT_EQ(Shown(600, 460), 169);                   // leave button
  EXPECT_TRUE(ShownAll({444, 254, 476, 286}, 170));  // the cursor
  EXPECT_EQ(Shown(100, 140), 54);                    // drawn before: normal
  EXPECT_EQ(video::ScreenPalette[1].blue, 100);

  // Right arrow again: nothing is loaded.
  video::SheetSurface->Row(0)[100] = 1;
  LeftClickAt(460, 270);
  EXPECT_EQ(video::SheetSurface->Row(0)[100], 1);
  LeftClickAt(340, 270);
  EXPECT_EQ(app::BonusMode, 0u);
  EXPECT_EQ(video::SheetSurface->Row(0)[100], 40);
  EXPECT_EQ(video::SheetColorKey, kTitleKey);
  video::SheetSurface->Row(0)[100] = 1;
  LeftClickAt(340, 270);
  EXPECT_EQ(video::SheetSurface->Row(0)[100], 1);
}

TEST_F(MenuTest, DamagedBonusValueShowsOnAndSwitchesWithoutLoading) {
  app::HighScores[0] = 5000;
  app::BonusMode = 2;
  OpenSettings();
  Frame();
  EXPECT_EQ(Shown(400, 270), 67);
  video::SheetSurface->Row(0)[100] = 1;
  LeftClickAt(340, 270);
  EXPECT_EQ(app::BonusMode, 0u);
  app::BonusMode = 2;
  LeftClickAt(460, 270);
  EXPECT_EQ(app::BonusMode, 1u);
  EXPECT_EQ(video::SheetSurface->Row(0)[100], 1);
}

TEST_F(MenuTest, LeavingTheSettingsPageSavesThem) {
  OpenSettings();
  LeftClickAt(560, 400);  // outside: the area's borders do not count
  LeftClickAt(600, 332);
  EXPECT_EQ(MenuPhase, 2u);
  EXPECT_FALSE(ScoreFileWritten());
  app::DetailLevel = 0;
  LeftClickAt(561, 333);  // well above the drawn button
  EXPECT_EQ(MenuPhase, 0u);
  ASSERT_TRUE(ScoreFileWritten());
  app::DetailLevel = 2;
  app::LoadScores();
  EXPECT_EQ(app::DetailLevel, 0);

  // A right click anywhere leaves and saves, changed or not.
  std::filesystem::remove("Score.dat");
  OpenSettings();
  SetMouse(5, 5);
  app::RightButton = 1;
  Frame();
  EXPECT_EQ(MenuPhase, 0u);
  EXPECT_EQ(app::CurrentScene, MenuScene);
  EXPECT_TRUE(ScoreFileWritten());
}

}  // namespace
}  // namespace scenes_test
