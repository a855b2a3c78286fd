// One frame of play: steering, motion, shots and the drawing of the field.
#pragma once
#include "base/types.h"
#include "game/actors.h"

namespace game {

// 1 while the game goes on, 0 when it is over.
i32 StepEnemies();
void StepActors();

void HandleMouse();
u8 StrikeAtCursor();

void SortActorsByY();
void DrawActors();
void DrawNumber(i32 x, i32 y, i32 value);
void DrawHud();

}  // namespace game
