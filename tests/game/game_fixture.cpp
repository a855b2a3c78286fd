#include "game_fixture.h"

#include "app/input.h"
#include "app/random.h"
#include "app/scores.h"
#include "app/trig.h"
#include "scenes/scenes.h"
#include "sound/sound.h"

namespace gametest {

void GameTest::SetUp() {
  app::ResetInput();
  app::ResetScores();
  video::ResetVideo();
  video::CreateSurfaces();
  sound::ResetSound();
  game::ResetGame();
  scenes::ResetScenes();
  app::BuildTrigTables();
  app::SeedRandom(12345);
}

void GameTest::TearDown() { video::ResetVideo(); }

game::Actor& PlaceWalker(int slot, f32 x, f32 y, i32 kind) {
  game::Actor& a = game::ActorPool[slot];
  a = game::Actor{};
  a.active = 1;
  a.kind = kind;
  a.x = x;
  a.y = y;
  a.speed = 3;
  a.frameStep = 1;
  a.waypointLimit = 5;
  a.targetX = static_cast<i32>(x);
  a.targetY = 5000;
  a.heading = 512;
  return a;
}

void FillSheet(video::Rect r, u8 index) {
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      video::SheetSurface->Row(y)[x] = index;
    }
  }
}

u8 BackPixel(int x, int y) { return video::BackSurface->Row(y)[x]; }

void ClearBack() {
  for (int y = 0; y < video::kScreenHeight; ++y) {
    for (int x = 0; x < video::kScreenWidth; ++x)
      video::BackSurface->Row(y)[x] = 0;
  }
}

int CountLive(i32 kind) {
  int n = 0;
  for (const game::Actor& a : game::ActorPool) {
    if (a.active == 1 && a.kind == kind) ++n;
  }
  return n;
}

}  // namespace gametest
