// Shared set-up for the scene tests: synthetic pictures with a distinct index
// in every rectangle the scenes copy, so that one pixel tells what was drawn.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>
#include "../support/null_platform_in_use.h"
#include "../support/work_folder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <utility>
#include <vector>

#include "base/input.h"
#include "base/random.h"
#include "base/scene.h"
#include "base/scores.h"
#include "base/trig.h"
#include "game/actors.h"
#include "loop/main_loop.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "sound/sound_log.h"
#include "video/sheet_layout.h"
#include "video/ssk_codec.h"
#include "video/video.h"

namespace scenes_test {

using namespace scenes;

// kGameShade: the blue of a game sheet's palette (a title picture's: 0).
inline constexpr u8 kTitleKey = 7, kGameKey = 9, kGameShade = 50;

// A picture built from areas (index, left, top, right, bottom); `offset` is
// added to every index but a key (marked negative); palette entry i is
// (i, 255 - i, shade).
using Area = std::array<int, 5>;
inline void WritePicture(const char* name, int w, int h, std::vector<Area> a,
                         u8 offset, u8 shade) {
  std::vector<u8> px(std::size_t(w) * h, 0);
  for (const Area& r : a) {
    for (int y = r[2]; y < r[4]; ++y) {
      std::memset(&px[std::size_t(y) * w + r[1]],
                  r[0] < 0 ? -r[0] : r[0] + offset, r[3] - r[1]);
    }
  }
  video::Rgb colours[256];
  for (int i = 0; i < 256; ++i) colours[i] = {u8(i), u8(255 - i), shade};
  std::vector<u8> bytes = video::BuildSsk(w, h, colours, px);
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline Area At(int index, layout::Rect r) {
  return {index, r.left, r.top, r.right, r.bottom};
}

// Title: background 40, lettering key but column 1 (21), emblem faces 30 and
// 31, Start 50, 51, Settings 52, 53, bonus label 56, lit arrow 58, detail
// values 2, 1, 0: 61..63, bonus on 67, leave 69, cursor 70.
inline void WriteTitlePicture(const char* name, u8 offset = 0) {
  namespace t = layout::title;
  const layout::Rect l = t::kLettering;
  std::vector<Area> a = {At(40, t::kBackground),
                         At(-kTitleKey, l),
                         {21, 1, l.top, 2, l.bottom},
                         At(30, t::kEmblemFront),
                         At(31, t::kEmblemBack),
                         At(50, t::kStart),
                         At(51, t::kStartLit),
                         At(52, t::kSettings),
                         At(53, t::kSettingsLit),
                         At(56, t::kBonusLabel),
                         At(58, t::kLeftArrowLit),
                         At(67, t::kBonusOn),
                         At(69, t::kBack),
                         At(70, t::kCursor)};
  for (int v = 0; v < 3; ++v) a.push_back(At(61 + v, t::DetailValue(2 - v)));
  WritePicture(name, t::kWidth, t::kHeight, a, offset, offset);
}

// Game sheet: key 9 over the miss marks (which hold the bottom-left pixel),
// 12 at the bonus key pixel, field 80, banner 81, total label 85, digits
// 90..99.
inline void WriteGameSheet(const char* name, u8 offset = 0) {
  namespace g = layout::game;
  const layout::Point k = g::kBonusKeyPixel;
  std::vector<Area> a = {
      {1, 0, 0, g::kWidth, g::kHeight},
      {-kGameKey, g::MissMarkCell(1).left, g::MissMarkCell(1).top,
       g::MissMarkCell(4).right, g::MissMarkCell(4).bottom},
      {-12, k.x, k.y, k.x + 1, k.y + 1},
      At(80, g::kFieldTile),
      At(81, g::kBanner),
      At(85, g::kTotalLabel)};
  for (int d = 0; d < 10; ++d) a.push_back(At(90 + d, g::Digit(d)));
  WritePicture(name, g::kWidth, g::kHeight, a, offset, u8(kGameShade + offset));
}

// Every subsystem reset, and a fresh temporary working directory with all
// pictures, normal and bonus; the boss picture is 100 with a pointer of 101
// whose key 102 is at (20, 480).
class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop::ResetRun();
    base::BuildTrigTables();
    base::SeedRandom(12345);
    base::AppActive = 1;
    video::CreateSurfaces();
    WriteTitlePicture(layout::kTitlePicture);
    WriteTitlePicture(layout::kBonusTitlePicture, 100);
    WriteGameSheet(layout::kGameSheet);
    WriteGameSheet(layout::kBonusGameSheet, 100);
    namespace b = layout::boss;
    const layout::Point key = b::kKeyPixel;
    const layout::Rect p = b::kPointer;
    WritePicture(layout::kBossPicture, b::kWidth, b::kHeight,
                 {At(100, b::kScreen),
                  At(101, p),
                  {102, p.left + 1, p.top + 1, p.left + 2, p.top + 2},
                  {102, key.x, key.y, key.x + 1, key.y + 1}},
                 0, 0);
  }
  testsupport::WorkFolder folder_{"ts_scenes", true};
  testsupport::NullPlatformInUse platform_;
  // A picture into the sheet, keyed on `key` or else as its palette says.
  static void LoadSheet(const char* name, int key = -1) {
    video::LoadSskImage(name, 0, 0);
    u8 own = video::LoadSskPalette(name);
    video::SetSheetColorKey(key < 0 ? own : u8(key));
  }
  // The index at (x, y) of the frame shown last.
  static u8 Shown(int x, int y) { return video::PrimarySurface->Row(y)[x]; }
  static u8 Sheet(int x, int y) { return video::SheetSurface->Row(y)[x]; }
  static bool ShownAll(video::Rect r, u8 index) {
    const int w = r.right - r.left;
    for (int i = 0; i < w * (r.bottom - r.top); ++i) {
      if (Shown(r.left + i % w, r.top + i / w) != index) return false;
    }
    return true;
  }
  static void FillScreens(u8 index) {
    for (auto* s : {video::BackSurface, video::PrimarySurface}) {
      for (int y = 0; y < 480; ++y) std::memset(s->Row(y), index, 640);
    }
  }
  static void SetMouse(u32 x, u32 y) { base::MouseX = x, base::MouseY = y; }
  // One frame as the main loop runs it: the scene, the buttons up, the flip.
  static void Frame() { loop::RunFrame(); }
  static void Frames(int n) {
    while (n-- > 0) Frame();
  }
  static void LeftClickAt(u32 x, u32 y) {
    SetMouse(x, y);
    base::LeftButton = 1;
    Frame();
  }
  static int LiveActors() {
    int live = 0;
    for (const game::Actor& a : game::ActorPool) live += a.active;
    return live;
  }
  static bool Saved() { return std::filesystem::exists("Score.dat"); }
  // The (channel, command) logged last.
  static std::pair<int, int> LastSound() {
    const auto& e = sound::SoundLog[std::max(sound::SoundLogCount, 1) - 1];
    return {e.channel, e.command};
  }
};

}  // namespace scenes_test
