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

class RankingTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    WriteGameSheet("qqqq.ssk");
    video::LoadSskImage("qqqq.ssk", 0, 0);
    video::SetSheetColorKey(video::LoadSskPalette("qqqq.ssk"));
    app::CurrentScene = RankingScene;
  }
  // Frames until the title is current, clicking in the given frame.
  int RunVisit(int clickFrame = 0) {
    int frames = 0;
    while (app::CurrentScene == RankingScene) {
      ++frames;
      if (frames == clickFrame) app::LeftButton = 1;
      Frame();
      if (frames > 2000) break;
    }
    return frames;
  }
};

TEST_F(RankingTest, ScrollsHoldsAndFadesIn642Frames) {
  for (u32 i = 0; i < 10; ++i) app::HighScores[i] = 1000 - 100 * i;
  Frame();
  EXPECT_EQ(RankingScroll, 2);
  Frames(255);
  EXPECT_EQ(RankingScroll, 512);
  EXPECT_EQ(RankingPhase, 0);
  Frame();
  EXPECT_EQ(RankingPhase, 1);
  EXPECT_EQ(RankingHold, 0);
  Frames(256);
  EXPECT_EQ(RankingHold, 256);
  EXPECT_EQ(RankingFade, 0);
  Frame();
  EXPECT_EQ(RankingFade, 1);  // the 257th frame of the hold starts the fade
  const u8 red = video::ScreenPalette[255].red;
  Frame();
  EXPECT_LT(video::ScreenPalette[255].red, red);  // 255 fades too
  EXPECT_EQ(RunVisit(), 127);
  EXPECT_EQ(app::CurrentScene, TitleScene);
  for (int i = 0; i < 256; ++i) ASSERT_LE(video::ScreenPalette[i].blue, 1);
  EXPECT_EQ(RankingPhase, 0);
  EXPECT_EQ(RankingScroll, 0);
  EXPECT_EQ(RankingFade, 0);
  EXPECT_EQ(RankingHold, 0);
  EXPECT_EQ(app::HighScores[9], 100u);
  EXPECT_FALSE(std::filesystem::exists("Score.dat"));
}

TEST_F(RankingTest, ClicksDuringTheScrollAreIgnored) {
  for (int frame = 1; frame <= 257; ++frame) {
    app::LeftButton = 1;
    Frame();
  }
  EXPECT_EQ(RankingPhase, 1);
  EXPECT_EQ(RankingFade, 0);
  EXPECT_EQ(RunVisit(), 257 + 128);
}

TEST_F(RankingTest, ClickAfterTheScrollStartsTheFade) {
  // Frame 258 is the first of the hold; the fade runs from the next one.
  EXPECT_EQ(RunVisit(258), 258 + 128);
  app::CurrentScene = RankingScene;
  EXPECT_EQ(RunVisit(300), 300 + 128);
}

TEST_F(RankingTest, LeavingEmptiesThePoolForTheNextVisit) {
  Frames(10);
  int live = 0;
  for (const game::Actor& a : game::ActorPool) live += a.active;
  EXPECT_EQ(live, 10);  // enemies walk behind the list
  RunVisit();
  for (const game::Actor& a : game::ActorPool) ASSERT_EQ(a.active, 0);
  EXPECT_EQ(game::EnemiesSpawned, 0);
}

TEST_F(RankingTest, ListScrollsUpUnderTheHeading) {
  app::HighScores[0] = 12345;
  game::EnemiesSpawned = 100;  // no enemy in front of the digits
  Frame();
  EXPECT_TRUE(ShownAll({208, 0, 432, 32}, 86));
  EXPECT_EQ(Shown(300, 470), 80);  // the first score is still below
  while (RankingScroll < 512) Frame();
  // 12345 from x 224 to 384 at y 48; the zeros below end at 384 too.
  EXPECT_TRUE(ShownAll({224, 48, 256, 80}, 91));
  EXPECT_TRUE(ShownAll({352, 48, 384, 80}, 95));
  EXPECT_EQ(Shown(223, 60), 80);
  EXPECT_EQ(Shown(384, 60), 80);
  EXPECT_TRUE(ShownAll({352, 96, 384, 128}, 90));
  EXPECT_TRUE(ShownAll({352, 432, 384, 464}, 90));
}

}  // namespace
}  // namespace scenes_test
