// The aiming cursor, shots, hits and the boss key.
#include <cstring>

#include "app/input.h"
#include "app/scene.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "game_fixture.h"
#include "scenes/scenes.h"
#include "sound/sound.h"

namespace gametest {
namespace {

using game::ActorPool;

class Shots : public GameTest {
 protected:
  void Click(u32 x, u32 y) {
    app::MouseX = x;
    app::MouseY = y;
    app::LeftButton = 1;
    sound::ClearSoundLog();
    game::HandleMouse();
  }
};

TEST_F(Shots, AMissLeavesAMarkAndTwoPuffsAtTheCursor) {
  PlaceWalker(0, 400.0f, 300.0f);
  Click(100, 200);
  EXPECT_EQ(0, app::LeftButton);
  EXPECT_EQ(1, game::ShotCount);
  EXPECT_EQ(0, game::HitCount);
  ASSERT_EQ(1, sound::SoundLogCount);
  EXPECT_EQ(1, sound::SoundLog[0].channel);  // the explosion rotation
  EXPECT_EQ(1, sound::SoundLog[0].command);
  EXPECT_EQ(game::MissMark, ActorPool[1].kind);
  EXPECT_EQ(100.0f, ActorPool[1].x);
  EXPECT_EQ(200.0f, ActorPool[1].y);
  EXPECT_EQ(1, ActorPool[1].frame);
  for (int i : {2, 3}) {
    EXPECT_EQ(game::SmallPuff, ActorPool[i].kind);
    EXPECT_EQ(100.0f, ActorPool[i].x);
    EXPECT_EQ(200.0f, ActorPool[i].y);
    EXPECT_EQ(0, ActorPool[i].height);
  }
  EXPECT_EQ(0, ActorPool[4].active);
}

TEST_F(Shots, TheBoxIsStrictSignedAndCountsAFlyersHeight) {
  struct Case {
    u32 mx, my;
    f32 x, y;
    i32 height;
    bool hit;
  } cases[] = {
      {100, 200, 148.0f, 200.0f, 0, false},  // px = MouseX + 48
      {100, 200, 147.9f, 200.0f, 0, true},
      {100, 200, 52.0f, 200.0f, 0, false},
      {100, 200, 53.0f, 200.0f, 0, true},
      {100, 200, 100.0f, 248.0f, 0, false},
      {100, 200, 100.0f, 152.0f, 0, false},
      {100, 200, 100.0f, 247.0f, 0, true},
      {100, 200, 100.0f, 300.0f, 100, true},   // aimed at the picture
      {100, 300, 100.0f, 300.0f, 100, false},  // not at the shadow
      {10, 10, -37.5f, 10.0f, 0, true},        // off the left edge, truncated
      {10, 10, -38.5f, 10.0f, 0, false},
      {10, 5, 10.0f, -20.0f, 0, true},
  };
  for (const Case& c : cases) {
    game::ResetGame();
    game::Actor& a = PlaceWalker(0, c.x, c.y, game::Flyer);
    a.height = c.height;
    app::MouseX = c.mx;
    app::MouseY = c.my;
    EXPECT_EQ(c.hit ? 1 : 0, game::StrikeAtCursor())
        << c.x << "," << c.y << " h" << c.height;
  }
}

TEST_F(Shots, CountersAndComboWithAFallingFlyerInTheBox) {
  PlaceWalker(0, 300.0f, 300.0f, game::WalkerOne);
  PlaceWalker(1, 310.0f, 290.0f, game::WalkerTwo);
  PlaceWalker(2, 290.0f, 310.0f, game::WalkerOne);
  game::Actor& f = PlaceWalker(3, 300.0f, 340.0f, game::Flyer);
  f.height = 40;
  f.hit = 1;
  f.age = 3;
  PlaceWalker(4, 500.0f, 300.0f);  // outside
  ActorPool[5].active = 1;         // effects are not struck
  ActorPool[5].kind = game::Blast;
  ActorPool[5].x = 300.0f;
  ActorPool[5].y = 300.0f;
  game::MaxCombo = 2;
  game::HitCount = 5;

  Click(300, 300);
  EXPECT_EQ(8, game::HitCount);
  EXPECT_EQ(4, game::MaxCombo);
  EXPECT_EQ(1, game::ShotCount);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(1, ActorPool[i].hit);
    EXPECT_EQ(0, ActorPool[i].age);
  }
  EXPECT_EQ(0, ActorPool[4].hit);
  ASSERT_EQ(4, sound::SoundLogCount);  // the shot and three hits
  EXPECT_EQ(4, sound::SoundLog[1].channel);
  EXPECT_EQ(5, sound::SoundLog[2].channel);
  EXPECT_EQ(4, sound::SoundLog[3].channel);
  EXPECT_EQ(0, CountLive(game::MissMark));

  // A second shot at the falling flyer alone: no hit counted, no sound, no
  // miss mark, and the combo stays.
  for (int i = 0; i < 3; ++i) ActorPool[i].active = 0;
  Click(300, 300);
  EXPECT_EQ(8, game::HitCount);
  EXPECT_EQ(4, game::MaxCombo);
  EXPECT_EQ(1, sound::SoundLogCount);
  EXPECT_EQ(0, CountLive(game::MissMark));

  // A fresh flyer sounds its own channel.
  PlaceWalker(6, 300.0f, 300.0f, game::Flyer);
  Click(300, 300);
  ASSERT_EQ(2, sound::SoundLogCount);
  EXPECT_EQ(6, sound::SoundLog[1].channel);
}

TEST_F(Shots, AFullPoolMissMakesNothingAndDoesNotFail) {
  static game::Actor before[game::kPoolSize];
  for (int i = 0; i < game::kPoolSize; ++i) {
    ActorPool[i].active = 1;
    ActorPool[i].kind = game::SmallPuff;
  }
  std::memcpy(before, ActorPool, sizeof before);
  Click(320, 240);
  EXPECT_EQ(0, std::memcmp(before, ActorPool, sizeof before));
  EXPECT_EQ(1, game::ShotCount);
}

TEST_F(Shots, TheCursorIsDrawnAndARightClickShowsTheBossKey) {
  FillSheet({320, 1984, 384, 2048}, 77);
  FillSheet({20, 480, 21, 481}, 33);
  PlaceWalker(0, 100.0f, 100.0f);
  static game::Actor before[game::kPoolSize];
  std::memcpy(before, ActorPool, sizeof before);
  app::MouseX = 630;
  app::MouseY = 5;
  app::RightButton = 1;
  app::CurrentScene = scenes::PlayScene;
  game::HandleMouse();
  // The cursor is centred on the mouse and clipped at the edges.
  EXPECT_EQ(77, BackPixel(598, 0));
  EXPECT_EQ(77, BackPixel(639, 36));
  EXPECT_EQ(0, BackPixel(597, 0));
  EXPECT_EQ(0, BackPixel(639, 37));

  EXPECT_EQ(scenes::BossKeyScene, app::CurrentScene);
  ASSERT_GE(sound::SoundLogCount, 1);
  EXPECT_EQ(13, sound::SoundLog[0].channel);
  EXPECT_EQ(0, sound::SoundLog[0].command);
  // With no picture file at hand the sheet stays; its key comes from (20, 480).
  EXPECT_EQ(33, video::SheetColorKey);
  EXPECT_EQ(1, app::RightButton);
  EXPECT_EQ(0, std::memcmp(before, ActorPool, sizeof before));
}

}  // namespace
}  // namespace gametest
