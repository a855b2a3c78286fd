#include "characters.h"

#include <numbers>

namespace assetgen {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// The camera looks down on the field at this angle.
constexpr float kTilt = 0.42f;

float Wrap(float a) {
  while (a > kPi) a -= 2 * kPi;
  while (a < -kPi) a += 2 * kPi;
  return a;
}

struct Body {
  float cx, cy, rx, ry, theta;
};

struct Projected {
  float x, y, depth;
};

// A point of the body's own frame (x right, y up, z towards the viewer when
// theta is 0, in radii), turned by the facing and seen through the camera.
Projected Project(const Body& b, float x, float y, float z) {
  float c = std::cos(b.theta), s = std::sin(b.theta);
  float wx = x * c + z * s, wz = -x * s + z * c;
  float up = y * std::cos(kTilt) - wz * std::sin(kTilt);
  float depth = wz * std::cos(kTilt) + y * std::sin(kTilt);
  return {b.cx + wx * b.rx, b.cy - up * b.ry, depth};
}
// A point on the sphere at azimuth a (relative to the facing) and elevation e.
Projected OnSphere(const Body& b, float a, float e, float r = 1) {
  return Project(b, r * std::cos(e) * std::sin(a), r * std::sin(e),
                 r * std::cos(e) * std::cos(a));
}

// Coverage of a painted round mark of angular radius r at angular distance d.
float MarkCover(float d, float r) { return Smooth(r + 0.035f, r - 0.035f, d); }

float AngDist(float a, float e, float a0, float e0) {
  return std::hypot(Wrap(a - a0) * std::cos(e), e - e0);
}

// The colour painted on the sphere at (a, e) before lighting.
Color SurfaceColor(const CreatureStyle& s, float a, float e) {
  Color c = s.body;
  const float kEyeA = 0.42f, kEyeE = 0.3f;
  switch (s.pattern) {
    case Pattern::kPenguin: {
      float f = (a / 1.05f) * (a / 1.05f) +
                ((e + 0.25f) / 0.85f) * ((e + 0.25f) / 0.85f);
      c = Mix(c, s.belly, Smooth(1.05f, 0.95f, f));
      break;
    }
    case Pattern::kSnowman: {
      float band = Smooth(-0.16f, -0.12f, e) * Smooth(0.02f, -0.02f, e);
      Color scarf = (int)std::floor((a + kPi) * 4) % 2 ? s.accent
                                                       : Scale(s.accent, 0.75f);
      c = Mix(c, scarf, band);
      break;
    }
    case Pattern::kBird: {
      float f =
          (a / 0.9f) * (a / 0.9f) + ((e + 0.45f) / 0.7f) * ((e + 0.45f) / 0.7f);
      c = Mix(c, s.belly, Smooth(1.05f, 0.95f, f));
      break;
    }
    case Pattern::kPlain:
    case Pattern::kEars:
    case Pattern::kBat: {
      // A paler tummy.
      float f =
          (a / 1.0f) * (a / 1.0f) + ((e + 0.65f) / 0.6f) * ((e + 0.65f) / 0.6f);
      c = Mix(c, s.belly, 0.45f * Smooth(1.1f, 0.9f, f));
      break;
    }
  }
  // Cheeks.
  if (s.pattern != Pattern::kSnowman) {
    float d =
        std::min(AngDist(a, e, 0.72f, -0.08f), AngDist(a, e, -0.72f, -0.08f));
    c = Mix(c, Rgb(255, 120, 150), 0.55f * MarkCover(d, 0.12f));
  }
  // Eyes: a white with a dark rim, a pupil and a glint.
  bool coal = s.pattern == Pattern::kSnowman;
  for (float side : {-1.0f, 1.0f}) {
    float d = AngDist(a, e, side * kEyeA, kEyeE);
    if (coal) {
      c = Mix(c, Rgb(25, 25, 35), MarkCover(d, 0.11f));
      continue;
    }
    c = Mix(c, s.outline, MarkCover(d, 0.3f));
    c = Mix(c, Rgb(255, 255, 255), MarkCover(d, 0.245f));
    float dp = AngDist(a, e, side * kEyeA + 0.03f * side, kEyeE - 0.04f);
    c = Mix(c, Rgb(30, 25, 45), MarkCover(dp, 0.16f));
    float dg = AngDist(a, e, side * kEyeA - 0.06f, kEyeE + 0.05f);
    c = Mix(c, Rgb(255, 255, 255), MarkCover(dg, 0.06f));
  }
  // A small smile for the beakless ones.
  if (s.pattern == Pattern::kPlain || s.pattern == Pattern::kEars ||
      s.pattern == Pattern::kBat) {
    float curve = -0.1f + 1.2f * a * a;
    float m = Smooth(0.045f, 0.02f, std::abs(e - curve)) *
              Smooth(0.2f, 0.16f, std::abs(a));
    c = Mix(c, Scale(s.outline, 1.2f), m);
  }
  return c;
}

// The lit body: an ellipse with its painted surface and a dark outline.
void DrawBody(Image& im, const Body& b, const CreatureStyle& s) {
  const float lx = -0.45f, ly = 0.65f, lz = 0.61f;  // light, screen frame
  const float hx = lx, hy = ly, hz = lz + 1;
  const float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
  Fill(
      im, {b.cx - b.rx, b.cy - b.ry, b.cx + b.rx, b.cy + b.ry},
      [&](float x, float y) { return SdEllipse(x, y, b.cx, b.cy, b.rx, b.ry); },
      [&](float x, float y) {
        float u = (x - b.cx) / b.rx, w = -(y - b.cy) / b.ry;
        float rr = u * u + w * w;
        float dz = std::sqrt(std::max(0.0f, 1 - rr));
        // Back into the body frame for the painted surface.
        float yb = w * std::cos(kTilt) + dz * std::sin(kTilt);
        float zb = -w * std::sin(kTilt) + dz * std::cos(kTilt);
        float az = Wrap(std::atan2(u, zb) - b.theta);
        float el = std::asin(std::max(-1.0f, std::min(1.0f, yb)));
        Color c = SurfaceColor(s, az, el);
        float diff = std::max(0.0f, u * lx + w * ly + dz * lz);
        float highlight = std::max(0.0f, (u * hx + w * hy + dz * hz) / hl);
        highlight = std::pow(highlight, 28.0f) * 0.6f;
        Color lit = Scale(c, 0.52f + 0.62f * diff);
        lit = Mix(lit, Rgb(255, 255, 255), highlight);
        // Outline about 1.5 pixels wide, darker at the bottom.
        float d = SdEllipse(x, y, b.cx, b.cy, b.rx, b.ry);
        Color line = Scale(s.outline, 1.0f - 0.3f * Clamp01(-w));
        return Mix(lit, line, Smooth(-2.0f, -1.2f, d));
      });
}

void OutlinedOval(Image& im, float cx, float cy, float rx, float ry, float ang,
                  Color fill, Color line) {
  float r = std::max(rx, ry) + 2;
  FillSolid(
      im, {cx - r, cy - r, cx + r, cy + r},
      [=](float x, float y) {
        return SdEllipseRot(x, y, cx, cy, rx + 1.3f, ry + 1.3f, ang);
      },
      line);
  Fill(
      im, {cx - r, cy - r, cx + r, cy + r},
      [=](float x, float y) { return SdEllipseRot(x, y, cx, cy, rx, ry, ang); },
      [=](float x, float y) {
        // Lighter towards the top-left.
        float t = Clamp01(0.5f + ((cx - x) + (cy - y)) / (2.5f * r));
        return Mix(Scale(fill, 0.8f), Scale(fill, 1.15f), t);
      });
}

void OutlinedPoly(Image& im, const std::vector<Pt>& p, Color fill, Color line,
                  float w = 1.3f) {
  FillSolid(
      im, PolyBox(p, w + 1),
      [&](float x, float y) { return SdPolygon(x, y, p) - w; }, line);
  Polygon(im, p, fill);
}

// Feet: two ovals on the ground under the body.
void DrawFeet(Image& im, const Body& b, const CreatureStyle& s, float lift,
              float spread, bool front) {
  for (float side : {-1.0f, 1.0f}) {
    float a = side * spread;
    Projected p = Project(b, std::sin(a) * 0.55f, -0.98f + lift / b.ry,
                          std::cos(a) * 0.55f);
    if ((p.depth > 0) != front) continue;
    // Seen from the side a foot looks longer along the facing.
    float along = std::abs(std::sin(b.theta));
    OutlinedOval(im, p.x + std::sin(b.theta) * 2, p.y + 1, 4.5f + 2 * along,
                 3.2f, 0, s.feet, s.outline);
  }
}

// A pointed feature sticking out of the front: beak or carrot nose.
void DrawNose(Image& im, const Body& b, const CreatureStyle& s, float length,
              float width, float e, Color col) {
  Projected base = OnSphere(b, 0, e, 0.92f);
  if (base.depth < -0.05f) return;
  Projected tip = OnSphere(b, 0, e - 0.08f, 1.0f + length);
  float dx = tip.x - base.x, dy = tip.y - base.y;
  float l = std::hypot(dx, dy);
  float nx = l > 0.01f ? -dy / l : 1, ny = l > 0.01f ? dx / l : 0;
  if (l < 2.5f) {  // seen end-on: a round dot
    OutlinedOval(im, base.x, base.y, width * 0.7f, width * 0.6f, 0, col,
                 s.outline);
    return;
  }
  OutlinedPoly(im,
               {{base.x + nx * width, base.y + ny * width},
                {tip.x, tip.y},
                {base.x - nx * width, base.y - ny * width}},
               col, s.outline, 1.1f);
}

// Ears, leaf, horns, crest or hat: whatever sits on top, behind or in front.
void DrawTop(Image& im, const Body& b, const CreatureStyle& s, int frame,
             bool front) {
  float squash = (frame == 0 || frame == 7) ? 1.0f : 0.0f;
  switch (s.pattern) {
    case Pattern::kEars:
      for (float side : {-1.0f, 1.0f}) {
        Projected root = OnSphere(b, side * 0.55f, 1.0f, 0.95f);
        if ((root.depth > -0.02f) != front) continue;
        // Tilt outwards on the screen, whichever way the head is turned.
        float out = root.x >= b.cx ? 1.0f : -1.0f;
        float ang = out * (0.3f + 0.25f * squash) + std::sin(b.theta) * 0.15f;
        float len = 10.5f - 2 * squash;
        float tx = root.x + std::sin(ang) * len * 0.62f;
        float ty = root.y - std::cos(ang) * len * 0.62f;
        OutlinedOval(im, tx, ty, 4.2f, len * 0.62f, ang, s.body, s.outline);
        if (root.depth > 0.2f) Oval(im, tx, ty + 1, 1.8f, len * 0.4f, s.accent);
      }
      break;
    case Pattern::kPlain: {
      Projected top = OnSphere(b, 0, 1.35f, 1.0f);
      if (front != (top.depth > -0.3f)) break;
      Line(im, top.x, top.y + 3, top.x + 1, top.y - 3, 2.2f, s.outline);
      OutlinedOval(im, top.x + 5, top.y - 3, 5.5f, 2.6f, -0.5f, s.accent,
                   Scale(s.accent, 0.4f));
      break;
    }
    case Pattern::kBat:
      for (float side : {-1.0f, 1.0f}) {
        Projected root = OnSphere(b, side * 0.7f, 0.95f, 0.95f);
        if ((root.depth > -0.05f) != front) continue;
        float out = root.x >= b.cx ? 1.0f : -1.0f;
        OutlinedPoly(im,
                     {{root.x - 3.5f, root.y + 2},
                      {root.x + out * 3.0f, root.y - 6.5f},
                      {root.x + 3.5f, root.y + 2}},
                     s.body, s.outline);
      }
      break;
    case Pattern::kBird: {
      Projected top = OnSphere(b, 0.15f, 1.2f, 1.0f);
      if (front != (top.depth > -0.3f)) break;
      for (int k = 0; k < 3; ++k)
        OutlinedOval(im, top.x - 3 + k * 3, top.y - 3, 1.8f, 4.5f,
                     -0.5f + k * 0.5f, s.accent, s.outline);
      break;
    }
    case Pattern::kSnowman: {
      if (!front) break;
      Projected top = OnSphere(b, 0, 1.45f, 1.0f);
      float cx = top.x, cy = top.y + 3;
      Oval(im, cx, cy, 11.5f, 3.6f, s.outline);
      Oval(im, cx, cy, 10.2f, 2.5f, Rgb(40, 40, 55));
      RoundRect(im, cx - 7.5f, cy - 12, cx + 7.5f, cy, 1.5f, s.outline);
      RoundRect(im, cx - 6.3f, cy - 10.8f, cx + 6.3f, cy - 0.5f, 1,
                Rgb(45, 45, 62));
      RoundRect(im, cx - 6.3f, cy - 4.5f, cx + 6.3f, cy - 2, 0.5f, s.accent);
      break;
    }
    case Pattern::kPenguin:
      break;
  }
}

// Penguin flippers and snowman twig arms, swinging with the hop.
void DrawArms(Image& im, const Body& b, const CreatureStyle& s, int frame,
              bool front) {
  if (s.pattern != Pattern::kPenguin && s.pattern != Pattern::kSnowman) return;
  float lift = std::sin(frame / 7.0f * kPi);  // 0 on the ground, 1 on top
  for (float side : {-1.0f, 1.0f}) {
    Projected root = OnSphere(b, side * 1.45f, -0.05f, 0.92f);
    if ((root.depth > 0) != front) continue;
    float out = root.x >= b.cx ? 1.0f : -1.0f;
    if (s.pattern == Pattern::kPenguin) {
      float ang = out * (0.35f + 0.5f * lift);
      OutlinedOval(im, root.x + out * 2.5f, root.y + 4, 3.0f, 8.0f, ang,
                   Scale(s.body, 0.9f), s.outline);
    } else {
      float ang = 0.3f + 0.5f * lift;
      float tx = root.x + out * 11 * std::cos(ang);
      float ty = root.y - 11 * std::sin(ang);
      Color twig = Rgb(110, 75, 45);
      Line(im, root.x, root.y, tx, ty, 2.6f, s.outline);
      Line(im, root.x, root.y, tx, ty, 1.4f, twig);
      Line(im, tx - out * 3, ty + 1, tx - out * 1, ty - 4, 1.2f, twig);
    }
  }
}

// Flyers beat their wings: picture 0 raised high, 7 swept down.
void DrawWings(Image& im, const Body& b, const CreatureStyle& s, int frame,
               bool front) {
  float facingAway = std::cos(b.theta) < 0 ? 1.0f : 0.0f;
  // Wings grow from the back: behind the body when it faces the viewer.
  if (front != (facingAway > 0.5f)) return;
  float beat = frame / 7.0f;
  float ang = 1.05f - beat * 1.75f;  // above the horizontal, radians
  float span = 0.8f + 0.2f * std::abs(std::cos(b.theta));
  for (float side : {-1.0f, 1.0f}) {
    float sx = b.cx + side * b.rx * 0.55f, sy = b.cy - b.ry * 0.15f;
    float len = 19.5f * span;
    float tx = sx + side * std::cos(ang) * len, ty = sy - std::sin(ang) * len;
    Color wing = s.pattern == Pattern::kBat ? Scale(s.body, 0.8f) : s.belly;
    if (s.pattern == Pattern::kBat) {
      // A membrane with a scalloped trailing edge.
      float mx = (sx + tx) / 2, my = (sy + ty) / 2;
      float px = -(ty - sy) / len, py = (tx - sx) / len;  // perpendicular
      if (py < 0) px = -px, py = -py;                     // towards below
      std::vector<Pt> p = {{sx, sy - 3},
                           {tx, ty},
                           {tx + px * 6 - side * 1, ty + py * 6},
                           {mx + px * 4, my + py * 4 + 1},
                           {mx + px * 9 - side * 4, my + py * 9},
                           {sx + px * 6, sy + py * 6 + 2}};
      OutlinedPoly(im, p, wing, s.outline);
      Line(im, sx, sy - 2, tx, ty, 1.4f, Scale(s.outline, 1.4f));
    } else {
      float cx = (sx + tx) / 2, cy = (sy + ty) / 2;
      float rot = std::atan2(ty - sy, tx - sx);
      OutlinedOval(im, cx, cy, len * 0.55f, 6.0f, rot, wing, s.outline);
      for (int k = 1; k <= 2; ++k) {
        float fx = sx + (tx - sx) * (0.35f + 0.25f * k);
        float fy = sy + (ty - sy) * (0.35f + 0.25f * k);
        Line(im, fx, fy, fx - std::sin(rot) * 3, fy + std::cos(rot) * 3, 1,
             Scale(wing, 0.7f));
      }
    }
  }
}

}  // namespace

float RowAzimuth(int row) {
  float h = (row - 1) * 128 * 2 * kPi / 1024.0f;
  float dx = -std::sin(h), dy = -std::cos(h);
  return std::atan2(dx, dy);
}

void DrawCreature(Image& im, int ox, int oy, const CreatureStyle& s, int row,
                  int frame) {
  bool flyer = s.pattern == Pattern::kBat || s.pattern == Pattern::kBird;
  float theta = RowAzimuth(row);
  Body b{};
  b.theta = theta;
  if (flyer) {
    // Bobs a little with the wings.
    float bob = std::sin(frame / 7.0f * kPi) * 1.5f;
    b.rx = s.radius;
    b.ry = s.radius * 0.95f;
    b.cx = ox + 32;
    b.cy = oy + 31 + bob;
    DrawWings(im, b, s, frame, false);
    DrawTop(im, b, s, frame, false);
    DrawBody(im, b, s);
    DrawTop(im, b, s, frame, true);
    if (s.pattern == Pattern::kBird)
      DrawNose(im, b, s, 0.35f, 2.6f, -0.05f, Rgb(250, 190, 40));
    DrawWings(im, b, s, frame, true);
    // Little dangling feet.
    for (float side : {-1.0f, 1.0f}) {
      Projected p = OnSphere(b, side * 0.4f, -1.1f, 1.0f);
      OutlinedOval(im, p.x, p.y + 2, 1.8f, 2.2f, 0, s.feet, s.outline);
    }
    return;
  }
  // Squash on the ground, stretch when leaving and landing, round on top.
  static const float kStretch[8] = {0.84f, 1.1f,  1.05f, 1.0f,
                                    1.0f,  1.05f, 1.1f,  0.84f};
  static const float kLift[8] = {0, 2.5f, 3.5f, 4.5f, 4.5f, 3.5f, 2.5f, 0};
  float sy = kStretch[frame], sx = 1.0f / std::sqrt(sy);
  b.rx = s.radius * sx;
  b.ry = s.radius * sy;
  const float ground = oy + 53;  // soles rest here on the ground pictures
  b.cx = ox + 32;
  b.cy = ground - 3.5f - kLift[frame] * 0.3f - b.ry;
  float spread = frame == 0 || frame == 7 ? 0.95f : 0.75f;
  float lift = kLift[frame];
  DrawTop(im, b, s, frame, false);
  DrawFeet(im, b, s, lift, spread, false);
  DrawArms(im, b, s, frame, false);
  DrawBody(im, b, s);
  DrawFeet(im, b, s, lift, spread, true);
  DrawArms(im, b, s, frame, true);
  if (s.pattern == Pattern::kPenguin)
    DrawNose(im, b, s, 0.3f, 2.6f, 0.0f, Rgb(250, 160, 40));
  if (s.pattern == Pattern::kSnowman)
    DrawNose(im, b, s, 0.45f, 2.2f, 0.02f, Rgb(250, 120, 30));
  DrawTop(im, b, s, frame, true);
}

CreatureStyle WalkerOneStyle(bool bonus) {
  CreatureStyle s;
  if (bonus) {
    s.pattern = Pattern::kPenguin;
    s.body = Rgb(48, 62, 98);
    s.belly = Rgb(245, 248, 255);
    s.outline = Rgb(16, 18, 34);
    s.feet = Rgb(250, 150, 40);
    s.accent = Rgb(250, 150, 40);
  } else {
    s.pattern = Pattern::kPlain;
    s.body = Rgb(236, 86, 62);
    s.belly = Rgb(255, 196, 150);
    s.outline = Rgb(70, 20, 22);
    s.feet = Rgb(250, 170, 60);
    s.accent = Rgb(110, 200, 70);
  }
  return s;
}

CreatureStyle WalkerTwoStyle(bool bonus) {
  CreatureStyle s;
  if (bonus) {
    s.pattern = Pattern::kSnowman;
    s.body = Rgb(236, 244, 255);
    s.belly = s.body;
    s.outline = Rgb(52, 70, 110);
    s.feet = Rgb(90, 70, 60);
    s.accent = Rgb(220, 40, 60);
    s.radius = 17.5f;
  } else {
    s.pattern = Pattern::kEars;
    s.body = Rgb(90, 200, 170);
    s.belly = Rgb(210, 250, 225);
    s.outline = Rgb(18, 60, 60);
    s.feet = Rgb(60, 150, 130);
    s.accent = Rgb(255, 160, 180);
    s.radius = 16.0f;
  }
  return s;
}

CreatureStyle FlyerStyle(bool bonus) {
  CreatureStyle s;
  if (bonus) {
    s.pattern = Pattern::kBird;
    s.body = Rgb(62, 116, 212);  // deeper than the evening snow
    s.belly = Rgb(230, 242, 255);
    s.outline = Rgb(16, 32, 80);
    s.feet = Rgb(250, 190, 40);
    s.accent = Rgb(30, 64, 150);
  } else {
    s.pattern = Pattern::kBat;
    s.body = Rgb(170, 100, 220);
    s.belly = Rgb(235, 200, 255);
    s.outline = Rgb(44, 20, 70);
    s.feet = Rgb(250, 200, 80);
    s.accent = Rgb(255, 150, 200);
  }
  s.radius = 14;
  return s;
}

}  // namespace assetgen
