#include "bench_support.h"

#include <cstdio>

#include "base/trig.h"
#include "platform/null/null_platform.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace bench {

InRunFolder::InRunFolder() : previous(std::filesystem::current_path()) {
  std::filesystem::current_path(TS_RUN_DIR);
}
InRunFolder::~InRunFolder() { std::filesystem::current_path(previous); }

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

void LoadGameSheet() { Load(layout::kGameSheet, true); }
void LoadTitleSheet() { Load(layout::kTitlePicture, false); }

}  // namespace bench
