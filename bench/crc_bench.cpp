// The trace's digest of a 640 x 480 screen: our CRC-32 (folded with
// carry-less multiplication, and the table loop a processor without it and
// the web build use) against zlib's and libdeflate's, on the same bytes.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "base/crc32.h"
#if TS_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

const std::vector<unsigned char>& Screen() {
  static std::vector<unsigned char> bytes = [] {
    std::vector<unsigned char> b(640 * 480);
    std::uint32_t state = 1;
    for (unsigned char& v : b) {
      state = state * 1103515245u + 12345u;
      v = static_cast<unsigned char>(state >> 16);
    }
    return b;
  }();
  return bytes;
}

template <typename F>
void Digest(benchmark::State& state, F crc) {
  const std::vector<unsigned char>& bytes = Screen();
  for (auto _ : state) {
    benchmark::DoNotOptimize(crc(bytes.data(), bytes.size()));
  }
  state.SetBytesProcessed(state.iterations() * long(bytes.size()));
}

void BM_Crc32Screen_Ours(benchmark::State& state) {
  Digest(state, [](const unsigned char* p, std::size_t n) {
    return base::Crc32(0, p, n);
  });
}
BENCHMARK(BM_Crc32Screen_Ours);

void BM_Crc32Screen_OursPortable(benchmark::State& state) {
  Digest(state, [](const unsigned char* p, std::size_t n) {
    return base::Crc32Portable(0, p, n);
  });
}
BENCHMARK(BM_Crc32Screen_OursPortable);

void BM_Crc32Screen_Zlib(benchmark::State& state) {
  Digest(state, [](const unsigned char* p, std::size_t n) {
    return crc32(0, p, static_cast<uInt>(n));
  });
}
BENCHMARK(BM_Crc32Screen_Zlib);

#if TS_HAVE_LIBDEFLATE
void BM_Crc32Screen_Libdeflate(benchmark::State& state) {
  Digest(state, [](const unsigned char* p, std::size_t n) {
    return libdeflate_crc32(0, p, n);
  });
}
BENCHMARK(BM_Crc32Screen_Libdeflate);
#endif

}  // namespace
