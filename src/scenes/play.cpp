// One frame of a game: the gameplay steps every frame; the field is redrawn
// in full or, by the detail level, the picture on screen is shown again; the
// mouse comes last, and a right click hides the game behind the boss key.
#include "base/input.h"
#include "base/scene.h"
#include "base/scores.h"
#include "game/gameplay.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

namespace {

// The frame still completes; the main loop clears RightButton after it.
void ShowBossKey() {
  base::CurrentScene = BossKeyScene;
  sound::SoundCommand(sound::kMusicChannel, 0, 0);
  LoadPicture(layout::kBossPicture, layout::boss::kKeyPixel);
}

}  // namespace

void PlayScene() {
  // The frame that ends the game is still drawn and its click still counts.
  if (game::StepEnemies() == 0) base::CurrentScene = ResultScene;
  game::StepActors();

  ++FrameSkipCounter;
  if (FrameSkipCounter < 2 - static_cast<i32>(base::DetailLevel)) {
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
  if (base::RightButton == 1) ShowBossKey();
}

}  // namespace scenes
