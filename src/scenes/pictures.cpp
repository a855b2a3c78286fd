#include "scenes/pictures.h"

#include "app/scores.h"
#include "video/video.h"

namespace scenes {

const char* TitlePictureName() {
  return app::BonusMode == 1 ? "OMAKETITLE.ssk" : "TITLE.ssk";
}

void LoadTitlePicture(const char* name) {
  video::LoadSskImage(name, 0, 0);
  video::LoadSskPalette(name);
  video::SetSheetColorKey(video::ReadPixel(0, 480, video::SheetSurface));
}

void LoadGameSheet() {
  if (app::BonusMode == 1) {
    video::LoadSskImage("qqqqomake.ssk", 0, 0);
    video::LoadSskPalette("qqqqomake.ssk");
    video::SetSheetColorKey(video::ReadPixel(0, 480, video::SheetSurface));
  } else {
    video::LoadSskImage("qqqq.ssk", 0, 0);
    video::SetSheetColorKey(video::LoadSskPalette("qqqq.ssk"));
  }
}

void ClearScreen() {
  video::BlitSheet({0, 0, 640, 480}, {0, 0, 0, 0}, video::kModeFill, 0);
}

void DrawFieldBackground() {
  const video::Rect tile{0, 1536, 320, 1776};
  video::BlitSheet({0, 0, 320, 240}, tile, video::kModeOpaque, 0);
  video::BlitSheet({0, 240, 320, 480}, tile, video::kModeOpaque, 0);
  video::BlitSheet({320, 0, 640, 240}, tile, video::kModeOpaque, 0);
  video::BlitSheet({320, 240, 640, 480}, tile, video::kModeOpaque, 0);
}

}  // namespace scenes
