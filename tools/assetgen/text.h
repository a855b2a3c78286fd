// Lettering through FreeType with the DejaVu faces: coverage masks that the
// pictures colour, outline and shadow themselves.
#pragma once
#include <string>
#include <vector>

#include "raster.h"

namespace assetgen {

enum class Face { kSans, kBold, kCondensedBold, kMono };

struct Mask {
  int w = 0, h = 0;
  std::vector<float> v;  // coverage 0..1
  float at(int x, int y) const {
    return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : v[y * w + x];
  }
};

// Opens the faces; false (with a message on stderr) when one is missing.
bool InitFonts();
void DoneFonts();

// The text at `px` pixels, cropped to its ink, plus `pad` empty pixels on
// every side (room for an outline).
Mask RenderText(Face face, int px, const std::string& text, int pad = 0);
// The text at `px` pixels as a line of type: the mask starts at the pen's
// origin and spans the em box, its baseline at row `px`, so lines set with
// it share a baseline. `advance` receives the pen's travel.
Mask RenderLine(Face face, int px, const std::string& text, int* advance);
// The largest size (at most `maxPx`) whose ink fits in w x h with the pad.
Mask FitText(Face face, int maxPx, const std::string& text, int w, int h,
             int pad);
// The size FitText would choose.
int FitSize(Face face, int maxPx, const std::string& text, int w, int h,
            int pad);
// Widens (k > 1) or narrows the mask, keeping its height.
Mask StretchX(const Mask& m, float k);
// Grows the mask by `r` pixels (a round pen), for outlines.
Mask Dilate(const Mask& m, float r);

// Draws a mask: fill colour from shade(x, y) in image coordinates.
template <class Shade>
void DrawMask(Image& im, const Mask& m, int ox, int oy, Shade shade) {
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      float c = m.v[y * m.w + x];
      if (c > 0) im.Blend(ox + x, oy + y, shade(ox + x, oy + y), c);
    }
}
inline void DrawMask(Image& im, const Mask& m, int ox, int oy, Color c) {
  DrawMask(im, m, ox, oy, [c](int, int) { return c; });
}

// Lettering with an outline (and an optional drop shadow), centred in the
// box (x0, y0, x1, y1). `fill` may vary from the top to the bottom of the
// ink.
struct TextStyle {
  Face face = Face::kBold;
  int maxPx = 24;
  Color top = Rgb(255, 255, 255);
  Color bottom = Rgb(255, 255, 255);
  Color outline = Rgb(20, 20, 30);
  float outlineWidth = 1.5f;
  int shadow = 0;  // drop-shadow offset in pixels, 0 for none
  Color shadowColor = Rgb(0, 0, 0, 0.6f);
};
void DrawLabel(Image& im, const std::string& text, int x0, int y0, int x1,
               int y1, const TextStyle& style);
// Labels of one family share one size and one width of letter, so none
// looks smaller than its neighbours for being longer: the largest size (at
// most style.maxPx) whose lettering, narrowed by `squeeze` (no less than
// minSqueeze), fits every one of `texts` in a w x h box.
struct FamilyFit {
  int px = 0;
  float squeeze = 1;
};
FamilyFit FitFamily(const TextStyle& style,
                    const std::vector<std::string>& texts, int w, int h,
                    float minSqueeze = 1);
// A label of the family in the box: centred like DrawLabel, or from the
// box's left edge with align 0.
void DrawFamilyLabel(Image& im, const std::string& text, int x0, int y0, int x1,
                     int y1, const TextStyle& style, FamilyFit fit,
                     float align = 0.5f);

}  // namespace assetgen
