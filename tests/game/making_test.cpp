// Making enemies and effects in the pool.
#include <cstring>
#include <set>

#include "app/random.h"
#include "game/actors.h"
#include "game_fixture.h"

namespace gametest {
namespace {

using game::ActorPool;
using game::MakeActor;

class Making : public GameTest {};

// The enemy a given generator state must produce, draw by draw.
game::Actor ExpectedEnemy(Lcg& r, i32 type) {
  game::Actor a{};
  a.active = 1;
  a.kind = type + 1;
  a.height = type == 2 ? (r.Next() & 127) + 32 : 0;
  a.frameStep = 1;
  a.speed = type == 2 ? (r.Next() & 3) + 2 : (r.Next() & 3) + 3;
  a.waypointLimit = 5;
  const int side = r.Next() & 3;
  auto fieldX = [&] {
    int v = r.Next() & 511;
    return v + (r.Next() & 127);
  };
  auto sideY = [&](int last) {
    int v = r.Next() & 255;
    v += r.Next() & 127;
    v += r.Next() & 63;
    return v + (r.Next() & last);
  };
  if (side < 2) {
    a.x = static_cast<f32>(fieldX());
    a.y = side == 0 ? -255.0f : 735.0f;
    a.heading = side == 0 ? 512 : 0;
  } else {
    a.x = side == 2 ? -255.0f : 895.0f;
    a.y = static_cast<f32>(sideY(32));
    a.heading = side == 2 ? 768 : 256;
  }
  a.targetX = fieldX();
  a.targetY = sideY(31);
  return a;
}

TEST_F(Making, EnemiesFollowTheDrawsInOrderAndKeepTimerAndReserved) {
  for (i32 type = 0; type < 3; ++type) {
    for (u32 seed : {1u, 77u, 4000000000u}) {
      ActorPool[3].frameTimer = 5;
      ActorPool[3].reserved = 9;
      ActorPool[3].hit = 1;
      ActorPool[3].hopPhase = 300;
      app::SeedRandom(seed);
      MakeActor(3, type);
      Lcg r{seed};
      game::Actor want = ExpectedEnemy(r, type);
      want.frameTimer = 5;
      want.reserved = 9;
      EXPECT_EQ(0, std::memcmp(&want, &ActorPool[3], sizeof want))
          << "type " << type << " seed " << seed;
      EXPECT_EQ(r.state, app::RandomState);
    }
  }
}

TEST_F(Making, EnemiesEnterFromAllFourSidesBeyondTheScreen) {
  std::set<i32> headings;
  for (u32 seed = 1; seed < 400; ++seed) {
    app::SeedRandom(seed);
    MakeActor(0, seed % 3);
    const game::Actor& a = ActorPool[0];
    headings.insert(a.heading);
    switch (a.heading) {
      case 512:
        EXPECT_EQ(-255.0f, a.y);
        break;
      case 0:
        EXPECT_EQ(735.0f, a.y);
        break;
      case 768:
        EXPECT_EQ(-255.0f, a.x);
        break;
      case 256:
        EXPECT_EQ(895.0f, a.x);
        break;
      default:
        ADD_FAILURE() << "heading " << a.heading;
    }
    if (a.heading == 512 || a.heading == 0) {
      EXPECT_TRUE(a.x >= 0.0f && a.x <= 638.0f);
    } else {
      EXPECT_TRUE(a.y >= 0.0f && a.y <= 477.0f);
    }
  }
  EXPECT_EQ(4u, headings.size());
}

TEST_F(Making, EffectsTakeTheFirstFreeSlotAtTheSourcesPosition) {
  for (int i = 0; i < 6; ++i) ActorPool[i].active = 1;
  ActorPool[2].active = 0;
  game::Actor& flyer = ActorPool[4];
  flyer = game::Actor{};
  flyer.active = 1;
  flyer.kind = game::Flyer;
  flyer.x = 123.5f;
  flyer.y = 234.25f;
  flyer.height = 77;

  MakeActor(4, 4);
  const game::Actor& puff = ActorPool[2];
  EXPECT_EQ(game::SmallPuff, puff.kind);
  EXPECT_EQ(1, puff.active);
  EXPECT_EQ(123.5f, puff.x);
  EXPECT_EQ(234.25f, puff.y);
  EXPECT_EQ(77, puff.height);  // a flyer's puff starts in the air
  EXPECT_EQ(1, puff.frame);
  EXPECT_TRUE(puff.heading >= 0 && puff.heading < 1024);

  MakeActor(4, 7);  // next free: slot 6
  EXPECT_EQ(game::LargePuff, ActorPool[6].kind);
  EXPECT_EQ(0, ActorPool[6].height);
  MakeActor(4, 6);
  EXPECT_EQ(game::Blast, ActorPool[7].kind);
  EXPECT_EQ(0, ActorPool[7].height);

  ActorPool[0].kind = game::WalkerOne;
  ActorPool[0].height = 50;
  MakeActor(0, 4);
  EXPECT_EQ(0, ActorPool[8].height);
}

TEST_F(Making, AFreedSourceIsReadBeforeItsSlotIsReused) {
  game::Actor& w = PlaceWalker(0, 300.0f, 200.0f);
  w.heading = 77;
  w.speed = 4;
  w.active = 0;
  MakeActor(0, 6);
  EXPECT_EQ(1, ActorPool[0].active);
  EXPECT_EQ(game::Blast, ActorPool[0].kind);
  EXPECT_EQ(300.0f, ActorPool[0].x);
  EXPECT_EQ(200.0f, ActorPool[0].y);
  // A blast leaves heading and speed as the slot held them.
  EXPECT_EQ(77, ActorPool[0].heading);
  EXPECT_EQ(4, ActorPool[0].speed);
}

TEST_F(Making, OtherTypesAndAFullPoolChangeNothing) {
  static game::Actor before[game::kPoolSize];
  for (int i = 0; i < game::kPoolSize; ++i) {
    PlaceWalker(i, static_cast<f32>(i), 10.0f);
  }
  std::memcpy(before, ActorPool, sizeof before);
  const u32 state = app::RandomState;
  for (i32 type : {3, 4, 5, 6, 7, 8, -1}) MakeActor(0, type);
  MakeActor(-1, 0);
  MakeActor(game::kPoolSize, 0);
  EXPECT_EQ(0, std::memcmp(before, ActorPool, sizeof before));
  EXPECT_EQ(state, app::RandomState);
}

}  // namespace
}  // namespace gametest
