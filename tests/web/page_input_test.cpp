// Fingers as the game's mouse: a tap shoots where it lands however fast it
// is, a second finger is the right button, and once the fingers are up the
// pointer leaves the screen only after the game has seen the press.
#include <gtest/gtest.h>

#include <vector>

#include "platform/system/input_queue.h"
#include "platform/web/touch_input.h"

namespace {

using platform::Message;
using platform::MsgType;

constexpr std::uint32_t At(std::uint32_t x, std::uint32_t y) {
  return y << 16 | x;
}

// The page's queue and fingers, and what each scene call sees, as the web
// platform runs them: every waiting message before a scene, then the
// queue's after-scene step, then the pointer sent away if it is due.
struct Page {
  platform::InputQueue queue;
  web::TouchInput touch;
  std::uint32_t mouse = 0;
  bool left = false, right = false;
  struct Seen {
    std::uint32_t mouse;
    bool left, right;
  };

  void Take(const std::vector<Message>& out) {
    for (const Message& m : out) queue.Push(m);
  }
  Seen Scene() {
    Message m;
    while (queue.Pop(m)) {
      if (m.type == MsgType::MouseMove) mouse = m.lParam;
      if (m.type == MsgType::LButtonDown) left = true;
      if (m.type == MsgType::LButtonUp) left = false;
      if (m.type == MsgType::RButtonDown) right = true;
      if (m.type == MsgType::RButtonUp) right = false;
    }
    const Seen seen{mouse, left, right};
    left = right = false;  // the loop clears the buttons after each scene
    queue.SceneCalled();
    if (touch.AwayDue())
      queue.Push({MsgType::MouseMove, 0, web::TouchInput::kAway});
    return seen;
  }
};

TEST(TouchInput, ATapShootsWhereItLandsThenThePointerGoes) {
  Page page;
  std::vector<Message> out;
  // Down and up between two frames.
  page.touch.Down(7, At(100, 200), out);
  page.touch.Up(7, out);
  page.Take(out);
  Page::Seen first = page.Scene();
  EXPECT_EQ(first.mouse, At(100, 200));
  EXPECT_TRUE(first.left);
  Page::Seen second = page.Scene();
  EXPECT_EQ(second.mouse, web::TouchInput::kAway);
  EXPECT_FALSE(second.left);
  // Far beyond a 640 x 480 picture's reach, in both halves.
  EXPECT_GE(web::TouchInput::kAway & 0xFFFF, 0x8000u);
  EXPECT_GE(web::TouchInput::kAway >> 16, 0x8000u);

  // A held finger keeps the pointer where it is, and moves it.
  out.clear();
  page.touch.Down(8, At(5, 6), out);
  page.Take(out);
  page.Scene();
  out.clear();
  page.touch.Move(8, At(9, 10), out);
  page.Take(out);
  EXPECT_EQ(page.Scene().mouse, At(9, 10));
  EXPECT_EQ(page.Scene().mouse, At(9, 10));
  // A mouse that moves meanwhile owns the pointer: it does not go away.
  out.clear();
  page.touch.Up(8, out);
  page.Take(out);
  page.touch.MouseUsed();
  page.Scene();
  EXPECT_EQ(page.Scene().mouse, At(9, 10));
}

TEST(TouchInput, ASecondFingerIsTheRightButton) {
  Page page;
  std::vector<Message> out;
  page.touch.Down(1, At(300, 300), out);
  page.touch.Down(2, At(20, 20), out);
  page.touch.Down(3, At(40, 40), out);  // a third is nothing
  page.Take(out);
  Page::Seen s = page.Scene();
  EXPECT_TRUE(s.right);
  EXPECT_EQ(s.mouse, At(300, 300));  // the pointer stays with the first
  out.clear();
  page.touch.Move(2, At(50, 50), out);
  page.touch.Up(2, out);
  page.touch.Up(3, out);
  page.Take(out);
  s = page.Scene();
  EXPECT_EQ(s.mouse, At(300, 300));
  EXPECT_FALSE(s.right);
  EXPECT_FALSE(page.touch.AwayDue());  // a finger is still down
  out.clear();
  page.touch.Up(1, out);
  page.Take(out);
  page.Scene();
  EXPECT_EQ(page.Scene().mouse, web::TouchInput::kAway);
  // A two-finger tap between frames is one right click, seen whole.
  out.clear();
  page.touch.Down(4, At(1, 1), out);
  page.touch.Down(5, At(2, 2), out);
  page.touch.Up(5, out);
  page.touch.Up(4, out);
  page.Take(out);
  s = page.Scene();
  EXPECT_TRUE(s.left);
  EXPECT_TRUE(s.right);
  s = page.Scene();
  EXPECT_FALSE(s.right);
  EXPECT_EQ(s.mouse, web::TouchInput::kAway);
}

}  // namespace
