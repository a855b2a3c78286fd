// What the window procedure knows about the mouse and the application.
#pragma once
#include "app/types.h"

namespace app {

extern u32 MouseX;
extern u32 MouseY;
extern u32 AppActive;
extern u8 RightButton;
extern u8 LeftButton;

void ResetInput();

}  // namespace app
