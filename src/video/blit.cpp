#include "video/blit.h"

#include "video/cpu_features.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TS_X86 1
#endif

namespace video {

namespace {

bool WhollyOffScreen(const Rect& d) {
  // Signed tests, and a top of exactly 480 or a left of exactly 640 passes:
  // clipping then leaves nothing to draw.
  return d.top > kScreenHeight || d.bottom < 0 || d.left > kScreenWidth ||
         d.right < 0;
}

// The keyed copy of a block of rows. Nearly every sprite is 64 wide, so that
// width gets a loop of known length the compiler unrolls into a few vector
// blends; other widths take the general loop.
using KeyedRowsFn = void (*)(u8* out, long outPitch, const u8* in, long inPitch,
                             int n, int rows, u8 key);

// Written as a mask rather than a choice: g++ vectorises either, but clang
// (and so emscripten) vectorises only this form, with 16-byte or wider
// compares and selects.
[[gnu::always_inline]] inline void KeyedRow(u8* __restrict out,
                                            const u8* __restrict in, int n,
                                            u8 key) {
  for (int i = 0; i < n; ++i) {
    const u8 v = in[i];
    const u8 keep = static_cast<u8>(-static_cast<int>(v == key));
    out[i] = static_cast<u8>((out[i] & keep) | (v & ~keep));
  }
}

[[gnu::always_inline]] inline void KeyedRowsBody(u8* out, long outPitch,
                                                 const u8* in, long inPitch,
                                                 int n, int rows, u8 key) {
  if (n == 64) {
    for (int r = 0; r < rows; ++r, out += outPitch, in += inPitch)
      KeyedRow(out, in, 64, key);
  } else {
    for (int r = 0; r < rows; ++r, out += outPitch, in += inPitch)
      KeyedRow(out, in, n, key);
  }
}

// Plain x86-64 (SSE2) or whatever the target is.
void KeyedRowsBase(u8* out, long outPitch, const u8* in, long inPitch, int n,
                   int rows, u8 key) {
  KeyedRowsBody(out, outPitch, in, inPitch, n, rows, key);
}

#if TS_X86
// The same loop compiled for AVX2: 32-byte blends.
[[gnu::target("avx2")]] void KeyedRowsAvx2(u8* out, long outPitch, const u8* in,
                                           long inPitch, int n, int rows,
                                           u8 key) {
  KeyedRowsBody(out, outPitch, in, inPitch, n, rows, key);
}

// AVX-512: a masked store writes exactly the pixels that are not the key, so
// the destination is never read; the masked tail never touches memory past
// the row.
[[gnu::target("avx512f,avx512bw,bmi2")]] void KeyedRowsAvx512(
    u8* out, long outPitch, const u8* in, long inPitch, int n, int rows,
    u8 key) {
  const __m512i k = _mm512_set1_epi8(static_cast<char>(key));
  const int whole = n & ~63;
  const __mmask64 tail = _bzhi_u64(~0ull, static_cast<unsigned>(n - whole));
  for (int r = 0; r < rows; ++r, out += outPitch, in += inPitch) {
    for (int x = 0; x < whole; x += 64) {
      const __m512i v = _mm512_loadu_si512(in + x);
      _mm512_mask_storeu_epi8(out + x, _mm512_cmpneq_epi8_mask(v, k), v);
    }
    if (tail) {
      const __m512i v = _mm512_maskz_loadu_epi8(tail, in + whole);
      _mm512_mask_storeu_epi8(out + whole,
                              _mm512_mask_cmpneq_epi8_mask(tail, v, k), v);
    }
  }
}
#endif

// Off x86 there is only the portable loop.
KeyedRowsFn Pick([[maybe_unused]] int level) {
#if TS_X86
  if (level >= 2) return KeyedRowsAvx512;
  if (level >= 1) return KeyedRowsAvx2;
#endif
  return KeyedRowsBase;
}

int BestLevel() {
  const CpuFeatures& cpu = Cpu();
  return cpu.avx512bw ? 2 : cpu.avx2 ? 1 : 0;
}

void KeyedRowsFirst(u8* out, long outPitch, const u8* in, long inPitch, int n,
                    int rows, u8 key);
// The kernel is chosen on the first keyed copy, so no start-up order matters.
KeyedRowsFn keyedRows = KeyedRowsFirst;

void CopyRows(u8* out, long outPitch, const u8* in, long inPitch, int n,
              int rows, bool keyed, u8 key) {
  if (keyed) {
    keyedRows(out, outPitch, in, inPitch, n, rows, key);
    return;
  }
  for (int r = 0; r < rows; ++r, out += outPitch, in += inPitch)
    std::memcpy(out, in, static_cast<std::size_t>(n));
}

// floor(i * num / den) for i = 0, 1, 2, ... without a division per step.
struct Stepper {
  long value, rest, whole, part, den;
  Stepper(long start, long num, long den_)
      : value(start * num / den_),
        rest(start * num % den_),
        whole(num / den_),
        part(num % den_),
        den(den_) {}
  void Next() {
    value += whole;
    rest += part;
    if (rest >= den) {
      rest -= den;
      ++value;
    }
  }
};

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
    CopyRows(to.Row(y0) + x0, to.pitch,
             from.Row(s.top + (y0 - d.top)) + s.left + (x0 - d.left),
             from.pitch, n, y1 - y0, keyed, key);
    return;
  }

  // Scaled: each source row is stretched once into `line`, which then serves
  // every destination row that maps to that source row.
  static u8 line[kScreenWidth > kSheetWidth ? kScreenWidth : kSheetWidth];
  if (n > static_cast<int>(sizeof line)) return;
  Stepper row(long(y0) - d.top, sh, dh);
  long lineRow = -1;
  for (int y = y0; y < y1; ++y, row.Next()) {
    const long sy = s.top + row.value;
    if (sy != lineRow) {
      const u8* in = from.Row(static_cast<int>(sy)) + s.left;
      Stepper col(long(x0) - d.left, sw, dw);
      for (int i = 0; i < n; ++i, col.Next()) line[i] = in[col.value];
      lineRow = sy;
    }
    CopyRows(to.Row(y) + x0, to.pitch, line, 0, n, 1, keyed, key);
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

void KeyedRowsFirst(u8* out, long outPitch, const u8* in, long inPitch, int n,
                    int rows, u8 key) {
  SetBlitLevel(-1);
  keyedRows(out, outPitch, in, inPitch, n, rows, key);
}
}  // namespace

int SetBlitLevel(int level) {
  const int best = BestLevel();
  const int chosen = level < 0 ? best : std::min(level, best);
  keyedRows = Pick(chosen);
  return chosen;
}

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
