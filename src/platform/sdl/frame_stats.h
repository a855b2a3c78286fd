// TUMBLESQUASH_FPS=1: once a second, one line of what the desktop's frame
// loop did (scene calls and presents a second, the present time, processor
// time a scene call), the moment the first frame was on screen and the
// moment each click was.
#pragma once
#include "platform/os/clock.h"

namespace platform {

class FrameStats {
 public:
  // Counts from now.
  void Restart();
  // After each scene call: its present's time (when it was shown), the
  // scale and pacing it was shown with.
  void SceneDone(os::Nanos presentTime, bool presented, double zoom,
                 bool vsync);
  // A press reached a scene: the next frame shown is reported.
  void ClickSeen() { clickWaiting_ = true; }
  // The game's display starts to open: the first frame reports the time
  // and processor time since.
  void DisplayOpening();

 private:
  os::Nanos start_ = 0;
  int scenes_ = 0, presents_ = 0;
  os::Nanos presentTime_ = 0, presentMax_ = 0;
  os::Nanos cpuStart_ = 0, processCpuStart_ = 0;
  long long totalScenes_ = 0;
  bool clickWaiting_ = false;
  bool firstShown_ = false;
  os::Nanos openedAt_ = 0, openedCpu_ = 0;
};

}  // namespace platform
