// Window messages on their way to the frame loop.
//
// A press and its release that both arrive between two scene calls would
// cancel out before any scene saw the press (tools, macro keys and remote
// desktops click like that). So a release whose press was let through since
// the last scene call is held, with whatever follows it for the same button,
// until after the next scene call: the scene sees the press exactly as it
// would see a slower click.
#pragma once
#include <deque>

#include "base/platform.h"

namespace platform {

class InputQueue {
 public:
  void Push(const Message& m);
  bool Pop(Message& out);
  bool Empty() const { return ready_.empty(); }
  // After every scene call: what was held goes on its way.
  void SceneCalled();
  void Clear();

 private:
  std::deque<Message> ready_, held_;
  bool pressedSinceScene_[2] = {false, false};  // left, right
};

}  // namespace platform
