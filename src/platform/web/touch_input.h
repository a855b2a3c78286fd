// Fingers on the page become the mouse the game knows. One finger is the
// left button where it lands (a tap is a shot there, at once); a second
// finger while the first is down is the right button, so a two-finger tap
// is the boss key. Once every finger is up, and the game has seen the
// press, the pointer is put far outside the screen, where the game draws no
// cursor: a finger leaves no arrow behind. Standard C++ only, so the native
// tests check it.
#pragma once
#include <cstdint>
#include <vector>

#include "base/platform.h"

namespace web {

class TouchInput {
 public:
  // Where the pointer goes once the fingers are up: -64, -64 as the 16-bit
  // words a window message carries, beyond any picture's reach.
  static constexpr std::uint32_t kAway = 0xFFC0u << 16 | 0xFFC0u;

  // A finger `id` came down, moved or went up (or was taken by the
  // browser) at `position`, a mouse-move message's word. The messages for
  // the game are added to `out`.
  void Down(int id, std::uint32_t position,
            std::vector<platform::Message>& out);
  void Move(int id, std::uint32_t position,
            std::vector<platform::Message>& out);
  void Up(int id, std::vector<platform::Message>& out);

  // After each scene call: true once, when the pointer should now go away.
  bool AwayDue();
  // A real mouse moved: it owns the pointer again.
  void MouseUsed() { awayPending_ = false; }
  bool Touching() const { return first_ >= 0 || second_ >= 0; }

 private:
  int first_ = -1, second_ = -1;  // the fingers that are buttons
  bool awayPending_ = false;
};

}  // namespace web
