// The boss key: a still picture hides the game until the next right click.
// Nothing of the game runs meanwhile.
#include "app/input.h"
#include "app/scene.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/video.h"

namespace scenes {

void BossKeyScene() {
  video::BlitSheet({0, 0, 640, 480}, {0, 0, 640, 480}, video::kModeOpaque, 0);
  // The pointer's tip is its top-left pixel.
  i32 x = static_cast<i32>(app::MouseX), y = static_cast<i32>(app::MouseY);
  video::BlitSheet({x, y, x + 16, y + 24}, {0, 480, 16, 504}, video::kModeKeyed,
                   0);
  if (app::RightButton == 1) {
    LoadGameSheet();
    app::RightButton = 0;
    app::CurrentScene = PlayScene;
    // The music starts over rather than resuming.
    sound::SoundCommand(13, -1, 0);
  }
}

}  // namespace scenes
