// The game sprite sheet. Layout (pixels of the 640 x 2048 sheet) is fixed by
// the game's drawing code; the art is free.
#include <string>

#include "characters.h"
#include "sheets.h"
#include "text.h"

namespace assetgen {

namespace game = layout::game;

namespace {

struct Blob {
  float x, y, r;
};

// The lumps of a cloud: one in the middle and a ring of `blobs` about it.
std::vector<Blob> CloudBlobs(float cx, float cy, float r, int seed, int blobs) {
  std::vector<Blob> bs;
  bs.push_back({cx, cy, r * 0.62f});
  for (int i = 0; i < blobs; ++i) {
    float a = (i + Hash(i, 1, seed) * 0.6f) * 6.2831853f / blobs;
    float d = r * (0.38f + 0.12f * Hash(i, 2, seed));
    float br = r * (0.36f + 0.16f * Hash(i, 3, seed));
    bs.push_back({cx + std::cos(a) * d, cy + std::sin(a) * d * 0.85f, br});
  }
  return bs;
}

// Light from the top-left, on each lump and on the whole cloud.
Color CloudShade(const Blob& b, float cx, float cy, float r, Palette3 p,
                 float x, float y) {
  float t = ((b.x - x) + (b.y - y)) / (2 * b.r) * 0.6f +
            ((cx - x) + (cy - y)) / (2 * r) * 0.5f + 0.45f;
  t = Clamp01(t);
  return t > 0.5f ? Mix(p.mid, p.light, (t - 0.5f) * 2)
                  : Mix(Scale(p.dark, 1.25f), p.mid, t * 2);
}

}  // namespace

void DrawCloud(Image& im, float cx, float cy, float r, Palette3 p, int seed,
               int blobs, float outline) {
  std::vector<Blob> bs = CloudBlobs(cx, cy, r, seed, blobs);
  if (outline > 0)
    for (const Blob& b : bs) Disc(im, b.x, b.y, b.r + outline, p.dark);
  for (const Blob& b : bs)
    Fill(
        im, {b.x - b.r, b.y - b.r, b.x + b.r, b.y + b.r},
        [&](float x, float y) { return SdCircle(x, y, b.x, b.y, b.r); },
        [&](float x, float y) { return CloudShade(b, cx, cy, r, p, x, y); });
}

static void DrawSoftCloud(Image& im, float cx, float cy, float r, Palette3 p,
                          int seed, int blobs, float soft, float opacity) {
  std::vector<Blob> bs = CloudBlobs(cx, cy, r, seed, blobs);
  Box box{cx, cy, cx, cy};
  for (const Blob& b : bs) {
    box.x0 = std::min(box.x0, b.x - b.r), box.y0 = std::min(box.y0, b.y - b.r);
    box.x1 = std::max(box.x1, b.x + b.r), box.y1 = std::max(box.y1, b.y + b.r);
  }
  for (int y = std::max(0, (int)box.y0 - 1);
       y <= std::min(im.height() - 1, (int)box.y1 + 1); ++y)
    for (int x = std::max(0, (int)box.x0 - 1);
         x <= std::min(im.width() - 1, (int)box.x1 + 1); ++x) {
      float px = x + 0.5f, py = y + 0.5f;
      float sd = 1e9f;
      for (const Blob& b : bs)
        sd = std::min(sd, SdCircle(px, py, b.x, b.y, b.r));
      float a = opacity * Smooth(0.5f, -soft, sd);
      if (a <= 0) continue;
      // The lumps' shading blended where they meet, so no seam shows.
      Color c{};
      float wsum = 0;
      for (const Blob& b : bs) {
        float w = std::exp((sd - SdCircle(px, py, b.x, b.y, b.r)) / 2.0f);
        Color k = CloudShade(b, cx, cy, r, p, px, py);
        c.r += k.r * w, c.g += k.g * w, c.b += k.b * w, wsum += w;
      }
      c = {c.r / wsum, c.g / wsum, c.b / wsum, 1};
      im.Blend(x, y, c, a);
    }
}

void DrawPlate(Image& im, float x0, float y0, float x1, float y1, float r,
               Color top, Color bottom, Color border) {
  RoundRect(im, x0, y0, x1, y1, r, border);
  Fill(
      im, {x0, y0, x1, y1},
      [=](float x, float y) {
        return SdRoundBox(x, y, x0 + 1.5f, y0 + 1.5f, x1 - 1.5f, y1 - 1.5f,
                          std::max(0.5f, r - 1.5f));
      },
      [=](float, float y) { return Mix(top, bottom, (y - y0) / (y1 - y0)); });
  // A thin highlight along the top edge.
  Line(im, x0 + r, y0 + 2.6f, x1 - r, y0 + 2.6f, 1.0f,
       WithAlpha(Rgb(255, 255, 255), 0.45f));
}

void Stamp(Image& sheet, Image sprite, int x, int y) {
  BinariseAlpha(sprite);
  sheet.Draw(sprite, x, y);
}

namespace {

// ---------------------------------------------------------------- effects

void DrawBlast(Image& im, int k, bool bonus, Color ground) {
  // k = 1..14 in a 64 x 100 cell whose ground point is (32, 50).
  Palette3 fire{Rgb(255, 250, 200), Rgb(255, 190, 50), Rgb(200, 60, 20)};
  Palette3 hot{Rgb(255, 255, 240), Rgb(255, 230, 120), Rgb(240, 120, 30)};
  Palette3 smoke{Rgb(150, 145, 150), Rgb(95, 90, 100), Rgb(45, 40, 50)};
  if (bonus) {
    fire = {Rgb(240, 255, 255), Rgb(120, 220, 255), Rgb(40, 90, 200)};
    hot = {Rgb(255, 255, 255), Rgb(200, 245, 255), Rgb(90, 160, 240)};
    smoke = {Rgb(235, 240, 250), Rgb(190, 200, 225), Rgb(110, 120, 160)};
  }
  Image pic(64, 100);
  const layout::Rect at = game::BlastCell(k);
  if (k <= 3) {
    // The flash: a bright ball with rays.
    float r = 7 + 6 * k;
    for (int i = 0; i < 10; ++i) {
      float a = i * 0.6283f + k * 0.3f;
      float len = r * (1.3f + 0.35f * Hash(i, k, 7));
      Line(pic, 32, 52, 32 + std::cos(a) * len, 52 + std::sin(a) * len * 0.9f,
           3.0f, WithAlpha(hot.mid, 1));
    }
    DrawCloud(pic, 32, 52, r, hot, k, 7, 1.0f);
    Disc(pic, 32, 51, r * 0.45f, Rgb(255, 255, 255));
  } else if (k <= 7) {
    // The fireball, rolling upwards.
    float r = 25 + (k - 4) * 1.0f;
    float cy = 52 - (k - 4) * 3;
    DrawCloud(pic, 32, cy + 6, r * 0.8f, smoke, 20 + k, 7);
    DrawCloud(pic, 32, cy, r, fire, 30 + k, 8);
    DrawCloud(pic, 30, cy - 2, r * (0.55f - 0.06f * (k - 4)), hot, 40 + k, 6,
              0);
  } else {
    // Smoke rising and thinning out, the last embers inside: thinner smoke
    // shows more of the ground's colour.
    float u = (k - 8) / 6.0f;  // 0..1
    float opacity = 1.0f - 0.7f * u;
    float cy = 42 - u * 22;
    DrawSoftCloud(pic, 32, cy + 14, 16 - 6 * u, smoke, 50 + k, 6, 3, opacity);
    DrawSoftCloud(pic, 32, cy, 22 - 4 * u, smoke, 60 + k, 8, 4, opacity);
    if (k <= 10)
      DrawSoftCloud(pic, 31, cy + 4, 10 - 3 * (k - 8), fire, 70 + k, 5, 2,
                    opacity);
    SettleOnGround(pic, ground, 0.2f);
    im.Draw(pic, at.left, at.top);
    return;
  }
  Stamp(im, pic, at.left, at.top);
}

void DrawPuff(Image& im, int x, int y, int size, int frame, bool bonus,
              Color ground) {
  Palette3 p{Rgb(255, 255, 255), Rgb(215, 215, 225), Rgb(120, 120, 140)};
  if (bonus) p = {Rgb(255, 255, 255), Rgb(215, 232, 250), Rgb(110, 140, 190)};
  if (size == 128) p.mid = Mix(p.mid, Rgb(160, 160, 170), 0.35f);
  Image pic(size, size);
  float s = size / 64.0f;
  float r = (10 + 3.2f * frame) * s;
  // Each picture thinner than the last: more of the ground shows through.
  float opacity = 1.0f - 0.2f * (frame - 1);
  DrawSoftCloud(pic, size / 2.0f, size / 2.0f, r, p, size + frame, 7,
                2.5f * s + 0.12f * r, opacity);
  SettleOnGround(pic, ground, 0.2f);
  im.Draw(pic, x, y);
}

void DrawMissMark(Image& im, int x, int y, int frame, bool bonus,
                  Color ground) {
  Image pic(64, 64);
  Color dust = bonus ? Rgb(200, 215, 240) : Rgb(150, 120, 80);
  Color dark = bonus ? Rgb(70, 86, 130) : Rgb(80, 60, 40);
  float fade = 1.0f - 0.2f * (frame - 1);
  // A scorch on the ground, seen at a slant.
  Oval(pic, 32, 36, 9 + frame * 2.0f, 4 + frame * 0.8f, WithAlpha(dark, fade));
  // A ring of dust thrown out.
  float R = 8 + frame * 5.0f;
  for (int i = 0; i < 12; ++i) {
    float a = i * 0.5236f + frame * 0.2f;
    float px = 32 + std::cos(a) * R, py = 34 + std::sin(a) * R * 0.5f;
    Disc(pic, px, py, 3.4f - 0.5f * frame, WithAlpha(dust, fade));
  }
  if (frame == 1) {
    // The spark where the shot struck.
    for (int i = 0; i < 8; ++i) {
      float a = i * 0.785f;
      Line(pic, 32, 32, 32 + std::cos(a) * 12, 32 + std::sin(a) * 9, 2.4f,
           Rgb(255, 240, 150));
    }
    Disc(pic, 32, 32, 4, Rgb(255, 255, 230));
  }
  SettleOnGround(pic, ground, 0.3f);
  im.Draw(pic, x, y);
}

// A darker shade of the ground, darkest in the middle, so that it reads as
// shade on the grass or snow rather than a hole in it.
void DrawShadow(Image& im, int x, int y, Color ground) {
  Image pic(64, 64);
  const float cx = 32, cy = 56, rx = 21, ry = 7;
  for (int j = 46; j < 64; ++j)
    for (int i = 8; i < 56; ++i) {
      float q = std::hypot((i + 0.5f - cx) / rx, (j + 0.5f - cy) / ry);
      if (q >= 1) continue;
      float k = 0.6f + 0.3f * Smooth(0.35f, 1.0f, q);
      pic.at(i, j) = Scale(ground, k);
    }
  im.Draw(pic, x, y);
}

void DrawAim(Image& im, int x, int y, bool bonus) {
  Image pic(64, 64);
  Color ring = bonus ? Rgb(60, 200, 255) : Rgb(255, 60, 60);
  Color edge = Rgb(20, 10, 20);
  auto ringAt = [&](float r, float w, Color c) {
    FillSolid(
        pic, {0, 0, 64, 64},
        [=](float px, float py) {
          return std::abs(SdCircle(px, py, 32, 32, r)) - w / 2;
        },
        c);
  };
  ringAt(22, 6, edge);
  ringAt(22, 3, ring);
  ringAt(22, 1, Rgb(255, 255, 255, 0.6f));
  for (int i = 0; i < 4; ++i) {
    float dx = (i == 0) - (i == 1), dy = (i == 2) - (i == 3);
    Line(pic, 32 + dx * 12, 32 + dy * 12, 32 + dx * 28, 32 + dy * 28, 5, edge);
    Line(pic, 32 + dx * 12, 32 + dy * 12, 32 + dx * 28, 32 + dy * 28, 2.2f,
         Rgb(255, 255, 255));
  }
  Disc(pic, 32, 32, 3, edge);
  Disc(pic, 32, 32, 1.8f, ring);
  Stamp(im, pic, x, y);
}

// ---------------------------------------------------------------- play tile

void DrawTile(Image& im, int ox, int oy, bool bonus) {
  const int W = 320, H = 240;
  Image t(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float n = PeriodicNoise(x / 40.0f, y / 40.0f, 8, 6, 3) * 0.6f +
                PeriodicNoise(x / 16.0f, y / 16.0f, 20, 15, 4) * 0.3f +
                PeriodicNoise(x / 5.0f, y / 5.0f, 64, 48, 5) * 0.1f;
      // Snow in the evening light: blue enough that the white snowmen
      // stand out on it.
      Color c = bonus ? Mix(Rgb(112, 134, 190), Rgb(168, 186, 228), n)
                      : Mix(Rgb(70, 140, 52), Rgb(120, 190, 78), n);
      t.at(x, y) = c;
    }
  // Scattered details, each drawn at every wrap-around offset so the edges
  // join without a seam.
  auto wrapped = [&](auto draw) {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) draw(dx * W, dy * H);
  };
  for (int i = 0; i < 260; ++i) {
    float x = Hash(i, 0, 11) * W, y = Hash(i, 1, 11) * H;
    float lean = (Hash(i, 2, 11) - 0.5f) * 4;
    Color c = bonus ? Rgb(96, 116, 170) : Rgb(50, 105, 40);
    if (Hash(i, 3, 11) > 0.5f)
      c = bonus ? Rgb(220, 230, 250) : Rgb(140, 205, 90);
    wrapped([&](int ox2, int oy2) {
      if (bonus) {
        Disc(t, x + ox2, y + oy2, 0.9f, c);
      } else {
        Line(t, x + ox2, y + oy2, x + ox2 + lean, y + oy2 - 5, 1.2f, c);
        Line(t, x + ox2 + 2, y + oy2, x + ox2 + 2 + lean * 0.6f, y + oy2 - 4,
             1.1f, c);
      }
    });
  }
  for (int i = 0; i < 22; ++i) {
    float x = Hash(i, 0, 21) * W, y = Hash(i, 1, 21) * H;
    int kind = (int)(Hash(i, 2, 21) * 3);
    wrapped([&](int ox2, int oy2) {
      float cx = x + ox2, cy = y + oy2;
      if (bonus) {
        // Little snow drifts and a glint.
        Oval(t, cx, cy + 2, 9, 3.5f, Rgb(92, 112, 166));
        Oval(t, cx - 1, cy, 8, 3.2f, Rgb(184, 200, 236));
        if (kind == 0) {
          Line(t, cx + 6, cy - 9, cx + 6, cy - 1, 1, Rgb(255, 255, 255));
          Line(t, cx + 2, cy - 5, cx + 10, cy - 5, 1, Rgb(255, 255, 255));
        }
        return;
      }
      Color petal = kind == 0   ? Rgb(255, 255, 255)
                    : kind == 1 ? Rgb(255, 225, 70)
                                : Rgb(255, 150, 190);
      for (int p = 0; p < 5; ++p) {
        float a = p * 1.2566f;
        Disc(t, cx + std::cos(a) * 2.4f, cy + std::sin(a) * 2.0f, 1.9f, petal);
      }
      Disc(t, cx, cy, 1.3f, kind == 1 ? Rgb(230, 120, 30) : Rgb(250, 200, 40));
    });
  }
  for (int i = 0; i < 7; ++i) {
    float x = Hash(i, 0, 31) * W, y = Hash(i, 1, 31) * H;
    wrapped([&](int ox2, int oy2) {
      Oval(t, x + ox2 + 1, y + oy2 + 1.5f, 4.5f, 2.6f,
           bonus ? Rgb(50, 60, 100, 0.6f) : Rgb(40, 70, 40, 0.6f));
      Oval(t, x + ox2, y + oy2, 4, 2.5f,
           bonus ? Rgb(120, 130, 150) : Rgb(160, 155, 140));
      Disc(t, x + ox2 - 1.2f, y + oy2 - 0.8f, 1.2f,
           bonus ? Rgb(190, 200, 220) : Rgb(210, 205, 190));
    });
  }
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) t.at(x, y).a = 1;
  im.Draw(t, ox, oy);
}

// ---------------------------------------------------------------- lettering

TextStyle LabelStyle(bool bonus) {
  TextStyle s;
  s.face = Face::kCondensedBold;
  s.maxPx = 26;
  s.top = Rgb(255, 255, 255);
  s.bottom = bonus ? Rgb(90, 170, 255) : Rgb(255, 225, 120);
  s.outline = Rgb(24, 20, 40);
  s.outlineWidth = 2.0f;
  s.shadow = 1;
  return s;
}

void Label(Image& im, const std::string& text, layout::Rect at,
           const TextStyle& s) {
  const int w = at.right - at.left, h = at.bottom - at.top;
  Image pic(w, h);
  DrawLabel(pic, text, 0, 0, w, h, s);
  Stamp(im, pic, at.left, at.top);
}

void DrawBanner(Image& im, int x0, int y0, bool bonus) {
  Image pic(192, 112);
  Color top = bonus ? Rgb(120, 190, 255) : Rgb(255, 200, 60);
  Color bot = bonus ? Rgb(40, 90, 200) : Rgb(230, 100, 30);
  Color border = Rgb(30, 20, 40);
  // Ribbon ends behind the plate.
  for (float side : {-1.0f, 1.0f}) {
    float cx = 96 + side * 80;
    Polygon(pic,
            {{cx - 14, 44},
             {cx + 14, 44},
             {cx + 14 + side * 4, 84},
             {cx + side * 2, 74},
             {cx - 14 + side * 4, 84}},
            border);
    Polygon(pic,
            {{cx - 12, 46},
             {cx + 12, 46},
             {cx + 12 + side * 3, 80},
             {cx + side * 2, 71},
             {cx - 12 + side * 3, 80}},
            Scale(bot, 0.8f));
  }
  DrawPlate(pic, 14, 20, 178, 92, 14, top, bot, border);
  TextStyle s;
  s.face = Face::kBold;
  s.maxPx = 40;
  s.top = Rgb(255, 255, 255);
  s.bottom = bonus ? Rgb(220, 240, 255) : Rgb(255, 245, 200);
  s.outline = border;
  s.outlineWidth = 2.5f;
  s.shadow = 2;
  DrawLabel(pic, "FINISH!", 20, 30, 172, 82, s);
  for (int i = 0; i < 3; ++i) {
    float cx = 66 + i * 30;
    std::vector<Pt> star;
    for (int p = 0; p < 10; ++p) {
      float a = -1.5708f + p * 0.6283f, r = p % 2 ? 3.2f : 7.5f;
      star.push_back({cx + std::cos(a) * r, 11 + std::sin(a) * r});
    }
    FillSolid(
        pic, PolyBox(star, 3),
        [&](float x, float y) { return SdPolygon(x, y, star) - 1.4f; }, border);
    Polygon(pic, star, Rgb(255, 240, 90));
  }
  Stamp(im, pic, x0, y0);
}

void DrawDigits(Image& im, bool bonus) {
  TextStyle s;
  s.face = Face::kBold;
  s.maxPx = 30;
  s.top = bonus ? Rgb(235, 250, 255) : Rgb(255, 250, 190);
  s.bottom = bonus ? Rgb(60, 140, 255) : Rgb(255, 160, 40);
  s.outline = Rgb(24, 18, 36);
  s.outlineWidth = 2.0f;
  s.shadow = 1;
  // The same size for every digit, so numbers line up; widened a little so
  // the 32-pixel steps between digits do not look gappy.
  const float kWiden = 1.3f;
  int pad = 3;
  int px = s.maxPx;
  auto digit = [&](int d, int size) {
    return StretchX(RenderText(s.face, size, std::string(1, char('0' + d)), 0),
                    kWiden);
  };
  for (; px > 8; --px) {
    bool fits = true;
    for (int d = 0; d < 10 && fits; ++d) {
      Mask m = digit(d, px);
      fits = m.w + 2 * pad <= 31 && m.h + 2 * pad <= 31;
    }
    if (fits) break;
  }
  for (int d = 0; d < 10; ++d) {
    Image pic(32, 32);
    Mask ink = digit(d, px);
    Mask m{ink.w + 2 * pad, ink.h + 2 * pad, {}};
    m.v.assign(m.w * m.h, 0.0f);
    for (int y = 0; y < ink.h; ++y)
      for (int x = 0; x < ink.w; ++x)
        m.v[(y + pad) * m.w + x + pad] = ink.v[y * ink.w + x];
    Mask o = Dilate(m, s.outlineWidth);
    int ox = (31 - m.w) / 2, oy = (31 - m.h) / 2;
    DrawMask(pic, o, ox + 1, oy + 1, s.shadowColor);
    DrawMask(pic, o, ox, oy, s.outline);
    DrawMask(pic, m, ox, oy, [&](int, int y) {
      return Mix(s.top, s.bottom,
                 Clamp01((y - oy - pad) / float(m.h - 2 * pad)));
    });
    const layout::Rect at = game::Digit(d);
    Stamp(im, pic, at.left, at.top);
  }
}

// A small head of the first walker, written after each counter.
void DrawCounterIcon(Image& im, int x, int y, bool bonus) {
  Image big(64, 64);
  DrawCreature(big, 0, 0, WalkerOneStyle(bonus), 5, 3);
  Image pic = Downscale(big, 2);
  Stamp(im, pic, x, y);
}

}  // namespace

Sheet BuildGameSheet(bool bonus) {
  Sheet sh;
  sh.image = Image(game::kWidth, game::kHeight);
  sh.regions = game::Regions();
  Image& im = sh.image;
  CreatureStyle styles[3] = {WalkerOneStyle(bonus), WalkerTwoStyle(bonus),
                             FlyerStyle(bonus)};
  for (int kind = 1; kind <= 3; ++kind)
    for (int row = 1; row <= 8; ++row)
      for (int f = 0; f < 8; ++f) {
        Image cell(64, 64);
        DrawCreature(cell, 0, 0, styles[kind - 1], row, f);
        const layout::Rect at = game::EnemyCell(kind, row, f);
        Stamp(im, cell, at.left, at.top);
      }
  DrawTile(im, game::kFieldTile.left, game::kFieldTile.top, bonus);
  // Smoke and shadows are only ever seen on the field: they borrow its
  // colour for their soft parts.
  const layout::Rect tile = game::kFieldTile;
  const Color ground =
      MeanColor(im, tile.left, tile.top, tile.right, tile.bottom);
  // One picture past those a blast's life reaches, in case.
  for (int k = 1; k <= game::kBlastPictures + 1; ++k)
    DrawBlast(im, k, bonus, ground);

  // The play screen's and the result screen's labels: one family, set as
  // large as the 32-pixel rows allow and narrowed so the longest fits.
  TextStyle ls = LabelStyle(bonus);
  const std::pair<const char*, layout::Rect> labels[] = {
      {"LEFT", game::kLeftLabel},
      {"HITS", game::kHitsLabel},
      {"SHOTS", game::kShotsLabel},
      {"BEST", game::kBestLabel},
      {"TOTAL", game::kTotalLabel}};
  std::vector<std::string> words;
  for (const auto& l : labels) words.push_back(l.first);
  const FamilyFit fit =
      FitFamily(ls, words, game::kLeftLabel.right - game::kLeftLabel.left,
                game::kLeftLabel.bottom - game::kLeftLabel.top, 0.72f);
  for (const auto& [word, at] : labels) {
    Image pic(at.right - at.left, at.bottom - at.top);
    DrawFamilyLabel(pic, word, 0, 0, pic.width(), pic.height(), ls, fit);
    Stamp(im, pic, at.left, at.top);
  }
  DrawCounterIcon(im, game::kCounterIcon.left, game::kCounterIcon.top, bonus);
  DrawBanner(im, game::kBanner.left, game::kBanner.top, bonus);

  for (int f = 1; f <= 4; ++f) {
    const layout::Rect large = game::LargePuffCell(f);
    const layout::Rect small = game::SmallPuffCell(f);
    const layout::Rect miss = game::MissMarkCell(f);
    DrawPuff(im, large.left, large.top, 128, f, bonus, ground);
    DrawPuff(im, small.left, small.top, 64, f, bonus, ground);
    DrawMissMark(im, miss.left, miss.top, f, bonus, ground);
  }
  DrawDigits(im, bonus);
  TextStyle hs = ls;
  hs.face = Face::kBold;
  hs.maxPx = 26;
  hs.top = bonus ? Rgb(255, 255, 255) : Rgb(255, 250, 200);
  hs.bottom = bonus ? Rgb(120, 200, 255) : Rgb(255, 170, 40);
  Label(im, "HIGH SCORES", game::kRankingHeading, hs);
  DrawShadow(im, game::kShadow.left, game::kShadow.top, ground);
  DrawAim(im, game::kAim.left, game::kAim.top, bonus);
  return sh;
}

}  // namespace assetgen
