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

TEST(GameTotal, FifteenAHitLessFiveAShotFiftyPerBestShotNeverBelowZero) {
  EXPECT_EQ(GameTotal(10, 12, 3), 240);
  EXPECT_EQ(GameTotal(0, 5, 0), 0);
  EXPECT_EQ(GameTotal(1, 1, 1), 60);
  EXPECT_EQ(GameTotal(0, 0, 0), 0);
  EXPECT_EQ(GameTotal(100, 40, 8), 100 * 15 - 40 * 5 + 400);
}

class ResultTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    WriteGameSheet("qqqq.ssk");
    video::LoadSskImage("qqqq.ssk", 0, 0);
    video::SetSheetColorKey(video::LoadSskPalette("qqqq.ssk"));
    app::CurrentScene = ResultScene;
  }
  void Play(i32 hits, i32 shots, i32 combo) {
    game::HitCount = hits;
    game::ShotCount = shots;
    game::MaxCombo = combo;
  }
  void ToResults() {
    while (ResultPhase == 0) Frame();
  }
  void SetScores(std::initializer_list<u32> scores) {
    int i = 0;
    for (u32 s : scores) app::HighScores[i++] = s;
  }
  std::vector<u32> Scores() {
    return std::vector<u32>(app::HighScores, app::HighScores + 10);
  }
  // A click on the results of a game worth `total` (a multiple of 5).
  void Record(i32 total) {
    Play(0, 0, total / 50);
    while (GameTotal(game::HitCount, 0, game::MaxCombo) != total) {
      ++game::HitCount;  // a hit without a shot is worth 15
      if (GameTotal(game::HitCount, 0, game::MaxCombo) > total) {
        game::HitCount = 0;
        --game::MaxCombo;
      }
    }
    app::CurrentScene = ResultScene;
    ResultPhase = 1;
    app::LeftButton = 1;
    Frame();
    ASSERT_EQ(app::CurrentScene, RankingScene);
  }
};

TEST_F(ResultTest, BannerSlidesInRestsThenTheFiguresShow) {
  Play(10, 12, 3);
  std::vector<i32> edges;
  int frame = 0;
  while (ResultPhase == 0) {
    app::LeftButton = 1;  // ignored during the banner
    Frame();
    ++frame;
    edges.push_back(ResultBannerX);
    ASSERT_EQ(app::CurrentScene, ResultScene);
  }
  EXPECT_EQ(frame, 86);
  EXPECT_EQ(edges[0], 8);
  EXPECT_EQ(edges[20], 408);
  EXPECT_EQ(edges[21], 412);
  EXPECT_EQ(ResultShownHits, 10);
  EXPECT_EQ(ResultShownShots, 12);
  EXPECT_EQ(ResultShownCombo, 3);
  // The banner at rest, 192 wide, its left part over the field tile.
  EXPECT_TRUE(ShownAll({220, 184, 412, 296}, 81));
  EXPECT_EQ(Shown(219, 200), 80);
  EXPECT_EQ(Shown(412, 200), 80);
  EXPECT_EQ(Shown(300, 296), 80);

  Frame();
  EXPECT_EQ(ResultShownTotal, 7);
  EXPECT_EQ(Shown(300, 200), 80);  // the banner is gone
  EXPECT_TRUE(ShownAll({192, 128, 256, 160}, 82));
  EXPECT_TRUE(ShownAll({192, 192, 256, 224}, 83));
  EXPECT_TRUE(ShownAll({192, 256, 256, 288}, 84));
  EXPECT_TRUE(ShownAll({192, 336, 256, 368}, 85));
  EXPECT_TRUE(ShownAll({448, 336, 480, 368}, 97));  // "7", 32 left of x 512
  EXPECT_TRUE(ShownAll({448, 128, 480, 160}, 90));  // hits "10"
  EXPECT_TRUE(ShownAll({416, 128, 448, 160}, 91));
  int frames = 1;
  while (ResultShownTotal < 240) {
    Frame();
    ++frames;
  }
  EXPECT_EQ(frames, 35);  // the first n with 7n >= 240
  Frame();
  EXPECT_EQ(ResultShownTotal, 240);
}

TEST_F(ResultTest, ClickRecordsTheWholeTotalAndSaves) {
  Play(10, 12, 3);
  ToResults();
  game::ActorPool[300].active = 1;
  game::ActorPool[300].kind = game::SmallPuff;
  TakeSounds();
  EXPECT_FALSE(std::filesystem::exists("Score.dat"));
  app::LeftButton = 1;
  Frame();
  EXPECT_EQ(app::CurrentScene, RankingScene);
  EXPECT_EQ(app::HighScores[0], 240u);  // though only 7 was shown
  for (const game::Actor& a : game::ActorPool) ASSERT_EQ(a.active, 0);
  EXPECT_EQ(ResultBannerX, -12);
  EXPECT_EQ(ResultPhase, 0u);
  EXPECT_EQ(ResultHoldFrames, 0);
  EXPECT_EQ(ResultShownTotal, 0);
  const std::vector<std::pair<int, int>> stop = {{13, 0}};
  EXPECT_EQ(TakeSounds(), stop);
  // The counters stay for the menu to zero.
  EXPECT_EQ(game::HitCount, 10);
  app::HighScores[0] = 0;
  app::LoadScores();
  EXPECT_EQ(app::HighScores[0], 240u);
}

TEST_F(ResultTest, ResultsKeepEnemiesComingBehindThem) {
  game::EnemiesSpawned = 100;
  ResultPhase = 1;
  Frame();
  EXPECT_EQ(game::EnemiesSpawned, 10);
  int live = 0;
  for (const game::Actor& a : game::ActorPool) live += a.active;
  EXPECT_EQ(live, 10);
}

TEST_F(ResultTest, BannerFramesMakeNoEnemies) {
  Frames(30);
  EXPECT_EQ(game::EnemiesSpawned, 0);
}

TEST_F(ResultTest, TiesGoBelowAndTheTenthEntryIsReplaced) {
  SetScores({500, 400, 300, 300, 200, 100, 0, 0, 0, 0});
  Record(300);
  EXPECT_EQ(Scores(),
            (std::vector<u32>{500, 400, 300, 300, 300, 200, 100, 0, 0, 0}));
  SetScores({900, 800, 700, 600, 500, 400, 300, 200, 150, 100});
  Record(100);
  EXPECT_EQ(app::HighScores[9], 100u);
  Record(105);
  EXPECT_EQ(Scores(), (std::vector<u32>{900, 800, 700, 600, 500, 400, 300, 200,
                                        150, 105}));
  Record(450);
  EXPECT_EQ(Scores(), (std::vector<u32>{900, 800, 700, 600, 500, 450, 400, 300,
                                        200, 150}));
}

TEST_F(ResultTest, ZeroEntersNoTableOfZerosAndANegativeTotalIsZero) {
  Play(0, 5, 0);
  ResultPhase = 1;
  app::LeftButton = 1;
  Frame();
  EXPECT_EQ(Scores(), std::vector<u32>(10, 0));
  EXPECT_TRUE(std::filesystem::exists("Score.dat"));  // saved all the same
}

TEST_F(ResultTest, DamagedTableLosesItsTenthEntryAndIsSorted) {
  SetScores({100, 900, 50, 800, 0, 0, 0, 0, 0, 700});
  Record(60);  // beats the first entry but not the tenth
  EXPECT_EQ(Scores(), (std::vector<u32>{900, 800, 100, 60, 50, 0, 0, 0, 0, 0}));
}

TEST_F(ResultTest, SecondGameSlidesTheBannerInTheSameWay) {
  ToResults();
  app::LeftButton = 1;
  Frame();
  app::CurrentScene = ResultScene;
  Frame();
  EXPECT_EQ(ResultBannerX, 8);
}

}  // namespace
}  // namespace scenes_test
