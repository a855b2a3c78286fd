// Little-endian numbers in byte buffers: every file the game reads or writes
// (pictures, recordings, Score.dat) stores them this way, whatever the
// machine.
#pragma once
#include <vector>

#include "base/types.h"

namespace base {

inline u16 LoadLe16(const u8* p) { return static_cast<u16>(p[0] | p[1] << 8); }

inline u32 LoadLe32(const u8* p) {
  return u32(p[0]) | u32(p[1]) << 8 | u32(p[2]) << 16 | u32(p[3]) << 24;
}

inline void StoreLe16(u8* p, u16 v) {
  p[0] = static_cast<u8>(v);
  p[1] = static_cast<u8>(v >> 8);
}

inline void StoreLe32(u8* p, u32 v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<u8>(v >> (8 * i));
}

inline void AppendLe16(std::vector<u8>& out, u16 v) {
  out.push_back(static_cast<u8>(v));
  out.push_back(static_cast<u8>(v >> 8));
}

inline void AppendLe32(std::vector<u8>& out, u32 v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<u8>(v >> (8 * i)));
}

}  // namespace base
