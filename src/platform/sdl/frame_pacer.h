// Game time is wall time: a scene call every sixtieth of a second, whatever
// the display does. When a frame cannot be shown in time its present is
// dropped, never its scene call. The clock decides; vsync, where the display
// has it, only keeps the picture from tearing, and is kept only while the
// presents it paces really come sixty times a second.
#pragma once
#include <cstdint>

namespace platform {

class FramePacer {
 public:
  using Nanos = std::int64_t;
  static constexpr Nanos kSecond = 1'000'000'000;
  static constexpr int kRate = 60;
  // Further behind than this (a stall, a dragged window, a suspended
  // machine) the count starts afresh instead of racing to catch up.
  static constexpr Nanos kMaxLag = kSecond;

  // Counts afresh: the next scene call is due at once, and its frame is
  // shown whenever it is done; time counts from then.
  void Restart(Nanos now);
  // The time the next scene call is due (between FrameDone and the call).
  Nanos NextDue() const { return Due(frame_); }

  // After a scene call: true when its frame can still be shown before the
  // next scene call is due; false when it is to be dropped.
  bool ShouldPresent(Nanos now) const;
  // After the frame was presented (finishing at `now`) or dropped.
  void FrameDone(Nanos now, bool presented, bool vsync);

  // False once the presents paced by vsync have been measured to come at
  // another rate than sixty a second (checked every kWindow scene calls).
  bool VsyncTrusted() const { return vsyncTrusted_; }
  // The interval the last measurement found, in nanoseconds (0: none yet).
  Nanos MeasuredInterval() const { return measured_; }

  static constexpr int kWindow = 120;

 private:
  void Measure(Nanos now, bool presented);
  Nanos Due(std::int64_t frame) const {
    return base_ + frame * kSecond / kRate;
  }

  Nanos base_ = 0;
  // Counted from base_: the scene call due next, or, between that call and
  // FrameDone, the one just made.
  std::int64_t frame_ = 0;
  // Finish times of consecutive presents, to measure vsync's pace.
  Nanos lastFinish_ = -1;
  Nanos intervals_[kWindow] = {};
  int samples_ = 0;
  int windowScenes_ = 0, windowPresents_ = 0;
  Nanos measured_ = 0;
  bool vsyncTrusted_ = true;
  bool first_ = true;
};

}  // namespace platform
