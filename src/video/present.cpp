#include "video/present.h"

#include "video/cpu_features.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define TS_X86 1
#endif

namespace video {

// The pair table is indexed by two bytes read as one little-endian word.
static_assert(std::endian::native == std::endian::little);

namespace {

// Two pixels at a time through a table of every pair of indices: one load
// and one 8-byte store per pair. The table (512 KiB, it lives in L2) is made
// again only when the palette changes, which outside fades is rare.
struct PairTable {
  platform::PaletteEntry palette[256];
  bool valid = false;
  std::uint64_t pairs[65536];
};

PairTable& Table(const platform::PaletteEntry* palette) {
  static PairTable table;
  if (!table.valid ||
      std::memcmp(table.palette, palette, sizeof table.palette) != 0) {
    std::uint32_t single[256];
    for (int i = 0; i < 256; ++i) {
      single[i] = 0xFF000000u | std::uint32_t(palette[i].red) << 16 |
                  std::uint32_t(palette[i].green) << 8 | palette[i].blue;
    }
    // Index pair (first, second) as they lie in memory, little-endian.
    for (int second = 0; second < 256; ++second) {
      const std::uint64_t high = std::uint64_t(single[second]) << 32;
      std::uint64_t* row = table.pairs + (second << 8);
      for (int first = 0; first < 256; ++first)
        row[first] = high | single[first];
    }
    std::memcpy(table.palette, palette, sizeof table.palette);
    table.valid = true;
  }
  return table;
}

using TwoPairs [[gnu::vector_size(16)]] = std::uint64_t;

void ConvertPairs(const std::uint8_t* pixels, int pitch, int width, int height,
                  const platform::PaletteEntry* palette, std::uint32_t* out) {
  const std::uint64_t* pairs = Table(palette).pairs;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = pixels + static_cast<long>(y) * pitch;
    std::uint32_t* row = out + static_cast<long>(y) * width;
    int x = 0;
    // Eight indices per load, four pairs out of them, stored two pairs at a
    // time: g++ merges single 8-byte stores by itself, clang and emscripten
    // only when the pairs are put into a vector like this.
    for (; x + 8 <= width; x += 8) {
      std::uint64_t eight;
      std::memcpy(&eight, in + x, 8);
      const TwoPairs low = {pairs[eight & 0xFFFF],
                            pairs[(eight >> 16) & 0xFFFF]};
      const TwoPairs high = {pairs[(eight >> 32) & 0xFFFF], pairs[eight >> 48]};
      std::memcpy(row + x, &low, sizeof low);
      std::memcpy(row + x + 4, &high, sizeof high);
    }
    for (; x + 2 <= width; x += 2) {
      const unsigned pair = unsigned(in[x]) | unsigned(in[x + 1]) << 8;
      std::memcpy(row + x, &pairs[pair], 8);
    }
    if (x < width) row[x] = static_cast<std::uint32_t>(pairs[in[x]]);
  }
}

#if TS_X86
// With AVX-512 VBMI a 256-entry byte table fits in four registers: each
// colour channel is looked up for 64 pixels by two two-register byte
// permutes (indices 0..127 and 128..255) and a blend on the top bit.
struct alignas(64) Planes {
  std::uint8_t channel[3][256];  // blue, green, red
};

[[gnu::target("avx512f,avx512bw,avx512vbmi")]] void ConvertVbmi(
    const std::uint8_t* pixels, int pitch, int width, int height,
    const platform::PaletteEntry* palette, std::uint32_t* out) {
  Planes planes;
  for (int i = 0; i < 256; ++i) {
    planes.channel[0][i] = palette[i].blue;
    planes.channel[1][i] = palette[i].green;
    planes.channel[2][i] = palette[i].red;
  }
  __m512i t[3][4];
  for (int c = 0; c < 3; ++c) {
    for (int q = 0; q < 4; ++q)
      t[c][q] = _mm512_load_si512(planes.channel[c] + 64 * q);
  }
  // The unpacks below work within 128-bit lanes; this order of the indices
  // makes their four results come out as pixels 0..15, 16..31, 32..47 and
  // 48..63. Byte 16L + 4k + j takes pixel 16k + 4L + j.
  alignas(64) std::uint8_t order[64];
  for (int lane = 0; lane < 4; ++lane) {
    for (int k = 0; k < 4; ++k) {
      for (int j = 0; j < 4; ++j)
        order[16 * lane + 4 * k + j] =
            static_cast<std::uint8_t>(16 * k + 4 * lane + j);
    }
  }
  const __m512i shuffle = _mm512_load_si512(order);
  const __m512i opaque = _mm512_set1_epi8(static_cast<char>(0xFF));
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = pixels + static_cast<long>(y) * pitch;
    std::uint32_t* row = out + static_cast<long>(y) * width;
    int x = 0;
    for (; x + 64 <= width; x += 64) {
      // (The zero-masking form, all lanes kept, spares GCC 12 a false
      // warning about the plain form's undefined operand.)
      const __m512i idx = _mm512_maskz_permutexvar_epi8(
          ~0ull, shuffle, _mm512_loadu_si512(in + x));
      const __mmask64 high = _mm512_movepi8_mask(idx);
      __m512i ch[3];
      for (int c = 0; c < 3; ++c) {
        const __m512i lo = _mm512_permutex2var_epi8(t[c][0], idx, t[c][1]);
        const __m512i hi = _mm512_permutex2var_epi8(t[c][2], idx, t[c][3]);
        ch[c] = _mm512_mask_blend_epi8(high, lo, hi);
      }
      const __m512i bgLo = _mm512_unpacklo_epi8(ch[0], ch[1]);
      const __m512i bgHi = _mm512_unpackhi_epi8(ch[0], ch[1]);
      const __m512i raLo = _mm512_unpacklo_epi8(ch[2], opaque);
      const __m512i raHi = _mm512_unpackhi_epi8(ch[2], opaque);
      _mm512_storeu_si512(row + x, _mm512_unpacklo_epi16(bgLo, raLo));
      _mm512_storeu_si512(row + x + 16, _mm512_unpackhi_epi16(bgLo, raLo));
      _mm512_storeu_si512(row + x + 32, _mm512_unpacklo_epi16(bgHi, raHi));
      _mm512_storeu_si512(row + x + 48, _mm512_unpackhi_epi16(bgHi, raHi));
    }
    for (; x < width; ++x) {
      const platform::PaletteEntry& e = palette[in[x]];
      row[x] = 0xFF000000u | std::uint32_t(e.red) << 16 |
               std::uint32_t(e.green) << 8 | e.blue;
    }
  }
}
#endif

using ConvertFn = void (*)(const std::uint8_t*, int, int, int,
                           const platform::PaletteEntry*, std::uint32_t*);

// Widening a converted row: each pixel `scale` times over.
using WidenFn = void (*)(const std::uint32_t* row, int n, int scale,
                         std::uint32_t* out);

void WidenPlain(const std::uint32_t* row, int n, int scale,
                std::uint32_t* out) {
  switch (scale) {
    case 1:
      std::memcpy(out, row, static_cast<std::size_t>(n) * 4);
      break;
    case 2:
      for (int x = 0; x < n; ++x) {
        const std::uint64_t two = row[x] | std::uint64_t(row[x]) << 32;
        std::memcpy(out + 2 * x, &two, 8);
      }
      break;
    case 3:
      for (int x = 0; x < n; ++x) {
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[x];
      }
      break;
    default:
      for (int x = 0; x < n; ++x) {
        for (int k = 0; k < scale; ++k) out[scale * x + k] = row[x];
      }
      break;
  }
}

#if TS_X86
[[gnu::target("avx2"), gnu::always_inline]] inline void Store(std::uint32_t* at,
                                                              __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v);
}

// Past eight, a pixel is one vector repeated, the last store overlapping
// the one before; smaller scales than that go the plain way (2 to 4 never
// come here: ScaledAvx2 does them whole).
[[gnu::target("avx2")]] void WidenAvx2(const std::uint32_t* row, int n,
                                       int scale, std::uint32_t* out) {
  int x = 0;
  if (scale > 8) {
    for (; x < n; ++x) {
      const __m256i v = _mm256_set1_epi32(static_cast<int>(row[x]));
      std::uint32_t* o = out + static_cast<std::ptrdiff_t>(x) * scale;
      for (int k = 0; k + 8 <= scale; k += 8) Store(o + k, v);
      Store(o + scale - 8, v);
    }
  }
  WidenPlain(row + x, n - x, scale,
             out + static_cast<std::ptrdiff_t>(x) * scale);
}

// The whole scaled conversion in one pass for scales 2 to 4: eight indices
// looked up at once in a 1 KB table (it stays in the first-level cache,
// where the pair table would crowd the output out of the second), widened by
// lane permutes and stored straight into every output row of the block.
// Each scale has its own loop, unrolled whole. The order of the stores is
// the one that measured fastest around the caches: at 3x a row's vectors
// one after another, at 2x and 4x each vector to every row in turn.
template <int kScale, bool kStream>
[[gnu::target("avx2"), gnu::always_inline]] inline void ScaledRows(
    const std::uint8_t* pixels, int pitch, int width, int height,
    const std::uint32_t* single, std::uint32_t* out, int outPitch,
    const std::uint8_t* shown) {
  __m256i pick[kScale];
  for (int j = 0; j < kScale; ++j) {
    alignas(32) std::int32_t lanes[8];
    for (int i = 0; i < 8; ++i) lanes[i] = (8 * j + i) / kScale;
    pick[j] = _mm256_load_si256(reinterpret_cast<const __m256i*>(lanes));
  }
  auto* bytes = reinterpret_cast<std::uint8_t*>(out);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = pixels + static_cast<long>(y) * pitch;
    std::uint32_t* rows[kScale];
    for (int k = 0; k < kScale; ++k) {
      rows[k] = reinterpret_cast<std::uint32_t*>(
          bytes + (static_cast<std::size_t>(y) * kScale + k) * outPitch);
    }
    const std::uint8_t* before =
        shown ? shown + static_cast<long>(y) * pitch : nullptr;
    int x = 0;
    for (; x + 8 <= width; x += 8) {
      if (before) {
        std::uint64_t now = 0, then = 0;
        std::memcpy(&now, in + x, 8);
        std::memcpy(&then, before + x, 8);
        if (now == then) continue;  // already on screen
      }
      const __m256i eight = _mm256_i32gather_epi32(
          reinterpret_cast<const int*>(single),
          _mm256_cvtepu8_epi32(
              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + x))),
          4);
      const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(x) * kScale;
      __m256i v[kScale];
      for (int j = 0; j < kScale; ++j) {
        v[j] = _mm256_permutevar8x32_epi32(eight, pick[j]);
      }
      constexpr bool kRowByRow = kScale == 3;
      for (int outer = 0; outer < kScale; ++outer) {
        for (int inner = 0; inner < kScale; ++inner) {
          const int k = kRowByRow ? outer : inner;  // the output row
          const int j = kRowByRow ? inner : outer;  // the vector
          if constexpr (kStream) {
            _mm256_stream_si256(
                reinterpret_cast<__m256i*>(rows[k] + at + 8 * j), v[j]);
          } else {
            Store(rows[k] + at + 8 * j, v[j]);
          }
        }
      }
    }
    for (; x < width; ++x) {
      for (int k = 0; k < kScale; ++k) {
        for (int j = 0; j < kScale; ++j) {
          rows[k][x * kScale + j] = single[in[x]];
        }
      }
    }
  }
}

[[gnu::target("avx2")]] bool ScaledAvx2(const std::uint8_t* pixels, int pitch,
                                        int width, int height,
                                        const platform::PaletteEntry* palette,
                                        int scale, std::uint32_t* out,
                                        int outPitch,
                                        const std::uint8_t* shown) {
  if (scale < 2 || scale > 4) return false;
  alignas(32) std::uint32_t single[256];
  for (int i = 0; i < 256; ++i) {
    single[i] = 0xFF000000u | std::uint32_t(palette[i].red) << 16 |
                std::uint32_t(palette[i].green) << 8 | palette[i].blue;
  }
  // Where every store is a whole aligned vector, the stores go around the
  // caches: the output is megabytes that this core never reads again (the
  // X server or the GPU driver does, from another core), so filling lines
  // it would first have to fetch only halves the rate.
  const bool stream = (reinterpret_cast<std::uintptr_t>(out) % 32 == 0 &&
                       outPitch % 32 == 0 && width % 8 == 0);
  if (stream) {
    if (scale == 2) {
      ScaledRows<2, true>(pixels, pitch, width, height, single, out, outPitch,
                          shown);
    } else if (scale == 3) {
      ScaledRows<3, true>(pixels, pitch, width, height, single, out, outPitch,
                          shown);
    } else {
      ScaledRows<4, true>(pixels, pitch, width, height, single, out, outPitch,
                          shown);
    }
    _mm_sfence();
    return true;
  }
  if (scale == 2) {
    ScaledRows<2, false>(pixels, pitch, width, height, single, out, outPitch,
                         shown);
  } else if (scale == 3) {
    ScaledRows<3, false>(pixels, pitch, width, height, single, out, outPitch,
                         shown);
  } else {
    ScaledRows<4, false>(pixels, pitch, width, height, single, out, outPitch,
                         shown);
  }
  return true;
}
#endif

using ScaledFn = bool (*)(const std::uint8_t*, int, int, int,
                          const platform::PaletteEntry*, int, std::uint32_t*,
                          int, const std::uint8_t*);

// The pair table and the widening by rows, for any scale.
bool ScaledByRows(const std::uint8_t*, int, int, int,
                  const platform::PaletteEntry*, int, std::uint32_t*, int,
                  const std::uint8_t*) {
  return false;
}

struct Kernels {
  ConvertFn convert;
  WidenFn widen;
  ScaledFn scaled;  // false: it leaves this one to the rows
};

int BestLevel() {
  const CpuFeatures& cpu = Cpu();
  return cpu.avx512vbmi && cpu.avx2 ? 2 : cpu.avx2 ? 1 : 0;
}

// Off x86 there is only the pair table and the plain widening.
Kernels Pick([[maybe_unused]] int level) {
#if TS_X86
  if (level >= 2) return {ConvertVbmi, WidenAvx2, ScaledAvx2};
  if (level >= 1) return {ConvertPairs, WidenAvx2, ScaledAvx2};
#endif
  return {ConvertPairs, WidenPlain, ScaledByRows};
}

Kernels kernels = {nullptr, nullptr, nullptr};

}  // namespace

int SetPresentLevel(int level) {
  const int best = BestLevel();
  const int chosen = level < 0 ? best : (level < best ? level : best);
  kernels = Pick(chosen);
  return chosen;
}

void ConvertFrame(const std::uint8_t* pixels, int pitch, int width, int height,
                  const platform::PaletteEntry* palette, std::uint32_t* out) {
  if (!kernels.convert) SetPresentLevel(-1);
  kernels.convert(pixels, pitch, width, height, palette, out);
}

void ConvertFrameScaled(const std::uint8_t* pixels, int pitch, int width,
                        int height, const platform::PaletteEntry* palette,
                        int scale, std::uint32_t* out, int outPitch,
                        const std::uint8_t* shown) {
  if (!kernels.convert) SetPresentLevel(-1);
  if (kernels.scaled(pixels, pitch, width, height, palette, scale, out,
                     outPitch, shown)) {
    return;
  }
  auto* bytes = reinterpret_cast<std::uint8_t*>(out);
  if (scale == 1) {
    for (int y = 0; y < height; ++y) {
      kernels.convert(pixels + static_cast<long>(y) * pitch, pitch, width, 1,
                      palette,
                      reinterpret_cast<std::uint32_t*>(
                          bytes + static_cast<std::size_t>(y) * outPitch));
    }
    return;
  }
  // A source row is converted once into a small buffer (it stays in the
  // first-level cache), widened into the first of its output rows, and that
  // row is copied into the others.
  constexpr int kChunk = 1024;
  std::uint32_t row[kChunk];
  const std::size_t outRow = static_cast<std::size_t>(width) * scale * 4;
  for (int y = 0; y < height; ++y) {
    auto* first = reinterpret_cast<std::uint32_t*>(
        bytes + static_cast<std::size_t>(y) * scale * outPitch);
    for (int x0 = 0; x0 < width; x0 += kChunk) {
      const int n = width - x0 < kChunk ? width - x0 : kChunk;
      ConvertFrame(pixels + static_cast<long>(y) * pitch + x0, pitch, n, 1,
                   palette, row);
      kernels.widen(row, n, scale,
                    first + static_cast<std::size_t>(x0) * scale);
    }
    for (int k = 1; k < scale; ++k) {
      std::memcpy(bytes + (static_cast<std::size_t>(y) * scale + k) * outPitch,
                  first, outRow);
    }
  }
}

}  // namespace video
