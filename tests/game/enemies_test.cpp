// Steering, waypoints, going down after a hit, arrivals and the game's end.
#include <cstdlib>

#include "app/random.h"
#include "app/scores.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "game/steering.h"
#include "game_fixture.h"
#include "sound/sound.h"

namespace gametest {
namespace {

using game::ActorPool;
using game::StepEnemies;

class Enemies : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    // No arrivals unless a test asks for them.
    game::EnemiesSpawned = game::EnemiesPerGame;
  }
};

TEST_F(Enemies, BearingPointsAlongTheMotionOfTheHeading) {
  game::Actor a{};
  a.x = 300.0f;
  a.y = 200.0f;
  auto bearing = [&](i32 tx, i32 ty) {
    a.targetX = tx;
    a.targetY = ty;
    return game::BearingHeading(a);
  };
  EXPECT_EQ(256, bearing(100, 200));  // left
  EXPECT_EQ(512, bearing(300, 400));  // down
  EXPECT_EQ(768, bearing(500, 200));  // right
  // Straight up lands a hair short of a full turn.
  EXPECT_EQ(1023, bearing(300, 0));
  EXPECT_EQ(384, bearing(100, 400));  // down-left
}

TEST_F(Enemies, TurnsTheShorterWayAndWrapsTheHeading) {
  using game::TurnHeading;
  EXPECT_EQ(85, TurnHeading(100, 50));    // bearing below: turn down
  EXPECT_EQ(115, TurnHeading(100, 150));  // bearing above: turn up
  EXPECT_EQ(115, TurnHeading(100, 100));  // on course swings up
  EXPECT_EQ(615, TurnHeading(600, 88));   // exactly half a turn: +15
  EXPECT_EQ(103, TurnHeading(88, 600));   // d = -512: +15 as well
  EXPECT_EQ(1019, TurnHeading(10, 600));  // the short way crosses 0
  EXPECT_EQ(11, TurnHeading(1020, 100));  // and back over 1023
  EXPECT_EQ(6, TurnHeading(1015, 1023));  // just below: up, past 1023
  EXPECT_EQ(25, TurnHeading(10, 500));

  // The same through a pass of the game.
  game::Actor& w = PlaceWalker(0, 300.0f, 200.0f);
  w.heading = 10;
  w.targetX = 500;  // bearing 768, the short way is down through 0
  w.targetY = 200;
  StepEnemies();
  EXPECT_EQ(1019, ActorPool[0].heading);
  for (int i = 0; i < 200; ++i) {
    StepEnemies();
    ASSERT_TRUE(ActorPool[0].heading >= 0 && ActorPool[0].heading < 1024);
  }
  // Once on course it swings about the bearing.
  EXPECT_LE(std::abs(ActorPool[0].heading - 768), 15);
}

TEST_F(Enemies, AWaypointBoxIsStrictOnEverySide) {
  struct Case {
    f32 x, y;
    bool reached;
  } cases[] = {
      {336.0f, 200.0f, false}, {337.0f, 200.0f, true},
      {463.0f, 200.0f, true},  {464.0f, 200.0f, false},
      {400.0f, 136.0f, false}, {400.0f, 137.0f, true},
      {400.0f, 263.0f, true},  {400.0f, 264.0f, false},
      {336.9f, 200.0f, false}, {463.99f, 263.99f, true},
  };
  for (const Case& c : cases) {
    game::Actor& a = PlaceWalker(0, c.x, c.y);
    a.targetX = 400;
    a.targetY = 200;
    a.age = 2;
    const u32 state = app::RandomState;
    StepEnemies();
    EXPECT_EQ(c.reached ? 3 : 2, ActorPool[0].age) << c.x << "," << c.y;
    EXPECT_EQ(c.reached, state != app::RandomState);
    EXPECT_EQ(1, ActorPool[0].active);
  }
}

TEST_F(Enemies, AfterFiveWaypointsAnExitAndThenOffTheField) {
  game::Actor& a = PlaceWalker(0, 400.0f, 200.0f);
  a.targetX = 400;
  a.targetY = 200;
  a.age = 5;
  StepEnemies();
  EXPECT_EQ(1, ActorPool[0].active);
  const i32 tx = ActorPool[0].targetX, ty = ActorPool[0].targetY;
  EXPECT_TRUE(ty == -400 || ty == 900 || tx == -400 || tx == 1000);

  // Reaching the box of an exit point lies beyond the field: gone.
  game::Actor& b = PlaceWalker(1, 960.0f, 300.0f);
  b.targetX = 1000;
  b.targetY = 300;
  b.age = 5;
  // One coming in from its entry point is never tested, however far out.
  game::Actor& c = PlaceWalker(2, -255.0f, 300.0f);
  c.targetX = 300;
  c.targetY = 300;
  StepEnemies();
  EXPECT_EQ(0, ActorPool[1].active);
  EXPECT_EQ(1, ActorPool[2].active);
  EXPECT_EQ(0, sound::SoundLogCount);  // leaving is silent
}

TEST_F(Enemies, AHitWalkerIsDestroyedInTheNextPassWithABlastAndASound) {
  game::Actor& w = PlaceWalker(0, 250.0f, 180.0f);
  w.hit = 1;
  // The explosions take channels 1, 2, 3, 0, 1 from a fresh start.
  const i32 channels[] = {1, 2, 3, 0, 1};
  for (i32 want : channels) {
    game::Actor& v = PlaceWalker(0, 250.0f, 180.0f);
    v.hit = 1;
    for (int i = 1; i < game::kPoolSize; ++i) ActorPool[i].active = 0;
    sound::ClearSoundLog();
    StepEnemies();
    ASSERT_EQ(1, sound::SoundLogCount);
    EXPECT_EQ(want, sound::SoundLog[0].channel);
    EXPECT_EQ(1, sound::SoundLog[0].command);
    EXPECT_EQ(0, CountLive(game::WalkerOne));
    // The freed slot is the first free one, so the blast stands in it.
    EXPECT_EQ(game::Blast, ActorPool[0].kind);
    EXPECT_EQ(1, ActorPool[0].active);
    EXPECT_EQ(250.0f, ActorPool[0].x);
    EXPECT_EQ(180.0f, ActorPool[0].y);
  }
}

TEST_F(Enemies, AFlyerHitAtHeight100GoesDownFor100Passes) {
  // About one puff in 32, 16 or 8 passes by Difficulty: four falls each.
  const int low[] = {4, 10, 25}, high[] = {30, 50, 90};
  for (u8 difficulty : {0, 1, 2}) {
    app::Difficulty = difficulty;
    int puffs = 0;
    for (int fall = 0; fall < 4; ++fall) {
      game::ResetGame();
      game::EnemiesSpawned = game::EnemiesPerGame;
      game::Actor& f = PlaceWalker(0, 300.0f, 300.0f, game::Flyer);
      f.hit = 1;
      f.height = 100;
      for (int pass = 1; pass <= 100; ++pass) {
        StepEnemies();
        ASSERT_EQ(pass < 100 ? 1 : 0, CountLive(game::Flyer)) << pass;
        for (game::Actor& a : ActorPool) {
          if (a.active == 1 && a.kind == game::SmallPuff) {
            // Each puff starts at the flyer's height of that pass.
            EXPECT_EQ(100 - pass, a.height);
            a.active = 0;
            ++puffs;
          }
        }
      }
      EXPECT_EQ(1, CountLive(game::Blast));
    }
    EXPECT_GE(puffs, low[difficulty]) << int(difficulty);
    EXPECT_LE(puffs, high[difficulty]) << int(difficulty);
  }
}

TEST_F(Enemies, ArrivalsAreCappedByThePreviousFramesCount) {
  game::EnemiesSpawned = 0;
  game::LiveEnemyCount = 10;
  EXPECT_EQ(1, StepEnemies());
  EXPECT_EQ(0, game::EnemiesSpawned);
  EXPECT_EQ(0, CountLive(game::WalkerOne) + CountLive(game::WalkerTwo) +
                   CountLive(game::Flyer));

  // A slot holding an effect counts as free; live enemies keep theirs.
  ActorPool[0].active = 1;
  ActorPool[0].kind = game::SmallPuff;
  PlaceWalker(1, 300.0f, 300.0f);
  game::LiveEnemyCount = 7;
  StepEnemies();
  EXPECT_EQ(3, game::EnemiesSpawned);
  EXPECT_EQ(10, game::LiveEnemyCount);
  EXPECT_LT(ActorPool[0].kind, 4);
  EXPECT_EQ(game::WalkerOne, ActorPool[1].kind);
  EXPECT_EQ(1, ActorPool[3].active);
  EXPECT_EQ(0, ActorPool[4].active);

  game::EnemiesSpawned = 99;
  game::LiveEnemyCount = 0;
  StepEnemies();
  EXPECT_EQ(100, game::EnemiesSpawned);
  EXPECT_EQ(1, ActorPool[4].active);
  EXPECT_EQ(0, ActorPool[5].active);
}

TEST_F(Enemies, TheGameIsOverOnlyWhenTheHundredthHasGone) {
  game::EnemiesSpawned = 99;
  EXPECT_EQ(1, StepEnemies());  // the field is empty: the 100th comes in
  EXPECT_EQ(100, game::EnemiesSpawned);
  EXPECT_EQ(1, ActorPool[0].active);
  EXPECT_EQ(1, StepEnemies());
  ActorPool[0].kind = game::Blast;  // effects do not keep a game going
  ActorPool[0].active = 1;
  EXPECT_EQ(0, StepEnemies());

  game::ResetGame();
  EXPECT_EQ(1, StepEnemies());  // a fresh game before anything came in
  EXPECT_EQ(10, game::EnemiesSpawned);
}

}  // namespace
}  // namespace gametest
