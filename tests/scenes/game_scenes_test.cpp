#include "scene_fixture.h"

namespace scenes_test {
namespace {

class GameSceneTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    LoadSheet(layout::kGameSheet);
  }
  // Frames until the title is current, clicking in the given frame.
  static int RunRanking(int clickFrame = 0) {
    int frames = 0;
    for (base::CurrentScene = RankingScene;
         base::CurrentScene == RankingScene && frames < 2000;) {
      if (++frames == clickFrame) base::LeftButton = 1;
      Frame();
    }
    return frames;
  }
};

TEST_F(GameSceneTest, PlayRedrawsTheFieldByTheDetailLevel) {
  base::CurrentScene = PlayScene;
  std::string got;
  for (int level : {2, 2, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0}) {
    base::DetailLevel = u8(level);
    FillScreens(77);
    PlayScene();
    // A light frame shows the picture on screen again.
    got += video::BackSurface->Row(300)[100] == 80 ? 'F' : 'L';
    video::FlipSurfaces();
  }
  EXPECT_EQ(got, "FFLFLFLLFLLF");
  EXPECT_EQ(game::EnemiesSpawned, 10);  // the game ran on all the same
}

TEST_F(GameSceneTest, TheLastFrameIsPlayedOutAndABossKeyThereComesFirst) {
  base::CurrentScene = PlayScene;
  game::EnemiesSpawned = 100;
  LeftClickAt(600, 40);
  EXPECT_EQ(base::CurrentScene, ResultScene);
  EXPECT_EQ(game::ShotCount, 1);  // that frame's shot counts
  base::CurrentScene = PlayScene;
  base::RightButton = 1;
  Frame();
  EXPECT_EQ(base::CurrentScene, BossKeyScene);
  base::RightButton = 1;
  Frames(2);
  EXPECT_EQ(base::CurrentScene, ResultScene);
}

TEST(GameTotal, FifteenAHitLessFiveAShotFiftyPerBestShotNeverBelowZero) {
  const int cases[][4] = {{10, 12, 3, 240}, {1, 1, 1, 60}, {0, 5, 0, 0},
                          {1, 4, 0, 0},     {1, 3, 0, 0},  {1, 2, 0, 5}};
  for (const auto& c : cases) EXPECT_EQ(GameTotal(c[0], c[1], c[2]), c[3]);
}

TEST_F(GameSceneTest,
       ResultBannerSlidesInTheFiguresCountUpAClickRecordsAndSaves) {
  base::CurrentScene = ResultScene;
  game::HitCount = 10, game::ShotCount = 12, game::MaxCombo = 3;
  std::vector<i32> edges;
  while (ResultPhase == 0 && edges.size() < 200) {
    base::LeftButton = 1;  // ignored during the banner
    Frame();
    edges.push_back(ResultBannerX);
  }
  EXPECT_EQ(edges.size(), 86u);
  EXPECT_EQ(std::make_tuple(edges[0], edges[20], edges[21]),
            std::make_tuple(8, 408, 412));
  EXPECT_EQ(game::EnemiesSpawned, 0);  // no enemy comes in meanwhile
  Frame();                      // the banner gone, the figures counting up
  EXPECT_EQ(LiveActors(), 10);  // enemies keep coming behind the figures
  int frames = 1;
  for (; ResultShownTotal < 240 && frames < 99; ++frames) Frame();
  EXPECT_EQ(frames, 35);  // the first n with 7n >= 240
  // A click records the whole total, however far the count-up got, and saves.
  ResultShownTotal = 0;
  EXPECT_FALSE(Saved());
  base::LeftButton = 1;
  Frame();
  EXPECT_EQ(base::CurrentScene, RankingScene);
  EXPECT_EQ(LiveActors(), 0);
  EXPECT_EQ(std::make_tuple(ResultBannerX, ResultPhase, ResultHoldFrames,
                            ResultShownTotal),
            std::make_tuple(-12, 0u, 0, 0));
  EXPECT_EQ(LastSound(), (std::pair{13, 0}));
  base::HighScores[0] = 0;
  base::LoadScores();
  EXPECT_EQ(base::HighScores[0], 240u);
}

TEST_F(GameSceneTest, ResultEntersTheTotalInPlaceOfTheTenthThenSorts) {
  // Table before, total, table after: a tie goes below; a full table takes
  // a total above its last; a damaged table loses its tenth and is sorted.
  const u32 cases[][21] = {
      {500, 400, 300, 300, 200, 100, 0,   0, 0, 0, 300,
       500, 400, 300, 300, 300, 200, 100, 0, 0, 0},
      {900, 800, 700, 600, 500, 400, 300, 200, 150, 100, 100,
       900, 800, 700, 600, 500, 400, 300, 200, 150, 100},
      {900, 800, 700, 600, 500, 400, 300, 200, 150, 100, 105,
       900, 800, 700, 600, 500, 400, 300, 200, 150, 105},
      {900, 800, 700, 600, 500, 400, 300, 200, 150, 100, 450,
       900, 800, 700, 600, 500, 450, 400, 300, 200, 150},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {100, 900, 50,  800, 0,  0, 0, 0, 0, 700, 60,
       900, 800, 100, 60,  50, 0, 0, 0, 0, 0}};
  for (const auto& c : cases) {
    // The table as shown, with no file yet to bring in scores of others.
    std::filesystem::remove(base::kScoreFileName);
    std::copy(c, c + 10, base::HighScores);
    game::HitCount = i32(c[10] / 5);  // 15 a hit less 10 a shot, 2 a hit
    game::ShotCount = 2 * game::HitCount;
    ResultPhase = base::LeftButton = 1;
    ResultScene();
    EXPECT_TRUE(std::equal(c + 11, c + 21, base::HighScores)) << c[10];
  }
}

TEST_F(GameSceneTest, RankingScrollsHoldsAndFadesIn642Frames) {
  base::CurrentScene = RankingScene;
  Frames(256);
  EXPECT_EQ(std::make_tuple(RankingScroll, RankingPhase),
            std::make_tuple(512, 0));
  Frame();
  EXPECT_EQ(RankingPhase, 1);
  EXPECT_EQ(LiveActors(), 10);  // enemies walk behind the list
  Frames(256);
  EXPECT_EQ(std::make_tuple(RankingHold, RankingFade), std::make_tuple(256, 0));
  Frame();
  EXPECT_EQ(RankingFade, 1);  // the 257th frame of the hold starts the fade
  const u8 red = video::ScreenPalette[255].red;
  Frame();
  EXPECT_LT(video::ScreenPalette[255].red, red);  // 255 fades too
  EXPECT_EQ(RunRanking(), 127);
  for (int i = 0; i < 256; ++i) ASSERT_LE(video::ScreenPalette[i].blue, 1);
  EXPECT_EQ(
      std::make_tuple(RankingPhase, RankingScroll, RankingFade, RankingHold),
      std::make_tuple(0, 0, 0, 0));
  EXPECT_EQ(std::make_tuple(LiveActors(), int(game::EnemiesSpawned)),
            std::make_tuple(0, 0));  // emptied for next time
  EXPECT_FALSE(Saved());
  // Clicks count only once the scroll is done; frame 258 is the first of the
  // hold, and the fade runs from the next one.
  for (int click : {1, 257, 258, 300}) {
    EXPECT_EQ(RunRanking(click), click <= 257 ? 642 : click + 128) << click;
  }
}

}  // namespace
}  // namespace scenes_test
