#include "scenes/pictures.h"

#include "base/scores.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

const char* TitlePictureName() {
  return base::BonusMode == 1 ? layout::kBonusTitlePicture
                              : layout::kTitlePicture;
}

void LoadTitlePicture(const char* name) {
  video::LoadSskImage(name, 0, 0);
  video::LoadSskPalette(name);
  SetKeyFromPixel(layout::title::kKeyPixel);
}

void SetKeyFromPixel(video::Point at) {
  video::SetSheetColorKey(video::ReadPixel(at.x, at.y, video::SheetSurface));
}

void LoadGameSheet() {
  if (base::BonusMode == 1) {
    video::LoadSskImage(layout::kBonusGameSheet, 0, 0);
    video::LoadSskPalette(layout::kBonusGameSheet);
    SetKeyFromPixel(layout::game::kBonusKeyPixel);
  } else {
    video::LoadSskImage(layout::kGameSheet, 0, 0);
    video::SetSheetColorKey(video::LoadSskPalette(layout::kGameSheet));
  }
}

void ClearScreen() {
  video::BlitSheet({0, 0, 640, 480}, {0, 0, 0, 0}, video::kModeFill, 0);
}

void DrawFieldBackground() {
  const video::Rect tile = layout::game::kFieldTile;
  video::BlitSheet({0, 0, 320, 240}, tile, video::kModeOpaque, 0);
  video::BlitSheet({0, 240, 320, 480}, tile, video::kModeOpaque, 0);
  video::BlitSheet({320, 0, 640, 240}, tile, video::kModeOpaque, 0);
  video::BlitSheet({320, 240, 640, 480}, tile, video::kModeOpaque, 0);
}

}  // namespace scenes
