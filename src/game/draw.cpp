// Drawing of the field's actors in depth order, and of the figures.
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include "base/trig.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "video/sheet_layout.h"
#include "video/video.h"

namespace game {

namespace {

namespace sheet = layout::game;

void Copy(video::Rect dst, video::Rect src) {
  video::BlitSheet(dst, src, video::kModeKeyed, 0);
}

// Direction row 1..8: each covers 128 units of heading centred on a
// multiple of 128, row 1 up, 3 left, 5 down, 7 right.
i32 DirectionRow(i32 heading) {
  return ((((heading & 1023) + 64) >> 7) & 7) + 1;
}

i32 Hop(const Actor& a) {
  return static_cast<i32>(10.0 * base::SineTable[a.hopPhase & 1023]);
}

void DrawPicture(const Actor& a) {
  const i32 tx = static_cast<i32>(a.x);
  const i32 ty = static_cast<i32>(a.y);
  switch (a.kind) {
    case WalkerOne:
    case WalkerTwo:
    case Flyer: {
      const i32 lift = Hop(a) + (a.kind == Flyer ? a.height : 0);
      Copy({tx - 32, ty - 32 - lift, tx + 32, ty + 32 - lift},
           sheet::EnemyCell(a.kind, DirectionRow(a.heading), a.frame));
      break;
    }
    case SmallPuff:
      Copy({tx - 32, ty - 32 - a.height, tx + 32, ty + 32 - a.height},
           sheet::SmallPuffCell(a.frame));
      break;
    case MissMark:
      // Past its fourth picture the mark lingers unseen.
      if (a.frame > 4) break;
      Copy({tx - 32, ty - 32 - a.height, tx + 32, ty + 32 - a.height},
           sheet::MissMarkCell(a.frame));
      break;
    case Blast:
      Copy({tx - 32, ty - 50, tx + 32, ty + 50}, sheet::BlastCell(a.frame));
      break;
    case LargePuff:
      Copy({tx - 64, ty - 64 - a.height, tx + 64, ty + 64 - a.height},
           sheet::LargePuffCell(a.frame));
      break;
    default:
      break;
  }
}

// Byte by byte, which compilers turn into a few vector moves: a copy of
// the whole record becomes a call to copy memory in WebAssembly (three a
// swap, most of the sort's time there).
void SwapRecords(Actor& a, Actor& b) {
  static_assert(std::is_trivially_copyable_v<Actor>);
  auto* p = reinterpret_cast<unsigned char*>(&a);
  auto* q = reinterpret_cast<unsigned char*>(&b);
  for (std::size_t i = 0; i < sizeof(Actor); ++i) {
    const unsigned char t = p[i];
    p[i] = q[i];
    q[i] = t;
  }
}

// The game's sort: bubble passes, each stopping at the last swap of the one
// before (the records beyond it are already in place).
void BubbleByY() {
  int end = kPoolSize - 1;
  while (end > 0) {
    int lastSwap = 0;
    for (int i = 0; i < end; ++i) {
      if (ActorPool[i].y > ActorPool[i + 1].y) {
        SwapRecords(ActorPool[i], ActorPool[i + 1]);
        lastSwap = i;
      }
    }
    end = lastSwap;
  }
}

}  // namespace

// Equal y never swap, so the order that comes out is the stable one by y.
// While every y is a number that order is unique, and taking each record
// left past the greater ones before it gives it with the same swaps and one
// comparison a record more than them, where bubble passes compared the
// whole pool once for every step the farthest record had to go. A y that is
// no number compares false both ways, the outcome then depends on the
// passes, and they are kept for it.
void SortActorsByY() {
  for (const Actor& a : ActorPool) {
    if (a.y != a.y) {
      BubbleByY();
      return;
    }
  }
  for (int i = 1; i < kPoolSize; ++i) {
    for (int j = i; j > 0 && ActorPool[j - 1].y > ActorPool[j].y; --j) {
      SwapRecords(ActorPool[j - 1], ActorPool[j]);
    }
  }
}

void DrawActors() {
  // Shadows stay on the ground and go under every picture.
  for (const Actor& a : ActorPool) {
    if (a.active == 0) continue;
    const i32 tx = static_cast<i32>(a.x);
    const i32 ty = static_cast<i32>(a.y);
    Copy({tx - 32, ty - 40, tx + 32, ty + 24}, sheet::kShadow);
  }
  for (const Actor& a : ActorPool) {
    if (a.active == 0) continue;
    DrawPicture(a);
  }
}

// Right-aligned: the last digit ends 32 pixels left of x, leaving room for a
// label there. The sheet has no minus sign; its place is left blank.
void DrawNumber(i32 x, i32 y, i32 value) {
  char text[16];
  const int n = std::snprintf(text, sizeof text, "%d", value);
  for (int k = 1; k <= n; ++k) {
    const char c = text[n - k];
    if (c < '0' || c > '9') continue;
    const i32 d = c - '0';
    Copy({x - 32 - 32 * k, y, x - 32 * k, y + 32}, sheet::Digit(d));
  }
}

void DrawHud() {
  Copy({192, 0, 256, 32}, sheet::kLeftLabel);
  DrawNumber(448, 0, EnemiesPerGame - EnemiesSpawned);
  Copy({416, 0, 448, 32}, sheet::kCounterIcon);
  Copy({192, 416, 256, 448}, sheet::kHitsLabel);
  DrawNumber(448, 416, HitCount);
  Copy({416, 416, 448, 448}, sheet::kCounterIcon);
}

}  // namespace game
