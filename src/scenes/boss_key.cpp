// The boss key: a still picture hides the game until the next right click.
// Nothing of the game runs meanwhile.
#include "base/input.h"
#include "base/scene.h"
#include "scenes/pictures.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

void BossKeyScene() {
  video::BlitSheet({0, 0, 640, 480}, layout::boss::kScreen, video::kModeOpaque,
                   0);
  // The pointer's tip is its top-left pixel.
  i32 x = static_cast<i32>(base::MouseX), y = static_cast<i32>(base::MouseY);
  video::BlitSheet({x, y, x + 16, y + 24}, layout::boss::kPointer,
                   video::kModeKeyed, 0);
  if (base::RightButton == 1) {
    LoadGameSheet();
    base::RightButton = 0;
    base::CurrentScene = PlayScene;
    // The music starts over rather than resuming.
    sound::SoundCommand(sound::kMusicChannel, -1, 0);
  }
}

}  // namespace scenes
