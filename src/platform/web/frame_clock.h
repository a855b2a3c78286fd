// Game time from the browser's animation frames: 60 scene calls a second of
// wall time, whatever the display's refresh rate. Standard C++ only, so the
// native tests check it.
#pragma once

namespace web {

class FrameClock {
 public:
  static constexpr double kPeriodMs = 1000.0 / 60.0;

  // A call this near its time runs now rather than in the next frame; the
  // time it borrows is paid back later, so the rate stays exact on average.
  static constexpr double kEarlyMs = 4.0;
  // For a press the margin is wider: the scene that takes the press (and
  // starts a shot's sound) then runs at once in most presses, instead of
  // waiting for the next animation frame.
  static constexpr double kPressEarlyMs = 12.0;

  // The scene calls due at `nowMs` (an animation frame's stamp, or a
  // press), counting those due within `earlyMs`. The first frame after a
  // (re)start is due at once.
  int Advance(double nowMs, double earlyMs = kEarlyMs);
  // Counts afresh from the next Advance: after a pause nothing is caught up.
  void Restart() { started_ = false; }

 private:
  bool started_ = false;
  double last_ = 0;
  double owed_ = 0;  // wall time not yet turned into scene calls
};

}  // namespace web
