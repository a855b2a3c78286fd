// What the window procedure knows about the mouse and the application.
#pragma once
#include "base/globals.h"
#include "base/types.h"

// The input state, written only by the window procedure (and the button
// flags cleared by the frame loop after each scene call).
#define TS_INPUT_GLOBALS(X) \
  X(u32, MouseX, 0)         \
  X(u32, MouseY, 0)         \
  X(u32, AppActive, 0)      \
  X(u8, RightButton, 0)     \
  X(u8, LeftButton, 0)

namespace base {

TS_INPUT_GLOBALS(TS_DECLARE_GLOBAL)

inline void ResetInput() { TS_INPUT_GLOBALS(TS_RESTART_GLOBAL) }

}  // namespace base
