// The boss-key picture: a dull, believable spreadsheet, plus the pointer
// that moves over it.
#include <cstdio>
#include <string>

#include "sheets.h"
#include "text.h"

namespace assetgen {
namespace {

const Color kInk = Rgb(20, 20, 24);
const Color kGridLine = Rgb(208, 212, 220);
const Color kFace = Rgb(236, 236, 232);
const Color kFaceDark = Rgb(160, 160, 156);

// y is the top of the em box.
void Text(Image& im, const std::string& s, int x, int y, Color c,
          Face face = Face::kSans, int px = 11) {
  if (s.empty()) return;
  Mask m = RenderLine(face, px, s, nullptr);
  DrawMask(im, m, x, y - 2, c);
}

int TextWidth(const std::string& s, Face face = Face::kSans, int px = 11) {
  int adv = 0;
  RenderLine(face, px, s, &adv);
  return adv;
}

void Rect(Image& im, int x0, int y0, int x1, int y1, Color c) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (im.inside(x, y)) im.at(x, y) = c;
}

void Bevel(Image& im, int x0, int y0, int x1, int y1, bool sunk) {
  Color lo = sunk ? Rgb(255, 255, 255) : kFaceDark;
  Color hi = sunk ? kFaceDark : Rgb(255, 255, 255);
  Rect(im, x0, y0, x1, y0 + 1, hi);
  Rect(im, x0, y0, x0 + 1, y1, hi);
  Rect(im, x0, y1 - 1, x1, y1, lo);
  Rect(im, x1 - 1, y0, x1, y1, lo);
}

std::string Thousands(long v) {
  std::string s = std::to_string(v < 0 ? -v : v), out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (i && (s.size() - i) % 3 == 0) out += ',';
    out += s[i];
  }
  return v < 0 ? "(" + out + ")" : out;
}

}  // namespace

Sheet BuildBossSheet() {
  Sheet sh;
  sh.image = Image(layout::boss::kWidth, layout::boss::kHeight);
  sh.regions = layout::boss::Regions();
  Image scr(640, 480, Rgb(255, 255, 255));
  // Title bar.
  for (int y = 0; y < 22; ++y)
    Rect(scr, 0, y, 640, y + 1,
         Mix(Rgb(16, 52, 130), Rgb(60, 110, 200), y / 22.0f));
  Rect(scr, 5, 4, 19, 18, Rgb(30, 130, 60));
  Text(scr, "X", 8, 7, Rgb(255, 255, 255), Face::kBold, 10);
  Text(scr, layout::boss::kCaption, 26, 6, Rgb(255, 255, 255), Face::kBold, 11);
  for (int i = 0; i < 3; ++i) {
    int x = 582 + i * 19;
    Rect(scr, x, 4, x + 16, 18, kFace);
    Bevel(scr, x, 4, x + 16, 18, false);
  }
  Line(scr, 623, 7, 633, 15, 1.4f, kInk);
  Line(scr, 633, 7, 623, 15, 1.4f, kInk);
  Rect(scr, 589, 13, 595, 15, kInk);
  Rect(scr, 605, 7, 613, 15, kInk);
  Rect(scr, 606, 9, 612, 14, kFace);
  // Menu bar.
  Rect(scr, 0, 22, 640, 40, kFace);
  int mx = 8;
  for (const char* m : {"File", "Edit", "View", "Insert", "Format", "Tools",
                        "Data", "Window", "Help"}) {
    Text(scr, m, mx, 27, kInk);
    mx += TextWidth(m) + 16;
  }
  // Tool bar.
  Rect(scr, 0, 40, 640, 66, kFace);
  Bevel(scr, 0, 40, 640, 66, false);
  const Color icons[] = {Rgb(250, 250, 250), Rgb(230, 190, 60),
                         Rgb(60, 100, 190),  Rgb(200, 60, 60),
                         Rgb(120, 120, 120), Rgb(40, 150, 80)};
  for (int i = 0; i < 14; ++i) {
    int x = 6 + i * 24 + (i / 4) * 8;
    Rect(scr, x + 3, 46, x + 19, 60, icons[i % 6]);
    Rect(scr, x + 3, 46, x + 19, 47, Rgb(90, 90, 90));
    Rect(scr, x + 3, 59, x + 19, 60, Rgb(90, 90, 90));
  }
  Rect(scr, 400, 45, 520, 61, Rgb(255, 255, 255));
  Bevel(scr, 400, 45, 520, 61, true);
  Text(scr, "Arial", 405, 48, kInk);
  Rect(scr, 526, 45, 560, 61, Rgb(255, 255, 255));
  Bevel(scr, 526, 45, 560, 61, true);
  Text(scr, "10", 531, 48, kInk);
  Text(scr, "B", 572, 48, kInk, Face::kBold);
  Text(scr, "I", 592, 48, kInk);
  Text(scr, "U", 608, 48, kInk);
  // Formula bar.
  Rect(scr, 0, 66, 640, 86, kFace);
  Rect(scr, 4, 68, 64, 84, Rgb(255, 255, 255));
  Bevel(scr, 4, 68, 64, 84, true);
  Text(scr, "F10", 10, 71, kInk);
  Rect(scr, 70, 68, 636, 84, Rgb(255, 255, 255));
  Bevel(scr, 70, 68, 636, 84, true);
  Text(scr, "=SUM(B10:E10)", 78, 71, kInk);

  // The grid.
  const int top = 86, headH = 16, rowH = 17, left = 30;
  const int colW[8] = {118, 70, 70, 70, 70, 78, 62, 42};
  const char* cols = "ABCDEFGH";
  Rect(scr, 0, top, 640, top + headH, kFace);
  int x = left;
  for (int c = 0; c < 8; ++c) {
    Bevel(scr, x, top, x + colW[c], top + headH, false);
    std::string l(1, cols[c]);
    Text(scr, l, x + colW[c] / 2 - 3, top + 3, kInk);
    x += colW[c];
  }
  const int rows = 20;
  for (int r = 0; r < rows; ++r) {
    int y = top + headH + r * rowH;
    Rect(scr, 0, y, left, y + rowH, kFace);
    Bevel(scr, 0, y, left, y + rowH, false);
    std::string n = std::to_string(r + 1);
    Text(scr, n, left - 6 - TextWidth(n), y + 4, kInk);
    Rect(scr, left, y + rowH - 1, 640, y + rowH, kGridLine);
  }
  x = left;
  for (int c = 0; c < 8; ++c) {
    x += colW[c];
    Rect(scr, x - 1, top + headH, x, top + headH + rows * rowH, kGridLine);
  }
  auto cellX = [&](int c) {
    int v = left;
    for (int i = 0; i < c; ++i) v += colW[i];
    return v;
  };
  auto cell = [&](int c, int r, const std::string& s, bool right = false,
                  bool bold = false, Color ink = kInk) {
    int y = top + headH + r * rowH + 4;
    Face f = bold ? Face::kBold : Face::kSans;
    int tx = right ? cellX(c) + colW[c] - 5 - TextWidth(s, f) : cellX(c) + 4;
    Text(scr, s, tx, y, ink, f);
  };
  auto shade = [&](int c0, int c1, int r, Color col) {
    int y = top + headH + r * rowH;
    Rect(scr, cellX(c0), y, cellX(c1) - 1, y + rowH - 1, col);
  };
  cell(0, 0, "Regional sales forecast", false, true);
  cell(0, 1, "All figures in USD thousands");
  shade(0, 8, 3, Rgb(218, 228, 245));
  const char* heads[] = {"Region", "Q1", "Q2", "Q3", "Q4", "Total", "vs LY"};
  for (int c = 0; c < 7; ++c) cell(c, 3, heads[c], c > 0, true);
  const char* regions[] = {"North", "South", "East", "West", "Central"};
  long totals[4] = {};
  long grand = 0;
  for (int r = 0; r < 5; ++r) {
    cell(0, 4 + r, regions[r]);
    long sum = 0;
    for (int q = 0; q < 4; ++q) {
      long v = 1200 + (long)(Hash(r, q, 77) * 2400);
      totals[q] += v;
      sum += v;
      cell(1 + q, 4 + r, Thousands(v), true);
    }
    grand += sum;
    cell(5, 4 + r, Thousands(sum), true);
    int pct = (int)(Hash(r, 9, 77) * 24) - 6;
    std::string growth = pct >= 0 ? "+" : "";
    growth += std::to_string(pct);
    growth += '%';
    cell(6, 4 + r, growth, true, false, pct < 0 ? Rgb(190, 30, 30) : kInk);
  }
  Rect(scr, cellX(1), top + headH + 9 * rowH - 1, cellX(6),
       top + headH + 9 * rowH, kInk);
  cell(0, 9, "Total", false, true);
  for (int q = 0; q < 4; ++q) cell(1 + q, 9, Thousands(totals[q]), true, true);
  cell(5, 9, Thousands(grand), true, true);
  cell(6, 9, "+7%", true, true);
  // The selected cell.
  {
    int y = top + headH + 9 * rowH;
    int x0 = cellX(5), x1 = cellX(6);
    for (int k = 0; k < 2; ++k) {
      Rect(scr, x0 - 1 + k, y - 1 + k, x1 - k, y + k, kInk);
      Rect(scr, x0 - 1 + k, y + rowH - 2 + k, x1 - k, y + rowH - 1 + k, kInk);
      Rect(scr, x0 - 1 + k, y - 1, x0 + k, y + rowH, kInk);
      Rect(scr, x1 - 1 - k, y - 1, x1 - k, y + rowH, kInk);
    }
    Rect(scr, x1 - 3, y + rowH - 3, x1 + 1, y + rowH + 1, kInk);
  }
  cell(0, 11, "Assumptions", false, true);
  cell(0, 12, "Growth rate");
  cell(1, 12, "3.5%", true);
  cell(0, 13, "FX (EUR/USD)");
  cell(1, 13, "1.08", true);
  cell(0, 14, "Headcount");
  cell(1, 14, "214", true);
  cell(0, 16, "Notes: pending sign-off from finance.");
  // A small chart beside the assumptions.
  {
    int x0 = cellX(3) + 6, y0 = top + headH + 11 * rowH, x1 = cellX(7) - 6,
        y1 = top + headH + 19 * rowH;
    Rect(scr, x0, y0, x1, y1, Rgb(255, 255, 255));
    Rect(scr, x0, y0, x1, y0 + 1, kFaceDark);
    Rect(scr, x0, y1 - 1, x1, y1, kFaceDark);
    Rect(scr, x0, y0, x0 + 1, y1, kFaceDark);
    Rect(scr, x1 - 1, y0, x1, y1, kFaceDark);
    Text(scr, "Sales by quarter", x0 + 8, y0 + 5, kInk, Face::kBold, 10);
    long mxv = 1;
    for (long v : totals) mxv = std::max(mxv, v);
    int base = y1 - 14, barW = (x1 - x0 - 40) / 4;
    for (int i = 0; i < 5; ++i)
      Rect(scr, x0 + 24, base - i * 20, x1 - 8, base - i * 20 + 1,
           Rgb(225, 225, 230));
    for (int q = 0; q < 4; ++q) {
      int h = (int)(80.0 * totals[q] / mxv);
      int bx = x0 + 30 + q * barW;
      Rect(scr, bx, base - h, bx + barW - 12, base, Rgb(70, 110, 180));
      Rect(scr, bx, base - h, bx + barW - 12, base - h + 1, Rgb(40, 70, 130));
      std::string qn(1, 'Q');
      qn += char('1' + q);
      Text(scr, qn, bx + barW / 2 - 12, base + 3, kInk, Face::kSans, 9);
    }
  }
  // Sheet tabs and status bar.
  int sy = top + headH + rows * rowH;
  Rect(scr, 0, sy, 640, 480, kFace);
  Rect(scr, 0, sy, 640, sy + 1, kFaceDark);
  int tx = 40;
  for (int i = 0; i < 3; ++i) {
    std::string name = i == 0 ? "Forecast" : (i == 1 ? "Actuals" : "Sheet3");
    int w = TextWidth(name) + 16;
    Rect(scr, tx, sy + 1, tx + w, sy + 17, i == 0 ? Rgb(255, 255, 255) : kFace);
    Rect(scr, tx, sy + 16, tx + w, sy + 17, kFaceDark);
    Rect(scr, tx + w, sy + 1, tx + w + 1, sy + 17, kFaceDark);
    Text(scr, name, tx + 8, sy + 4, kInk, i == 0 ? Face::kBold : Face::kSans);
    tx += w + 2;
  }
  Rect(scr, 0, 462, 640, 463, kFaceDark);
  Text(scr, "Ready", 6, 466, kInk);
  std::string sum = "Sum=";
  sum += Thousands(grand);
  Text(scr, sum, 470, 466, kInk);
  Text(scr, "NUM", 600, 466, kInk);
  for (int y = 0; y < 480; ++y)
    for (int x2 = 0; x2 < 640; ++x2) scr.at(x2, y).a = 1;
  sh.image.Draw(scr, layout::boss::kScreen.left, layout::boss::kScreen.top);

  // The pointer: an ordinary arrow, its tip at the top-left pixel.
  Image ptr(16, 24);
  std::vector<Pt> p = {{0.5f, 0.5f},  {0.5f, 17.5f}, {4.5f, 13.5f},
                       {7.5f, 20.5f}, {10, 19.5f},   {7.2f, 12.8f},
                       {12.5f, 12.8f}};
  FillSolid(
      ptr, {0, 0, 16, 24},
      [&](float px, float py) { return SdPolygon(px, py, p) - 1.0f; }, kInk);
  Polygon(ptr, p, Rgb(255, 255, 255));
  Stamp(sh.image, ptr, layout::boss::kPointer.left, layout::boss::kPointer.top);
  return sh;
}

}  // namespace assetgen
