// The copy kernels and whole play frames, timed with the standard clock
// alone, so that the same program runs natively and as wasm under node
// (where Google Benchmark is not to be had). Prints one line per case:
// microseconds per run, the median and the best of batches of about 20 ms
// over a second (on a shared machine the best is the steadier figure).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "play_field.h"
#include "video/present.h"
#include "video/video.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double median, best;
};

template <class F>
Timing MicrosecondsPer(F&& run) {
  run();
  long batch = 1;
  for (;;) {
    const Clock::time_point start = Clock::now();
    for (long i = 0; i < batch; ++i) run();
    if (Clock::now() - start > std::chrono::milliseconds(20)) break;
    batch *= 2;
  }
  std::vector<double> each;
  const Clock::time_point end = Clock::now() + std::chrono::seconds(1);
  while (Clock::now() < end || each.size() < 5) {
    const Clock::time_point start = Clock::now();
    for (long i = 0; i < batch; ++i) run();
    const std::chrono::duration<double, std::micro> spent =
        Clock::now() - start;
    each.push_back(spent.count() / static_cast<double>(batch));
  }
  std::sort(each.begin(), each.end());
  return {each[each.size() / 2], each.front()};
}

volatile std::uint32_t sink;

void Report(const char* name, int level, Timing t) {
  std::printf("%-36s level %d  median %8.1f us  best %8.1f us\n", name, level,
              t.median, t.best);
}

}  // namespace

int main() {
  using namespace video;
  const int best = SetBlitLevel(-1);
  for (int level = 0; level <= best; level += best ? best : 1) {
    SetBlitLevel(level);
    SetPresentLevel(level == 0 ? 0 : -1);

    bench::LoadGameSheet();
    const std::vector<bench::Sprite> sprites = bench::ScatteredSprites();
    Report("1024 keyed 64 x 64 sprites", level, MicrosecondsPer([&] {
             for (const bench::Sprite& s : sprites) {
               BlitSheet(s.dst, s.src, kModeKeyed, 0);
             }
             sink = BackSurface->pixels[0];
           }));

    BlitSheet({0, 0, 640, 480}, {0, 1000, 640, 1480}, kModeOpaque, 0);
    static std::uint32_t out[640 * 480];
    Report("640 x 480 frame to 32-bit pixels", level, MicrosecondsPer([&] {
             ConvertFrame(BackSurface->pixels, BackSurface->pitch, 640, 480,
                          DisplayPalette.entries, out);
             sink = out[0];
           }));

    for (const bool full : {false, true}) {
      bench::PrepareField(full);
      Report(
          full ? "play frame, all 512 records live" : "play frame, ten enemies",
          level, MicrosecondsPer([] {
            bench::RestoreField();
            bench::PlayFrame();
            sink = BackSurface->pixels[0];
          }));
    }
  }
  SetBlitLevel(-1);
  SetPresentLevel(-1);
  return 0;
}
