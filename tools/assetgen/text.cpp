#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>

namespace assetgen {
namespace {

FT_Library gLib = nullptr;
FT_Face gFaces[4] = {};

const char* const kFontDir = "/usr/share/fonts/truetype/dejavu/";
const char* const kFontFiles[4] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf",
                                   "DejaVuSansCondensed-Bold.ttf",
                                   "DejaVuSansMono.ttf"};

}  // namespace

bool InitFonts() {
  if (FT_Init_FreeType(&gLib)) return false;
  for (int i = 0; i < 4; ++i) {
    std::string path = std::string(kFontDir) + kFontFiles[i];
    if (FT_New_Face(gLib, path.c_str(), 0, &gFaces[i])) {
      std::fprintf(stderr, "assetgen: cannot open font %s\n", path.c_str());
      return false;
    }
  }
  return true;
}

void DoneFonts() {
  for (FT_Face& f : gFaces)
    if (f) FT_Done_Face(f), f = nullptr;
  if (gLib) FT_Done_FreeType(gLib), gLib = nullptr;
}

namespace {

// Rasterises onto a canvas with the baseline at row 2 * px and the pen
// starting at column px; returns the pen's end in pixels.
int Rasterise(Face face, int px, const std::string& text, Mask& canvas) {
  FT_Face f = gFaces[(int)face];
  FT_Set_Pixel_Sizes(f, 0, px);
  int cw = (int)text.size() * px * 2 + 4 * px, ch = px * 3;
  canvas = Mask{cw, ch, std::vector<float>(cw * ch, 0.0f)};
  int baseline = px * 2;
  long pen = px * 64;  // 26.6 fixed point
  FT_UInt prev = 0;
  for (unsigned char c : text) {
    FT_UInt gi = FT_Get_Char_Index(f, c);
    if (prev && gi && FT_HAS_KERNING(f)) {
      FT_Vector k;
      FT_Get_Kerning(f, prev, gi, FT_KERNING_DEFAULT, &k);
      pen += k.x;
    }
    if (FT_Load_Glyph(f, gi, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT)) continue;
    FT_GlyphSlot g = f->glyph;
    int gx = (int)(pen >> 6) + g->bitmap_left;
    int gy = baseline - g->bitmap_top;
    for (unsigned y = 0; y < g->bitmap.rows; ++y)
      for (unsigned x = 0; x < g->bitmap.width; ++x) {
        int X = gx + (int)x, Y = gy + (int)y;
        if (X < 0 || Y < 0 || X >= cw || Y >= ch) continue;
        float v = g->bitmap.buffer[y * g->bitmap.pitch + x] / 255.0f;
        float& d = canvas.v[Y * cw + X];
        d = std::min(1.0f, d + v);
      }
    pen += g->advance.x;
    prev = gi;
  }
  return (int)((pen + 63) >> 6);
}

}  // namespace

Mask RenderLine(Face face, int px, const std::string& text, int* advance) {
  Mask canvas;
  int end = Rasterise(face, px, text, canvas);
  int w = end - px + 2, h = px * 4 / 3 + 1;
  Mask out{w, h, std::vector<float>(w * h, 0.0f)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.v[y * w + x] = canvas.at(x + px, y + px);
  if (advance) *advance = end - px;
  return out;
}

Mask RenderText(Face face, int px, const std::string& text, int pad) {
  Mask canvas;
  Rasterise(face, px, text, canvas);
  int cw = canvas.w, ch = canvas.h;
  int x0 = cw, y0 = ch, x1 = -1, y1 = -1;
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x)
      if (canvas.v[y * cw + x] > 0.02f) {
        x0 = std::min(x0, x), y0 = std::min(y0, y);
        x1 = std::max(x1, x), y1 = std::max(y1, y);
      }
  if (x1 < 0) return Mask{2 * pad, 2 * pad, std::vector<float>(4 * pad * pad)};
  Mask out;
  out.w = x1 - x0 + 1 + 2 * pad;
  out.h = y1 - y0 + 1 + 2 * pad;
  out.v.assign(out.w * out.h, 0.0f);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      out.v[(y - y0 + pad) * out.w + (x - x0 + pad)] = canvas.v[y * cw + x];
  return out;
}

int FitSize(Face face, int maxPx, const std::string& text, int w, int h,
            int pad) {
  for (int px = maxPx; px > 6; --px) {
    Mask m = RenderText(face, px, text, pad);
    if (m.w <= w && m.h <= h) return px;
  }
  return 6;
}

Mask FitText(Face face, int maxPx, const std::string& text, int w, int h,
             int pad) {
  return RenderText(face, FitSize(face, maxPx, text, w, h, pad), text, pad);
}

Mask StretchX(const Mask& m, float k) {
  Mask out{std::max(1, (int)std::lround(m.w * k)), m.h, {}};
  out.v.assign(out.w * out.h, 0.0f);
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < out.w; ++x) {
      float sx = (x + 0.5f) / k - 0.5f;
      int x0 = (int)std::floor(sx);
      float t = sx - x0;
      out.v[y * out.w + x] = m.at(x0, y) * (1 - t) + m.at(x0 + 1, y) * t;
    }
  return out;
}

Mask Dilate(const Mask& m, float r) {
  Mask out{m.w, m.h, std::vector<float>(m.w * m.h, 0.0f)};
  int ir = (int)std::ceil(r);
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      float best = 0;
      for (int dy = -ir; dy <= ir; ++dy)
        for (int dx = -ir; dx <= ir; ++dx) {
          float v = m.at(x + dx, y + dy);
          if (v <= best) continue;
          float k = Clamp01(r + 0.5f - std::hypot((float)dx, (float)dy));
          best = std::max(best, v * k);
        }
      out.v[y * m.w + x] = best;
    }
  return out;
}

namespace {

// The ink of `text` narrowed by `squeeze`, with `pad` empty pixels about it.
Mask PaddedInk(Face face, int px, const std::string& text, float squeeze,
               int pad) {
  Mask ink = RenderText(face, px, text, 0);
  if (squeeze < 1) ink = StretchX(ink, squeeze);
  Mask m{ink.w + 2 * pad, ink.h + 2 * pad, {}};
  m.v.assign(m.w * m.h, 0.0f);
  for (int y = 0; y < ink.h; ++y)
    for (int x = 0; x < ink.w; ++x)
      m.v[(y + pad) * m.w + x + pad] = ink.v[y * ink.w + x];
  return m;
}

void DrawPadded(Image& im, const Mask& m, int pad, int x0, int y0, int x1,
                int y1, const TextStyle& s, float align = 0.5f) {
  Mask o = s.outlineWidth > 0 ? Dilate(m, s.outlineWidth) : m;
  int ox = x0 + (int)((x1 - x0 - s.shadow - m.w) * align);
  int oy = y0 + (y1 - y0 - s.shadow - m.h) / 2;
  if (s.shadow) DrawMask(im, o, ox + s.shadow, oy + s.shadow, s.shadowColor);
  if (s.outlineWidth > 0) DrawMask(im, o, ox, oy, s.outline);
  float top = oy + pad, span = std::max(1, m.h - 2 * pad);
  DrawMask(im, m, ox, oy, [&](int, int y) {
    return Mix(s.top, s.bottom, Clamp01((y - top) / span));
  });
}

int Pad(const TextStyle& s) { return (int)std::ceil(s.outlineWidth) + 1; }

}  // namespace

void DrawLabel(Image& im, const std::string& text, int x0, int y0, int x1,
               int y1, const TextStyle& s) {
  const int pad = Pad(s);
  Mask m = FitText(s.face, s.maxPx, text, x1 - x0 - s.shadow,
                   y1 - y0 - s.shadow, pad);
  DrawPadded(im, m, pad, x0, y0, x1, y1, s);
}

FamilyFit FitFamily(const TextStyle& s, const std::vector<std::string>& texts,
                    int w, int h, float minSqueeze) {
  const int pad = Pad(s);
  const int iw = w - s.shadow - 2 * pad, ih = h - s.shadow - 2 * pad;
  for (int px = s.maxPx; px > 6; --px) {
    float squeeze = 1;
    bool fits = true;
    for (const std::string& t : texts) {
      Mask ink = RenderText(s.face, px, t, 0);
      fits &= ink.h <= ih;
      if (ink.w > iw) squeeze = std::min(squeeze, (float)iw / ink.w);
    }
    // StretchX rounds the width, so check the narrowed ink too.
    if (fits && squeeze < 1)
      for (const std::string& t : texts)
        fits &= PaddedInk(s.face, px, t, squeeze, 0).w <= iw;
    if (fits && squeeze >= minSqueeze) return {px, squeeze};
  }
  return {6, 1};
}

void DrawFamilyLabel(Image& im, const std::string& text, int x0, int y0, int x1,
                     int y1, const TextStyle& s, FamilyFit fit, float align) {
  const int pad = Pad(s);
  DrawPadded(im, PaddedInk(s.face, fit.px, text, fit.squeeze, pad), pad, x0, y0,
             x1, y1, s, align);
}

}  // namespace assetgen
