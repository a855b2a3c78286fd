#include "video/blit.h"

#include <algorithm>
#include <cstring>

namespace video {

namespace {

bool WhollyOffScreen(const Rect& d) {
  // Signed tests, and a top of exactly 480 or a left of exactly 640 passes:
  // clipping then leaves nothing to draw.
  return d.top > kScreenHeight || d.bottom < 0 || d.left > kScreenWidth ||
         d.right < 0;
}

void CopyRow(u8* out, const u8* in, int n, bool keyed, u8 key) {
  if (!keyed) {
    std::memcpy(out, in, static_cast<std::size_t>(n));
    return;
  }
  for (int i = 0; i < n; ++i) {
    const u8 v = in[i];
    out[i] = v == key ? out[i] : v;
  }
}

// Copies s of `from` onto d of `to`, scaled nearest-pixel when the sizes
// differ, clipped to `to`; the source is cut in the same proportion as the
// destination because every destination pixel maps back through the whole,
// unclipped rectangles.
void Copy(const Surface& from, Surface& to, const Rect& s, const Rect& d,
          bool keyed, u8 key) {
  const long dw = long(d.right) - d.left, dh = long(d.bottom) - d.top;
  const long sw = long(s.right) - s.left, sh = long(s.bottom) - s.top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  // A source outside its surface is an invalid rectangle: nothing is drawn.
  if (s.left < 0 || s.top < 0 || s.right > from.width ||
      s.bottom > from.height) {
    return;
  }
  const int x0 = std::max(d.left, 0), x1 = std::min(d.right, to.width);
  const int y0 = std::max(d.top, 0), y1 = std::min(d.bottom, to.height);
  if (x0 >= x1 || y0 >= y1) return;
  const int n = x1 - x0;

  if (dw == sw && dh == sh) {
    for (int y = y0; y < y1; ++y) {
      const u8* in = from.Row(s.top + (y - d.top)) + s.left + (x0 - d.left);
      CopyRow(to.Row(y) + x0, in, n, keyed, key);
    }
    return;
  }

  static int columnOf[kScreenWidth > kSheetWidth ? kScreenWidth : kSheetWidth];
  if (n > static_cast<int>(sizeof columnOf / sizeof columnOf[0])) return;
  for (int x = x0; x < x1; ++x) {
    columnOf[x - x0] = static_cast<int>(s.left + (long(x) - d.left) * sw / dw);
  }
  for (int y = y0; y < y1; ++y) {
    const u8* in =
        from.Row(static_cast<int>(s.top + (long(y) - d.top) * sh / dh));
    u8* out = to.Row(y) + x0;
    for (int i = 0; i < n; ++i) {
      const u8 v = in[columnOf[i]];
      if (!keyed || v != key) out[i] = v;
    }
  }
}

void Fill(Surface& to, const Rect& d, u8 colour) {
  const int x0 = std::max(d.left, 0), x1 = std::min(d.right, to.width);
  const int y0 = std::max(d.top, 0), y1 = std::min(d.bottom, to.height);
  if (x0 >= x1 || y0 >= y1) return;
  for (int y = y0; y < y1; ++y) {
    std::memset(to.Row(y) + x0, colour, static_cast<std::size_t>(x1 - x0));
  }
}

}  // namespace

int BlitSheet(Rect dst, Rect src, u8 mode, u32 fillColour) {
  if (WhollyOffScreen(dst)) return 0;
  if (!BackSurface || !SheetSurface) return 1;
  switch (mode) {
    case kModeKeyed:
      Copy(*SheetSurface, *BackSurface, src, dst, true, SheetColorKey);
      break;
    case kModeOpaque:
      Copy(*SheetSurface, *BackSurface, src, dst, false, 0);
      break;
    case kModeFill:
      Fill(*BackSurface, dst, static_cast<u8>(fillColour));
      break;
    default:
      break;
  }
  return 1;
}

int BlitSurface(const Surface* src, Surface* dst, Rect srcRect, Rect dstRect) {
  if (WhollyOffScreen(dstRect)) return 0;
  if (!src || !dst) return 1;
  Copy(*src, *dst, srcRect, dstRect, false, 0);
  return 1;
}

int SetSheetColorKey(u32 index) {
  SheetColorKey = static_cast<u8>(index);
  return 1;
}

u8 ReadPixel(i32 x, i32 y, const Surface* surface) {
  // Callers only read fixed pixels of the sheet; anything else reads 0.
  if (!surface || x < 0 || y < 0 || x >= surface->pitch ||
      y >= surface->height) {
    return 0;
  }
  return surface->Row(y)[x];
}

}  // namespace video
