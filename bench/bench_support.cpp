#include "bench_support.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>

#include "base/data_folder.h"
#include "base/trig.h"
#include "platform/system/null_platform.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace bench {

InRunFolder::InRunFolder() : previous(std::filesystem::current_path()) {
  std::filesystem::current_path(TS_RUN_DIR);
}
InRunFolder::~InRunFolder() { std::filesystem::current_path(previous); }

GameFolder::GameFolder() : data(base::DataFolder()) {
  namespace fs = std::filesystem;
  char name[] = "/tmp/ts_bench_XXXXXX";
  if (!mkdtemp(name)) std::abort();
  path = name;
  std::vector<const char*> files(std::begin(layout::kSskPictures),
                                 std::end(layout::kSskPictures));
  files.push_back(layout::kSplashPicture);
  for (const char* file : files) {
    std::error_code error;
    if (!fs::is_regular_file(fs::path(TS_RUN_DIR) / file, error)) {
      std::fprintf(stderr, "benchmark: no \"%s\" in %s\n", file, TS_RUN_DIR);
    }
  }
  base::SetDataFolder(TS_RUN_DIR);
  previous = fs::current_path();
  fs::current_path(path);
}

GameFolder::~GameFolder() {
  std::filesystem::current_path(previous);
  base::SetDataFolder(data);
  std::error_code error;
  std::filesystem::remove_all(path, error);
}

static void Load(const char* name, bool keyFromPalette) {
  using namespace video;
  static platform::NullPlatform files;
  platform::SetCurrent(&files);
  ResetVideo();
  CreateSurfaces();
  base::BuildTrigTables();
  InRunFolder here;
  if (!LoadSskImage(name, 0, 0)) {
    std::fprintf(stderr, "benchmark: no \"%s\" in %s\n", name, TS_RUN_DIR);
  }
  const u8 first = LoadSskPalette(name);
  const Point key = layout::title::kKeyPixel;
  SetSheetColorKey(keyFromPalette ? first
                                  : ReadPixel(key.x, key.y, SheetSurface));
}

std::vector<Sprite> ScatteredSprites() {
  std::mt19937 gen(1234);
  std::vector<Sprite> out;
  for (int i = 0; i < 1024; ++i) {
    const int x = static_cast<int>(gen() % 768) - 64;
    const int y = static_cast<int>(gen() % 608) - 64;
    const int cell = static_cast<int>(gen() % 64);
    const int sx = (cell % 8) * 64, sy = (cell / 8) * 64 + 512 * (i % 3);
    out.push_back({{x, y, x + 64, y + 64}, {sx, sy, sx + 64, sy + 64}});
  }
  return out;
}

void LoadGameSheet() { Load(layout::kGameSheet, true); }
void LoadTitleSheet() { Load(layout::kTitlePicture, false); }

}  // namespace bench
