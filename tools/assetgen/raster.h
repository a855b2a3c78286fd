// True-colour drawing for the picture generator. Shapes are signed distance
// functions in pixels, so every edge is anti-aliased without supersampling;
// the result is quantised to a palette only when a file is written.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace assetgen {

struct Color {
  float r = 0, g = 0, b = 0, a = 0;  // straight alpha, 0..1
};

inline Color Rgb(int r, int g, int b, float a = 1.0f) {
  return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}
inline Color Mix(Color x, Color y, float t) {
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
          x.a + (y.a - x.a) * t};
}
inline Color Scale(Color c, float k) {
  return {std::min(1.0f, c.r * k), std::min(1.0f, c.g * k),
          std::min(1.0f, c.b * k), c.a};
}
inline Color WithAlpha(Color c, float a) { return {c.r, c.g, c.b, a}; }
inline float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline float Smooth(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

class Image {
 public:
  Image() = default;
  Image(int w, int h, Color fill = {}) : w_(w), h_(h), px_(w * h, fill) {}
  int width() const { return w_; }
  int height() const { return h_; }
  // Pixels per unit of drawing: the shapes are described in units, so one
  // drawing can be made at any size (the icons at 16 to 256 pixels).
  float scale() const { return scale_; }
  void set_scale(float scale) { scale_ = scale; }
  Color& at(int x, int y) { return px_[y * w_ + x]; }
  const Color& at(int x, int y) const { return px_[y * w_ + x]; }
  bool inside(int x, int y) const {
    return x >= 0 && y >= 0 && x < w_ && y < h_;
  }
  // Source-over compositing of one colour with coverage `cov`.
  void Blend(int x, int y, Color c, float cov) {
    if (!inside(x, y)) return;
    float a = c.a * cov;
    if (a <= 0) return;
    Color& d = at(x, y);
    float outA = a + d.a * (1 - a);
    if (outA <= 0) return;
    d.r = (c.r * a + d.r * d.a * (1 - a)) / outA;
    d.g = (c.g * a + d.g * d.a * (1 - a)) / outA;
    d.b = (c.b * a + d.b * d.a * (1 - a)) / outA;
    d.a = outA;
  }
  // Copies `src` with its alpha over this image at (ox, oy).
  void Draw(const Image& src, int ox, int oy) {
    for (int y = 0; y < src.h_; ++y)
      for (int x = 0; x < src.w_; ++x) Blend(ox + x, oy + y, src.at(x, y), 1);
  }

 private:
  int w_ = 0, h_ = 0;
  float scale_ = 1;
  std::vector<Color> px_;
};

// A box of pixels a shape can touch, clipped later to the image.
struct Box {
  float x0, y0, x1, y1;
};

// Fills every pixel in `box` with shade(x, y), weighted by the coverage of
// the shape `sdf` (negative inside). Coordinates are pixel centres + 0.5.
// At a scale other than 1 the coordinates are units (see Image::scale).
template <class Sdf, class Shade>
void Fill(Image& im, Box box, Sdf sdf, Shade shade) {
  const float k = im.scale();
  int x0 = std::max(0, (int)std::floor(box.x0 * k) - 1);
  int y0 = std::max(0, (int)std::floor(box.y0 * k) - 1);
  int x1 = std::min(im.width() - 1, (int)std::ceil(box.x1 * k) + 1);
  int y1 = std::min(im.height() - 1, (int)std::ceil(box.y1 * k) + 1);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      float px = (x + 0.5f) / k, py = (y + 0.5f) / k;
      float cov = Clamp01(0.5f - sdf(px, py) * k);
      if (cov > 0) im.Blend(x, y, shade(px, py), cov);
    }
}
template <class Sdf>
void FillSolid(Image& im, Box box, Sdf sdf, Color c) {
  Fill(im, box, sdf, [c](float, float) { return c; });
}

// Distance functions.
inline float SdCircle(float px, float py, float cx, float cy, float r) {
  return std::hypot(px - cx, py - cy) - r;
}
// A good approximation of the distance to an axis-aligned ellipse.
inline float SdEllipse(float px, float py, float cx, float cy, float rx,
                       float ry) {
  float x = (px - cx) / rx, y = (py - cy) / ry;
  float k0 = std::hypot(x, y);
  float k1 = std::hypot(x / rx, y / ry);
  if (k1 <= 1e-6f) return -std::min(rx, ry);
  return k0 * (k0 - 1.0f) / k1;
}
// An ellipse turned by angle `ang` (radians).
inline float SdEllipseRot(float px, float py, float cx, float cy, float rx,
                          float ry, float ang) {
  float c = std::cos(ang), s = std::sin(ang);
  float dx = px - cx, dy = py - cy;
  float lx = dx * c + dy * s, ly = -dx * s + dy * c;
  return SdEllipse(lx, ly, 0, 0, rx, ry);
}
inline float SdRoundBox(float px, float py, float x0, float y0, float x1,
                        float y1, float r) {
  float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  float hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
  float qx = std::abs(px - cx) - hx, qy = std::abs(py - cy) - hy;
  float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0f) - r;
}
inline float SdSegment(float px, float py, float ax, float ay, float bx,
                       float by, float r) {
  float pax = px - ax, pay = py - ay, bax = bx - ax, bay = by - ay;
  float l2 = bax * bax + bay * bay;
  float h = l2 > 0 ? Clamp01((pax * bax + pay * bay) / l2) : 0;
  return std::hypot(pax - bax * h, pay - bay * h) - r;
}

struct Pt {
  float x, y;
};
// Exact distance to a closed polygon (any winding), negative inside.
float SdPolygon(float px, float py, const std::vector<Pt>& poly);
Box PolyBox(const std::vector<Pt>& poly, float grow = 1);

// Convenience drawing helpers.
void Disc(Image& im, float cx, float cy, float r, Color c);
void Oval(Image& im, float cx, float cy, float rx, float ry, Color c);
void Line(Image& im, float ax, float ay, float bx, float by, float w, Color c);
void RoundRect(Image& im, float x0, float y0, float x1, float y1, float r,
               Color c);
void Polygon(Image& im, const std::vector<Pt>& poly, Color c);

// A repeatable hash in 0..1 for noise and scatter (no library randomness, so
// every build draws the same pictures).
float Hash(int x, int y, int seed);
// Smooth value noise that repeats every px (across) and py (down) lattice
// cells, for pictures that must tile.
float PeriodicNoise(float x, float y, int px, int py, int seed);

// Shrinks by an integer factor with a box filter (coverage kept as alpha).
Image Downscale(const Image& im, int factor);

// Makes alpha binary for a keyed sprite: pixels at least half covered stay.
void BinariseAlpha(Image& im);
// For soft sprites (smoke, shadows) that only ever lie on one ground: each
// pixel is blended onto `ground` by its alpha and kept where the alpha
// reaches `cut`. A keyed copy has no translucency, so the softness has to
// be in the colours: edges and thin smoke take on the ground's colour.
void SettleOnGround(Image& im, Color ground, float cut);
// The mean colour of the opaque pixels of a rectangle.
Color MeanColor(const Image& im, int x0, int y0, int x1, int y1);

}  // namespace assetgen
