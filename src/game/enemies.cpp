// Enemies: steering, waypoints and exits, going down after a hit, arrivals
// and the end of the game.
#include <cmath>

#include "base/scores.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "game/random_points.h"
#include "game/steering.h"
#include "sound/sound.h"

namespace game {

i32 BearingHeading(const Actor& a) {
  const double dx = static_cast<double>(a.targetX) - static_cast<double>(a.x);
  const double dy = static_cast<double>(a.targetY) - static_cast<double>(a.y);
  double angle = std::atan2(dy, dx);
  if (angle < 0) angle += 6.283185308;
  const double t = angle / 3.141592654 * 512;
  double u = 1024 - t + 768;
  if (u > 1024) u -= 1024;
  if (u < 0) u += 1024;
  return static_cast<i32>(u);
}

i32 TurnHeading(i32 heading, i32 desired) {
  const i32 d = heading - desired;
  if ((d > 0 && d < 512) || (d > -1024 && d < -512)) {
    heading -= 15;
  } else {
    heading += 15;
  }
  if (heading < 0) heading += 1024;
  return heading & 1023;
}

namespace {

// Strict on all four sides: 64 pixels away is not there yet.
bool AtWaypoint(const Actor& a) {
  const i32 tx = static_cast<i32>(a.x);
  const i32 ty = static_cast<i32>(a.y);
  return tx > a.targetX - 64 && tx < a.targetX + 64 && ty > a.targetY - 64 &&
         ty < a.targetY + 64;
}

void ChooseExit(Actor& a) {
  const i32 e = Draw(63);
  if (e >= 48) {
    a.targetX = FieldX();
    a.targetY = -400;
  } else if (e >= 30) {
    a.targetX = FieldX();
    a.targetY = 900;
  } else if (e >= 15) {
    a.targetX = -400;
    a.targetY = FieldY();
  } else {
    a.targetX = 1000;
    a.targetY = FieldY();
  }
}

void GoDown(Actor& a, i32 slot) {
  a.height -= 1;
  if (Draw(SinkPuffMask(base::Difficulty)) == 0) {
    MakeActor(slot, MakeSmallPuff);
  }
  if (a.height <= 0) {
    a.active = 0;
    ExplosionChannel = (ExplosionChannel + 1) & 3;
    sound::SoundCommand(ExplosionChannel, 1, 0);
    MakeActor(slot, MakeBlast);
  }
}

void Wander(Actor& a) {
  if (!AtWaypoint(a)) return;
  if (a.age < a.waypointLimit) {
    a.targetX = FieldX();
    a.targetY = FieldY();
    a.age += 1;
  } else {
    ChooseExit(a);
  }
  // Only tested here: an enemy coming in from beyond the edge has not
  // reached a box yet, and an exit box lies beyond these bounds.
  if (a.x > 896.0f || a.x < -256.0f || a.y > 736.0f || a.y < -256.0f) {
    a.active = 0;
  }
}

// True when an enemy was made in the slot.
bool Arrive(i32 slot) {
  if (LiveEnemyCount >= 10 || EnemiesSpawned >= EnemiesPerGame) return false;
  // Draws until one of the three enemy types comes up.
  i32 type;
  do {
    type = Draw(3);
  } while (type > MakeFlyer);
  MakeActor(slot, type);
  EnemiesSpawned += 1;
  LiveEnemyCount += 1;
  return true;
}

}  // namespace

i32 StepEnemies() {
  i32 live = 0;
  bool arrived = false;
  for (i32 i = 0; i < kPoolSize; ++i) {
    Actor& a = ActorPool[i];
    if (a.active == 1 && a.kind < SmallPuff) {
      live += 1;
      a.heading = TurnHeading(a.heading, BearingHeading(a));
      if (a.hit == 1) {
        GoDown(a, i);
      } else {
        Wander(a);
      }
    } else {
      if (Arrive(i)) arrived = true;
    }
  }
  // Enemies made in this pass are not in `live`, but they are on the field:
  // a field emptied by one shot near the end must not end the game before
  // the last arrivals have had their turn.
  if (live > 0 || arrived) return 1;
  return EnemiesSpawned < EnemiesPerGame ? 1 : 0;
}

}  // namespace game
