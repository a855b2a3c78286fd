// Window messages on their way to the frame loop, in every back end that
// has a player's mouse (the desktop and the page).
//
// A press and its release that both arrive between two scene calls would
// cancel out before any scene saw the press (tools, macro keys and remote
// desktops click like that). So a release whose press was let through since
// the last scene call is held, with whatever follows it for the same button,
// until after the next scene call: the scene sees the press exactly as it
// would see a slower click.
#pragma once
#include <cstddef>
#include <deque>

#include "base/platform.h"

namespace platform {

class InputQueue {
 public:
  // A move after a move replaces it (the frame loop would only overwrite
  // the position); past a generous limit, further moves are dropped, never
  // clicks or keys.
  void Push(const Message& m);
  bool Pop(Message& out);
  bool Empty() const { return ready_.empty(); }
  // After every scene call: what was held goes on its way.
  void SceneCalled();
  void Clear();
  std::size_t Size() const { return ready_.size() + held_.size(); }

 private:
  std::deque<Message> ready_, held_;
  bool pressedSinceScene_[2] = {false, false};  // left, right
};

}  // namespace platform
