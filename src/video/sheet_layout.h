// Where everything lies on the pictures the game copies from: the file
// names and every sheet rectangle, in one place. The scenes and the game
// copy from these rectangles, the picture generator draws into them, and
// the tests check both against this header.
#pragma once
#include <vector>

#include "video/rect.h"

namespace layout {

using video::Point;
using video::Rect;

// The picture files, read from the data folder.
inline constexpr const char kTitlePicture[] = "TITLE.ssk";
inline constexpr const char kBonusTitlePicture[] = "OMAKETITLE.ssk";
inline constexpr const char kGameSheet[] = "qqqq.ssk";
inline constexpr const char kBonusGameSheet[] = "qqqqomake.ssk";
inline constexpr const char kBossPicture[] = "JYOUSI.SSK";
inline constexpr const char kSplashPicture[] = "minititle.bmp";
inline constexpr const char* kSskPictures[] = {kTitlePicture,
                                               kBonusTitlePicture, kGameSheet,
                                               kBonusGameSheet, kBossPicture};

// How the generator fills a rectangle, and so what the tests expect of it.
enum class Content : u8 {
  Solid,    // every pixel drawn (backgrounds, the field tile)
  Picture,  // a picture on the transparent colour
  Sprite,   // a picture that keeps clear of its cell's edges
};

struct Region {
  const char* name;
  Rect rect;
  Content content;
};

// The title picture ("TITLE.ssk", or "OMAKETITLE.ssk" in the bonus set):
// 640 x 960.
namespace title {

inline constexpr i32 kWidth = 640, kHeight = 960;
inline constexpr Rect kBackground{0, 0, 640, 480};
// Rows of the background as the title and the menu copy them, full width:
// a copy from column 1 would leave column 0 of the screen with whatever the
// last scene drew there.
constexpr Rect BackgroundRows(i32 top, i32 bottom) {
  return {kBackground.left, top, kBackground.right, bottom};
}
inline constexpr Rect kLettering{0, 480, 640, 768};
// The lettering's top-left pixel is the picture's transparent colour.
inline constexpr Point kKeyPixel{0, 480};
// Row `k` of the 96 three-pixel strips the lettering waves in as.
constexpr Rect LetteringStrip(i32 k) {
  return {0, kLettering.top + 3 * k, 640, kLettering.top + 3 * k + 3};
}
inline constexpr Rect kPrompt{0, 800, 256, 832};
inline constexpr Rect kLeftArrow{256, 800, 288, 832};
inline constexpr Rect kLeftArrowLit{288, 800, 320, 832};
inline constexpr Rect kRightArrow{256, 832, 288, 864};
inline constexpr Rect kRightArrowLit{288, 832, 320, 864};
// The pictures of the values 0 to 2 of the two 0..2 settings, right to left.
constexpr Rect DetailValue(i32 value) {
  return {288 + 32 * (3 - value), 800, 320 + 32 * (3 - value), 832};
}
constexpr Rect SmokeValue(i32 value) {
  return {288 + 32 * (3 - value), 832, 320 + 32 * (3 - value), 864};
}
inline constexpr Rect kEmblemFront{416, 800, 512, 832};
inline constexpr Rect kEmblemBack{416, 832, 512, 864};
// The eight 32 x 32 cells of the opening's zooming tile.
constexpr Rect ZoomCell(i32 cell) {
  return {32 * cell, 864, 32 * cell + 32, 896};
}
inline constexpr Rect kCursor{256, 864, 288, 896};
inline constexpr Rect kBonusOn{320, 864, 352, 896};
inline constexpr Rect kBonusOff{352, 864, 384, 896};
inline constexpr Rect kStart{0, 896, 96, 928};
inline constexpr Rect kStartLit{96, 896, 192, 928};
inline constexpr Rect kSettings{0, 928, 96, 960};
// Also the heading of the settings page.
inline constexpr Rect kSettingsLit{96, 928, 192, 960};
inline constexpr Rect kDetailLabel{192, 896, 352, 928};
inline constexpr Rect kSmokeLabel{192, 928, 288, 960};
inline constexpr Rect kBonusLabel{288, 928, 384, 960};
inline constexpr Rect kBack{352, 896, 416, 928};

inline std::vector<Region> Regions() {
  using enum Content;
  std::vector<Region> v = {
      {"background", kBackground, Solid},
      {"lettering", kLettering, Picture},
      {"prompt", kPrompt, Picture},
      {"<", kLeftArrow, Picture},
      {"<*", kLeftArrowLit, Picture},
      {">", kRightArrow, Picture},
      {">*", kRightArrowLit, Picture},
      {"emblem front", kEmblemFront, Picture},
      {"emblem back", kEmblemBack, Picture},
      {"cursor", kCursor, Picture},
      {"on", kBonusOn, Picture},
      {"off", kBonusOff, Picture},
      {"start", kStart, Picture},
      {"start*", kStartLit, Picture},
      {"settings", kSettings, Picture},
      {"settings*", kSettingsLit, Picture},
      {"detail", kDetailLabel, Picture},
      {"smoke", kSmokeLabel, Picture},
      {"bonus", kBonusLabel, Picture},
      {"back", kBack, Picture},
  };
  static const char* const kValue[3] = {"0", "1", "2"};
  for (i32 value = 0; value < 3; ++value) {
    v.push_back({kValue[value], DetailValue(value), Picture});
    v.push_back({kValue[value], SmokeValue(value), Picture});
  }
  for (i32 cell = 0; cell < 8; ++cell) {
    v.push_back({"z", ZoomCell(cell), Picture});
  }
  return v;
}

}  // namespace title

// The game sheet ("qqqq.ssk", or "qqqqomake.ssk" in the bonus set):
// 640 x 2048.
namespace game {

inline constexpr i32 kWidth = 640, kHeight = 2048;
// The bonus sheet is keyed on this pixel (the normal one on its first).
inline constexpr Point kBonusKeyPixel{0, 480};
// The three enemies' blocks, 512 rows apart: eight direction rows (1..8) of
// eight 64 x 64 pictures each.
constexpr Rect EnemyCell(i32 kind, i32 row, i32 frame) {
  const i32 top = (kind - 1) * 512 + (row - 1) * 64;
  return {frame * 64, top, frame * 64 + 64, top + 64};
}
// The blast's pictures, 64 x 100, one above another.
inline constexpr i32 kBlastPictures = 13;
constexpr Rect BlastCell(i32 frame) {
  return {576, (frame + 1) * 100, 640, (frame + 1) * 100 + 100};
}
inline constexpr Rect kFieldTile{0, 1536, 320, 1776};
inline constexpr Rect kLeftLabel{320, 1536, 384, 1568};
// Written after both counters of the play screen.
inline constexpr Rect kCounterIcon{384, 1536, 416, 1568};
inline constexpr Rect kHitsLabel{384, 1568, 448, 1600};
inline constexpr Rect kShotsLabel{320, 1568, 384, 1600};
inline constexpr Rect kBestLabel{384, 1600, 448, 1632};
inline constexpr Rect kTotalLabel{320, 1600, 384, 1632};
inline constexpr Rect kBanner{320, 1664, 512, 1776};
// Pictures 1 to 4 of the effects.
constexpr Rect LargePuffCell(i32 frame) {
  return {(frame - 1) * 128, 1792, frame * 128, 1920};
}
constexpr Rect SmallPuffCell(i32 frame) {
  return {(frame - 1) * 64, 1920, frame * 64, 1984};
}
constexpr Rect MissMarkCell(i32 frame) {
  return {(frame - 1) * 64, 1984, frame * 64, 2048};
}
constexpr Rect Digit(i32 digit) {
  return {256 + 32 * digit, 1920, 288 + 32 * digit, 1952};
}
inline constexpr Rect kRankingHeading{288, 1952, 512, 1984};
inline constexpr Rect kShadow{256, 1984, 320, 2048};
inline constexpr Rect kAim{320, 1984, 384, 2048};

inline std::vector<Region> Regions() {
  using enum Content;
  static const char* const kEnemy[3] = {"walker one", "walker two", "flyer"};
  std::vector<Region> v;
  for (i32 kind = 1; kind <= 3; ++kind) {
    for (i32 row = 1; row <= 8; ++row) {
      for (i32 frame = 0; frame < 8; ++frame) {
        v.push_back({kEnemy[kind - 1], EnemyCell(kind, row, frame), Sprite});
      }
    }
  }
  for (i32 frame = 1; frame <= kBlastPictures; ++frame) {
    v.push_back({"blast", BlastCell(frame), Picture});
  }
  for (i32 frame = 1; frame <= 4; ++frame) {
    v.push_back({"large puff", LargePuffCell(frame), Sprite});
    v.push_back({"small puff", SmallPuffCell(frame), Sprite});
    v.push_back({"miss", MissMarkCell(frame), Sprite});
  }
  for (i32 digit = 0; digit < 10; ++digit) {
    v.push_back({"digit", Digit(digit), Picture});
  }
  v.insert(v.end(), {{"field tile", kFieldTile, Solid},
                     {"left", kLeftLabel, Picture},
                     {"icon", kCounterIcon, Picture},
                     {"hits", kHitsLabel, Picture},
                     {"shots", kShotsLabel, Picture},
                     {"best", kBestLabel, Picture},
                     {"total", kTotalLabel, Picture},
                     {"banner", kBanner, Picture},
                     {"heading", kRankingHeading, Picture},
                     {"shadow", kShadow, Sprite},
                     {"aim", kAim, Sprite}});
  return v;
}

}  // namespace game

// The boss-key picture ("JYOUSI.SSK"): 640 x 512 (the rows below the
// pointer are not used).
namespace boss {

inline constexpr i32 kWidth = 640, kHeight = 512;
inline constexpr Rect kScreen{0, 0, 640, 480};
// The pretended document's name, in its window's title bar (and the page's
// tab title while the picture is shown).
inline constexpr char kCaption[] = "Budget FY26 - Q3 forecast (rev 4).xls";
// The pointer's tip is its top-left pixel.
inline constexpr Rect kPointer{0, 480, 16, 504};
// The pointer is keyed on this pixel, beside it.
inline constexpr Point kKeyPixel{20, 480};

inline std::vector<Region> Regions() {
  return {{"screen", kScreen, Content::Solid},
          {"pointer", kPointer, Content::Picture}};
}

}  // namespace boss

}  // namespace layout
