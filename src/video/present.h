// Turning a frame of palette indices into 32-bit pixels for the screen.
#pragma once
#include <cstdint>

#include "base/platform.h"

namespace video {

// out receives width x height pixels 0xAARRGGBB (alpha 0xFF), rows packed.
void ConvertFrame(const std::uint8_t* pixels, int pitch, int width, int height,
                  const platform::PaletteEntry* palette, std::uint32_t* out);

// The same, whole-number scaled: every pixel becomes a `scale` x `scale`
// block of out, whose rows are `outPitch` bytes apart (a screen texture's
// rows). One pass over the frame, for screens too slow to scale it.
// `shown`, when given, is the frame (same pitch, same palette) whose
// conversion `out` already holds: pixels still the same may be left as
// they are, and a frame that barely moves costs a fraction of a whole one.
void ConvertFrameScaled(const std::uint8_t* pixels, int pitch, int width,
                        int height, const platform::PaletteEntry* palette,
                        int scale, std::uint32_t* out, int outPitch,
                        const std::uint8_t* shown = nullptr);

// Chooses the kernels: 0 the pair table and plain widening, 1 the pair
// table and AVX2 widening, 2 AVX-512 VBMI conversion and AVX2 widening,
// capped at what the processor has; -1 the best it has. Returns the level
// in use. Every level gives the same pixels.
int SetPresentLevel(int level);

}  // namespace video
