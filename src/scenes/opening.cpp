// The opening: a tile zooms out of the centre, the emblem holds, then it is
// stretched away while the palette fades to black. 482 frames, no input.
#include "app/scene.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "video/video.h"

namespace scenes {

namespace {

constexpr video::Rect kEmblem{416, 800, 512, 832};

void DrawEmblem() {
  video::BlitSheet({272 + OpeningCell, 224 - OpeningSize, 368 - OpeningCell,
                    256 + OpeningSize},
                   kEmblem, video::kModeKeyed, 0);
}

void Load() {
  LoadTitlePicture(TitlePictureName());
  OpeningPhase = 1;
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
    // Reset before drawing: the last zoom frame shows only black.
    OpeningPhase = 2;
    OpeningSize = 0;
    OpeningStep = 50;
    OpeningTimer = 0;
    OpeningSpeed = 8;
    OpeningCell = 0;
  }
  ClearScreen();
  video::BlitSheet({320 - OpeningSize, 240 - OpeningSize, 320 + OpeningSize,
                    240 + OpeningSize},
                   {32 * OpeningCell, 864, 32 * OpeningCell + 32, 896},
                   video::kModeKeyed, 0);
}

void Hold() {
  ++OpeningTimer;
  if (OpeningTimer >= 192) {
    OpeningTimer = 0;
    OpeningPhase = 3;
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
  if (OpeningTimer > 128) OpeningPhase = 4;
}

void HandOver() {
  OpeningPhase = 0;
  OpeningSize = 2;
  OpeningStep = 1;
  OpeningTimer = OpeningSpeed = OpeningCell = 0;
  app::CurrentScene = TitleScene;
}

}  // namespace

void OpeningScene() {
  switch (OpeningPhase) {
    case 0:
      Load();
      break;
    case 1:
      Zoom();
      break;
    case 2:
      Hold();
      break;
    case 3:
      StretchAndFade();
      break;
    case 4:
      HandOver();
      break;
    default:
      break;
  }
}

}  // namespace scenes
