// Game time from the browser's animation frames: 60 scene calls a second of
// wall time, whatever the display's refresh rate. Standard C++ only, so the
// native tests check it.
#pragma once

namespace web {

class FrameClock {
 public:
  static constexpr double kPeriodMs = 1000.0 / 60.0;

  // The scene calls due at the animation frame stamped `nowMs`. The first
  // frame after a (re)start is due at once.
  int Advance(double nowMs);
  // Counts afresh from the next Advance: after a pause nothing is caught up.
  void Restart() { started_ = false; }

 private:
  bool started_ = false;
  double last_ = 0;
  double owed_ = 0;  // wall time not yet turned into scene calls
};

}  // namespace web
