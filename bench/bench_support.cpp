#include "bench_support.h"

#include <cstdio>

#include "app/trig.h"
#include "video/video.h"

namespace bench {

InRunFolder::InRunFolder() : previous(std::filesystem::current_path()) {
  std::filesystem::current_path(TS_RUN_DIR);
}
InRunFolder::~InRunFolder() { std::filesystem::current_path(previous); }

static void Load(const char* name, bool keyFromPalette) {
  using namespace video;
  ResetVideo();
  CreateSurfaces();
  app::BuildTrigTables();
  InRunFolder here;
  if (!LoadSskImage(name, 0, 0)) {
    std::fprintf(stderr, "benchmark: no \"%s\" in %s\n", name, TS_RUN_DIR);
  }
  const u8 first = LoadSskPalette(name);
  SetSheetColorKey(keyFromPalette ? first : ReadPixel(0, 480, SheetSurface));
}

void LoadGameSheet() { Load("qqqq.ssk", true); }
void LoadTitleSheet() { Load("TITLE.ssk", false); }

}  // namespace bench
