#include "video/display.h"

#include "base/platform.h"
#include "video/blit.h"
#include "video/sheet_layout.h"
#include "video/ssk.h"
#include "video/surface.h"

namespace video {

namespace {
bool displayUp = false;
}

bool DisplayUp() { return displayUp; }

int InitDisplay() {
  displayUp = true;
  if (!platform::Current()->OpenDisplay()) return FatalDisplayError();
  CreateSurfaces();
  // The first palette comes from the game sheet; its bottom-left pixel is the
  // sheet's transparent colour (0 when the file is missing).
  SetSheetColorKey(LoadSskPalette(layout::kGameSheet));
  return 1;
}

void ShutdownDisplay() {
  if (!displayUp) return;
  ReleaseSurfaces();
  platform::Current()->CloseDisplay();
  displayUp = false;
}

int FatalDisplayError() {
  ShutdownDisplay();
  platform::Current()->ShowFailure(kFailureCaption, kFailureText);
  return 0;
}

}  // namespace video
