// One frame of a game: the gameplay steps every frame; the field is redrawn
// in full or, by the detail level, the picture on screen is shown again.
#include "app/scene.h"
#include "app/scores.h"
#include "game/gameplay.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "video/video.h"

namespace scenes {

void PlayScene() {
  // The frame that ends the game is still drawn and its click still counts.
  if (game::StepEnemies() == 0) app::CurrentScene = ResultScene;
  game::StepActors();

  ++FrameSkipCounter;
  if (FrameSkipCounter < 2 - static_cast<i32>(app::DetailLevel)) {
    // A light frame: the back buffer holds a picture two frames old, so the
    // one now on screen is copied in to be shown again.
    video::BlitSurface(video::PrimarySurface, video::BackSurface,
                       {0, 0, 640, 480}, {0, 0, 640, 480});
  } else {
    DrawFieldBackground();
    game::SortActorsByY();
    game::DrawActors();
    game::DrawHud();
    FrameSkipCounter = -1;
  }

  game::HandleMouse();
}

}  // namespace scenes
