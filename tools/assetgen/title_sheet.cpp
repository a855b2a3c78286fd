// The title picture: the background shared by the title and the menu, the
// title lettering, the opening's zoom tile and emblem, and every menu
// picture in rows 800 to 960.
#include <string>

#include "characters.h"
#include "sheets.h"
#include "text.h"

namespace assetgen {
namespace {

namespace title = layout::title;

struct Theme {
  bool bonus;
  Color skyTop, skyLow, hillFar, hillNear, ground, groundDark;
  Color plateTop, plateBottom, hiTop, hiBottom, border, text, hiText;
  Color letterTop, letterBottom;
};

Theme MakeTheme(bool bonus) {
  Theme t;
  t.bonus = bonus;
  if (bonus) {
    t.skyTop = Rgb(14, 18, 52);
    t.skyLow = Rgb(86, 70, 140);
    t.hillFar = Rgb(120, 130, 190);
    t.hillNear = Rgb(200, 215, 245);
    t.ground = Rgb(235, 242, 255);
    t.groundDark = Rgb(160, 180, 225);
    t.plateTop = Rgb(70, 110, 200);
    t.plateBottom = Rgb(30, 50, 120);
    t.hiTop = Rgb(220, 250, 255);
    t.hiBottom = Rgb(110, 200, 250);
    t.border = Rgb(10, 16, 40);
    t.text = Rgb(255, 255, 255);
    t.hiText = Rgb(16, 30, 80);
    t.letterTop = Rgb(255, 255, 255);
    t.letterBottom = Rgb(120, 210, 255);
  } else {
    t.skyTop = Rgb(60, 120, 220);
    t.skyLow = Rgb(185, 225, 255);
    t.hillFar = Rgb(120, 180, 150);
    t.hillNear = Rgb(100, 175, 70);
    t.ground = Rgb(120, 195, 80);
    t.groundDark = Rgb(70, 140, 50);
    t.plateTop = Rgb(80, 140, 230);
    t.plateBottom = Rgb(36, 70, 160);
    t.hiTop = Rgb(255, 240, 120);
    t.hiBottom = Rgb(255, 160, 40);
    t.border = Rgb(20, 20, 50);
    t.text = Rgb(255, 255, 255);
    t.hiText = Rgb(60, 24, 10);
    t.letterTop = Rgb(255, 245, 120);
    t.letterBottom = Rgb(255, 120, 40);
  }
  return t;
}

// ---------------------------------------------------------------- background

void DrawHill(Image& im, float base, float amp, float freq, float phase,
              Color top, Color bottom, float yTop) {
  for (int x = 0; x < 640; ++x) {
    float h = base - amp * (0.6f * std::sin(x * freq + phase) +
                            0.4f * std::sin(x * freq * 2.3f + phase * 1.7f));
    for (int y = (int)h - 1; y < 480; ++y) {
      if (y < 0) continue;
      float cov = Clamp01(y + 1 - h);
      im.Blend(x, y, Mix(top, bottom, Clamp01((y - h) / (480 - yTop))), cov);
    }
  }
}

void DrawBackground(Image& im, const Theme& t) {
  for (int y = 0; y < 480; ++y) {
    Color c = Mix(t.skyTop, t.skyLow, std::pow(y / 340.0f, 1.3f));
    for (int x = 0; x < 640; ++x) im.at(x, y) = c;
  }
  if (t.bonus) {
    for (int i = 0; i < 140; ++i) {
      float x = Hash(i, 0, 91) * 640, y = Hash(i, 1, 91) * 300;
      float r = 0.5f + Hash(i, 2, 91) * 1.1f;
      Disc(im, x, y, r, Rgb(255, 255, 240, 0.6f + 0.4f * Hash(i, 3, 91)));
    }
    Disc(im, 540, 80, 48, Rgb(255, 255, 220, 0.15f));
    Disc(im, 540, 80, 34, Rgb(255, 252, 225));
    Disc(im, 528, 70, 7, Rgb(230, 228, 200));
    Disc(im, 552, 94, 5, Rgb(232, 230, 205));
  } else {
    Disc(im, 560, 70, 60, Rgb(255, 255, 200, 0.25f));
    Disc(im, 560, 70, 36, Rgb(255, 245, 170));
    Palette3 cloud{Rgb(255, 255, 255), Rgb(235, 242, 255), Rgb(180, 200, 235)};
    DrawCloud(im, 90, 90, 40, cloud, 1, 7, 0);
    DrawCloud(im, 150, 100, 30, cloud, 2, 6, 0);
    DrawCloud(im, 420, 150, 34, cloud, 3, 7, 0);
    DrawCloud(im, 300, 60, 24, cloud, 4, 6, 0);
  }
  DrawHill(im, 300, 22, 0.012f, 0.5f, t.hillFar,
           Mix(t.hillFar, t.hillNear, 0.5f), 280);
  if (t.bonus) {
    // Pine trees on the far hill.
    for (int i = 0; i < 14; ++i) {
      float x = 20 + i * 46 + Hash(i, 0, 5) * 20, y = 300 + Hash(i, 1, 5) * 25;
      float h = 40 + Hash(i, 2, 5) * 25;
      Polygon(im, {{x, y - h}, {x + h * 0.35f, y}, {x - h * 0.35f, y}},
              Rgb(40, 60, 100));
      Polygon(im,
              {{x, y - h},
               {x + h * 0.16f, y - h * 0.55f},
               {x - h * 0.16f, y - h * 0.55f}},
              Rgb(240, 245, 255));
    }
  }
  DrawHill(im, 350, 16, 0.008f, 2.0f, t.hillNear, t.ground, 330);
  // The meadow with its flowers or snow.
  for (int y = 340; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      Color& c = im.at(x, y);
      float n = PeriodicNoise(x / 24.0f, y / 12.0f, 64, 64, 8);
      float depth = (y - 340) / 140.0f;
      if (c.g > 0)
        c = Mix(c, Mix(t.ground, t.groundDark, n * 0.7f), depth * 0.7f);
    }
  for (int i = 0; i < 90; ++i) {
    float x = Hash(i, 0, 17) * 640, y = 370 + Hash(i, 1, 17) * 110;
    float s = 0.6f + (y - 370) / 110.0f;
    if (t.bonus) {
      Disc(im, x, y, 1.2f * s, Rgb(255, 255, 255));
    } else {
      Color p = i % 3 == 0   ? Rgb(255, 255, 255)
                : i % 3 == 1 ? Rgb(255, 225, 70)
                             : Rgb(255, 150, 190);
      for (int k = 0; k < 5; ++k) {
        float a = k * 1.2566f;
        Disc(im, x + std::cos(a) * 2.4f * s, y + std::sin(a) * 1.8f * s,
             1.7f * s, p);
      }
      Disc(im, x, y, 1.2f * s, Rgb(240, 150, 40));
    }
  }
  // A few of the cast, out of the way of the menu and the prompt.
  CreatureStyle one = WalkerOneStyle(t.bonus), two = WalkerTwoStyle(t.bonus),
                fly = FlyerStyle(t.bonus);
  auto shadow = [&](float x, float y) {
    Oval(im, x, y, 18, 5.5f, Rgb(0, 0, 0, 0.25f));
  };
  shadow(72, 441);
  DrawCreature(im, 40, 388, one, 7, 3);
  shadow(132, 457);
  DrawCreature(im, 100, 404, two, 6, 2);
  shadow(560, 417);
  DrawCreature(im, 528, 364, two, 3, 3);
  DrawCreature(im, 470, 300, fly, 4, 2);
  DrawCreature(im, 40, 310, fly, 6, 5);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) im.at(x, y).a = 1;
}

// ---------------------------------------------------------------- lettering

void DrawTitleLettering(Image& im, const Theme& t) {
  Image pic(640, 288);
  auto line = [&](const std::string& s, int cx, int top, int px) {
    Mask m = RenderText(Face::kBold, px, s, 12);
    Mask outer = Dilate(m, 9);
    Mask inner = Dilate(m, 4.5f);
    int ox = cx - m.w / 2, oy = top;
    DrawMask(pic, outer, ox + 5, oy + 6, Rgb(10, 10, 30));
    DrawMask(pic, outer, ox, oy, t.border);
    DrawMask(pic, inner, ox, oy, Rgb(255, 255, 255));
    float y0 = oy + 12, span = m.h - 24;
    DrawMask(pic, m, ox, oy, [&](int, int y) {
      float v = Clamp01((y - y0) / span);
      Color c = Mix(t.letterTop, t.letterBottom, v);
      // A glossy band across the upper half.
      float gloss = Smooth(0.28f, 0.22f, std::abs(v - 0.25f)) * 0.35f;
      return Mix(c, Rgb(255, 255, 255), gloss);
    });
  };
  line("Tumble", 290, 8, 118);
  line("Squash", 350, 138, 118);
  if (t.bonus) {
    TextStyle s;
    s.face = Face::kBold;
    s.maxPx = 20;
    s.top = Rgb(255, 255, 255);
    s.bottom = Rgb(180, 230, 255);
    s.outline = t.border;
    s.outlineWidth = 2;
    DrawLabel(pic, "* SNOW BONUS *", 20, 256, 260, 286, s);
  }
  Stamp(im, pic, title::kLettering.left, title::kLettering.top);
}

// ---------------------------------------------------------------- opening

void DrawZoomCells(Image& im, const Theme& t) {
  CreatureStyle s = WalkerOneStyle(t.bonus);
  for (int c = 0; c < 8; ++c) {
    Image pic(32, 32);
    // A bouncing face: tall at cell 0, squashed flat at cell 7.
    float k = c / 7.0f;
    float rx = 11.5f + 3.5f * k, ry = 13.5f - 4 * k;
    float cy = 29 - ry;
    Oval(pic, 16, cy, rx + 1.5f, ry + 1.5f, s.outline);
    Fill(
        pic, {0, 0, 32, 32},
        [&](float x, float y) { return SdEllipse(x, y, 16, cy, rx, ry); },
        [&](float x, float y) {
          float l = Clamp01(0.6f + ((16 - x) / rx + (cy - y) / ry) * 0.35f);
          return Mix(Scale(s.body, 0.7f), Scale(s.body, 1.15f), l);
        });
    float ey = cy - ry * 0.15f;
    for (float side : {-1.0f, 1.0f}) {
      Oval(pic, 16 + side * rx * 0.4f, ey, 2.6f, 3.2f - k, Rgb(255, 255, 255));
      Oval(pic, 16 + side * rx * 0.4f, ey + 0.6f, 1.5f, 2.0f - 0.5f * k,
           Rgb(30, 25, 45));
      Disc(pic, 16 + side * rx * 0.65f, ey + 4, 1.8f, Rgb(255, 130, 150));
    }
    Line(pic, 13, ey + 5, 16, ey + 6.5f, 1.2f, s.outline);
    Line(pic, 16, ey + 6.5f, 19, ey + 5, 1.2f, s.outline);
    if (t.bonus) {  // a woolly hat for the winter set
      Oval(pic, 16, cy - ry + 2, rx * 0.7f, 4, Rgb(220, 40, 60));
      Disc(pic, 16, cy - ry - 2, 2.5f, Rgb(255, 255, 255));
    } else {
      Oval(pic, 19, cy - ry - 1, 4, 2, s.accent);
    }
    const layout::Rect cell = title::ZoomCell(c);
    Stamp(im, pic, cell.left, cell.top);
  }
}

void DrawEmblem(Image& im, layout::Rect at, const std::string& word, Color top,
                Color bottom, const Theme& t) {
  Image pic(96, 32);
  DrawPlate(pic, 1, 1, 95, 31, 15, top, bottom, t.border);
  RoundRect(pic, 4, 4, 92, 28, 12, WithAlpha(Rgb(255, 255, 255), 0.25f));
  TextStyle s;
  s.face = Face::kBold;
  s.maxPx = 17;
  s.top = Rgb(255, 255, 255);
  s.bottom = Rgb(255, 255, 255);
  s.outline = t.border;
  s.outlineWidth = 1.5f;
  DrawLabel(pic, word, 8, 4, 88, 28, s);
  Stamp(im, pic, at.left, at.top);
}

// ---------------------------------------------------------------- menu

void Button(Image& im, const std::string& word, layout::Rect at, bool hot,
            const Theme& t, int maxPx = 20) {
  const int w = at.right - at.left, h = at.bottom - at.top;
  Image pic(w, h);
  DrawPlate(pic, 1, 2, w - 1, h - 2, 9, hot ? t.hiTop : t.plateTop,
            hot ? t.hiBottom : t.plateBottom, t.border);
  TextStyle s;
  s.face = Face::kBold;
  s.maxPx = maxPx;
  s.top = hot ? t.hiText : t.text;
  s.bottom = hot ? Scale(t.hiText, 1.5f) : Mix(t.text, t.hiTop, 0.4f);
  s.outline = hot ? Rgb(255, 255, 255, 0.8f) : t.border;
  s.outlineWidth = hot ? 1.0f : 1.5f;
  DrawLabel(pic, word, 5, 4, w - 5, h - 4, s);
  Stamp(im, pic, at.left, at.top);
}

void Arrow(Image& im, layout::Rect at, bool right, bool hot, const Theme& t) {
  Image pic(32, 32);
  Disc(pic, 16, 16, 14.5f, t.border);
  Fill(
      pic, {0, 0, 32, 32},
      [](float px, float py) { return SdCircle(px, py, 16, 16, 13); },
      [&](float, float py) {
        return Mix(hot ? t.hiTop : t.plateTop, hot ? t.hiBottom : t.plateBottom,
                   py / 32);
      });
  float d = right ? 1.0f : -1.0f;
  std::vector<Pt> tri = {
      {16 + d * 8.5f, 16}, {16 - d * 5.5f, 7.5f}, {16 - d * 5.5f, 24.5f}};
  FillSolid(
      pic, {0, 0, 32, 32},
      [&](float px, float py) { return SdPolygon(px, py, tri) - 1.2f; },
      t.border);
  Polygon(pic, tri, hot ? t.hiText : Rgb(255, 255, 255));
  Stamp(im, pic, at.left, at.top);
}

void Pointer(Image& im, layout::Rect at, const Theme& t) {
  Image pic(32, 32);
  // The tip sits on the cell's centre, where the mouse is.
  std::vector<Pt> p = {{16, 16}, {16, 31},       {19.5f, 27.5f}, {22.5f, 32},
                       {25, 31}, {22.5f, 26.5f}, {27.5f, 26.5f}};
  FillSolid(
      pic, {12, 12, 32, 32},
      [&](float px, float py) { return SdPolygon(px, py, p) - 1.3f; },
      t.border);
  Polygon(pic, p, Rgb(255, 255, 255));
  Line(pic, 17.5f, 19.5f, 17.5f, 27, 1.2f,
       t.bonus ? Rgb(120, 200, 255) : Rgb(255, 180, 60));
  Stamp(im, pic, at.left, at.top);
}

void SmokeValue(Image& im, layout::Rect at, int puffs) {
  Image pic(32, 32);
  Palette3 p{Rgb(255, 255, 255), Rgb(210, 215, 230), Rgb(60, 60, 90)};
  static const float kPos[3][3][2] = {{{16, 17}, {0, 0}, {0, 0}},
                                      {{11, 19}, {21, 13}, {0, 0}},
                                      {{9, 21}, {22, 20}, {16, 10}}};
  for (int i = 0; i < puffs; ++i)
    DrawCloud(pic, kPos[puffs - 1][i][0], kPos[puffs - 1][i][1], 6.5f, p,
              i + puffs * 3, 5, 1.3f);
  Stamp(im, pic, at.left, at.top);
}

}  // namespace

Sheet BuildTitleSheet(bool bonus) {
  Theme t = MakeTheme(bonus);
  Sheet sh;
  sh.rules.keepLastBlack = true;  // the opening's fade leaves entry 255 alone
  sh.image = Image(title::kWidth, title::kHeight);
  sh.regions = title::Regions();
  Image& im = sh.image;
  Image bg(640, 480);
  DrawBackground(bg, t);
  im.Draw(bg, title::kBackground.left, title::kBackground.top);
  DrawTitleLettering(im, t);

  // Prompt.
  {
    Image pic(256, 32);
    TextStyle s;
    s.face = Face::kBold;
    s.maxPx = 22;
    s.top = Rgb(255, 255, 255);
    s.bottom = t.bonus ? Rgb(150, 220, 255) : Rgb(255, 230, 120);
    s.outline = t.border;
    s.outlineWidth = 2.2f;
    s.shadow = 2;
    DrawLabel(pic, "CLICK TO START", 0, 0, 256, 32, s);
    Stamp(im, pic, title::kPrompt.left, title::kPrompt.top);
  }
  Arrow(im, title::kLeftArrow, false, false, t);
  Arrow(im, title::kLeftArrowLit, false, true, t);
  Arrow(im, title::kRightArrow, true, false, t);
  Arrow(im, title::kRightArrowLit, true, true, t);
  const char* detail[3] = {"LO", "MID", "HI"};
  for (int value = 0; value < 3; ++value) {
    Button(im, detail[value], title::DetailValue(value), false, t, 13);
    SmokeValue(im, title::SmokeValue(value), value + 1);
  }
  DrawEmblem(im, title::kEmblemFront, "TUMBLE",
             bonus ? Rgb(160, 220, 255) : Rgb(255, 220, 90),
             bonus ? Rgb(50, 110, 200) : Rgb(220, 130, 30), t);
  DrawEmblem(im, title::kEmblemBack, "SQUASH",
             bonus ? Rgb(230, 240, 255) : Rgb(150, 230, 200),
             bonus ? Rgb(120, 140, 200) : Rgb(40, 140, 120), t);
  DrawZoomCells(im, t);
  Pointer(im, title::kCursor, t);
  {
    Theme on = t, off = t;
    on.plateTop = Rgb(110, 220, 110);
    on.plateBottom = Rgb(30, 130, 50);
    off.plateTop = Rgb(200, 120, 120);
    off.plateBottom = Rgb(120, 50, 60);
    Button(im, "ON", title::kBonusOn, false, on, 13);
    Button(im, "OFF", title::kBonusOff, false, off, 12);
  }
  Button(im, "START", title::kStart, false, t);
  Button(im, "START", title::kStartLit, true, t);
  Button(im, "SETTINGS", title::kSettings, false, t, 15);
  Button(im, "SETTINGS", title::kSettingsLit, true, t, 15);
  Button(im, "DETAIL", title::kDetailLabel, false, t);
  Button(im, "SMOKE", title::kSmokeLabel, false, t, 18);
  Button(im, "BONUS", title::kBonusLabel, false, t, 18);
  Button(im, "BACK", title::kBack, false, t, 16);
  return sh;
}

}  // namespace assetgen
