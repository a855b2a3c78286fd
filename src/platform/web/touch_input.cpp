#include "platform/web/touch_input.h"

namespace web {

using platform::Message;
using platform::MsgType;

void TouchInput::Down(int id, std::uint32_t position,
                      std::vector<Message>& out) {
  if (first_ < 0 && second_ < 0) {
    first_ = id;
    awayPending_ = false;
    out.push_back({MsgType::MouseMove, 0, position});
    out.push_back({MsgType::LButtonDown, 0, 0});
  } else if (second_ < 0 && id != first_) {
    // The pointer stays with the first finger.
    second_ = id;
    out.push_back({MsgType::RButtonDown, 0, 0});
  }
  // A third finger is nothing.
}

void TouchInput::Move(int id, std::uint32_t position,
                      std::vector<Message>& out) {
  if (id == first_) out.push_back({MsgType::MouseMove, 0, position});
}

void TouchInput::Up(int id, std::vector<Message>& out) {
  if (id == first_) {
    first_ = -1;
    out.push_back({MsgType::LButtonUp, 0, 0});
  } else if (id == second_) {
    second_ = -1;
    out.push_back({MsgType::RButtonUp, 0, 0});
  } else {
    return;
  }
  // The release may wait in the queue until a scene has seen the press
  // (see InputQueue); the pointer goes only after that scene call.
  if (!Touching()) awayPending_ = true;
}

bool TouchInput::AwayDue() {
  if (!awayPending_ || Touching()) return false;
  awayPending_ = false;
  return true;
}

}  // namespace web
