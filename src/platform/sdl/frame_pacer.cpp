#include "platform/sdl/frame_pacer.h"

#include <algorithm>

namespace platform {

void FramePacer::Restart(Nanos now) {
  base_ = now;
  frame_ = 0;
  lastFinish_ = -1;
  first_ = true;
}

bool FramePacer::ShouldPresent(Nanos now) const {
  // Scene call frame_ has just been made; the next is due at Due(frame_ + 1).
  // The first frame after a start is always shown, however long its scene
  // took (the first one reads the pictures).
  return first_ || now < Due(frame_ + 1);
}

void FramePacer::FrameDone(Nanos now, bool presented, bool vsync) {
  if (first_) {
    // A first frame that came late is where time counts from.
    first_ = false;
    ++frame_;
    if (now > Due(frame_)) base_ = now - Due(frame_) + base_;
    return;
  }
  if (vsync) Measure(now, presented);
  lastFinish_ = presented && vsync ? now : -1;
  ++frame_;
  if (now > Due(frame_) + kMaxLag) Restart(now);
}

// Every kWindow scene calls: vsync is trusted while nearly every frame is
// shown and the median time between two shown in a row is a sixtieth of a
// second (give or take 1.5 %: 59.94 Hz displays are fine). A display at
// 63 Hz fails the second test, one at 30 Hz the first.
void FramePacer::Measure(Nanos now, bool presented) {
  ++windowScenes_;
  if (presented) ++windowPresents_;
  if (presented && lastFinish_ >= 0 && samples_ < kWindow) {
    intervals_[samples_++] = now - lastFinish_;
  }
  if (windowScenes_ < kWindow) return;
  bool ok = windowPresents_ * 16 >= windowScenes_ * 15;
  if (samples_ > 0) {
    std::nth_element(intervals_, intervals_ + samples_ / 2,
                     intervals_ + samples_);
    measured_ = intervals_[samples_ / 2];
    const Nanos want = kSecond / kRate;
    ok = ok && measured_ >= want - want / 64 && measured_ <= want + want / 64;
  }
  if (!ok) vsyncTrusted_ = false;
  windowScenes_ = windowPresents_ = samples_ = 0;
}

}  // namespace platform
