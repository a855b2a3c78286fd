#include "video/blit.h"

#include "video/cpu_features.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

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

// Keyed copies blend in chunks of 8, 16 or 32 pixels held in vector
// registers (GCC vector extensions: SSE2, AVX2 or wasm SIMD). A chunk's
// result depends only on the sheet's pixels and the screen's pixels before
// the copy, so chunks may overlap when both are read before either is
// written: a row of any width of 8 or more takes whole chunks and one last
// chunk ending at its end, read first.
using V8 = u8 __attribute__((vector_size(8)));
using V16 = u8 __attribute__((vector_size(16)));
using V32 = u8 __attribute__((vector_size(32)));

// The kernels below are always inlined, so the compilers' note (g++ gives it
// at the end of this file) that a 32-byte vector would be passed differently
// without AVX concerns no call ever made.
#pragma GCC diagnostic ignored "-Wpsabi"

// The pixels are at any address: loads and stores go through a copy of the
// type aligned to one byte. (Only a typedef lowers alignment in both g++
// and clang; memcpy instead becomes a call to copy through the stack in
// WebAssembly with bulk memory.)
template <typename V>
struct Unaligned {
  typedef V Type __attribute__((aligned(1), may_alias));
};
template <typename V>
[[gnu::always_inline]] inline V Load(const u8* p) {
  return *reinterpret_cast<const typename Unaligned<V>::Type*>(p);
}
template <typename V>
[[gnu::always_inline]] inline void Store(u8* p, const V& v) {
  *reinterpret_cast<typename Unaligned<V>::Type*>(p) = v;
}
// The sheet's pixel where it is not the key, the screen's where it is.
template <typename V>
[[gnu::always_inline]] inline V Blend(const V& in, const V& out, u8 key) {
  const V keep = reinterpret_cast<V>(in == key);
  return (out & keep) | (in & ~keep);
}

// One row of n >= sizeof(V) pixels, blended (or copied where `blend` is
// false).
template <typename V, bool blend = true>
[[gnu::always_inline]] inline void Chunks(u8* out, const u8* in, int n,
                                          u8 key = 0) {
  constexpr int w = sizeof(V);
  const V lastIn = Load<V>(in + n - w), lastOut = Load<V>(out + n - w);
  auto result = [=](const V& from, const V& onto) {
    if constexpr (blend) return Blend(from, onto, key);
    return from;
  };
  for (int x = 0; x < n - w; x += w)
    Store(out + x, result(Load<V>(in + x), Load<V>(out + x)));
  Store(out + n - w, result(lastIn, lastOut));
}

// One row of any width, in chunks of at most sizeof(Wide).
template <typename Wide>
[[gnu::always_inline]] inline void KeyedRow(u8* out, const u8* in, int n,
                                            u8 key) {
  if constexpr (sizeof(Wide) >= 32) {
    if (n >= 32) {
      Chunks<V32>(out, in, n, key);
      return;
    }
  }
  if (n >= 16) {
    Chunks<V16>(out, in, n, key);
  } else if (n >= 8) {
    Chunks<V8>(out, in, n, key);
  } else {
    for (int i = 0; i < n; ++i) {
      if (in[i] != key) out[i] = in[i];
    }
  }
}

// The keyed copy of a block of rows.
using KeyedRowsFn = void (*)(u8* out, long outPitch, const u8* in, long inPitch,
                             int n, int rows, u8 key);

template <typename Wide>
[[gnu::always_inline]] inline void KeyedRowsBody(u8* out, long outPitch,
                                                 const u8* in, long inPitch,
                                                 int n, int rows, u8 key) {
  for (int r = 0; r < rows; ++r, out += outPitch, in += inPitch)
    KeyedRow<Wide>(out, in, n, key);
}

// Plain x86-64 (SSE2) or whatever the target is.
void KeyedRowsBase(u8* out, long outPitch, const u8* in, long inPitch, int n,
                   int rows, u8 key) {
  KeyedRowsBody<V16>(out, outPitch, in, inPitch, n, rows, key);
}

#if TS_X86
[[gnu::target("avx2")]] void KeyedRowsAvx2(u8* out, long outPitch, const u8* in,
                                           long inPitch, int n, int rows,
                                           u8 key) {
  KeyedRowsBody<V32>(out, outPitch, in, inPitch, n, rows, key);
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

int BestLevel() {
  const CpuFeatures& cpu = Cpu();
  return cpu.avx512bw ? 2 : cpu.avx2 ? 1 : 0;
}

// The kernels are chosen on the first keyed copy, so no start-up order
// matters.
bool levelChosen = false;
KeyedRowsFn keyedRows = KeyedRowsBase;

void CopyRows(u8* out, long outPitch, const u8* in, long inPitch, int n,
              int rows, bool keyed, u8 key) {
  if (keyed) {
    keyedRows(out, outPitch, in, inPitch, n, rows, key);
    return;
  }
  // Whole rows of surfaces of the same layout, not overlapping: one copy
  // (overlapping ones go row by row, as they always have).
  const std::size_t all = std::size_t(n) * std::size_t(rows);
  if (outPitch == n && inPitch == n && (out + all <= in || in + all <= out)) {
    std::memcpy(out, in, all);
    return;
  }
#if defined(__wasm__)
  // Short copies each become a call to copy memory in WebAssembly; rows
  // go in 16-byte moves instead.
  if (n >= 16) {
    for (int r = 0; r < rows; ++r, out += outPitch, in += inPitch)
      Chunks<V16, false>(out, in, n);
    return;
  }
#endif
  for (int r = 0; r < rows; ++r, out += outPitch, in += inPitch)
    std::memcpy(out, in, static_cast<std::size_t>(n));
}

// The sheet is laid out in 64 x 64 cells, and most of a sprite cell is the
// key: about three quarters of its pixels, a third of its rows. For each
// cell the smallest rectangle holding all that is not the key, and a plan
// of blends over each row's figure, are made the first time a keyed copy
// reads the cell, and kept until the sheet or the key changes. A copy of
// whole cell rows (as every sprite the game draws, unless the screen's edge
// cuts it at the side) follows the plan: on the game's sheet about 60 % of
// the blends of whole rows, a quarter of the wide ones plain copies. Other
// copies from within one cell are cut to the cell's rows (and, copying the
// whole cell with AVX-512, which has no plans, to 48 columns where the
// figure fits them), so they read and write less.

// Where one blend of a cell goes: the row and the first column in the cell.
struct BlendAt {
  u8 x, y;
};
std::vector<BlendAt> blendPlaces;
// The sheet's pixels the places cover, one after another in the order the
// places are drawn, so a copy reads its source in one stream.
std::vector<u8> planPixels;

// A cell's blends row by row, in `blendPlaces` from `first`: `copies` of 32
// pixels that are none of them the key, `wide` blends of 32 and `narrow`
// ones of 16, each placed over the part of its row between the first and
// the last pixel that is not the key.
struct CellPlan {
  u32 first = 0;
  u32 pixels = 0;  // the sheet's pixels under each place, in `planPixels`
  u8 copies = 0, wide = 0, narrow = 0;
};

struct CellBox {
  bool made = false;
  u8 left = 0, top = 0, right = 0, bottom = 0;  // within the cell; empty: 0
  CellPlan plan;
};
constexpr int kCellColumns = kSheetWidth / 64, kCellRows = kSheetHeight / 64;
static_assert(kSheetWidth % 64 == 0 && kSheetHeight % 64 == 0);
CellBox cellBoxes[kCellRows][kCellColumns];
u8 cellBoxesKey = 0;
bool cellBoxesMade = false;

// A keyed copy of whole cell rows [top, bottom) by the cell's plan, leaving
// out the places in other rows.
using CellBlendsFn = void (*)(u8* out, long outPitch, const CellPlan& plan,
                              int top, int bottom, u8 key);

// `width` pixels at each of `count` places, in chunks of V: blended, or
// copied where `blend` is false.
template <typename V, int width, bool blend>
[[gnu::always_inline]] inline const BlendAt* CellBlendsOf(
    u8* out, long outPitch, const u8*& in, const BlendAt* at, int count,
    int top, int bottom, u8 key) {
  const unsigned rows = static_cast<unsigned>(bottom - top);
  for (const BlendAt* end = at + count; at != end; ++at, in += width) {
    if (static_cast<unsigned>(at->y - top) >= rows) continue;
    u8* o = out + at->y * outPitch + at->x;
    const u8* i = in;
    for (int c = 0; c < width; c += sizeof(V)) {
      if constexpr (blend) {
        Store(o + c, Blend(Load<V>(i + c), Load<V>(o + c), key));
      } else {
        Store(o + c, Load<V>(i + c));
      }
    }
  }
  return at;
}

template <typename Wide>
[[gnu::always_inline]] inline void CellBlendsBody(u8* out, long outPitch,
                                                  const CellPlan& plan, int top,
                                                  int bottom, u8 key) {
  const BlendAt* at = blendPlaces.data() + plan.first;
  const u8* in = planPixels.data() + plan.pixels;
  at = CellBlendsOf<Wide, 32, false>(out, outPitch, in, at, plan.copies, top,
                                     bottom, key);
  at = CellBlendsOf<Wide, 32, true>(out, outPitch, in, at, plan.wide, top,
                                    bottom, key);
  CellBlendsOf<V16, 16, true>(out, outPitch, in, at, plan.narrow, top, bottom,
                              key);
}

void CellBlendsBase(u8* out, long outPitch, const CellPlan& plan, int top,
                    int bottom, u8 key) {
  CellBlendsBody<V16>(out, outPitch, plan, top, bottom, key);
}

#if TS_X86
[[gnu::target("avx2")]] void CellBlendsAvx2(u8* out, long outPitch,
                                            const CellPlan& plan, int top,
                                            int bottom, u8 key) {
  CellBlendsBody<V32>(out, outPitch, plan, top, bottom, key);
}
#endif

CellBlendsFn cellBlends = CellBlendsBase;

// The kernels of a level. Off x86 there are only the portable loops; with
// AVX-512, cells are drawn by its masked rows instead of their plans.
void PickKernels([[maybe_unused]] int level) {
  keyedRows = KeyedRowsBase;
  cellBlends = CellBlendsBase;
#if TS_X86
  if (level >= 2) {
    keyedRows = KeyedRowsAvx512;
    cellBlends = nullptr;
  } else if (level >= 1) {
    keyedRows = KeyedRowsAvx2;
    cellBlends = CellBlendsAvx2;
  }
#endif
}

// A row's pixels that are not the key lie in [first, last), as the bits
// of `kept` say: covered by as few places as fit in the row, none of one
// kind overlapping another, so no store is read back while it is still on
// its way. Wide places with nothing of the key are copied.
struct Places {
  std::vector<BlendAt> copies, wide, narrow;
};
void PlaceBlends(int y, std::uint64_t kept, Places& places) {
  const int first = std::countr_zero(kept), last = 64 - std::countl_zero(kept);
  auto at = [y](int x) {
    return BlendAt{static_cast<u8>(x), static_cast<u8>(y)};
  };
  auto wide = [&](int x) {
    const bool solid = ((kept >> x) & 0xFFFFFFFFull) == 0xFFFFFFFFull;
    (solid ? places.copies : places.wide).push_back(at(x));
  };
  const int span = last - first;
  if (span <= 16) {
    places.narrow.push_back(at(std::min(first, 48)));
  } else if (span <= 32) {
    wide(std::min(first, 32));
  } else if (span <= 48) {
    const int x = std::min(first, 16);
    wide(x);
    places.narrow.push_back(at(x + 32));
  } else {
    wide(0);
    wide(32);
  }
}

// Byte i of the result is 0x80 exactly where byte i of v is zero.
inline std::uint64_t ZeroBytes(std::uint64_t v) {
  constexpr std::uint64_t k7F = 0x7F7F7F7F7F7F7F7Full;
  return ~(((v & k7F) + k7F) | v | k7F);
}

void MakeBox(const Surface& sheet, int cx, int cy, u8 key, CellBox& box) {
  const std::uint64_t keys = 0x0101010101010101ull * key;
  std::uint64_t columns = 0;  // bit x: column x holds a pixel that is not key
  int top = 64, bottom = 0;
  static Places places;
  places.copies.clear();
  places.wide.clear();
  places.narrow.clear();
  for (int y = 0; y < 64; ++y) {
    const u8* row = sheet.Row(64 * cy + y) + 64 * cx;
    std::uint64_t kept = 0;
    for (int x = 0; x < 64; x += 8) {
      std::uint64_t eight;
      std::memcpy(&eight, row + x, 8);
      const std::uint64_t keyed =
          ((ZeroBytes(eight ^ keys) >> 7) * 0x0102040810204080ull) >> 56;
      kept |= (~keyed & 0xFF) << x;
    }
    if (kept) {
      top = std::min(top, y);
      bottom = y + 1;
      columns |= kept;
      PlaceBlends(y, kept, places);
    }
  }
  box.made = true;
  box.plan.first = static_cast<u32>(blendPlaces.size());
  box.plan.copies = static_cast<u8>(places.copies.size());
  box.plan.wide = static_cast<u8>(places.wide.size());
  box.plan.narrow = static_cast<u8>(places.narrow.size());
  box.plan.pixels = static_cast<u32>(planPixels.size());
  for (const auto* kind : {&places.copies, &places.wide, &places.narrow}) {
    const int width = kind == &places.narrow ? 16 : 32;
    for (const BlendAt& at : *kind) {
      const u8* from = sheet.Row(64 * cy + at.y) + 64 * cx + at.x;
      planPixels.insert(planPixels.end(), from, from + width);
    }
    blendPlaces.insert(blendPlaces.end(), kind->begin(), kind->end());
  }
  if (!columns) {
    box.left = box.top = box.right = box.bottom = 0;
    return;
  }
  box.left = static_cast<u8>(std::countr_zero(columns));
  box.right = static_cast<u8>(64 - std::countl_zero(columns));
  box.top = static_cast<u8>(top);
  box.bottom = static_cast<u8>(bottom);
}

// Cuts a keyed copy of sheet columns [sx, sx + n) x rows [sy, sy + rows) to
// the box of the cell it lies in, moving `out` along; a copy of a whole cell
// is drawn here by the cell's blends. False when nothing is left to draw.
bool CutToBox(const Surface& sheet, u8 key, u8*& out, long outPitch, int& sx,
              int& sy, int& n, int& rows) {
  const int cx = sx / 64, cy = sy / 64;
  if ((sx + n - 1) / 64 != cx || (sy + rows - 1) / 64 != cy) return true;
  if (!cellBoxesMade || cellBoxesKey != key) {
    SheetChanged();
    cellBoxesKey = key;
    cellBoxesMade = true;
  }
  CellBox& box = cellBoxes[cy][cx];
  if (!box.made) MakeBox(sheet, cx, cy, key, box);
  if (cellBlends && n == 64 && sx % 64 == 0) {
    const int top = sy - 64 * cy;
    cellBlends(out - top * outPitch, outPitch, box.plan, top, top + rows, key);
    return false;
  }
  // Cut across only: the blend is quickest over whole 64-pixel rows.
  const int y0 = std::max(sy, 64 * cy + box.top);
  const int y1 = std::min(sy + rows, 64 * cy + box.bottom);
  if (y0 >= y1 || box.left >= box.right) return false;
  out += (y0 - sy) * outPitch;
  sy = y0;
  rows = y1 - y0;
  // A whole cell (drawn so only with AVX-512) whose figure fits 48 columns:
  // 48 are blended, leaving out the key on either side.
  if (n == 64 && box.right - box.left <= 48) {
    const int skip = std::min<int>(box.left, 16);
    out += skip;
    sx += skip;
    n = 48;
  }
  return true;
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
    int sx = s.left + (x0 - d.left), sy = s.top + (y0 - d.top);
    int width = n, rows = y1 - y0;
    u8* out = to.Row(y0) + x0;
    if (keyed && &from == SheetSurface && from.width == kSheetWidth &&
        from.height == kSheetHeight &&
        !CutToBox(from, key, out, to.pitch, sx, sy, width, rows)) {
      return;
    }
    CopyRows(out, to.pitch, from.Row(sy) + sx, from.pitch, width, rows, keyed,
             key);
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

}  // namespace

void SheetChanged() {
  for (auto& row : cellBoxes) {
    for (CellBox& box : row) box.made = false;
  }
  blendPlaces.clear();
  planPixels.clear();
}

int SetBlitLevel(int level) {
  const int best = BestLevel();
  const int chosen = level < 0 ? best : std::min(level, best);
  PickKernels(chosen);
  levelChosen = true;
  return chosen;
}

int BlitSheet(Rect dst, Rect src, u8 mode, u32 fillColour) {
  if (WhollyOffScreen(dst)) return 0;
  if (!BackSurface || !SheetSurface) return 1;
  switch (mode) {
    case kModeKeyed:
      if (!levelChosen) SetBlitLevel(-1);
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
