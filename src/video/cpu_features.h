// What the processor offers, asked once. The copy and conversion kernels
// choose their level from it.
#pragma once

namespace video {

struct CpuFeatures {
  bool avx2 = false;
  // AVX-512 with byte and word lanes, and the bit tricks the masked tails use.
  bool avx512bw = false;
  // AVX-512 byte permutes (VBMI), for the palette lookup.
  bool avx512vbmi = false;
};

const CpuFeatures& Cpu();

}  // namespace video
