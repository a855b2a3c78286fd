// Placeholder gameplay so the program links while the real one is written.
#include "game/actors.h"
#include "game/gameplay.h"

namespace game {

Actor ActorPool[kPoolSize];
u8 EnemiesSpawned, LiveEnemyCount, ExplosionChannel;
i32 HitCount, ShotCount, MaxCombo;

void MakeActor(i32, i32) {}
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
  EnemiesSpawned = LiveEnemyCount = ExplosionChannel = 0;
  HitCount = ShotCount = MaxCombo = 0;
}
i32 StepEnemies() { return 1; }
void StepActors() {}
void HandleMouse() {}
u8 StrikeAtCursor() { return 0; }
void SortActorsByY() {}
void DrawActors() {}
void DrawNumber(i32, i32, i32) {}
void DrawHud() {}

}  // namespace game
