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

// The opening's mascot as pixel art on a 32 x 32 grid: every pixel is set
// whole (no soft edges), shading comes in flat bands, so at any of the
// opening's enlargements it reads as drawn pixels, not a blurred picture.
// `squash` 0 is the tallest wobble, 1 the widest; the mascot wobbles about
// the grid's middle, where the zoom is centred. With `shout` the mouth is a
// round O whose dark inside covers the middle of the grid: the zoom ends
// diving into it, so its last, most enlarged frames go dark on purpose and
// meet the black that follows.
Image MascotPixels(const Theme& t, float squash, bool shout) {
  const CreatureStyle s = WalkerOneStyle(t.bonus);
  Image pic(32, 32);
  const float rx = 14.0f + 1.6f * squash, ry = 14.5f - 1.8f * squash;
  const float cx = 16.0f, cy = 17.0f;
  const Color outline = s.outline;
  const Color shade = Scale(s.body, 0.72f), base = s.body,
              light = Mix(s.body, Rgb(255, 255, 255), 0.3f);
  auto set = [&](int x, int y, Color c) {
    if (x >= 0 && y >= 0 && x < 32 && y < 32) pic.at(x, y) = WithAlpha(c, 1);
  };
  // Normalised distance from an ellipse's centre, at a pixel's centre.
  auto q = [](int x, int y, float ex, float ey, float ax, float ay) {
    return std::hypot((x + 0.5f - ex) / ax, (y + 0.5f - ey) / ay);
  };
  // Body: outline one pixel wide, three flat tones lit from the top-left.
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      float d = q(x, y, cx, cy, rx, ry);
      if (d >= 1) continue;
      if (d > 1 - 1.1f / std::min(rx, ry)) {
        set(x, y, outline);
        continue;
      }
      float nx = (x + 0.5f - cx) / rx, ny = (y + 0.5f - cy) / ry;
      float l = -0.45f * nx - 0.55f * ny + 0.55f * std::sqrt(1 - d * d);
      set(x, y, l > 0.72f ? light : l > 0.25f ? base : shade);
    }
  // A glint on the upper left.
  set(int(cx - rx * 0.55f), int(cy - ry * 0.6f), Rgb(255, 255, 255));
  set(int(cx - rx * 0.55f) + 1, int(cy - ry * 0.6f), light);
  // Cheeks.
  const Color cheek = Mix(s.body, Rgb(255, 140, 170), 0.6f);
  for (float side : {-1.0f, 1.0f})
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (q(x, y, cx + side * rx * 0.7f, cy + 1.0f, 2.4f, 1.5f) < 1)
          set(x, y, cheek);
  // Eyes: squeezed shut into arcs on the flattest bounce.
  const float ey = cy - ry * 0.55f;
  for (float side : {-1.0f, 1.0f}) {
    const float ex = cx + side * 6.0f;
    if (squash > 0.8f) {
      for (int i = -2; i <= 2; ++i)
        set(int(ex) + i, int(ey) + (std::abs(i) == 2 ? 1 : 0), outline);
      continue;
    }
    // Pixel-drawn: a white 4 wide in a dark rim, a pupil 2 wide below the
    // middle, so the eye stays clean however large it is shown.
    const int h = squash < 0.4f ? 5 : 4, top = int(ey) - h / 2;
    const int left = int(ex) - 2;
    for (int y = top - 1; y <= top + h; ++y)
      for (int x = left - 1; x <= left + 4; ++x) {
        const bool rim = y < top || y >= top + h || x < left || x >= left + 4;
        const bool corner =
            (y == top - 1 || y == top + h) && (x == left - 1 || x == left + 4);
        if (!corner) set(x, y, rim ? outline : Rgb(255, 255, 255));
      }
    for (int y = top + h - 3; y < top + h; ++y)
      for (int x = left + 1; x < left + 3; ++x) set(x, y, Rgb(30, 25, 45));
  }
  if (shout) {
    // The O: a lip of the outline colour, a deep red rim and a dark inside
    // that covers at least the middle 8 x 6 pixels in every picture.
    const float mx = 16.0f, my = 16.5f;
    const float mw = 5.6f + 0.8f * squash, mh = 4.6f - 0.3f * squash;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        float d = q(x, y, mx, my, mw, mh);
        if (d >= 1) continue;
        set(x, y,
            d > 0.8f    ? outline
            : d > 0.64f ? Rgb(120, 26, 40)
            : d > 0.5f  ? Rgb(58, 12, 22)
                        : Rgb(0, 0, 0));
      }
    // The tongue, at the bottom of the O.
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (q(x, y, mx, my + mh * 0.8f, mw * 0.45f, 1.4f) < 1 &&
            q(x, y, mx, my, mw, mh) < 0.8f)
          set(x, y, Rgb(240, 110, 130));
  } else {
    // A wide smile, even about the middle.
    const int my = int(cy + ry * 0.15f);
    for (int x = 13; x <= 18; ++x)
      set(x, x == 13 || x == 18 ? my : my + 1, outline);
  }
  // On top: a leaf, or a woolly hat in the winter set.
  const int top = int(cy - ry);
  if (t.bonus) {
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        float d = q(x, y, cx, top + 3.0f, rx * 0.72f, 3.6f);
        if (d < 1 && y <= top + 4)
          set(x, y, d > 0.8f ? Rgb(110, 16, 30) : Rgb(220, 40, 60));
      }
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (q(x, y, cx, top - 0.5f, 2.2f, 2.2f) < 1)
          set(x, y, Rgb(255, 255, 255));
  } else {
    set(16, top, outline);
    set(16, top - 1, outline);
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        float d = q(x, y, 19.5f, top - 1.5f, 3.6f, 1.7f);
        if (d < 1) set(x, y, d > 0.7f ? Scale(s.accent, 0.5f) : s.accent);
      }
  }
  return pic;
}

void DrawZoomCells(Image& im, const Theme& t) {
  for (int c = 0; c < 8; ++c) {
    const layout::Rect cell = title::ZoomCell(c);
    Stamp(im, MascotPixels(t, c / 7.0f, true), cell.left, cell.top);
  }
}

// The emblem: the mascot beside the game's word, lettered like the title.
// The opening shows the front alone, at its own size, on black; the title
// turns it like a coin.
void DrawEmblem(Image& im, layout::Rect at, const std::string& word,
                float squash, Color top, Color bottom, const Theme& t) {
  Image pic(96, 32);
  pic.Draw(MascotPixels(t, squash, false), 0, 0);
  Mask m = RenderText(Face::kCondensedBold, 22, word, 4);
  // Narrow enough to sit beside the mascot.
  const int room = 96 - 33;
  if (m.w > room) m = StretchX(m, float(room) / m.w);
  Mask outer = Dilate(m, 3.0f), inner = Dilate(m, 1.4f);
  const int ox = 32 + (room - m.w) / 2 + 1, oy = (32 - m.h) / 2;
  DrawMask(pic, outer, ox, oy, t.border);
  DrawMask(pic, inner, ox, oy, Rgb(255, 255, 255));
  const float y0 = oy + 4, span = m.h - 8;
  DrawMask(pic, m, ox, oy, [&](int, int y) {
    return Mix(top, bottom, Clamp01((y - y0) / span));
  });
  Stamp(im, pic, at.left, at.top);
}

// ---------------------------------------------------------------- menu

// The menu shows some cells at another size than they have on the sheet,
// scaled nearest-pixel: column i of the shown picture comes from cell
// column i * cellW / shownW (rounded down), and rows alike. So the picture
// is drawn at the size it is shown and each cell pixel takes the mean of
// the shown pixels it will stand for; a cell row that is never shown copies
// the row above it.
Image FitToCell(const Image& shown, int cw, int ch) {
  const int sw = shown.width(), sh = shown.height();
  auto mean = [](const std::vector<Color>& ps) {
    Color sum{};
    for (const Color& p : ps)
      sum.r += p.r * p.a, sum.g += p.g * p.a, sum.b += p.b * p.a, sum.a += p.a;
    if (sum.a <= 0) return Color{};
    return Color{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a,
                 sum.a / ps.size()};
  };
  Image cols(cw, sh);
  for (int y = 0; y < sh; ++y)
    for (int c = 0; c < cw; ++c) {
      std::vector<Color> ps;
      for (int i = 0; i < sw; ++i)
        if (i * cw / sw == c) ps.push_back(shown.at(i, y));
      cols.at(c, y) = mean(ps);
    }
  Image cell(cw, ch);
  for (int t = 0; t < ch; ++t)
    for (int c = 0; c < cw; ++c) {
      std::vector<Color> ps;
      for (int j = 0; j < sh; ++j)
        if (j * ch / sh == t) ps.push_back(cols.at(c, j));
      cell.at(c, t) = !ps.empty() ? mean(ps)
                      : t > 0     ? cell.at(c, t - 1)
                                  : Color{};
    }
  return cell;
}

TextStyle ButtonText(bool hot, const Theme& t) {
  TextStyle s;
  s.face = Face::kBold;
  s.maxPx = 20;
  s.top = hot ? t.hiText : t.text;
  s.bottom = hot ? Scale(t.hiText, 1.5f) : Mix(t.text, t.hiTop, 0.4f);
  s.outline = hot ? Rgb(255, 255, 255, 0.8f) : t.border;
  s.outlineWidth = hot ? 1.0f : 1.5f;
  return s;
}

// A button drawn at the size it is shown, w x h, with lettering of `fit`.
Image ButtonPicture(const std::string& word, int w, int h, bool hot,
                    const Theme& t, FamilyFit fit) {
  Image pic(w, h);
  DrawPlate(pic, 1, 1, w - 1, h - 1, std::min(9.0f, h / 2.0f - 1),
            hot ? t.hiTop : t.plateTop, hot ? t.hiBottom : t.plateBottom,
            t.border);
  DrawFamilyLabel(pic, word, 4, 3, w - 4, h - 3, ButtonText(hot, t), fit);
  return pic;
}

void Button(Image& im, const std::string& word, layout::Rect at, bool hot,
            const Theme& t, int maxPx = 20) {
  const int w = at.right - at.left, h = at.bottom - at.top;
  TextStyle s = ButtonText(hot, t);
  s.maxPx = maxPx;
  const FamilyFit fit = FitFamily(s, {word}, w - 8, h - 6);
  Stamp(im, ButtonPicture(word, w, h, hot, t, fit), at.left, at.top);
}

// The two choices of the menu, each drawn for the shape it is shown at: both
// 116 wide, START 32 high and SETTINGS 24 high, their words the same size.
// The lit SETTINGS is also the heading of the settings page, shown 32 high:
// there the rows the menu leaves out show too, each a copy of the row
// above, so the heading is the menu's button drawn a third taller.
void MenuChoices(Image& im, const Theme& t) {
  const int shownW = 116, startH = 32, settingsH = 24;
  const FamilyFit fit = FitFamily(ButtonText(false, t), {"START", "SETTINGS"},
                                  shownW - 8, settingsH - 6);
  auto place = [&](const std::string& word, layout::Rect at, int h, bool hot) {
    Image shown = ButtonPicture(word, shownW, h, hot, t, fit);
    Stamp(im, FitToCell(shown, at.right - at.left, at.bottom - at.top), at.left,
          at.top);
  };
  place("START", title::kStart, startH, false);
  place("START", title::kStartLit, startH, true);
  place("SETTINGS", title::kSettings, settingsH, false);
  place("SETTINGS", title::kSettingsLit, settingsH, true);
}

// White lettering fading to the theme's warm (or, in the bonus set, icy)
// colour, outlined and shadowed: the prompt and the settings' names.
TextStyle BrightLettering(const Theme& t, int maxPx) {
  TextStyle s;
  s.face = Face::kBold;
  s.maxPx = maxPx;
  s.top = Rgb(255, 255, 255);
  s.bottom = t.bonus ? Rgb(150, 220, 255) : Rgb(255, 230, 120);
  s.outline = t.border;
  s.outlineWidth = 2.2f;
  s.shadow = 2;
  return s;
}

// The names of the settings: lettering, not buttons, from the left edge of
// their cells so the three rows line up.
void SettingNames(Image& im, const Theme& t) {
  const TextStyle s = BrightLettering(t, 24);
  const std::pair<const char*, layout::Rect> names[] = {
      {"DETAIL", title::kDetailLabel},
      {"SMOKE", title::kSmokeLabel},
      {"BONUS", title::kBonusLabel}};
  const FamilyFit fit = FitFamily(s, {"DETAIL", "SMOKE", "BONUS"}, 96, 32);
  for (const auto& [word, at] : names) {
    Image pic(at.right - at.left, at.bottom - at.top);
    DrawFamilyLabel(pic, word, 0, 0, pic.width(), pic.height(), s, fit, 0);
    Stamp(im, pic, at.left, at.top);
  }
}

// The values of the settings, LO MID HI and ON OFF: small plates with
// lettering of one size.
void SettingValues(Image& im, const Theme& t) {
  Theme on = t, off = t;
  on.plateTop = Rgb(110, 220, 110);
  on.plateBottom = Rgb(30, 130, 50);
  off.plateTop = Rgb(200, 120, 120);
  off.plateBottom = Rgb(120, 50, 60);
  TextStyle s = ButtonText(false, t);
  s.face = Face::kCondensedBold;
  s.maxPx = 22;
  s.outlineWidth = 1.2f;
  const FamilyFit fit =
      FitFamily(s, {"LO", "MID", "HI", "ON", "OFF"}, 30, 24, 0.75f);
  auto value = [&](const std::string& word, layout::Rect at, const Theme& th) {
    Image pic(32, 32);
    DrawPlate(pic, 1, 4, 31, 28, 7, th.plateTop, th.plateBottom, th.border);
    DrawFamilyLabel(pic, word, 1, 4, 31, 28, s, fit);
    Stamp(im, pic, at.left, at.top);
  };
  const char* detail[3] = {"LO", "MID", "HI"};
  for (int v = 0; v < 3; ++v) value(detail[v], title::DetailValue(v), t);
  value("ON", title::kBonusOn, on);
  value("OFF", title::kBonusOff, off);
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
    DrawLabel(pic, "CLICK TO START", 0, 0, 256, 32, BrightLettering(t, 22));
    Stamp(im, pic, title::kPrompt.left, title::kPrompt.top);
  }
  Arrow(im, title::kLeftArrow, false, false, t);
  Arrow(im, title::kLeftArrowLit, false, true, t);
  Arrow(im, title::kRightArrow, true, false, t);
  Arrow(im, title::kRightArrowLit, true, true, t);
  for (int value = 0; value < 3; ++value)
    SmokeValue(im, title::SmokeValue(value), value + 1);
  SettingValues(im, t);
  DrawEmblem(im, title::kEmblemFront, "TUMBLE", 0.0f, t.letterTop,
             t.letterBottom, t);
  DrawEmblem(im, title::kEmblemBack, "SQUASH", 1.0f,
             bonus ? Rgb(255, 255, 255) : Rgb(200, 255, 210),
             bonus ? Rgb(80, 150, 240) : Rgb(40, 170, 120), t);
  DrawZoomCells(im, t);
  Pointer(im, title::kCursor, t);
  MenuChoices(im, t);
  SettingNames(im, t);
  Button(im, "BACK", title::kBack, false, t, 16);
  return sh;
}

}  // namespace assetgen
