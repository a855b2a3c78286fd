#include "platform/system/input_queue.h"

namespace platform {

namespace {

// A page or a window that stops taking input for a while (a long stall)
// keeps its clicks and keys; only moves are dropped beyond this.
constexpr std::size_t kMoveLimit = 1024;

// 0 for the left button, 1 for the right, -1 for anything else.
int Button(const Message& m) {
  switch (m.type) {
    case MsgType::LButtonDown:
    case MsgType::LButtonUp:
      return 0;
    case MsgType::RButtonDown:
    case MsgType::RButtonUp:
      return 1;
    default:
      return -1;
  }
}

bool IsRelease(const Message& m) {
  return m.type == MsgType::LButtonUp || m.type == MsgType::RButtonUp;
}

}  // namespace

void InputQueue::Push(const Message& m) {
  const int b = Button(m);
  if (m.type == MsgType::MouseMove) {
    if (!ready_.empty() && ready_.back().type == MsgType::MouseMove) {
      ready_.back() = m;
      return;
    }
    if (Size() >= kMoveLimit) return;
  }
  if (b < 0) {
    ready_.push_back(m);
    return;
  }
  bool heldBefore = false;
  for (const Message& h : held_) heldBefore = heldBefore || Button(h) == b;
  if (heldBefore || (IsRelease(m) && pressedSinceScene_[b])) {
    held_.push_back(m);
    return;
  }
  if (!IsRelease(m)) pressedSinceScene_[b] = true;
  ready_.push_back(m);
}

bool InputQueue::Pop(Message& out) {
  if (ready_.empty()) return false;
  out = ready_.front();
  ready_.pop_front();
  return true;
}

void InputQueue::SceneCalled() {
  pressedSinceScene_[0] = pressedSinceScene_[1] = false;
  std::deque<Message> held;
  held.swap(held_);
  for (const Message& m : held) Push(m);
}

void InputQueue::Clear() {
  ready_.clear();
  held_.clear();
  pressedSinceScene_[0] = pressedSinceScene_[1] = false;
}

}  // namespace platform
