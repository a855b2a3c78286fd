// The canonical 44-byte WAVE header: the game's recordings carry it and
// --audio-out writes it (PCM, the format chunk, then the samples).
#pragma once
#include <vector>

#include "base/bytes.h"
#include "base/types.h"

namespace sound {

// Appends the header of `dataBytes` bytes of samples.
inline void AppendWaveHeader(std::vector<u8>& out, u16 channels, u32 rate,
                             u16 bits, u32 dataBytes) {
  const u16 blockAlign = u16(channels * bits / 8);
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(u8(t[i]));
  };
  tag("RIFF");
  base::AppendLe32(out, 36 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  base::AppendLe32(out, 16);
  base::AppendLe16(out, 1);  // PCM
  base::AppendLe16(out, channels);
  base::AppendLe32(out, rate);
  base::AppendLe32(out, rate * blockAlign);
  base::AppendLe16(out, blockAlign);
  base::AppendLe16(out, bits);
  tag("data");
  base::AppendLe32(out, dataBytes);
}

}  // namespace sound
