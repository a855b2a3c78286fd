// Shared set-up for the scene tests: every subsystem reset, fresh surfaces,
// and a temporary working directory for pictures and "Score.dat".
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/types.h"
#include "sound/sound.h"
#include "video/video.h"

namespace scenes_test {

// A palettised picture built in memory and saved as an SSK file.
inline constexpr u8 kTitleKey = 7;
inline constexpr u8 kGameKey = 9;
// The blue of every entry of a game sheet's palette (title pictures: 0).
inline constexpr u8 kGameShade = 50;

// Sheet layouts with a distinct index in every rectangle the scenes copy, so
// a test can tell from one pixel what was drawn where. `offset` tells the
// bonus pictures from the normal ones.
void WriteTitlePicture(const char* name, u8 offset = 0);
void WriteGameSheet(const char* name, u8 offset = 0);
void WriteBossPicture();

struct Picture {
  int width, height;
  std::vector<u8> pixels;  // top row first

  Picture(int w, int h, u8 fill = 0)
      : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
  void Fill(video::Rect r, u8 index);
  void Set(int x, int y, u8 index) {
    pixels[std::size_t(y) * width + x] = index;
  }
  // Palette entry i is (i, 255 - i, shade) unless given otherwise.
  void Save(const char* name, u8 shade = 0) const;
};

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Index at (x, y) of the frame shown last (after Frame()).
  static u8 Shown(int x, int y);
  // The rectangle's pixels of the frame shown last all hold `index`.
  static bool ShownAll(video::Rect r, u8 index);
  // Fills both screens.
  static void FillScreens(u8 index);
  static void SetMouse(u32 x, u32 y);
  // One frame as the main loop runs it: the scene, then the button flags
  // cleared and the flip.
  static void Frame();
  static void Frames(int n);
  // The (channel, command) pairs logged since the last call.
  static std::vector<std::pair<int, int>> TakeSounds();

  std::filesystem::path dir_;
  std::filesystem::path oldDir_;
};

}  // namespace scenes_test
