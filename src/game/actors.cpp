// The pool of 512 records and the one operation that fills them.
#include "game/actors.h"

#include "game/random_points.h"

namespace game {

Actor ActorPool[kPoolSize];
TS_GAME_COUNTERS(TS_DEFINE_GLOBAL)

int FirstFreeSlot() {
  for (int i = 0; i < kPoolSize; ++i) {
    if (ActorPool[i].active == 0) return i;
  }
  return -1;
}

void EmptyPool() {
  for (Actor& a : ActorPool) a.active = 0;
}

void ResetGame() {
  for (Actor& a : ActorPool) a = Actor{};
  TS_GAME_COUNTERS(TS_RESTART_GLOBAL)
}

namespace {

// Types 0, 1, 2: an enemy beyond one of the four edges, with its first
// waypoint on the field. frameTimer and reserved keep what the slot held.
void MakeEnemy(Actor& a, i32 type) {
  a.active = 1;
  a.kind = type + 1;
  a.height = (type == MakeFlyer) ? Draw(127) + 32 : 0;
  a.frameStep = 1;
  a.frame = 0;
  a.age = 0;
  a.speed = (type == MakeFlyer) ? Draw(3) + 2 : Draw(3) + 3;
  a.waypointLimit = 5;
  a.hopPhase = 0;
  a.hit = 0;
  switch (Draw(3)) {
    case 0:
      a.x = static_cast<f32>(FieldX());
      a.y = -255.0f;
      a.heading = 512;
      break;
    case 1:
      a.x = static_cast<f32>(FieldX());
      a.y = 735.0f;
      a.heading = 0;
      break;
    case 2:
      a.x = -255.0f;
      a.y = static_cast<f32>(EntryY());
      a.heading = 768;
      break;
    default:
      a.x = 895.0f;
      a.y = static_cast<f32>(EntryY());
      a.heading = 256;
      break;
  }
  a.targetX = FieldX();
  a.targetY = FieldY();
  a.age = 0;
}

// Types 4, 6, 7: an effect in the first free slot, standing where the source
// stands. The source may be that very slot (just freed), so it is read first.
void MakeEffect(const Actor& source, i32 type) {
  const int n = FirstFreeSlot();
  if (n < 0) return;
  const f32 x = source.x;
  const f32 y = source.y;
  const i32 height = (source.kind == Flyer) ? source.height : 0;
  Actor& e = ActorPool[n];
  e.x = x;
  e.y = y;
  e.active = 1;
  e.frame = 1;
  e.frameTimer = 0;
  e.age = 0;
  if (type == MakeBlast) {
    e.height = 0;
    e.kind = Blast;
    return;
  }
  e.height = (type == MakeSmallPuff) ? height : 0;
  e.heading = Draw(1023);
  e.speed = 0;
  e.kind = (type == MakeSmallPuff) ? SmallPuff : LargePuff;
  e.reserved = 0;
  e.frameStep = 0;
}

}  // namespace

void MakeActor(i32 slot, i32 type) {
  if (slot < 0 || slot >= kPoolSize) return;
  switch (type) {
    case MakeWalkerOne:
    case MakeWalkerTwo:
    case MakeFlyer:
      MakeEnemy(ActorPool[slot], type);
      break;
    case MakeSmallPuff:
    case MakeBlast:
    case MakeLargePuff:
      MakeEffect(ActorPool[slot], type);
      break;
    default:
      break;
  }
}

}  // namespace game
