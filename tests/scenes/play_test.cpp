#include <cstring>
#include <string>

#include "app/input.h"
#include "app/scene.h"
#include "app/scores.h"
#include "game/actors.h"
#include "scene_fixture.h"
#include "scenes/scenes.h"

namespace scenes_test {
namespace {

using namespace scenes;

class PlayTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    WriteGameSheet("qqqq.ssk");
    WriteBossPicture();
    video::LoadSskImage("qqqq.ssk", 0, 0);
    video::SetSheetColorKey(video::LoadSskPalette("qqqq.ssk"));
    app::CurrentScene = PlayScene;
    SetMouse(600, 40);
  }
  // The full/light pattern of n frames: 'F' for a redrawn field.
  std::string Rhythm(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
      Frame();
      out += FrameSkipCounter == -1 ? 'F' : 'L';
    }
    return out;
  }
};

TEST_F(PlayTest, DetailLevelSetsTheRhythmOfFullFrames) {
  app::DetailLevel = 2;
  EXPECT_EQ(Rhythm(4), "FFFF");
  app::DetailLevel = 1;
  EXPECT_EQ(Rhythm(6), "LFLFLF");
  app::DetailLevel = 0;
  EXPECT_EQ(Rhythm(6), "LLFLLF");
  // The counter runs on into the next game.
  Rhythm(1);
  EXPECT_EQ(FrameSkipCounter, 0);
}

TEST_F(PlayTest, LightFrameShowsThePictureOnScreenAgain) {
  app::DetailLevel = 0;
  FillScreens(0);
  for (int y = 0; y < 480; ++y) {
    std::memset(video::PrimarySurface->Row(y), 77, 640);
  }
  PlayScene();
  EXPECT_EQ(FrameSkipCounter, 1);
  EXPECT_EQ(video::BackSurface->Row(300)[100], 77);
  // The game ran all the same: the first enemies are in.
  EXPECT_EQ(game::EnemiesSpawned, 10);
  FrameSkipCounter = 1;
  PlayScene();
  EXPECT_EQ(video::BackSurface->Row(300)[100], 80);  // the field tile
}

TEST_F(PlayTest, GameOverFrameIsStillPlayedToTheEnd) {
  game::EnemiesSpawned = 100;
  app::LeftButton = 1;
  Frame();
  EXPECT_EQ(app::CurrentScene, ResultScene);
  EXPECT_EQ(game::ShotCount, 1);  // that frame's shot counts
}

TEST_F(PlayTest, BossKeyInTheLastFrameComesBeforeTheResult) {
  game::EnemiesSpawned = 100;
  app::RightButton = 1;
  Frame();
  EXPECT_EQ(app::CurrentScene, BossKeyScene);
  app::RightButton = 1;
  Frame();
  EXPECT_EQ(app::CurrentScene, PlayScene);
  Frame();
  EXPECT_EQ(app::CurrentScene, ResultScene);
}

}  // namespace
}  // namespace scenes_test
