#include "video/display.h"

#include "video/blit.h"
#include "video/ssk.h"
#include "video/surface.h"

namespace video {

namespace {
platform::Platform* displayPlatform = nullptr;
}

bool DisplayUp() { return displayPlatform != nullptr; }

int InitDisplay(platform::Platform& platform) {
  if (!platform.OpenDisplay()) {
    displayPlatform = &platform;
    return FatalDisplayError(platform);
  }
  displayPlatform = &platform;
  CreateSurfaces();
  // The first palette comes from the game sheet; its bottom-left pixel is the
  // sheet's transparent colour (0 when the file is missing).
  SetSheetColorKey(LoadSskPalette("qqqq.ssk"));
  return 1;
}

void ShutdownDisplay() {
  if (!displayPlatform) return;
  ReleaseSurfaces();
  displayPlatform->CloseDisplay();
  displayPlatform = nullptr;
}

int FatalDisplayError(platform::Platform& platform) {
  ShutdownDisplay();
  platform.ShowFailure(kFailureCaption, kFailureText);
  return 0;
}

}  // namespace video
