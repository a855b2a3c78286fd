// The pool of 512 actors: enemies and the effects of play.
#pragma once
#include "app/types.h"

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

// Game counters.
extern u8 EnemiesSpawned;
extern u8 LiveEnemyCount;
extern u8 ExplosionChannel;
extern i32 HitCount;
extern i32 ShotCount;
extern i32 MaxCombo;

void MakeActor(i32 slot, i32 type);
// First slot with active 0, or -1.
int FirstFreeSlot();
// Sets active 0 in every record.
void EmptyPool();

// Zero pool and counters, as at program start.
void ResetGame();

}  // namespace game
