// The start-up splash and the window icon.
#include "characters.h"
#include "sheets.h"
#include "text.h"

namespace assetgen {

Image BuildSplash() {
  Image im(480, 240);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 480; ++x) {
      float v = y / 240.0f;
      Color c = Mix(Rgb(60, 120, 220), Rgb(185, 225, 255), v * 1.2f);
      float hill = 168 + 7 * std::sin(x * 0.017f + 0.8f);
      if (y > hill - 1) {
        float n = PeriodicNoise(x / 12.0f, y / 6.0f, 64, 64, 2);
        Color g = Mix(Rgb(110, 185, 75), Rgb(70, 140, 50), n);
        c = Mix(c, g, Clamp01(y - hill + 1));
      }
      im.at(x, y) = c;
    }
  Palette3 cloud{Rgb(255, 255, 255), Rgb(235, 242, 255), Rgb(180, 200, 235)};
  DrawCloud(im, 70, 50, 28, cloud, 1, 7, 0);
  DrawCloud(im, 410, 40, 22, cloud, 3, 6, 0);
  // The title on one line.
  Mask m = FitText(Face::kBold, 80, "TumbleSquash", 440, 90, 8);
  Mask outer = Dilate(m, 5.5f), inner = Dilate(m, 2.5f);
  int ox = (480 - m.w) / 2, oy = 40;
  DrawMask(im, outer, ox + 3, oy + 4, Rgb(10, 10, 30, 0.8f));
  DrawMask(im, outer, ox, oy, Rgb(20, 20, 50));
  DrawMask(im, inner, ox, oy, Rgb(255, 255, 255));
  DrawMask(im, m, ox, oy, [&](int, int y) {
    return Mix(Rgb(255, 245, 120), Rgb(255, 120, 40),
               Clamp01((y - oy - 8) / float(m.h - 16)));
  });
  TextStyle s;
  s.face = Face::kBold;
  s.maxPx = 20;
  s.outline = Rgb(20, 20, 50);
  s.outlineWidth = 2;
  s.bottom = Rgb(255, 230, 120);
  s.shadow = 2;
  DrawLabel(im, "CLICK TO START", 120, 196, 360, 226, s);
  auto shadow = [&](float x, float y) {
    Oval(im, x, y, 18, 5.5f, Rgb(0, 0, 0, 0.25f));
  };
  shadow(50, 225);
  DrawCreature(im, 18, 172, WalkerOneStyle(false), 7, 3);
  shadow(428, 225);
  DrawCreature(im, 396, 172, WalkerTwoStyle(false), 3, 2);
  DrawCreature(im, 400, 110, FlyerStyle(false), 4, 1);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 480; ++x) im.at(x, y).a = 1;
  return im;
}

Image BuildIcon(int size) {
  // Drawn at twice the size and halved; the 32-pixel window icon is the
  // drawing at one pixel a unit.
  Image im(2 * size, 2 * size);
  im.set_scale(size / 32.0f);
  CreatureStyle s = WalkerOneStyle(false);
  s.radius = 21;
  DrawCreature(im, 0, -4, s, 5, 3);
  Image icon = Downscale(im, 2);
  // The icon stays hard-edged where it is nearly clear.
  for (int y = 0; y < icon.height(); ++y)
    for (int x = 0; x < icon.width(); ++x)
      if (icon.at(x, y).a < 0.1f) icon.at(x, y) = {};
  return icon;
}

}  // namespace assetgen
