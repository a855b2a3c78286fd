// Gameplay: making, steering, hits, motion, shots and drawing of actors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "base/input.h"
#include "base/random.h"
#include "base/scene.h"
#include "base/scores.h"
#include "base/trig.h"
#include "game/gameplay.h"
#include "game/steering.h"
#include "loop/main_loop.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "sound/sound_log.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace gametest {
namespace {

using game::ActorPool;
using game::MakeActor;
using game::StepEnemies;
using std::make_tuple;
using std::tie;
using XY = std::pair<f32, f32>;

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop::ResetRun();
    video::CreateSurfaces();
    base::BuildTrigTables();
    base::SeedRandom(12345);
    game::EnemiesSpawned = game::EnemiesPerGame;  // no arrivals unless asked
  }
};

// A live record of a kind at (x, y); an enemy steers for a point far below.
game::Actor& Place(int slot, f32 x, f32 y, i32 kind = game::WalkerOne) {
  game::Actor& a = ActorPool[slot];
  a = game::Actor{};
  a.active = 1, a.kind = kind, a.x = x, a.y = y, a.heading = 512;
  a.speed = 3, a.waypointLimit = 5, a.targetX = int(x), a.targetY = 5000;
  a.frameStep = kind < game::SmallPuff ? 1 : 0;
  a.frame = kind < game::SmallPuff ? 0 : 1;
  return a;
}

// A walker at (x, y) bound for (tx, ty) after `age` waypoints.
game::Actor& Bound(int slot, f32 x, f32 y, i32 tx, i32 ty, i32 age) {
  game::Actor& a = Place(slot, x, y);
  a.targetX = tx, a.targetY = ty, a.age = age;
  return a;
}

XY At(const game::Actor& a) { return {a.x, a.y}; }
int CountLive(i32 lo, i32 hi = 0) {
  int n = 0;
  for (const game::Actor& a : ActorPool) {
    n += a.active == 1 && a.kind >= lo && a.kind <= std::max(lo, hi);
  }
  return n;
}
int CountEnemies() { return CountLive(game::WalkerOne, game::Flyer); }

TEST_F(GameTest, SlotsOffThePoolDrawNothingAndEffectsTakeFreeSlots) {
  const u32 state = base::RandomState;  // slots off the pool: nothing drawn
  MakeActor(-1, game::MakeWalkerOne);
  MakeActor(game::kPoolSize, game::MakeWalkerOne);
  EXPECT_EQ(state, base::RandomState);
  // Effects take the first free slot and stand where their source stands.
  for (int i = 0; i < 9; ++i) ActorPool[i].active = i != 2 && i < 6;
  Place(4, 123.5f, 234.25f, game::Flyer).height = 77;
  Place(0, 0.0f, 0.0f).height = 50;
  // Source, type, slot taken, kind, height: only a flyer's puff starts high.
  const i32 made[][5] = {{4, game::MakeSmallPuff, 2, game::SmallPuff, 77},
                         {4, game::MakeLargePuff, 6, game::LargePuff, 0},
                         {4, game::MakeBlast, 7, game::Blast, 0},
                         {0, game::MakeSmallPuff, 8, game::SmallPuff, 0}};
  for (const auto& m : made) {
    MakeActor(m[0], m[1]);
    const game::Actor& e = ActorPool[m[2]];
    EXPECT_EQ(make_tuple(1, m[3], m[4], 1),
              tie(e.active, e.kind, e.height, e.frame));
    EXPECT_EQ(At(ActorPool[m[0]]), At(e));
  }
}

TEST_F(GameTest, BearingAndTurnGoTheShorterWayAndWrap) {
  // Bearings from (300, 200); straight up and up-right truncate a hair short.
  const i32 b[][3] = {{100, 200, 256}, {300, 400, 512}, {500, 200, 768},
                      {300, 0, 1023},  {100, 400, 384}, {500, 0, 895}};
  for (const auto& c : b) {
    EXPECT_EQ(c[2], game::BearingHeading(Bound(0, 300, 200, c[0], c[1], 0)))
        << c[0] << "," << c[1];
  }
  // Turns: on course swings up, exactly half a turn either way is +15.
  const i32 turns[][3] = {{100, 50, 85},   {100, 150, 115}, {100, 100, 115},
                          {600, 88, 615},  {88, 600, 103},  {10, 600, 1019},
                          {1020, 100, 11}, {1015, 1023, 6}, {10, 500, 25}};
  for (const auto& c : turns) {
    EXPECT_EQ(c[2], game::TurnHeading(c[0], c[1])) << c[0] << " -> " << c[1];
  }
  // The same in a pass of the game: bearing 768, the short way through 0.
  Bound(0, 300.0f, 200.0f, 500, 200, 0).heading = 10;
  StepEnemies();
  EXPECT_EQ(1019, ActorPool[0].heading);
}

TEST_F(GameTest, WaypointBoxesAreStrictThenAnExitThenOffTheField) {
  const struct {
    f32 x, y;
    bool reached;
  } cases[] = {{336.0f, 200.0f, false}, {337.0f, 200.0f, true},
               {463.0f, 200.0f, true},  {464.0f, 200.0f, false},
               {400.0f, 136.0f, false}, {400.0f, 137.0f, true},
               {400.0f, 263.0f, true},  {400.0f, 264.0f, false},
               {336.9f, 200.0f, false}, {463.99f, 263.99f, true}};
  for (const auto& c : cases) {
    game::Actor& a = Bound(0, c.x, c.y, 400, 200, 2);
    const u32 state = base::RandomState;
    StepEnemies();
    EXPECT_EQ(make_tuple(1, c.reached ? 3 : 2), tie(a.active, a.age))
        << c.x << "," << c.y;
    EXPECT_EQ(c.reached, state != base::RandomState);
  }
  game::Actor& a = Bound(0, 400.0f, 200.0f, 400, 200, 5);
  Bound(1, 960.0f, 300.0f, 1000, 300, 5);  // at an exit beyond the field
  Bound(2, -255.0f, 300.0f, 300, 300, 0);  // coming in: never tested
  StepEnemies();
  EXPECT_TRUE(a.active == 1 && (a.targetY == -400 || a.targetY == 900 ||
                                a.targetX == -400 || a.targetX == 1000));
  EXPECT_EQ(make_tuple(0, 1), tie(ActorPool[1].active, ActorPool[2].active));
  EXPECT_EQ(0, sound::SoundLogCount);  // leaving is silent
}

TEST_F(GameTest, HitEnemiesGoDownAndLeaveABlastAndASound) {
  // A walker goes in the next pass, a flyer from height 100 in 100, puffing
  // at its height about once in 32, 16 or 8 passes by Difficulty (else 32).
  // The blast takes the freed slot, read first, and channel 1, 2, 3, 0, 1...
  const int low[] = {4, 10, 25, 4}, high[] = {30, 50, 90, 30};
  int blasts = 0;
  for (u8 difficulty : {0, 1, 2, 3}) {
    base::Difficulty = difficulty;
    int puffs = 0;
    for (int fall = 0; fall < 5; ++fall) {
      const int height = fall == 0 ? 0 : 100, passes = fall == 0 ? 1 : 100;
      game::EmptyPool();
      Place(0, 250.0f, 180.0f, fall ? game::Flyer : game::WalkerOne).hit = 1;
      ActorPool[0].height = height;
      sound::ClearSoundLog();
      for (int pass = 1; pass <= passes; ++pass) {
        StepEnemies();
        ASSERT_EQ(pass < passes ? 1 : 0, CountEnemies()) << pass;
        for (game::Actor& a : ActorPool) {
          if (a.active != 1 || a.kind != game::SmallPuff) continue;
          EXPECT_EQ(height ? height - pass : 0, a.height);
          a.active = 0;
          puffs += height > 0;
        }
      }
      ASSERT_EQ(1, sound::SoundLogCount);
      EXPECT_EQ(make_tuple(++blasts % 4, 1),
                tie(sound::SoundLog[0].channel, sound::SoundLog[0].command));
      EXPECT_EQ(make_tuple(1, game::Blast),
                tie(ActorPool[0].active, ActorPool[0].kind));
      EXPECT_EQ(XY(250.0f, 180.0f), At(ActorPool[0]));
    }
    EXPECT_TRUE(puffs >= low[difficulty] && puffs <= high[difficulty]) << puffs;
  }
}

TEST_F(GameTest, ArrivalsAreCappedByThePreviousFramesCountUntilTheHundredth) {
  game::EnemiesSpawned = 0, game::LiveEnemyCount = 10;
  EXPECT_EQ(1, StepEnemies());  // ten counted last frame: nothing made
  EXPECT_EQ(0, game::EnemiesSpawned + CountEnemies());
  // A slot holding an effect counts as free; live enemies keep theirs.
  Place(0, 0.0f, 0.0f, game::SmallPuff);
  Place(1, 300.0f, 300.0f).heading = 77;
  game::LiveEnemyCount = 7;
  StepEnemies();
  EXPECT_EQ(make_tuple(3, 10, 4, 0),
            make_tuple(+game::EnemiesSpawned, +game::LiveEnemyCount,
                       CountEnemies(), ActorPool[4].active));
  EXPECT_EQ(92, ActorPool[1].heading);  // turned, not made anew
  game::EmptyPool();
  game::EnemiesSpawned = 99, game::LiveEnemyCount = 0;
  EXPECT_EQ(1, StepEnemies());  // the hundredth comes in on an empty field
  EXPECT_EQ(make_tuple(100, 1),
            make_tuple(+game::EnemiesSpawned, CountEnemies()));
  EXPECT_EQ(1, StepEnemies());
  Place(0, 0.0f, 0.0f, game::Blast);  // over once it has gone, effects or not
  EXPECT_EQ(0, StepEnemies());
}

TEST_F(GameTest, EnemiesMoveAndAnimateInPingPongAndAreCounted) {
  // Each picture for three steps, the first change at the third.
  const i32 want[] = {1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1, 0, 1};
  for (i32 kind : {game::WalkerOne, game::Flyer}) {
    const bool flyer = kind == game::Flyer;
    game::Actor& e = Place(0, 300.0f, 100.0f, kind);
    e.speed = 4, e.heading = flyer ? 768 : 512;  // right or down
    Place(1, 10.0f, 10.0f).hit = 1;
    Place(2, 10.0f, 10.0f, game::WalkerTwo);
    Place(3, 10.0f, 10.0f, game::SmallPuff);
    Place(4, 10.0f, 10.0f, game::WalkerTwo).active = 0;
    for (int i = 0; i < 45; ++i) {
      game::StepActors();
      EXPECT_EQ(3, game::LiveEnemyCount);
      EXPECT_EQ(i < 2 ? 0 : want[(i - 2) / 3], e.frame) << kind << " " << i;
      EXPECT_EQ(flyer ? 0 : e.frame * 73, e.hopPhase);  // flyers do not hop
    }
    EXPECT_NEAR(flyer ? 480.0f : 300.0f, e.x, 0.01f);
    EXPECT_NEAR(flyer ? 100.0f : 280.0f, e.y, 0.01f);
  }
}

void Click(u32 x, u32 y) {
  base::MouseX = x, base::MouseY = y, base::LeftButton = 1;
  sound::ClearSoundLog();
  game::HandleMouse();
}

TEST_F(GameTest, EffectsLiveTheirTimeAndShowTheirPictures) {
  const struct {
    i32 kind, type, life;
    std::vector<int> steps;  // steps shown on picture 1, 2, ...
  } cases[] = {
      {game::SmallPuff, 4, 65, {16, 17, 17, 14}},
      {game::LargePuff, 7, 65, {16, 17, 17, 14}},
      {game::MissMark, 0, 60, {5, 6, 6, 6}},
      {game::Blast, 6, 52, {3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 0}}};
  for (const auto& c : cases) {
    game::EmptyPool();
    Place(1, 200.0f, 200.0f).speed = 5;
    if (c.type == 0) Place(0, 200.0f, 200.0f, c.kind);
    MakeActor(1, c.type);
    ActorPool[1].active = 0;
    const game::Actor& e = ActorPool[0];
    std::vector<int> steps(c.steps.size());
    int life = 0;
    while (e.active == 1 && e.kind == c.kind && life++ < 1000) {
      game::StepActors();
      const bool on = e.active == 1 && e.kind == c.kind;
      if (on && e.frame <= int(steps.size())) ++steps[e.frame - 1];
      for (int i = 1; i < game::kPoolSize; ++i) ActorPool[i].active = 0;
      if (life > 1 || c.type == 0 || c.type == 6) continue;
      // Puffs drift a pixel a step whatever the speed, and rise 1 or 2.
      const f32 dx = e.x - 200.0f, dy = e.y - 200.0f;
      EXPECT_NEAR(1.0, dx * dx + dy * dy, 1e-4);
      EXPECT_EQ(c.type == 4 ? 1 : 2, e.height);
    }
    EXPECT_EQ(c.life, life) << c.kind;
    EXPECT_EQ(c.steps, steps) << c.kind;
  }
  // A full pool counts down, but a miss leaves no mark, and no smoke comes.
  base::Difficulty = 2;
  for (int i = 0; i < game::kPoolSize; ++i) {
    Place(i, i, 0.0f, i % 2 ? game::MissMark : game::Blast);
  }
  Click(320, 240);
  for (int step = 1; step <= 60; ++step) {
    game::StepActors();
    const int smoke = CountLive(game::SmallPuff) + CountLive(game::LargePuff);
    ASSERT_EQ(0, step < 52 ? smoke : 0) << step;
    EXPECT_EQ(step < 52 ? 256 : 0, CountLive(game::Blast)) << step;
    EXPECT_EQ(step < 60 ? 256 : 0, CountLive(game::MissMark)) << step;
  }
}

TEST_F(GameTest, TheBoxIsStrictSignedAndCountsAFlyersHeight) {
  auto hits = [](u32 mx, u32 my, f32 x, f32 y, i32 height = 0) {
    Place(0, x, y, game::Flyer).height = height;
    base::MouseX = mx, base::MouseY = my;
    return game::StrikeAtCursor();
  };
  EXPECT_EQ(0, hits(100, 200, 148.0f, 200.0f));  // px = MouseX + 48
  EXPECT_EQ(1, hits(100, 200, 147.9f, 200.0f));
  EXPECT_EQ(0, hits(100, 200, 52.0f, 200.0f));
  EXPECT_EQ(1, hits(100, 200, 53.0f, 200.0f));
  EXPECT_EQ(0, hits(100, 200, 100.0f, 248.0f));
  EXPECT_EQ(1, hits(100, 200, 100.0f, 247.0f));
  EXPECT_EQ(0, hits(100, 200, 100.0f, 152.0f));
  EXPECT_EQ(1, hits(100, 200, 100.0f, 300.0f, 100));  // aimed at the picture,
  EXPECT_EQ(0, hits(100, 300, 100.0f, 300.0f, 100));  // not at the shadow
  EXPECT_EQ(1, hits(10, 10, -37.5f, 10.0f));  // off the left edge, truncated
  EXPECT_EQ(0, hits(10, 10, -38.5f, 10.0f));
  EXPECT_EQ(1, hits(10, 5, 10.0f, -20.0f));
}

TEST_F(GameTest, CountersAndComboWithAFallingFlyerInTheBox) {
  Place(0, 300.0f, 300.0f, game::WalkerOne);
  Place(1, 310.0f, 290.0f, game::WalkerTwo);
  Place(2, 290.0f, 310.0f, game::WalkerOne);
  game::Actor& f = Place(3, 300.0f, 340.0f, game::Flyer);
  f.height = 40, f.hit = 1, f.age = 3;
  Place(4, 500.0f, 300.0f);               // outside
  Place(5, 300.0f, 300.0f, game::Blast);  // effects are not struck
  Place(6, 320.0f, 300.0f, game::Flyer);
  game::MaxCombo = 2, game::HitCount = 5;
  Click(300, 300);
  EXPECT_EQ(make_tuple(9, 5, 1),
            tie(game::HitCount, game::MaxCombo, game::ShotCount));
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(make_tuple(i != 4 && i != 5, 0),
              tie(ActorPool[i].hit, ActorPool[i].age));
  }
  ASSERT_EQ(5, sound::SoundLogCount);  // the shot, and the hits but one
  EXPECT_EQ(make_tuple(4, 5, 4, 6),
            tie(sound::SoundLog[1].channel, sound::SoundLog[2].channel,
                sound::SoundLog[3].channel, sound::SoundLog[4].channel));
  // A second shot at the falling flyers alone: no hit counted, no sound, no
  // miss mark, and the combo stays.
  for (int i = 0; i < 3; ++i) ActorPool[i].active = 0;
  Click(300, 300);
  EXPECT_EQ(make_tuple(9, 5, 1),
            tie(game::HitCount, game::MaxCombo, sound::SoundLogCount));
  EXPECT_EQ(0, CountLive(game::MissMark));
}

// Index 100 + 10 * (kind - 1) + row in every enemy direction row, so that
// the pixel under an enemy tells which row was drawn.
class Drawing : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    for (int kind = 1; kind <= 3; ++kind) {
      for (int row = 1; row <= 8; ++row) {
        const video::Rect a = layout::game::EnemyCell(kind, row, 0),
                          b = layout::game::EnemyCell(kind, row, 7);
        for (int y = a.top; y < b.bottom; ++y) {
          std::memset(video::SheetSurface->Row(y) + a.left,
                      100 + 10 * (kind - 1) + row, b.right - a.left);
        }
      }
    }
    video::SheetChanged();
  }
};

TEST_F(Drawing, DirectionRowsFollowTheHeading) {
  const i32 cases[][2] = {{0, 1},   {63, 1},  {64, 2},  {191, 2}, {192, 3},
                          {447, 4}, {448, 5}, {575, 5}, {576, 6}, {704, 7},
                          {831, 7}, {832, 8}, {959, 8}, {960, 1}, {1023, 1}};
  for (const auto& c : cases) {
    for (i32 kind : {game::WalkerOne, game::WalkerTwo, game::Flyer}) {
      Place(0, 320.0f, 240.0f, kind).heading = c[0];
      game::DrawActors();
      EXPECT_EQ(100 + 10 * (kind - 1) + c[1], video::BackSurface->Row(240)[320])
          << "heading " << c[0] << " kind " << kind;
    }
  }
}

// The draw order: the records stable-sorted by y as the game's bubble
// passes leave them, byte for byte, whatever the pool holds: ties, both
// zeros, an order far from sorted, and a y that is no number.
TEST_F(GameTest, SortByYLeavesThePoolAsBubblePassesDo) {
  std::mt19937 gen(7);
  const f32 nan = std::numeric_limits<f32>::quiet_NaN();
  for (int round = 0; round < 200; ++round) {
    for (int i = 0; i < game::kPoolSize; ++i) {
      game::Actor& a = ActorPool[i];
      a = game::Actor{};
      a.kind = i;  // tells records of equal y apart
      const unsigned pick = gen() % 8;
      a.y = pick == 0   ? 0.0f
            : pick == 1 ? -0.0f
            : pick == 2 ? static_cast<f32>(gen() % 4)
                        : static_cast<f32>(gen() % 960) / 2 - 40;
    }
    if (round % 3 == 0) {
      // Nearly in order, as a pool is from one frame to the next.
      std::stable_sort(
          std::begin(ActorPool), std::end(ActorPool),
          [](const game::Actor& a, const game::Actor& b) { return a.y < b.y; });
      for (int k = 0; k < 6; ++k) ActorPool[gen() % game::kPoolSize].y += 9;
    }
    if (round % 10 == 9) ActorPool[gen() % game::kPoolSize].y = nan;
    std::vector<game::Actor> expected(std::begin(ActorPool),
                                      std::end(ActorPool));
    for (int end = game::kPoolSize - 1; end > 0;) {
      int lastSwap = 0;
      for (int i = 0; i < end; ++i) {
        if (expected[i].y > expected[i + 1].y) {
          std::swap(expected[i], expected[i + 1]);
          lastSwap = i;
        }
      }
      end = lastSwap;
    }
    game::SortActorsByY();
    ASSERT_EQ(std::memcmp(expected.data(), ActorPool, sizeof ActorPool), 0)
        << "round " << round;
  }
}

}  // namespace
}  // namespace gametest
