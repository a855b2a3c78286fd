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

// Title: background 40, lettering key but column 1 (21), emblem faces 30 and
// 31, Start 50, 51, Settings 52, 53, bonus label 56, lit arrow 58, detail
// values 2, 1, 0: 61..63, bonus on 67, leave 69, cursor 70.
inline void WriteTitlePicture(const char* name, u8 offset = 0) {
  std::vector<Area> a = {
      {40, 0, 0, 640, 480},     {-kTitleKey, 0, 480, 640, 768},
      {21, 1, 480, 2, 768},     {30, 416, 800, 512, 832},
      {31, 416, 832, 512, 864}, {50, 0, 896, 96, 928},
      {51, 96, 896, 192, 928},  {52, 0, 928, 96, 960},
      {53, 96, 928, 192, 960},  {56, 288, 928, 384, 960},
      {58, 288, 800, 320, 832}, {67, 320, 864, 352, 896},
      {69, 352, 896, 416, 928}, {70, 256, 864, 288, 896}};
  for (int v = 0; v < 3; ++v)
    a.push_back({61 + v, 320 + 32 * v, 800, 352 + 32 * v, 832});
  WritePicture(name, 640, 960, a, offset, offset);
}

// Game sheet: key 9, 12 at (0, 480), field 80, banner 81, total label 85,
// digits 90..99.
inline void WriteGameSheet(const char* name, u8 offset = 0) {
  std::vector<Area> a = {
      {1, 0, 0, 640, 2048},       {-kGameKey, 0, 1984, 256, 2048},
      {-12, 0, 480, 1, 481},      {80, 0, 1536, 320, 1776},
      {81, 320, 1664, 512, 1776}, {85, 320, 1600, 384, 1632}};
  for (int d = 0; d < 10; ++d)
    a.push_back({90 + d, 256 + 32 * d, 1920, 288 + 32 * d, 1952});
  WritePicture(name, 640, 2048, a, offset, u8(kGameShade + offset));
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
    WriteTitlePicture("TITLE.ssk");
    WriteTitlePicture("OMAKETITLE.ssk", 100);
    WriteGameSheet("qqqq.ssk");
    WriteGameSheet("qqqqomake.ssk", 100);
    WritePicture("JYOUSI.SSK", 640, 504,
                 {{100, 0, 0, 640, 480},
                  {101, 0, 480, 16, 504},
                  {102, 1, 481, 2, 482},
                  {102, 20, 480, 21, 481}},
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
