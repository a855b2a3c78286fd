// Rectangle copies and fills into the back buffer.
#pragma once
#include "video/surface.h"

namespace video {

inline constexpr u8 kModeKeyed = 1;
inline constexpr u8 kModeOpaque = 2;
inline constexpr u8 kModeFill = 3;

int BlitSheet(Rect dst, Rect src, u8 mode, u32 fillColour);
int BlitSurface(const Surface* src, Surface* dst, Rect srcRect, Rect dstRect);
int SetSheetColorKey(u32 index);
u8 ReadPixel(i32 x, i32 y, const Surface* surface);

// Keyed copies from the sheet skip its key by runs found once per row;
// whatever changes the sheet's pixels other than LoadSskImage and
// CreateSurfaces calls this, so the runs are found again.
void SheetChanged();

// Chooses the keyed-copy kernel: 0 plain, 1 AVX2, 2 AVX-512, capped at what
// the processor has; -1 the best it has. Returns the level in use. The
// kernels give the same pixels; tests and benchmarks compare them.
int SetBlitLevel(int level);

}  // namespace video
