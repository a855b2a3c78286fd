// The mouse in play: the aiming cursor, shots and their hits. (The right
// button's boss key is the play scene's.)
#include "base/input.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "sound/sound.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace game {

namespace {

constexpr i32 kShotReach = 48;

// Where a shot found nothing: a mark on the ground and two puffs. The
// fields not named keep what the slot held.
void LeaveMissMark() {
  const int n = FirstFreeSlot();
  if (n < 0) return;  // a full pool: no mark, and no room for puffs either
  Actor& m = ActorPool[n];
  m.active = 1;
  m.kind = MissMark;
  m.x = static_cast<f32>(base::MouseX);
  m.y = static_cast<f32>(base::MouseY);
  m.height = 0;
  m.frame = 1;
  m.frameTimer = 0;
  m.frameStep = 0;
  MakeActor(n, MakeSmallPuff);
  MakeActor(n, MakeSmallPuff);
}

}  // namespace

u8 StrikeAtCursor() {
  // Signed, so a shot at the screen's edge reaches as far as one in the
  // middle.
  const i32 mx = static_cast<i32>(base::MouseX);
  const i32 my = static_cast<i32>(base::MouseY);
  u8 count = 0;
  for (Actor& a : ActorPool) {
    if (a.active != 1 || a.kind < WalkerOne || a.kind > Flyer) continue;
    const i32 px = static_cast<i32>(a.x);
    const i32 py = static_cast<i32>(a.y) - a.height;
    if (px <= mx - kShotReach || px >= mx + kShotReach ||
        py <= my - kShotReach || py >= my + kShotReach) {
      continue;
    }
    if (a.kind == WalkerOne) {
      sound::SoundCommand(4, 1, 0);
    } else if (a.kind == WalkerTwo) {
      sound::SoundCommand(5, 1, 0);
    } else if (a.hit == 0) {
      sound::SoundCommand(6, 1, 0);
    }
    if (a.hit == 0) HitCount += 1;
    a.hit = 1;
    a.age = 0;
    count += 1;
  }
  if (MaxCombo < count) MaxCombo = count;
  return count;
}

void HandleMouse() {
  const i32 mx = static_cast<i32>(base::MouseX);
  const i32 my = static_cast<i32>(base::MouseY);
  video::BlitSheet({mx - 32, my - 32, mx + 32, my + 32}, layout::game::kAim,
                   video::kModeKeyed, 0);
  if (base::LeftButton == 1) {
    ShotCount += 1;
    // Every shot sounds an explosion, on the same rotation as the blasts.
    ExplosionChannel = (ExplosionChannel + 1) & 3;
    sound::SoundCommand(ExplosionChannel, 1, 0);
    base::LeftButton = 0;
    if (StrikeAtCursor() == 0) LeaveMissMark();
  }
}

}  // namespace game
