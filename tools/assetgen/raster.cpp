#include "raster.h"

namespace assetgen {

float SdPolygon(float px, float py, const std::vector<Pt>& poly) {
  float best = 1e30f;
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Pt& a = poly[i];
    const Pt& b = poly[j];
    float ex = b.x - a.x, ey = b.y - a.y;
    float wx = px - a.x, wy = py - a.y;
    float l2 = ex * ex + ey * ey;
    float h = l2 > 0 ? Clamp01((wx * ex + wy * ey) / l2) : 0;
    float dx = wx - ex * h, dy = wy - ey * h;
    best = std::min(best, dx * dx + dy * dy);
    if ((a.y > py) != (b.y > py) &&
        px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x)
      in = !in;
  }
  float d = std::sqrt(best);
  return in ? -d : d;
}

Box PolyBox(const std::vector<Pt>& poly, float grow) {
  Box b{1e9f, 1e9f, -1e9f, -1e9f};
  for (const Pt& p : poly) {
    b.x0 = std::min(b.x0, p.x);
    b.y0 = std::min(b.y0, p.y);
    b.x1 = std::max(b.x1, p.x);
    b.y1 = std::max(b.y1, p.y);
  }
  return {b.x0 - grow, b.y0 - grow, b.x1 + grow, b.y1 + grow};
}

void Disc(Image& im, float cx, float cy, float r, Color c) {
  FillSolid(
      im, {cx - r, cy - r, cx + r, cy + r},
      [=](float x, float y) { return SdCircle(x, y, cx, cy, r); }, c);
}

void Oval(Image& im, float cx, float cy, float rx, float ry, Color c) {
  FillSolid(
      im, {cx - rx, cy - ry, cx + rx, cy + ry},
      [=](float x, float y) { return SdEllipse(x, y, cx, cy, rx, ry); }, c);
}

void Line(Image& im, float ax, float ay, float bx, float by, float w, Color c) {
  float r = w / 2;
  FillSolid(
      im,
      {std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r,
       std::max(ay, by) + r},
      [=](float x, float y) { return SdSegment(x, y, ax, ay, bx, by, r); }, c);
}

void RoundRect(Image& im, float x0, float y0, float x1, float y1, float r,
               Color c) {
  FillSolid(
      im, {x0, y0, x1, y1},
      [=](float x, float y) { return SdRoundBox(x, y, x0, y0, x1, y1, r); }, c);
}

void Polygon(Image& im, const std::vector<Pt>& poly, Color c) {
  FillSolid(
      im, PolyBox(poly),
      [&](float x, float y) { return SdPolygon(x, y, poly); }, c);
}

float Hash(int x, int y, int seed) {
  std::uint32_t h = (std::uint32_t)x * 374761393u +
                    (std::uint32_t)y * 668265263u +
                    (std::uint32_t)seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xffffff) / 16777216.0f;
}

float PeriodicNoise(float x, float y, int px, int py, int seed) {
  int ix = (int)std::floor(x), iy = (int)std::floor(y);
  float fx = x - ix, fy = y - iy;
  auto lat = [&](int a, int b) {
    a = ((a % px) + px) % px;
    b = ((b % py) + py) % py;
    return Hash(a, b, seed);
  };
  float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  float v0 = lat(ix, iy) + (lat(ix + 1, iy) - lat(ix, iy)) * sx;
  float v1 = lat(ix, iy + 1) + (lat(ix + 1, iy + 1) - lat(ix, iy + 1)) * sx;
  return v0 + (v1 - v0) * sy;
}

Image Downscale(const Image& im, int f) {
  Image out(im.width() / f, im.height() / f);
  for (int j = 0; j < out.height(); ++j)
    for (int i = 0; i < out.width(); ++i) {
      float r = 0, g = 0, b = 0, a = 0;
      for (int y = 0; y < f; ++y)
        for (int x = 0; x < f; ++x) {
          const Color& c = im.at(i * f + x, j * f + y);
          r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
        }
      if (a > 0) out.at(i, j) = {r / a, g / a, b / a, a / (f * f)};
    }
  return out;
}

void BinariseAlpha(Image& im) {
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      Color& c = im.at(x, y);
      c.a = c.a > 0.5f ? 1.0f : 0.0f;
    }
}

void SettleOnGround(Image& im, Color ground, float cut) {
  for (int y = 0; y < im.height(); ++y)
    for (int x = 0; x < im.width(); ++x) {
      Color& c = im.at(x, y);
      const float a = c.a;
      c = Mix(ground, c, a);
      c.a = a >= cut ? 1.0f : 0.0f;
    }
}

Color MeanColor(const Image& im, int x0, int y0, int x1, int y1) {
  double r = 0, g = 0, b = 0, n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const Color& c = im.at(x, y);
      if (c.a < 0.5f) continue;
      r += c.r, g += c.g, b += c.b, n += 1;
    }
  if (n == 0) return {};
  return {float(r / n), float(g / n), float(b / n), 1.0f};
}

}  // namespace assetgen
