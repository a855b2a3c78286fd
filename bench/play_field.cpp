#include "play_field.h"

#include <cstring>

#include "base/input.h"
#include "base/random.h"
#include "base/trig.h"
#include "bench_support.h"
#include "game/actors.h"
#include "loop/main_loop.h"
#include "scenes/scenes.h"
#include "video/video.h"

namespace bench {

namespace {

// The game sheet from the run folder; without one, a synthetic sheet with
// keyed holes so that the keyed copies still do their work.
void LoadSheet() {
  bench::LoadGameSheet();
  for (int y = 0; y < video::kSheetHeight; ++y) {
    for (int x = 0; x < video::kSheetWidth; ++x) {
      if (video::SheetSurface->Row(y)[x] != 0) return;
    }
  }
  for (int y = 0; y < video::kSheetHeight; ++y) {
    for (int x = 0; x < video::kSheetWidth; ++x) {
      video::SheetSurface->Row(y)[x] =
          ((x / 8 + y / 8) % 3 == 0) ? 0 : static_cast<u8>(1 + (x ^ y) % 250);
    }
  }
  video::SheetChanged();
  video::SetSheetColorKey(0);
}

game::Actor Snapshot[game::kPoolSize];
u32 SnapshotRandom;

}  // namespace

void PlayFrame() {
  base::CurrentScene = scenes::PlayScene;
  base::MouseX = 320;
  base::MouseY = 240;
  base::LeftButton = 1;
  loop::RunFrame();
}

namespace {

// A record of the given kind somewhere on or near the screen, mid-life.
void Place(int slot, i32 kind) {
  game::Actor& a = game::ActorPool[slot];
  a = game::Actor{};
  a.active = 1;
  a.kind = kind;
  a.x = static_cast<f32>(base::Random() % 700 - 30);
  a.y = static_cast<f32>(base::Random() % 540 - 30);
  a.heading = base::Random() & 1023;
  a.speed = 2 + (base::Random() & 3);
  a.frameStep = kind < 4 ? 1 : 0;
  a.frame = kind < 4 ? base::Random() % 7 : 1 + base::Random() % 4;
  if (kind == game::Blast) a.frame = 1 + base::Random() % 12;
  a.age = kind < 4 ? 0 : base::Random() % 40;
  a.height = kind == game::Flyer ? 32 + (base::Random() & 127) : 0;
  a.waypointLimit = 5;
  a.targetX = base::Random() % 639;
  a.targetY = base::Random() % 477;
}

}  // namespace

void PrepareField(bool full) {
  loop::ResetRun();
  base::BuildTrigTables();
  LoadSheet();
  base::SeedRandom(2024);
  if (full) {
    for (int i = 0; i < game::kPoolSize; ++i) Place(i, 1 + i % 7);
  } else {
    const i32 kinds[] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 6, 6, 7,
                         7, 7, 7, 4, 4, 4, 4, 4, 4, 4, 4, 5};
    int slot = 0;
    for (i32 kind : kinds) Place(slot++, kind);
    game::EnemiesSpawned = 40;
    game::LiveEnemyCount = 10;
  }
  // One frame first, so the pool is in the order a full frame leaves it.
  PlayFrame();
  std::memcpy(Snapshot, game::ActorPool, sizeof Snapshot);
  SnapshotRandom = base::RandomState;
}

void RestoreField() {
  std::memcpy(game::ActorPool, Snapshot, sizeof Snapshot);
  base::RandomState = SnapshotRandom;
}

}  // namespace bench
