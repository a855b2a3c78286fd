#include "app/input.h"

namespace app {

u32 MouseX = 0;
u32 MouseY = 0;
u32 AppActive = 0;
u8 RightButton = 0;
u8 LeftButton = 0;

void ResetInput() {
  MouseX = MouseY = 0;
  AppActive = 0;
  RightButton = LeftButton = 0;
}

}  // namespace app
