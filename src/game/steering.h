// How an enemy turns towards its waypoint.
#pragma once
#include "base/types.h"
#include "game/actors.h"

namespace game {

// The heading (0..1024) whose motion (-sin, -cos) points from the actor's
// ground position at its waypoint.
i32 BearingHeading(const Actor& a);

// One frame's turn of 15 towards desired, the shorter way round, kept in
// 0..1023.
i32 TurnHeading(i32 heading, i32 desired);

}  // namespace game
