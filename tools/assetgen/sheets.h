// The pictures of the game's files, drawn in true colour with the names of
// the rectangles the game copies from them.
#pragma once
#include <vector>

#include "output.h"
#include "palette.h"
#include "raster.h"
#include "video/sheet_layout.h"

namespace assetgen {

struct Sheet {
  Image image;  // alpha 0 where the sheet is transparent
  // The rectangles the game copies from it, for the contact sheet.
  std::vector<layout::Region> regions;
  PaletteRules rules;
};

// 640 x 2048 game sheet: enemies, effects, labels, digits, play-field tile.
Sheet BuildGameSheet(bool bonus);
// 640 x 960 title picture: background, lettering, opening and menu pictures.
Sheet BuildTitleSheet(bool bonus);
// 640 x 512 boss-key picture: the spreadsheet and its pointer.
Sheet BuildBossSheet();
// 480 x 240 start-up splash.
Image BuildSplash();
// The window icon, 32 x 32 with alpha.
Image BuildIcon(int size = 32);

// Shared pieces.
struct Palette3 {
  Color light, mid, dark;
};
// Smoke or fire: a cluster of lit blobs about (cx, cy).
void DrawCloud(Image& im, float cx, float cy, float r, Palette3 p, int seed,
               int blobs, float outline = 1.2f);
// A rounded plate with a bevel, for buttons and signs.
void DrawPlate(Image& im, float x0, float y0, float x1, float y1, float r,
               Color top, Color bottom, Color border);
// Stamps a finished sprite into a sheet with binary alpha.
void Stamp(Image& sheet, Image sprite, int x, int y);

}  // namespace assetgen
