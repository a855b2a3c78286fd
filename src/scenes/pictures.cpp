#include "scenes/pictures.h"

#include "base/scores.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace scenes {

const char* TitlePictureName() {
  return base::BonusMode == 1 ? layout::kBonusTitlePicture
                              : layout::kTitlePicture;
}

void LoadPicture(const char* name, video::Point keyPixel) {
  video::LoadSskImage(name, 0, 0);
  video::LoadSskPalette(name);
  video::SetSheetColorKey(
      video::ReadPixel(keyPixel.x, keyPixel.y, video::SheetSurface));
}

void LoadPictureKeyedOnFirstByte(const char* name) {
  video::LoadSskImage(name, 0, 0);
  video::SetSheetColorKey(video::LoadSskPalette(name));
}

void LoadTitlePicture(const char* name) {
  LoadPicture(name, layout::title::kKeyPixel);
}

void LoadGameSheet() {
  if (base::BonusMode == 1) {
    LoadPicture(layout::kBonusGameSheet, layout::game::kBonusKeyPixel);
  } else {
    LoadPictureKeyedOnFirstByte(layout::kGameSheet);
  }
}

void DrawKeyed(video::Rect dst, video::Rect src) {
  video::BlitSheet(dst, src, video::kModeKeyed, 0);
}

void ClearScreen() {
  video::BlitSheet({0, 0, 640, 480}, {0, 0, 0, 0}, video::kModeFill, 0);
}

void DrawFieldBackground() {
  const video::Rect tile = layout::game::kFieldTile;
  video::BlitSheet({0, 0, 320, 240}, tile, video::kModeOpaque, 0);
  video::BlitSheet({320, 0, 640, 240}, tile, video::kModeOpaque, 0);
  // The lower half is the upper one again: copied in one piece.
  video::BlitSurface(video::BackSurface, video::BackSurface, {0, 0, 640, 240},
                     {0, 240, 640, 480});
}

}  // namespace scenes
