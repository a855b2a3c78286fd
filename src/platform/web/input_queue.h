// The page's input on its way to the frame loop, and where the pointer lies
// on the game's screen. Standard C++ only, so the native tests check it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>

#include "base/platform.h"

namespace web {

class InputQueue {
 public:
  // Queues a message from the page. A move after a move replaces it: the
  // frame loop would only overwrite the position anyway.
  void Push(const platform::Message& message);
  // The next message the frame loop may take now. A release whose press was
  // taken since the last scene call waits until after the next one, so a
  // click that began and ended between two frames is still a click.
  bool Take(platform::Message& out);
  // After every scene call.
  void SceneCalled() { pressed_[0] = pressed_[1] = false; }
  void Clear();
  std::size_t size() const { return queue_.size(); }

 private:
  std::deque<platform::Message> queue_;
  bool pressed_[2] = {false, false};  // left, right
};

// The game's screen as the page shows it, in CSS pixels.
struct ScreenRect {
  double left, top, width, height;
};

// The screen pixel under a pointer at (x, y) CSS pixels, clamped to the
// screen, packed as a mouse-move message carries it.
std::uint32_t ScreenPosition(double x, double y, const ScreenRect& screen);

// The largest whole number of device pixels per game pixel at which the
// 640 x 480 screen fits a view of the given CSS size; never below 1.
int WholeScale(double viewWidth, double viewHeight, double devicePixelRatio);

}  // namespace web
