// Shared set-up of the benchmarks: the real pictures from the run folder.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "video/surface.h"

namespace bench {

// Makes the surfaces and loads the game sheet (keyed as the game keys it).
void LoadGameSheet();
// The same with the title picture.
void LoadTitleSheet();

struct Sprite {
  video::Rect dst, src;
};
// 1024 64 x 64 sprites from the walker cells, scattered over and past the
// screen edges so that clipping and rejection both happen.
std::vector<Sprite> ScatteredSprites();

// Works in the run folder for the lifetime of the object.
struct InRunFolder {
  InRunFolder();
  ~InRunFolder();
  std::filesystem::path previous;
};

// A fresh working folder for the lifetime of the object, where a game
// writes its Score.dat; the pictures are read from the run folder.
struct GameFolder {
  GameFolder();
  ~GameFolder();
  std::filesystem::path path, previous;
  std::string data;  // the data folder before
};

}  // namespace bench
