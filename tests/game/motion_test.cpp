// Motion, animation and lifetimes of every kind.
#include <cmath>
#include <vector>

#include "app/scores.h"
#include "app/trig.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "game_fixture.h"

namespace gametest {
namespace {

using game::ActorPool;
using game::StepActors;

class Motion : public GameTest {};

TEST_F(Motion, WalkersMoveAtTheirSpeedAndHopThroughPingPongFrames) {
  game::Actor& w = PlaceWalker(0, 300.0f, 100.0f);
  w.speed = 4;
  std::vector<i32> frames;
  for (int i = 0; i < 48; ++i) {
    StepActors();
    EXPECT_EQ(300.0f, ActorPool[0].x);
    EXPECT_EQ(100.0f + 4.0f * (i + 1), ActorPool[0].y);
    EXPECT_EQ(ActorPool[0].frame * 73, ActorPool[0].hopPhase);
    frames.push_back(ActorPool[0].frame);
  }
  // Each picture for three frames: 0 0 1 1 1 2 2 2 ... 7 7 7 6 6 6 ...
  const std::vector<i32> want = {0, 0, 1, 2, 3, 4, 5, 6, 7,
                                 6, 5, 4, 3, 2, 1, 0, 1, 2};
  for (std::size_t k = 0; k < want.size() - 2; ++k) {
    EXPECT_EQ(want[k + 2], frames[2 + 3 * k]) << k;
  }
  // The hop of pictures 0..7.
  const int hops[] = {0, 4, 7, 9, 9, 7, 4, 0};
  for (int f = 0; f < 8; ++f) {
    EXPECT_EQ(hops[f], static_cast<int>(10.0 * app::SineTable[f * 73]));
  }
}

TEST_F(Motion, FlyersAnimateWithoutHoppingAndEnemiesAreCounted) {
  game::Actor& f = PlaceWalker(0, 300.0f, 300.0f, game::Flyer);
  f.heading = 768;  // right
  f.speed = 2;
  PlaceWalker(1, 10.0f, 10.0f).hit = 1;
  PlaceWalker(2, 10.0f, 10.0f, game::WalkerTwo);
  ActorPool[3].active = 1;
  ActorPool[3].kind = game::SmallPuff;
  ActorPool[4] = ActorPool[2];
  ActorPool[4].active = 0;
  std::vector<i32> frames;
  for (int i = 0; i < 45; ++i) {
    StepActors();
    EXPECT_EQ(3, game::LiveEnemyCount);
    frames.push_back(ActorPool[0].frame);
    EXPECT_EQ(0, ActorPool[0].hopPhase);
  }
  EXPECT_NEAR(390.0f, ActorPool[0].x, 0.01f);
  EXPECT_NEAR(300.0f, ActorPool[0].y, 0.01f);
  const std::vector<i32> want = {1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1, 0, 1};
  for (std::size_t k = 0; k < want.size(); ++k) {
    EXPECT_EQ(want[k], frames[2 + 3 * k]) << k;
  }
}

// Steps one effect in slot 0 until it ends; returns its lifetime and the
// picture shown after each step.
int LifeOf(std::vector<i32>& pictures, i32 kind) {
  for (int i = 1; i < game::kPoolSize; ++i) ActorPool[i].active = 0;
  int steps = 0;
  while (ActorPool[0].active == 1 && ActorPool[0].kind == kind &&
         steps < 1000) {
    StepActors();
    ++steps;
    if (ActorPool[0].active == 1) pictures.push_back(ActorPool[0].frame);
    // Smoke given off goes elsewhere; clear it so slot 0 stays the effect.
    for (int i = 1; i < game::kPoolSize; ++i) ActorPool[i].active = 0;
  }
  return steps;
}

int Shown(const std::vector<i32>& pictures, i32 frame) {
  int n = 0;
  for (i32 f : pictures) n += f == frame;
  return n;
}

TEST_F(Motion, EffectsLiveTheirTimeAndShowTheirPictures) {
  for (i32 kind : {game::SmallPuff, game::LargePuff}) {
    PlaceWalker(1, 200.0f, 200.0f);
    game::MakeActor(1, kind == game::SmallPuff ? 4 : 7);
    ASSERT_EQ(kind, ActorPool[0].kind);
    std::vector<i32> pictures;
    StepActors();
    // One pixel of drift a frame whatever the speed; 1 or 2 up.
    EXPECT_NEAR(1.0,
                std::hypot(ActorPool[0].x - 200.0f, ActorPool[0].y - 200.0f),
                1e-4);
    EXPECT_EQ(kind == game::SmallPuff ? 1 : 2, ActorPool[0].height);
    EXPECT_EQ(64, LifeOf(pictures, kind));  // 65 with the first step
    EXPECT_EQ(15, Shown(pictures, 1));      // the first step came before
    EXPECT_EQ(17, Shown(pictures, 2));
    EXPECT_EQ(17, Shown(pictures, 3));
    EXPECT_EQ(14, Shown(pictures, 4));
  }

  for (u8 difficulty : {0, 1, 2, 9}) {
    app::Difficulty = difficulty;
    game::Actor& m = ActorPool[0];
    m = game::Actor{};
    m.active = 1;
    m.kind = game::MissMark;
    m.frame = 1;
    std::vector<i32> pictures;
    EXPECT_EQ(60, LifeOf(pictures, game::MissMark));
    // Picture 1 is also the one drawn before the first step.
    EXPECT_EQ(5, Shown(pictures, 1));
    for (i32 f = 2; f <= 4; ++f) EXPECT_EQ(6, Shown(pictures, f)) << f;

    PlaceWalker(1, 100.0f, 100.0f);
    ActorPool[0].active = 0;
    game::MakeActor(1, 6);
    ASSERT_EQ(game::Blast, ActorPool[0].kind);
    pictures.clear();
    EXPECT_EQ(52, LifeOf(pictures, game::Blast));
    EXPECT_EQ(3, Shown(pictures, 1));
    for (i32 f = 2; f <= 13; ++f) EXPECT_EQ(4, Shown(pictures, f)) << f;
    EXPECT_EQ(0, Shown(pictures, 14));
  }
}

TEST_F(Motion, AFullPoolStillCountsDownButGivesNoSmoke) {
  app::Difficulty = 2;
  for (int i = 0; i < game::kPoolSize; ++i) {
    game::Actor& a = ActorPool[i];
    a.active = 1;
    a.kind = i % 2 ? game::MissMark : game::Blast;
    a.frame = 1;
    a.x = static_cast<f32>(i);
  }
  for (int step = 1; step <= 51; ++step) {
    StepActors();
    ASSERT_EQ(0, CountLive(game::SmallPuff) + CountLive(game::LargePuff));
  }
  EXPECT_EQ(256, CountLive(game::Blast));
  StepActors();
  EXPECT_EQ(0, CountLive(game::Blast));
  EXPECT_EQ(256, CountLive(game::MissMark));
  for (int step = 53; step <= 60; ++step) StepActors();
  EXPECT_EQ(0, CountLive(game::MissMark));
}

}  // namespace
}  // namespace gametest
