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
  for (auto _ : state) {
    SDL_BlitSurface(back, nullptr, frame, nullptr);
    SDL_BlitScaled(frame, nullptr, out, nullptr);
    benchmark::ClobberMemory();
  }
  SDL_FreeSurface(back);
  SDL_FreeSurface(frame);
  SDL_FreeSurface(out);
}
BENCHMARK(BM_PresentScaled_SDL)
    ->Args({2560, 1440})
    ->Unit(benchmark::kMicrosecond);

void BM_MemcpyFrame(benchmark::State& state) {
  static std::uint8_t a[640 * 480 * 4], b[640 * 480 * 4];
  std::memset(a, 1, sizeof a);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    std::memcpy(b, a, sizeof a);
    benchmark::DoNotOptimize(b);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(sizeof a));
}
BENCHMARK(BM_MemcpyFrame);

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
