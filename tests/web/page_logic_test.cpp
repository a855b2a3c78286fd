// The web back end's own rules, which need no browser: game time from
// animation frames and the pointer's pixel. (Its click queue is the desktop's,
// tested with it.)
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/web/frame_clock.h"
#include "platform/web/page_geometry.h"

namespace {

// Scene calls over `seconds` of animation frames at `hz`, with the small
// jitter real frames have; also the most calls any one frame asked for.
struct Calls {
  int calls = 0, most = 0;
};
Calls Drive(web::FrameClock& clock, double hz, double seconds,
            double start = 0) {
  Calls run;
  const int frames = static_cast<int>(std::lround(hz * seconds));
  for (int i = 0; i <= frames; ++i) {
    const double jitter = (i % 3 == 1) ? 0.6 : (i % 3 == 2 ? -0.6 : 0);
    const int n = clock.Advance(start + i * 1000.0 / hz + jitter);
    run.calls += n;
    run.most = std::max(run.most, n);
  }
  return run;
}

TEST(FrameClock, SixtyCallsASecondAtEveryRefreshRate) {
  for (const double hz : {60.0, 59.94, 75.0, 120.0, 144.0, 165.0, 50.0, 30.0}) {
    web::FrameClock clock;
    const Calls run = Drive(clock, hz, 10);
    EXPECT_NEAR(run.calls, 600, 2) << hz << " Hz";
    // One call per animation frame wherever the display is fast enough;
    // on a slow one, about as many as fit in its frame.
    if (hz >= 59) {
      EXPECT_EQ(run.most, 1) << hz << " Hz";
    } else {
      EXPECT_LE(run.most, std::ceil(60 / hz) + 1) << hz << " Hz";
    }
  }
}

TEST(FrameClock, StallsAndPausesAreNotCaughtUp) {
  web::FrameClock clock;
  Drive(clock, 60, 1);
  // Two seconds without animation frames: a few calls, not 120.
  EXPECT_LE(clock.Advance(1000 + 2000), 2);
  EXPECT_EQ(clock.Advance(3000 + 1000.0 / 60), 1);
  // Back from a hidden tab: one call at once, then the usual rate.
  clock.Restart();
  EXPECT_EQ(clock.Advance(50000), 1);
  EXPECT_EQ(clock.Advance(50000 + 1000.0 / 120), 0);
  EXPECT_EQ(clock.Advance(50000 + 1000.0 / 60), 1);
  // A clock that goes backwards never makes calls of its own.
  EXPECT_EQ(clock.Advance(40000), 0);
}

TEST(FrameClock, APressRunsANearCallAtOnceAndTheRateStays) {
  web::FrameClock clock;
  int calls = 0;
  const double period = web::FrameClock::kPeriodMs;
  calls += clock.Advance(0);
  // Presses 10 ms into every frame: the call due 6.7 ms later runs at the
  // press; the animation frame that follows (stamped before the press)
  // has nothing left to run.
  for (int i = 1; i <= 600; ++i) {
    const int frame = clock.Advance(i * period);
    const int press =
        clock.Advance(i * period + 10, web::FrameClock::kPressEarlyMs);
    if (i > 1) {
      EXPECT_EQ(frame, 0) << i;
      EXPECT_EQ(press, 1) << i;
    }
    calls += frame + press;
  }
  EXPECT_NEAR(calls, 601, 2);
  // A press just after a frame's call waits for the next frame.
  web::FrameClock other;
  other.Advance(0);
  EXPECT_EQ(other.Advance(period), 1);
  EXPECT_EQ(other.Advance(period + 3, web::FrameClock::kPressEarlyMs), 0);
}

TEST(ScreenPosition, EveryPixelExactlyAndClampedOutside) {
  // The screen at scale 2, 60 CSS pixels in from the left, 20 from the top;
  // and at 1.5 CSS pixels per game pixel (scale 3 at a pixel ratio of 2).
  for (const web::ScreenRect r : {web::ScreenRect{60, 20, 1280, 960},
                                  web::ScreenRect{10.5, 0, 960, 720}}) {
    const double step = r.width / 640;
    for (int x = 0; x < 640; x += 7) {
      for (const double within : {0.01, 0.5, 0.99}) {
        const double px = r.left + (x + within) * step;
        const double py = r.top + (x * 479 / 639 + within) * step;
        EXPECT_EQ(web::ScreenPosition(px, py, r),
                  std::uint32_t(x * 479 / 639) << 16 | std::uint32_t(x));
      }
    }
    EXPECT_EQ(web::ScreenPosition(r.left - 30, r.top - 1, r), 0u);
    EXPECT_EQ(web::ScreenPosition(r.left + r.width + 500, r.top + r.height, r),
              479u << 16 | 639u);
  }
  // A screen not laid out yet has no size: the corner, never a division by 0.
  EXPECT_EQ(web::ScreenPosition(300, 200, {0, 0, 0, 0}), 0u);
}

}  // namespace
