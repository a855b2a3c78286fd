// Shared set-up for the scene tests: synthetic pictures with a distinct index
// in each rectangle the tests look at, so that one pixel tells what was drawn
// or loaded.
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
inline layout::Rect Between(layout::Rect first, layout::Rect last) {
  return {first.left, first.top, last.right, last.bottom};
}

// Title: background 40 with the lettering keyed, bonus label 56, bonus on 67.
inline void WriteTitlePicture(const char* name, u8 offset = 0) {
  namespace t = layout::title;
  WritePicture(name, t::kWidth, t::kHeight,
               {At(40, t::kBackground), At(-kTitleKey, t::kLettering),
                At(56, t::kBonusLabel), At(67, t::kBonusOn)},
               offset, offset);
}

// Game sheet: key 9 over the miss marks (which hold the bottom-left pixel),
// 12 at the bonus key pixel, field 80.
inline void WriteGameSheet(const char* name, u8 offset = 0) {
  namespace g = layout::game;
  const layout::Point k = g::kBonusKeyPixel;
  const layout::Rect m = Between(g::MissMarkCell(1), g::MissMarkCell(4));
  WritePicture(name, g::kWidth, g::kHeight,
               {{1, 0, 0, g::kWidth, g::kHeight},
                At(-kGameKey, m),
                {-12, k.x, k.y, k.x + 1, k.y + 1},
                At(80, g::kFieldTile)},
               offset, u8(kGameShade + offset));
}

// Every subsystem reset, and a fresh temporary working directory with all
// pictures, normal and bonus; the boss picture is 100 with a pointer of 101
// and its key 102 at (20, 480).
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
  static void FillScreens(u8 index) {
    for (auto* s : {video::BackSurface, video::PrimarySurface}) {
      for (int y = 0; y < 480; ++y) std::memset(s->Row(y), index, 640);
    }
  }
  // One frame as the main loop runs it: the scene, the buttons up, the flip.
  static void Frame() { loop::RunFrame(); }
  static void Frames(int n) {
    while (n-- > 0) Frame();
  }
  static void LeftClickAt(u32 x, u32 y) {
    base::MouseX = x, base::MouseY = y;
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
