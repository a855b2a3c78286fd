// Shared set-up of the benchmarks: the real pictures from the run folder.
#pragma once
#include <filesystem>

namespace bench {

// Makes the surfaces and loads the game sheet (keyed as the game keys it).
void LoadGameSheet();
// The same with the title picture.
void LoadTitleSheet();

// Works in the run folder for the lifetime of the object.
struct InRunFolder {
  InRunFolder();
  ~InRunFolder();
  std::filesystem::path previous;
};

}  // namespace bench
