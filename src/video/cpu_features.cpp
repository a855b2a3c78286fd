#include "video/cpu_features.h"

namespace video {

namespace {

CpuFeatures Detect() {
  CpuFeatures f;
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  f.avx2 = __builtin_cpu_supports("avx2");
  f.avx512bw = __builtin_cpu_supports("avx512f") &&
               __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("bmi2");
  f.avx512vbmi = f.avx512bw && __builtin_cpu_supports("avx512vbmi");
#endif
  return f;
}

}  // namespace

const CpuFeatures& Cpu() {
  static const CpuFeatures features = Detect();
  return features;
}

}  // namespace video
