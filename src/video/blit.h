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

// Keyed copies from the sheet leave out the rows (and columns) of each
// 64 x 64 cell that hold only the key, found once per sheet and key;
// whatever changes the sheet's pixels other than LoadSskImage and
// CreateSurfaces calls this, so they are found again.
void SheetChanged();

// Chooses the keyed-copy kernel: 0 plain, 1 AVX2, 2 AVX-512, capped at what
// the processor has; -1 the best it has. Returns the level in use. The
// kernels give the same pixels; tests and benchmarks compare them.
int SetBlitLevel(int level);

}  // namespace video
