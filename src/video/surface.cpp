#include <cstring>

#include "video/blit.h"
#include "video/surface.h"
#include "video/video.h"

namespace video {

Surface* PrimarySurface = nullptr;
Surface* BackSurface = nullptr;
Surface* SheetSurface = nullptr;
Palette DisplayPalette;
TS_VIDEO_GLOBALS(TS_DEFINE_GLOBAL)

namespace {

// The pixel memory lives for the whole run; "creating" a surface only
// clears it, so nothing is allocated once the game is up.
alignas(64) u8 screenPixels[2][kScreenWidth * kScreenHeight];
alignas(64) u8 sheetPixels[kSheetWidth * kSheetHeight];
Surface screens[2];
Surface sheet;

}  // namespace

void CreateSurfaces() {
  for (int i = 0; i < 2; ++i) {
    std::memset(screenPixels[i], 0, sizeof screenPixels[i]);
    screens[i] = {kScreenWidth, kScreenHeight, kScreenWidth, screenPixels[i]};
  }
  std::memset(sheetPixels, 0, sizeof sheetPixels);
  sheet = {kSheetWidth, kSheetHeight, kSheetWidth, sheetPixels};
  SheetChanged();
  PrimarySurface = &screens[0];
  BackSurface = &screens[1];
  SheetSurface = &sheet;
}

std::array<std::span<u8>, 2> SurfaceMemory() {
  return {std::span<u8>(&screenPixels[0][0], sizeof screenPixels),
          std::span<u8>(sheetPixels, sizeof sheetPixels)};
}

void ReleaseSurfaces() {
  PrimarySurface = BackSurface = SheetSurface = nullptr;
  DisplayPalette.exists = false;
}

void FlipSurfaces() {
  if (!PrimarySurface || !BackSurface) return;
  Surface* shown = BackSurface;
  BackSurface = PrimarySurface;
  PrimarySurface = shown;
}

void ResetVideo() {
  ShutdownDisplay();
  ReleaseSurfaces();
  DisplayPalette = Palette{};
  TS_VIDEO_GLOBALS(TS_RESTART_GLOBAL)
  for (int i = 0; i < 256; ++i) ImagePalette[i] = ScreenPalette[i] = {};
}

}  // namespace video
