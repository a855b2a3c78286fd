#include "scene_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "app/input.h"
#include "app/random.h"
#include "app/scene.h"
#include "app/scores.h"
#include "app/trig.h"
#include "game/actors.h"
#include "scenes/scenes.h"
#include "video/ssk_codec.h"

namespace scenes_test {

void Picture::Fill(video::Rect r, u8 index) {
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) Set(x, y, index);
  }
}

void Picture::Save(const char* name, u8 shade) const {
  video::Rgb colours[256];
  for (int i = 0; i < 256; ++i) {
    colours[i] = {u8(i), u8(255 - i), shade};
  }
  std::vector<u8> bytes = video::BuildSsk(width, height, colours, pixels);
  FILE* f = std::fopen(name, "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

void WriteTitlePicture(const char* name, u8 offset) {
  Picture p(640, 960);
  auto fill = [&](video::Rect r, int index) { p.Fill(r, u8(index + offset)); };
  fill({0, 0, 640, 480}, 40);             // background
  fill({0, 0, 1, 480}, 41);               // its column 0
  p.Fill({0, 480, 640, 768}, kTitleKey);  // lettering: transparent...
  fill({1, 480, 2, 768}, 21);             // ...but for one column
  fill({416, 800, 512, 832}, 30);         // emblem front
  fill({416, 832, 512, 864}, 31);         // emblem back
  fill({0, 800, 256, 832}, 32);           // prompt
  for (int c = 0; c < 8; ++c) fill({32 * c, 864, 32 * c + 32, 896}, 10 + c);
  fill({0, 896, 96, 928}, 50);     // Start
  fill({96, 896, 192, 928}, 51);   // Start, lit
  fill({0, 928, 96, 960}, 52);     // Settings
  fill({96, 928, 192, 960}, 53);   // Settings, lit
  fill({192, 896, 352, 928}, 54);  // detail label
  fill({192, 928, 288, 960}, 55);  // difficulty label
  fill({288, 928, 384, 960}, 56);  // bonus label
  fill({256, 800, 288, 832}, 57);  // left arrow
  fill({288, 800, 320, 832}, 58);
  fill({256, 832, 288, 864}, 59);  // right arrow
  fill({288, 832, 320, 864}, 60);
  for (int v = 0; v < 3; ++v) {
    fill({320 + 32 * v, 800, 352 + 32 * v, 832}, 61 + v);  // detail 2, 1, 0
    fill({320 + 32 * v, 832, 352 + 32 * v, 864}, 64 + v);  // difficulty
  }
  fill({320, 864, 352, 896}, 67);  // bonus on
  fill({352, 864, 384, 896}, 68);  // bonus off
  fill({352, 896, 416, 928}, 69);  // leave
  fill({256, 864, 288, 896}, 70);  // cursor
  p.Save(name, offset);
}

void WriteGameSheet(const char* name, u8 offset) {
  Picture p(640, 2048);
  auto fill = [&](video::Rect r, int index) { p.Fill(r, u8(index + offset)); };
  fill({0, 0, 640, 2048}, 1);
  p.Fill({0, 1984, 256, 2048}, kGameKey);  // bottom-left: the key
  p.Set(0, 480, kGameKey + 3);             // the bonus menu's key pixel
  fill({0, 1536, 320, 1776}, 80);          // field tile
  fill({320, 1664, 512, 1776}, 81);        // banner
  fill({384, 1568, 448, 1600}, 82);        // hits label
  fill({320, 1568, 384, 1600}, 83);        // shots label
  fill({384, 1600, 448, 1632}, 84);        // best shot label
  fill({320, 1600, 384, 1632}, 85);        // total label
  fill({288, 1952, 512, 1984}, 86);        // ranking heading
  for (int d = 0; d < 10; ++d) {
    fill({256 + 32 * d, 1920, 288 + 32 * d, 1952}, 90 + d);
  }
  fill({256, 864, 288, 896}, 71);  // what the menu cursor copies
  p.Save(name, u8(kGameShade + offset));
}

void WriteBossPicture() {
  Picture p(640, 504);
  p.Fill({0, 0, 640, 480}, 100);
  p.Fill({0, 480, 16, 504}, 101);
  p.Set(1, 481, 102);
  p.Set(20, 480, 102);  // the pointer's transparent index
  p.Save("JYOUSI.SSK");
}

void SceneTest::SetUp() {
  app::ResetInput();
  app::ResetScores();
  video::ResetVideo();
  sound::ResetSound();
  game::ResetGame();
  scenes::ResetScenes();
  app::BuildTrigTables();
  app::SeedRandom(12345);
  app::AppActive = 1;
  video::CreateSurfaces();
  sound::ClearSoundLog();

  oldDir_ = std::filesystem::current_path();
  char pattern[] = "/tmp/scenes_test_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  dir_ = pattern;
  std::filesystem::current_path(dir_);
}

void SceneTest::TearDown() {
  std::filesystem::current_path(oldDir_);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

u8 SceneTest::Shown(int x, int y) { return video::PrimarySurface->Row(y)[x]; }

bool SceneTest::ShownAll(video::Rect r, u8 index) {
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (Shown(x, y) != index) return false;
    }
  }
  return true;
}

void SceneTest::FillScreens(u8 index) {
  for (int y = 0; y < video::kScreenHeight; ++y) {
    std::memset(video::BackSurface->Row(y), index, video::kScreenWidth);
    std::memset(video::PrimarySurface->Row(y), index, video::kScreenWidth);
  }
}

void SceneTest::SetMouse(u32 x, u32 y) {
  app::MouseX = x;
  app::MouseY = y;
}

void SceneTest::Frame() {
  app::CurrentScene();
  app::LeftButton = 0;
  app::RightButton = 0;
  video::FlipSurfaces();
}

void SceneTest::Frames(int n) {
  for (int i = 0; i < n; ++i) Frame();
}

std::vector<std::pair<int, int>> SceneTest::TakeSounds() {
  std::vector<std::pair<int, int>> out;
  for (int i = 0; i < sound::SoundLogCount; ++i) {
    out.emplace_back(sound::SoundLog[i].channel, sound::SoundLog[i].command);
  }
  sound::ClearSoundLog();
  return out;
}

}  // namespace scenes_test
