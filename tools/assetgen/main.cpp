// assetgen: draws every picture the game reads and writes them into the run
// folder. Usage: assetgen --out RUN_DIR [--icon-src FILE]
// [--icons DIR --icon-size N...] [--ico FILE] [--contact DIR]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "output.h"
#include "sheets.h"
#include "text.h"

using namespace assetgen;

namespace {

// Says which file could not be written.
bool Wrote(bool written, const std::string& path) {
  if (!written)
    std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
  return written;
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return Wrote(WriteBytes(path, bytes), path);
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, iconSrc, icons, ico, contact;
  std::vector<int> iconSizes;  // the build's list of theme sizes
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 < argc && a == "--out") {
      out = argv[++i];
    } else if (i + 1 < argc && a == "--icon-src") {
      iconSrc = argv[++i];
    } else if (i + 1 < argc && a == "--icons") {
      icons = argv[++i];
    } else if (i + 1 < argc && a == "--icon-size") {
      iconSizes.push_back(std::atoi(argv[++i]));
      if (iconSizes.back() < 1 || iconSizes.back() > 1024) {
        std::fprintf(stderr, "assetgen: bad icon size %s\n", argv[i]);
        return 2;
      }
    } else if (i + 1 < argc && a == "--ico") {
      ico = argv[++i];
    } else if (i + 1 < argc && a == "--contact") {
      contact = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: assetgen --out DIR [--icon-src FILE] "
                   "[--icons DIR --icon-size N...] [--ico FILE] "
                   "[--contact DIR]\n");
      return 2;
    }
  }
  if (out.empty() && contact.empty() && iconSrc.empty() && icons.empty() &&
      ico.empty()) {
    std::fprintf(stderr, "assetgen: nothing to do (give --out)\n");
    return 2;
  }
  if (!InitFonts()) return 1;
  bool ok = true;

  struct File {
    const char* name;
    Sheet (*build)(bool);
    bool bonus;
  };
  static Sheet (*const kBoss)(bool) = [](bool) { return BuildBossSheet(); };
  const File files[] = {{layout::kTitlePicture, BuildTitleSheet, false},
                        {layout::kBonusTitlePicture, BuildTitleSheet, true},
                        {layout::kGameSheet, BuildGameSheet, false},
                        {layout::kBonusGameSheet, BuildGameSheet, true},
                        {layout::kBossPicture, kBoss, false}};
  if (!out.empty() || !contact.empty())
    for (const File& f : files) {
      Sheet sh = f.build(f.bonus);
      Indexed pic = Quantise(sh.image, sh.rules);
      if (!out.empty()) ok &= Write(out + "/" + f.name, SskBytes(pic));
      if (!contact.empty()) {
        std::string png = contact + "/" + f.name + ".png";
        ok &= Wrote(WriteContactSheet(png, pic, sh.regions), png);
      }
    }
  Image icon = BuildIcon();
  std::vector<std::uint8_t> iconBmp = Bmp32(icon);
  if (!out.empty()) {
    ok &= Write(out + "/" + layout::kSplashPicture, Bmp24(BuildSplash()));
    ok &= Write(out + "/icon.bmp", iconBmp);
  }
  if (!iconSrc.empty()) {
    // What window managers show: the title bar's, the task list's, the
    // switcher's.
    std::vector<std::vector<std::uint8_t>> sizes;
    for (int size : {16, 24, 32, 48, 64, 128}) {
      sizes.push_back(Bmp32(BuildIcon(size)));
    }
    std::string src = IconSource(iconBmp, sizes);
    ok &= Write(iconSrc, std::vector<std::uint8_t>(src.begin(), src.end()));
  }
  // The desktop's icons: the window icon's drawing at each theme size.
  if (!icons.empty()) {
    for (int size : iconSizes) {
      const std::string png =
          icons + "/tumblesquash-" + std::to_string(size) + ".png";
      ok &= Wrote(WritePng(png, BuildIcon(size), true), png);
    }
  }
  // The Windows program's icon, at the sizes Windows shows.
  if (!ico.empty()) {
    std::vector<Image> images;
    for (int size : {16, 24, 32, 48, 64, 256})
      images.push_back(BuildIcon(size));
    ok &= Write(ico, Ico(images));
  }
  DoneFonts();
  return ok ? 0 : 1;
}
