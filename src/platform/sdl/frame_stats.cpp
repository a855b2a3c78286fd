#include "platform/sdl/frame_stats.h"

#include <algorithm>
#include <cstdio>

#include "base/say.h"

namespace platform {

void FrameStats::DisplayOpening() {
  openedAt_ = os::MonotonicNow();
  openedCpu_ = os::ProcessCpuTime();
  firstShown_ = false;
}

void FrameStats::Restart() {
  start_ = os::MonotonicNow();
  cpuStart_ = os::ThreadCpuTime();
  processCpuStart_ = os::ProcessCpuTime();
  scenes_ = presents_ = 0;
  presentTime_ = presentMax_ = 0;
}

void FrameStats::SceneDone(os::Nanos presentTime, bool presented, double zoom,
                           bool vsync) {
  ++scenes_;
  if (presented) {
    if (!firstShown_) {
      // For the start-up figure: the start click to the first frame.
      const os::Nanos now = os::MonotonicNow();
      base::Say(
          "first frame shown at %lld, %.1f ms after the display began to "
          "open (CPU %.1f ms)",
          static_cast<long long>(now), double(now - openedAt_) / 1e6,
          double(os::ProcessCpuTime() - openedCpu_) / 1e6);
      firstShown_ = true;
    }
    ++presents_;
    presentTime_ += presentTime;
    presentMax_ = std::max(presentMax_, presentTime);
    if (clickWaiting_) {
      // For the click-to-screen figure: the moment the first frame that saw
      // the press was on screen, on the monotonic clock.
      base::Say("click shown at %lld",
                static_cast<long long>(os::MonotonicNow()));
      clickWaiting_ = false;
    }
  }
  ++totalScenes_;
  const os::Nanos now = os::MonotonicNow();
  if (now - start_ < os::kSecond) return;
  const double seconds = double(now - start_) / 1e9;
  const os::Nanos cpu = os::ThreadCpuTime();
  const os::Nanos processCpu = os::ProcessCpuTime();
  // One line a second; the scene count and the clock at its end let a
  // measurement take the rate over any span of lines.
  base::Say(
      "%.1f scene calls, %.1f presents a second; present %.2f ms (max %.2f); "
      "CPU a scene call %.2f ms (main thread %.2f); %.2fx, %s; scene %lld at "
      "%lld",
      scenes_ / seconds, presents_ / seconds,
      presents_ ? double(presentTime_) / presents_ / 1e6 : 0.0,
      double(presentMax_) / 1e6,
      double(processCpu - processCpuStart_) / scenes_ / 1e6,
      double(cpu - cpuStart_) / scenes_ / 1e6, zoom, vsync ? "vsync" : "timer",
      totalScenes_, static_cast<long long>(now));
  start_ = now;
  cpuStart_ = cpu;
  processCpuStart_ = processCpu;
  scenes_ = presents_ = 0;
  presentTime_ = presentMax_ = 0;
}

}  // namespace platform
