// A fresh program state for every gameplay test, with a synthetic sheet.
#pragma once
#include <gtest/gtest.h>

#include "app/types.h"
#include "game/actors.h"
#include "video/video.h"

namespace gametest {

class GameTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// The generator as the game defines it, for following the order of draws.
struct Lcg {
  u32 state;
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
};

// A live walker standing still at (x, y), steering for a point far away.
game::Actor& PlaceWalker(int slot, f32 x, f32 y, i32 kind = game::WalkerOne);

// Fills a sheet rectangle with one palette index.
void FillSheet(video::Rect r, u8 index);
u8 BackPixel(int x, int y);
void ClearBack();

// How many live records of a kind.
int CountLive(i32 kind);

}  // namespace gametest
