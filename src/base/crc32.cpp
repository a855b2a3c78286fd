#include "base/crc32.h"

#include <array>

#include "base/bytes.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define TS_X86 1
#endif

namespace base {

namespace {

// Eight tables, so that eight bytes are folded in per step.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (std::uint32_t i = 0; i < 256; ++i) {
    for (int k = 1; k < 8; ++k) {
      t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
  }
  return t;
}

constexpr Tables kTables = MakeTables();

// The register as it runs (inverted), over the bytes eight at a time.
std::uint32_t Slices(std::uint32_t crc, const std::uint8_t* p,
                     std::size_t size) {
  for (; size >= 8; size -= 8, p += 8) {
    const std::uint32_t lo = LoadLe32(p) ^ crc;
    const std::uint32_t hi = LoadLe32(p + 4);
    crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^
          kTables[5][(lo >> 16) & 0xFF] ^ kTables[4][lo >> 24] ^
          kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
          kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
  }
  while (size-- > 0) crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

#if TS_X86
__m128i Load(const std::uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// a moved on by the distance the constant pair stands for, plus b.
[[gnu::target("pclmul,sse4.1"), gnu::always_inline]] inline __m128i Fold(
    __m128i a, __m128i k, __m128i b) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00),
                                     _mm_clmulepi64_si128(a, k, 0x11)),
                       b);
}

// The last whole 16-byte blocks folded into x1, then 128 bits to 32: to 64
// by one more fold, then a Barrett reduction.
[[gnu::target("pclmul,sse4.1")]] std::uint32_t Finish(__m128i x1,
                                                      const std::uint8_t* p,
                                                      std::size_t size) {
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
  const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  __m128i x2;
  for (; size >= 16; size -= 16, p += 16) x1 = Fold(x1, k3k4, Load(p));

  x2 = _mm_clmulepi64_si128(x1, k3k4, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
  x2 = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00),
                     x2);
  // Barrett reduction to 32.
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), poly, 0x00);
  x1 = _mm_xor_si128(x1, x2);
  return std::uint32_t(_mm_extract_epi32(x1, 1));
}

// Carry-less multiplication folds 64 bytes per step in four lanes, then
// the lanes into one and that into 32 bits by a Barrett reduction (the
// method of Intel's paper on CRC with PCLMULQDQ; the constants are powers of
// x modulo the polynomial, bit-reflected). `size` is at least 64 and a
// multiple of 16.
[[gnu::target("pclmul,sse4.1")]] std::uint32_t Folded(std::uint32_t crc,
                                                      const std::uint8_t* p,
                                                      std::size_t size) {
  const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  __m128i x1 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(int(crc)));
  __m128i x2 = Load(p + 16), x3 = Load(p + 32), x4 = Load(p + 48);
  p += 64;
  size -= 64;
  for (; size >= 64; size -= 64, p += 64) {
    x1 = Fold(x1, k1k2, Load(p));
    x2 = Fold(x2, k1k2, Load(p + 16));
    x3 = Fold(x3, k1k2, Load(p + 32));
    x4 = Fold(x4, k1k2, Load(p + 48));
  }
  x1 = Fold(x1, k3k4, x2);
  x1 = Fold(x1, k3k4, x3);
  x1 = Fold(x1, k3k4, x4);
  return Finish(x1, p, size);
}

// The same with 256-bit carry-less multiplication (VPCLMULQDQ): four
// registers of two lanes fold 128 bytes a step, then into one lane for the
// 128-bit path's last steps. `size` is at least 128 and a multiple of 16.
// The constants are x^(n) mod the polynomial for fold distances of 1024 and
// 256 bits, as above.
[[gnu::target("avx2,vpclmulqdq,pclmul,sse4.1"),
  gnu::always_inline]] inline __m256i
Fold256(__m256i a, __m256i k, __m256i b) {
  return _mm256_xor_si256(
      _mm256_xor_si256(_mm256_clmulepi64_epi128(a, k, 0x00),
                       _mm256_clmulepi64_epi128(a, k, 0x11)),
      b);
}

[[gnu::target("avx2,vpclmulqdq,pclmul,sse4.1")]] std::uint32_t Folded256(
    std::uint32_t crc, const std::uint8_t* p, std::size_t size) {
  const __m256i k1024 =
      _mm256_set_epi64x(0x014a7fe880, 0x01e88ef372, 0x014a7fe880, 0x01e88ef372);
  const __m256i k256 =
      _mm256_set_epi64x(0x015a546366, 0x00f1da05aa, 0x015a546366, 0x00f1da05aa);
  __m256i y0 =
      _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                       _mm256_zextsi128_si256(_mm_cvtsi32_si128(int(crc))));
  __m256i y1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
  __m256i y2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64));
  __m256i y3 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 96));
  p += 128;
  size -= 128;
  for (; size >= 128; size -= 128, p += 128) {
    y0 = Fold256(y0, k1024,
                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
    y1 = Fold256(y1, k1024,
                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)));
    y2 = Fold256(y2, k1024,
                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 64)));
    y3 = Fold256(y3, k1024,
                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 96)));
  }
  y0 = Fold256(y0, k256, y1);
  y0 = Fold256(y0, k256, y2);
  y0 = Fold256(y0, k256, y3);
  // Two lanes into one, then on as the 128-bit path ends.
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  __m128i x1 =
      Fold(_mm256_castsi256_si128(y0), k3k4, _mm256_extracti128_si256(y0, 1));
  return Finish(x1, p, size);
}

bool HasFolding() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

bool HasWideFolding() {
  return HasFolding() && __builtin_cpu_supports("avx2") &&
         __builtin_cpu_supports("vpclmulqdq");
}
#endif

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  crc = ~crc;
#if TS_X86
  static const bool folding = HasFolding(), wide = HasWideFolding();
  if (folding && size >= 64) {
    const std::size_t whole = size & ~std::size_t(15);
    crc =
        wide && whole >= 128 ? Folded256(crc, p, whole) : Folded(crc, p, whole);
    p += whole;
    size -= whole;
  }
#endif
  return ~Slices(crc, p, size);
}

std::uint32_t Crc32Portable(std::uint32_t crc, const void* data,
                            std::size_t size) {
  return ~Slices(~crc, static_cast<const std::uint8_t*>(data), size);
}

}  // namespace base
