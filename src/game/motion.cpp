// Every actor's frame of motion and animation, and the count of live
// enemies that the next frame's arrivals go by.
#include "base/scores.h"
#include "base/trig.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "game/random_points.h"

namespace game {

namespace {

// Along the heading at the enemy's speed, rounded to single precision.
void Move(Actor& a) {
  const i32 h = a.heading & 1023;
  a.x -= static_cast<f32>(a.speed) * base::SineTable[h];
  a.y -= static_cast<f32>(a.speed) * base::CosineTable[h];
}

void StepWalker(Actor& a) {
  a.frameTimer += 1;
  if (a.frameTimer > 2) {
    a.frame += a.frameStep;
    if (a.frame >= 7 || a.frame <= 0) a.frameStep = -a.frameStep;
    // 7 x 73 = 511: the hop rises and lands within half a turn.
    a.hopPhase = a.frame * 73;
    a.frameTimer = 0;
  }
  Move(a);
}

void StepFlyer(Actor& a) {
  a.frameTimer += 1;
  if (a.frameTimer > 2) {
    a.frame += a.frameStep;
    if (a.frame >= 7 || a.frame < 1) a.frameStep = -a.frameStep;
    a.hopPhase = a.hopPhase & 1023;
    a.frameTimer = 0;
  }
  Move(a);
}

// Puffs drift a pixel a frame whatever their speed, and rise.
void StepPuff(Actor& a, i32 rise) {
  const i32 h = a.heading & 1023;
  a.x -= base::SineTable[h];
  a.y -= base::CosineTable[h];
  a.height += rise;
  a.age += 1;
  a.frameTimer += 1;
  if (a.frameTimer > 16) {
    a.frame += 1;
    if (a.frame > 4) a.frame = 4;
    a.frameTimer = 0;
  }
  if (a.age > 64) a.active = 0;
}

// After its fourth picture the mark stays, undrawn, for six more steps that
// may still give off smoke; frameStep counts them.
void StepMissMark(Actor& a, i32 slot) {
  a.frameTimer += 1;
  if (a.frameTimer <= 5) return;
  a.frame += 1;
  if (a.frame > 4) {
    a.frameStep += 1;
    if (a.frameStep > 6) a.active = 0;
  }
  a.frameTimer = 0;
  if (Draw(SinkPuffMask(base::Difficulty)) == 0) {
    MakeActor(slot, MakeSmallPuff);
  }
}

// The smoke draw is made in every frame of the blast, its last included.
void StepBlast(Actor& a, i32 slot) {
  a.age += 1;
  a.frameTimer += 1;
  if (a.frameTimer > 3) {
    a.frameTimer = 0;
    a.frame += 1;
    if (a.frame > 19) a.frame = 19;
  }
  if (a.age > 51) a.active = 0;
  if (Draw(BlastPuffMask(base::Difficulty)) == 0) {
    MakeActor(slot, MakeLargePuff);
  }
}

}  // namespace

void StepActors() {
  LiveEnemyCount = 0;
  for (i32 i = 0; i < kPoolSize; ++i) {
    Actor& a = ActorPool[i];
    if (a.active != 1) continue;
    switch (a.kind) {
      case WalkerOne:
      case WalkerTwo:
        LiveEnemyCount += 1;
        StepWalker(a);
        break;
      case Flyer:
        LiveEnemyCount += 1;
        StepFlyer(a);
        break;
      case SmallPuff:
        StepPuff(a, 1);
        break;
      case LargePuff:
        StepPuff(a, 2);
        break;
      case MissMark:
        StepMissMark(a, i);
        break;
      case Blast:
        StepBlast(a, i);
        break;
      default:
        break;
    }
  }
}

}  // namespace game
