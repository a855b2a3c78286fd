#include "platform/web/frame_clock.h"

namespace web {

namespace {
// Animation frames arrive with a little jitter; a call that is nearly due is
// run now rather than in the next frame, and the time it borrowed is paid
// back later, so the rate stays exact on average.
constexpr double kEarlyMs = 4.0;
// Further behind than this (a stall, a debugger, a slow machine's hiccup):
// start afresh instead of racing through the backlog.
constexpr double kMaxOwedMs = 250.0;
}  // namespace

int FrameClock::Advance(double nowMs) {
  if (!started_) {
    started_ = true;
    last_ = nowMs;
    owed_ = 0;
    return 1;
  }
  double elapsed = nowMs - last_;
  last_ = nowMs;
  if (elapsed < 0) elapsed = 0;
  owed_ += elapsed;
  if (owed_ > kMaxOwedMs) owed_ = kPeriodMs;
  int calls = 0;
  while (owed_ >= kPeriodMs - kEarlyMs) {
    owed_ -= kPeriodMs;
    ++calls;
  }
  return calls;
}

}  // namespace web
