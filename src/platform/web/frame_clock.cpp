#include "platform/web/frame_clock.h"

namespace web {

namespace {
// Further behind than this (a stall, a debugger, a slow machine's hiccup):
// start afresh instead of racing through the backlog.
constexpr double kMaxOwedMs = 250.0;
}  // namespace

int FrameClock::Advance(double nowMs, double earlyMs) {
  if (!started_) {
    started_ = true;
    last_ = nowMs;
    owed_ = 0;
    return 1;
  }
  // A stamp before the last one (an animation frame begun before a press
  // that was handled first) adds no time, and the clock keeps its place.
  if (nowMs > last_) {
    owed_ += nowMs - last_;
    last_ = nowMs;
  }
  if (owed_ > kMaxOwedMs) owed_ = kPeriodMs;
  int calls = 0;
  while (owed_ >= kPeriodMs - earlyMs) {
    owed_ -= kPeriodMs;
    ++calls;
  }
  return calls;
}

}  // namespace web
