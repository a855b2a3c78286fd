// The drawing primitives against SDL's blitter on the same 8-bit data, the
// frame conversion, and loading the picture files.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "video/present.h"
#include "video/sheet_layout.h"
#include "video/video.h"

using namespace video;

namespace {

SDL_Surface* Wrap(Surface* s) {
  SDL_Surface* w = SDL_CreateRGBSurfaceWithFormatFrom(
      s->pixels, s->width, s->height, 8, s->pitch, SDL_PIXELFORMAT_INDEX8);
  SDL_Color colours[256];
  for (int i = 0; i < 256; ++i) {
    colours[i] = {ImagePalette[i].red, ImagePalette[i].green,
                  ImagePalette[i].blue, 255};
  }
  SDL_SetPaletteColors(w->format->palette, colours, 0, 256);
  return w;
}

SDL_Rect ToSdl(const Rect& r) {
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void BM_KeyedSprites_Ours(benchmark::State& state) {
  bench::LoadGameSheet();
  const std::vector<bench::Sprite> sprites = bench::ScatteredSprites();
  for (auto _ : state) {
    for (const bench::Sprite& s : sprites)
      BlitSheet(s.dst, s.src, kModeKeyed, 0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_KeyedSprites_Ours);

// The same with a kernel forced: 0 the portable loop (SSE2 on x86-64), 1 the
// AVX2 build of it; what a processor without AVX-512 gets.
void BM_KeyedSprites_OursLevel(benchmark::State& state) {
  if (SetBlitLevel(static_cast<int>(state.range(0))) != state.range(0)) {
    state.SkipWithError("kernel not available on this processor");
    return;
  }
  BM_KeyedSprites_Ours(state);
  SetBlitLevel(-1);
}
BENCHMARK(BM_KeyedSprites_OursLevel)->Arg(0)->Arg(1);

void BM_KeyedSprites_SDL(benchmark::State& state) {
  bench::LoadGameSheet();
  const std::vector<bench::Sprite> sprites = bench::ScatteredSprites();
  SDL_Surface* sheet = Wrap(SheetSurface);
  SDL_Surface* back = Wrap(BackSurface);
  SDL_SetColorKey(sheet, SDL_TRUE, SheetColorKey);
  for (auto _ : state) {
    for (const bench::Sprite& s : sprites) {
      SDL_Rect src = ToSdl(s.src), dst = ToSdl(s.dst);
      SDL_BlitSurface(sheet, &src, back, &dst);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1024);
  SDL_FreeSurface(sheet);
  SDL_FreeSurface(back);
}
BENCHMARK(BM_KeyedSprites_SDL);

// SDL's best answer to the same job: every 64 x 64 cell its own surface,
// colour-keyed and run-length encoded, so transparent runs are skipped.
// The encoding is made before the clock runs, as a game would at load.
void BM_KeyedSprites_SDLRle(benchmark::State& state) {
  bench::LoadGameSheet();
  const std::vector<bench::Sprite> sprites = bench::ScatteredSprites();
  SDL_Surface* sheet = Wrap(SheetSurface);
  SDL_Surface* back = Wrap(BackSurface);
  std::vector<SDL_Surface*> cells(kSheetWidth / 64 * (kSheetHeight / 64));
  auto cellOf = [&](const Rect& src) -> SDL_Surface*& {
    return cells[std::size_t(src.top / 64 * (kSheetWidth / 64) +
                             src.left / 64)];
  };
  for (const bench::Sprite& s : sprites) {
    SDL_Surface*& cell = cellOf(s.src);
    if (cell) continue;
    cell = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_SetSurfacePalette(cell, sheet->format->palette);
    SDL_Rect src = ToSdl(s.src);
    SDL_BlitSurface(sheet, &src, cell, nullptr);
    SDL_SetColorKey(cell, SDL_TRUE, SheetColorKey);
    SDL_SetSurfaceRLE(cell, 1);
  }
  auto drawAll = [&] {
    for (const bench::Sprite& s : sprites) {
      SDL_Rect dst = ToSdl(s.dst);
      SDL_BlitSurface(cellOf(s.src), nullptr, back, &dst);
    }
  };
  drawAll();  // encodes every cell
  for (auto _ : state) {
    drawAll();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * 1024);
  for (SDL_Surface* cell : cells) SDL_FreeSurface(cell);
  SDL_FreeSurface(sheet);
  SDL_FreeSurface(back);
}
BENCHMARK(BM_KeyedSprites_SDLRle);

constexpr Rect kTiles[4] = {{0, 0, 320, 240},
                            {0, 240, 320, 480},
                            {320, 0, 640, 240},
                            {320, 240, 640, 480}};
constexpr Rect kTile = layout::game::kFieldTile;

void BM_OpaqueTiles_Ours(benchmark::State& state) {
  bench::LoadGameSheet();
  for (auto _ : state) {
    for (const Rect& d : kTiles) BlitSheet(d, kTile, kModeOpaque, 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OpaqueTiles_Ours);

void BM_OpaqueTiles_SDL(benchmark::State& state) {
  bench::LoadGameSheet();
  SDL_Surface* sheet = Wrap(SheetSurface);
  SDL_Surface* back = Wrap(BackSurface);
  for (auto _ : state) {
    for (const Rect& d : kTiles) {
      SDL_Rect src = ToSdl(kTile), dst = ToSdl(d);
      SDL_BlitSurface(sheet, &src, back, &dst);
    }
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(sheet);
  SDL_FreeSurface(back);
}
BENCHMARK(BM_OpaqueTiles_SDL);

// The opening's zoom: one 32 x 32 cell stretched to 1200 x 1200 about the
// centre, clipped to the screen.
void BM_ScaledKeyed_Ours(benchmark::State& state) {
  bench::LoadTitleSheet();
  const Rect dst = {320 - 600, 240 - 600, 320 + 600, 240 + 600};
  const Rect src = {96, 864, 128, 896};
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    BlitSheet(dst, src, kModeKeyed, 0);
    benchmark::ClobberMemory();
  }
  const std::chrono::duration<double, std::nano> spent =
      std::chrono::steady_clock::now() - start;
  // Every pixel of the screen is a destination pixel of this copy.
  state.counters["ns_per_dst_px"] =
      spent.count() / (static_cast<double>(state.iterations()) * 640 * 480);
}
BENCHMARK(BM_ScaledKeyed_Ours);

void BM_Present_Ours(benchmark::State& state) {
  bench::LoadGameSheet();
  BlitSheet({0, 0, 640, 480}, {0, 1000, 640, 1480}, kModeOpaque, 0);
  static std::uint32_t out[640 * 480];
  for (auto _ : state) {
    ConvertFrame(BackSurface->pixels, BackSurface->pitch, 640, 480,
                 DisplayPalette.entries, out);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Present_Ours);

// The portable pair-table conversion, without AVX-512.
void BM_Present_OursPortable(benchmark::State& state) {
  SetPresentLevel(0);
  BM_Present_Ours(state);
  SetPresentLevel(-1);
}
BENCHMARK(BM_Present_OursPortable);

void BM_Present_SDL(benchmark::State& state) {
  bench::LoadGameSheet();
  BlitSheet({0, 0, 640, 480}, {0, 1000, 640, 1480}, kModeOpaque, 0);
  SDL_Surface* back = Wrap(BackSurface);
  SDL_Surface* out =
      SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_ARGB8888);
  for (auto _ : state) {
    SDL_BlitSurface(back, nullptr, out, nullptr);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(back);
  SDL_FreeSurface(out);
}
BENCHMARK(BM_Present_SDL);

// The frame whole-number scaled for a screen of range(0) x range(1) pixels
// (the largest scale that fits), as the game presents it: one pass of ours
// into a texture of the output size.
void BM_PresentScaled_Ours(benchmark::State& state) {
  bench::LoadGameSheet();
  BlitSheet({0, 0, 640, 480}, {0, 1000, 640, 1480}, kModeOpaque, 0);
  const int scale = std::max<int>(
      1, std::min<int>(state.range(0) / 640, state.range(1) / 480));
  std::vector<std::uint32_t> out(std::size_t(640 * scale) * 480 * scale);
  for (auto _ : state) {
    ConvertFrameScaled(BackSurface->pixels, BackSurface->pitch, 640, 480,
                       DisplayPalette.entries, scale, out.data(),
                       640 * scale * 4);
    benchmark::ClobberMemory();
  }
  state.counters["scale"] = scale;
  state.SetBytesProcessed(state.iterations() * long(out.size()) * 4);
}
BENCHMARK(BM_PresentScaled_Ours)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Args({2560, 1440})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

// What a software renderer does instead: convert at 640 x 480, then scale
// the 32-bit frame to the same size (SDL's nearest-neighbour stretch).
void BM_PresentScaled_SDL(benchmark::State& state) {
  bench::LoadGameSheet();
  BlitSheet({0, 0, 640, 480}, {0, 1000, 640, 1480}, kModeOpaque, 0);
  const int scale = std::max<int>(
      1, std::min<int>(state.range(0) / 640, state.range(1) / 480));
  SDL_Surface* back = Wrap(BackSurface);
  SDL_Surface* frame =
      SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(
      0, 640 * scale, 480 * scale, 32, SDL_PIXELFORMAT_ARGB8888);
  // Blending off: a new 32-bit surface blends, which takes SDL's per-pixel
  // scaler instead of its plain stretch.
  SDL_SetSurfaceBlendMode(frame, SDL_BLENDMODE_NONE);
  for (auto _ : state) {
    SDL_BlitSurface(back, nullptr, frame, nullptr);
    SDL_BlitScaled(frame, nullptr, out, nullptr);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * long(out->pitch) * out->h);
  SDL_FreeSurface(back);
  SDL_FreeSurface(frame);
  SDL_FreeSurface(out);
}
BENCHMARK(BM_PresentScaled_SDL)
    ->Args({2560, 1440})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

// What a game without a converter of its own does: the frame converted into
// the software renderer's streaming texture, which the renderer scales into
// the output surface (blending off).
void BM_PresentScaled_SDLRenderer(benchmark::State& state) {
  bench::LoadGameSheet();
  BlitSheet({0, 0, 640, 480}, {0, 1000, 640, 1480}, kModeOpaque, 0);
  const int scale = std::max<int>(
      1, std::min<int>(state.range(0) / 640, state.range(1) / 480));
  SDL_Surface* back = Wrap(BackSurface);
  SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(
      0, 640 * scale, 480 * scale, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(out);
  SDL_Texture* texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                        SDL_TEXTUREACCESS_STREAMING, 640, 480);
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
  for (auto _ : state) {
    void* pixels = nullptr;
    int pitch = 0;
    SDL_LockTexture(texture, nullptr, &pixels, &pitch);
    SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(
        pixels, 640, 480, 32, pitch, SDL_PIXELFORMAT_ARGB8888);
    SDL_BlitSurface(back, nullptr, frame, nullptr);
    SDL_FreeSurface(frame);
    SDL_UnlockTexture(texture);
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderFlush(renderer);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * long(out->pitch) * out->h);
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(back);
  SDL_FreeSurface(out);
}
BENCHMARK(BM_PresentScaled_SDLRenderer)
    ->Args({2560, 1440})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

// The floor of any conversion: writing the output once. Warm, the same
// range(0) x range(1) 32-bit pixels every time (the cached write rate, what
// a texture the size of the output gets when it stays in the last-level
// cache); from memory, each pass the next of several outputs that together
// are larger than every cache.
void WriteFloor(benchmark::State& state, std::size_t outputs) {
  const std::size_t size = std::size_t(state.range(0)) * state.range(1) * 4;
  std::vector<std::uint8_t> buffer(size * outputs);
  std::memset(buffer.data(), 1, buffer.size());
  std::size_t next = 0;
  for (auto _ : state) {
    std::uint8_t* out = buffer.data() + size * next;
    next = (next + 1) % outputs;
    benchmark::DoNotOptimize(out);
    std::memset(out, int(next), size);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * long(size));
}

void BM_WriteFloor_Warm(benchmark::State& state) { WriteFloor(state, 1); }
BENCHMARK(BM_WriteFloor_Warm)
    ->Args({640, 480})
    ->Args({1920, 1440})
    ->Args({2560, 1920})
    ->Unit(benchmark::kMicrosecond);

void BM_WriteFloor_Memory(benchmark::State& state) {
  // 128 MB and more: four times the largest last-level cache here.
  const std::size_t size = std::size_t(state.range(0)) * state.range(1) * 4;
  WriteFloor(state, std::max<std::size_t>(2, (std::size_t(128) << 20) / size));
}
BENCHMARK(BM_WriteFloor_Memory)
    ->Args({640, 480})
    ->Args({1920, 1440})
    ->Args({2560, 1920})
    ->Unit(benchmark::kMicrosecond);

void BM_LoadSheets(benchmark::State& state) {
  bench::LoadGameSheet();
  bench::InRunFolder here;
  for (auto _ : state) {
    for (const char* name : layout::kSskPictures) {
      LoadSskImage(name, 0, 0);
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_LoadSheets)->Unit(benchmark::kMillisecond);

}  // namespace
