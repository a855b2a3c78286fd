#include "platform/web/input_queue.h"

#include <algorithm>
#include <cmath>

namespace web {

namespace {

using platform::Message;
using platform::MsgType;

// A page that stops taking input (a long stall) keeps its clicks and keys;
// only moves are dropped beyond this.
constexpr std::size_t kCapacity = 1024;

// 0 left, 1 right, -1 not a button.
int Button(MsgType type) {
  switch (type) {
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

bool IsRelease(MsgType type) {
  return type == MsgType::LButtonUp || type == MsgType::RButtonUp;
}

}  // namespace

void InputQueue::Push(const Message& message) {
  if (message.type == MsgType::MouseMove) {
    if (!queue_.empty() && queue_.back().type == MsgType::MouseMove) {
      queue_.back() = message;
      return;
    }
    if (queue_.size() >= kCapacity) return;
  }
  queue_.push_back(message);
}

bool InputQueue::Take(Message& out) {
  if (queue_.empty()) return false;
  const Message& next = queue_.front();
  const int button = Button(next.type);
  if (button >= 0) {
    if (IsRelease(next.type)) {
      if (pressed_[button]) return false;
    } else {
      pressed_[button] = true;
    }
  }
  out = next;
  queue_.pop_front();
  return true;
}

void InputQueue::Clear() {
  queue_.clear();
  pressed_[0] = pressed_[1] = false;
}

std::uint32_t ScreenPosition(double x, double y, const ScreenRect& screen) {
  const auto pixel = [](double at, double start, double size, int count) {
    if (!(size > 0)) return 0;
    const double p = std::floor((at - start) * count / size);
    return static_cast<int>(std::clamp(p, 0.0, count - 1.0));
  };
  const std::uint32_t gx = pixel(x, screen.left, screen.width, 640);
  const std::uint32_t gy = pixel(y, screen.top, screen.height, 480);
  return gy << 16 | gx;
}

int WholeScale(double viewWidth, double viewHeight, double devicePixelRatio) {
  if (!(devicePixelRatio > 0)) devicePixelRatio = 1;
  const double fit = std::min(viewWidth * devicePixelRatio / 640,
                              viewHeight * devicePixelRatio / 480);
  return fit >= 2 ? static_cast<int>(std::min(fit, 64.0)) : 1;
}

}  // namespace web
