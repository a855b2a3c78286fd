// The game's random draws, one call per draw so that their order is the
// order in which the code reads (operands of + have no fixed order in C++).
#pragma once
#include "base/random.h"
#include "base/types.h"

namespace game {

inline i32 Draw(i32 mask) { return base::Random() & mask; }

// x of a point on the field, 0..638.
inline i32 FieldX() {
  const i32 a = Draw(511);
  return a + Draw(127);
}

// y of a point on the field, 0..476.
inline i32 FieldY() {
  i32 v = Draw(255);
  v += Draw(127);
  v += Draw(63);
  return v + Draw(31);
}

// y where an enemy comes in from a side: the last term is 0 or 32, so
// 0..477.
inline i32 EntryY() {
  i32 v = Draw(255);
  v += Draw(127);
  v += Draw(63);
  return v + Draw(32);
}

// Puff chances by the Difficulty setting; a value out of range (a hand-made
// Score.dat) smokes like Difficulty 0.
inline i32 SinkPuffMask(u8 difficulty) {
  return difficulty == 2 ? 7 : difficulty == 1 ? 15 : 31;
}
inline i32 BlastPuffMask(u8 difficulty) {
  return difficulty == 2 ? 31 : difficulty == 1 ? 63 : 127;
}

}  // namespace game
