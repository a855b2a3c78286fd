#include "app/input.h"
#include "app/scene.h"
#include "app/scores.h"
#include "game/actors.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace scenes_test {
namespace {

using namespace scenes;

class BossKeyTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    WriteBossPicture();
    WriteGameSheet("qqqq.ssk");
    WriteGameSheet("qqqqomake.ssk", 100);
    // As the play scene's right click leaves it.
    video::LoadSskImage("JYOUSI.SSK", 0, 0);
    video::LoadSskPalette("JYOUSI.SSK");
    video::SetSheetColorKey(video::ReadPixel(20, 480, video::SheetSurface));
    app::CurrentScene = BossKeyScene;
  }
};

TEST_F(BossKeyTest, ShowsThePictureWithThePointerTipAtTheMouse) {
  game::ActorPool[0] = game::Actor{};
  game::ActorPool[0].x = 100.f;
  game::ActorPool[0].active = 1;
  game::ActorPool[0].kind = game::WalkerOne;
  const game::Actor before = game::ActorPool[0];
  SetMouse(300, 200);
  for (int i = 0; i < 5; ++i) {
    app::LeftButton = 1;  // left clicks do nothing here
    Frame();
  }
  EXPECT_EQ(game::ShotCount, 0);
  EXPECT_EQ(game::ActorPool[0].x, before.x);
  EXPECT_EQ(app::CurrentScene, BossKeyScene);
  EXPECT_EQ(Shown(300, 200), 101);
  EXPECT_EQ(Shown(315, 223), 101);
  EXPECT_EQ(Shown(301, 201), 100);  // the key index shows the picture
  EXPECT_EQ(Shown(299, 200), 100);
  EXPECT_EQ(Shown(316, 200), 100);
  EXPECT_EQ(Shown(300, 224), 100);
  EXPECT_TRUE(TakeSounds().empty());
}

TEST_F(BossKeyTest, RightClickPutsTheGameBackAndRestartsTheMusic) {
  app::RightButton = 1;
  app::CurrentScene();
  EXPECT_EQ(app::RightButton, 0);
  EXPECT_EQ(app::CurrentScene, PlayScene);
  EXPECT_EQ(video::SheetSurface->Row(1536)[0], 80);
  EXPECT_EQ(video::SheetColorKey, kGameKey);
  EXPECT_EQ(video::ScreenPalette[3].blue, kGameShade);
  const std::vector<std::pair<int, int>> music = {{13, -1}};
  EXPECT_EQ(TakeSounds(), music);
}

TEST_F(BossKeyTest, BonusModeGoesBackToTheBonusSheet) {
  app::BonusMode = 1;
  app::RightButton = 1;
  Frame();
  EXPECT_EQ(video::SheetSurface->Row(1536)[0], 180);
  EXPECT_EQ(video::SheetColorKey, kGameKey + 3);
}

}  // namespace
}  // namespace scenes_test
