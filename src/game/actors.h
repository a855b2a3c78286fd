// The pool of 512 actors: enemies and the effects of play.
#pragma once
#include "base/globals.h"
#include "base/types.h"

// The game counters: X(type, name, start value).
#define TS_GAME_COUNTERS(X)  \
  X(u8, EnemiesSpawned, 0)   \
  X(u8, LiveEnemyCount, 0)   \
  X(u8, ExplosionChannel, 0) \
  X(i32, HitCount, 0)        \
  X(i32, ShotCount, 0)       \
  X(i32, MaxCombo, 0)

namespace game {

enum ActorKind : i32 {
  WalkerOne = 1,
  WalkerTwo = 2,
  Flyer = 3,
  SmallPuff = 4,
  MissMark = 5,
  Blast = 6,
  LargePuff = 7,
};

// Seventeen four-byte fields in this order; the trace hashes them as laid out.
struct Actor {
  f32 x;
  f32 y;
  i32 height;
  i32 active;
  i32 heading;
  i32 speed;
  i32 hopPhase;
  i32 frame;
  i32 kind;
  i32 reserved;
  i32 frameStep;
  i32 frameTimer;
  i32 age;
  i32 hit;
  i32 targetX;
  i32 targetY;
  i32 waypointLimit;
};
static_assert(sizeof(Actor) == 68);

inline constexpr int kPoolSize = 512;
inline constexpr int EnemiesPerGame = 100;

extern Actor ActorPool[kPoolSize];

TS_GAME_COUNTERS(TS_DECLARE_GLOBAL)

// What MakeActor makes: an enemy of kind type + 1 in the slot given, or an
// effect in the first free slot, standing where the slot given stands. Any
// other type makes nothing.
enum MakeType : i32 {
  MakeWalkerOne = 0,
  MakeWalkerTwo = 1,
  MakeFlyer = 2,
  MakeSmallPuff = 4,
  MakeBlast = 6,
  MakeLargePuff = 7,
};

void MakeActor(i32 slot, i32 type);
// First slot with active 0, or -1.
int FirstFreeSlot();
// Sets active 0 in every record.
void EmptyPool();

// Zero pool and counters, as at program start.
void ResetGame();

}  // namespace game
