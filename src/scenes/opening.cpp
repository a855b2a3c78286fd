// The opening: a tile zooms out of the centre, the emblem holds, then it is
// stretched away while the palette fades to black. 482 frames, no input.
#include "base/scene.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

namespace {

constexpr i32 kPhaseLoad = 0;
constexpr i32 kPhaseZoom = 1;
constexpr i32 kPhaseHold = 2;
constexpr i32 kPhaseStretch = 3;
constexpr i32 kPhaseHandOver = 4;

void DrawEmblem() {
  video::BlitSheet({272 + OpeningCell, 224 - OpeningSize, 368 - OpeningCell,
                    256 + OpeningSize},
                   layout::title::kEmblemFront, video::kModeKeyed, 0);
}

void Load() {
  LoadTitlePicture(TitlePictureName());
  OpeningPhase = kPhaseZoom;
}

void Zoom() {
  ++OpeningTimer;
  if (OpeningTimer >= 6) {
    // The cell runs back and forth between 0 and 7, and every cell change
    // makes the growth faster.
    OpeningCell += OpeningStep;
    if (OpeningCell == 7 || OpeningCell == 0) OpeningStep = -OpeningStep;
    OpeningTimer = 0;
    ++OpeningSpeed;
  }
  OpeningSize += OpeningSpeed;
  if (OpeningSize > 2048) {
    // Reset before drawing: the last zoom frame shows only black. From here
    // on the variables mean the emblem's stretch.
    OpeningPhase = kPhaseHold;
    OpeningSize = 0;
    OpeningStep = 50;
    OpeningTimer = 0;
    OpeningSpeed = 8;
    OpeningCell = 0;
  }
  ClearScreen();
  video::BlitSheet({320 - OpeningSize, 240 - OpeningSize, 320 + OpeningSize,
                    240 + OpeningSize},
                   layout::title::ZoomCell(OpeningCell), video::kModeKeyed, 0);
}

void Hold() {
  ++OpeningTimer;
  if (OpeningTimer >= 192) {
    OpeningTimer = 0;
    OpeningPhase = kPhaseStretch;
  }
  ClearScreen();
  DrawEmblem();
}

void StretchAndFade() {
  ++OpeningTimer;
  // Entry 255 is left out of the fade.
  video::FadeOutStep(0, 255);
  video::FadeOutStep(0, 255);
  if (OpeningStep != 0) --OpeningStep;
  OpeningSize += OpeningStep;
  if (OpeningSpeed > 1) --OpeningSpeed;
  OpeningCell += OpeningSpeed;
  ClearScreen();
  // Once narrower than nothing the rectangle is inside out and draws nothing.
  DrawEmblem();
  if (OpeningTimer > 128) OpeningPhase = kPhaseHandOver;
}

// Every variable back to its start, so the scene would run the same again.
void HandOver() {
  TS_OPENING_GLOBALS(TS_RESTART_GLOBAL)
  base::CurrentScene = TitleScene;
}

}  // namespace

void OpeningScene() {
  switch (OpeningPhase) {
    case kPhaseLoad:
      Load();
      break;
    case kPhaseZoom:
      Zoom();
      break;
    case kPhaseHold:
      Hold();
      break;
    case kPhaseStretch:
      StretchAndFade();
      break;
    case kPhaseHandOver:
      HandOver();
      break;
    default:
      break;
  }
}

}  // namespace scenes
