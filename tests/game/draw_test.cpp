// Depth sorting and drawing on a synthetic sheet.
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/random.h"
#include "game/actors.h"
#include "game/gameplay.h"
#include "game_fixture.h"

namespace gametest {
namespace {

using game::ActorPool;

class Drawing : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    // Index 100 + row in every enemy direction row, 10 + d in digit d, and
    // a distinct index in every other picture the field uses.
    for (int block = 0; block < 3; ++block) {
      for (int row = 1; row <= 8; ++row) {
        FillSheet(
            {0, block * 512 + (row - 1) * 64, 512, block * 512 + row * 64},
            static_cast<u8>(100 + 10 * block + row));
      }
    }
    for (int d = 0; d < 10; ++d) {
      FillSheet({256 + 32 * d, 1920, 288 + 32 * d, 1952},
                static_cast<u8>(10 + d));
    }
    FillSheet({256, 1984, 320, 2048}, kShadow);
    FillSheet({0, 1984, 256, 2048}, kMark);
    FillSheet({0, 1920, 256, 1984}, kPuff);
    FillSheet({576, 200, 640, 1500}, kBlast);
    FillSheet({320, 1536, 384, 1568}, 61);
    FillSheet({384, 1536, 416, 1568}, 62);
    FillSheet({384, 1568, 448, 1600}, 63);
  }
  static constexpr u8 kShadow = 200, kMark = 201, kPuff = 202, kBlast = 203;
};

// The topmost and bottommost rows of column x that hold index v.
std::pair<int, int> RowsOf(int x, u8 v) {
  int top = -1, bottom = -1;
  for (int y = 0; y < 480; ++y) {
    if (BackPixel(x, y) == v) {
      if (top < 0) top = y;
      bottom = y;
    }
  }
  return {top, bottom};
}

std::pair<int, int> ColumnsOf(int y, u8 v) {
  int left = -1, right = -1;
  for (int x = 0; x < 640; ++x) {
    if (BackPixel(x, y) == v) {
      if (left < 0) left = x;
      right = x;
    }
  }
  return {left, right};
}

TEST_F(Drawing, NumbersAreRightAlignedLeavingRoomForALabel) {
  game::DrawNumber(448, 0, 0);
  EXPECT_EQ(std::make_pair(384, 415), ColumnsOf(10, 10));
  EXPECT_EQ(std::make_pair(0, 31), RowsOf(400, 10));

  ClearBack();
  game::DrawNumber(448, 100, 107);
  EXPECT_EQ(std::make_pair(320, 351), ColumnsOf(110, 11));
  EXPECT_EQ(std::make_pair(352, 383), ColumnsOf(110, 10));
  EXPECT_EQ(std::make_pair(384, 415), ColumnsOf(110, 17));
  EXPECT_EQ(0, BackPixel(416, 110));
}

TEST_F(Drawing, TheHudShowsEnemiesToComeAndHits) {
  game::EnemiesSpawned = 93;
  game::HitCount = 42;
  game::DrawHud();
  EXPECT_EQ(61, BackPixel(192, 0));
  EXPECT_EQ(std::make_pair(384, 415), ColumnsOf(5, 17));  // 100 - 93
  EXPECT_EQ(std::make_pair(416, 447), ColumnsOf(5, 62));
  EXPECT_EQ(63, BackPixel(255, 447));
  EXPECT_EQ(std::make_pair(352, 383), ColumnsOf(420, 14));
  EXPECT_EQ(std::make_pair(384, 415), ColumnsOf(420, 12));
  EXPECT_EQ(std::make_pair(416, 447), ColumnsOf(420, 62));
}

TEST_F(Drawing, DirectionRowsFollowTheHeading) {
  struct Case {
    i32 heading, row;
  } cases[] = {{0, 1},   {63, 1},  {64, 2},  {191, 2}, {192, 3},
               {447, 4}, {448, 5}, {575, 5}, {576, 6}, {704, 7},
               {831, 7}, {832, 8}, {959, 8}, {960, 1}, {1023, 1}};
  for (const Case& c : cases) {
    for (i32 kind : {game::WalkerOne, game::WalkerTwo, game::Flyer}) {
      ClearBack();
      game::Actor& a = PlaceWalker(0, 320.0f, 240.0f, kind);
      a.heading = c.heading;
      a.frame = 3;
      game::DrawActors();
      EXPECT_EQ(100 + 10 * (kind - 1) + c.row, BackPixel(320, 240))
          << "heading " << c.heading << " kind " << kind;
    }
  }
}

TEST_F(Drawing, ShadowsStayOnTheGroundUnderEveryPicture) {
  // A flyer 150 up: its picture over (tx - 32, ty - 182), its shadow on the
  // ground from ty - 40 to ty + 24.
  game::Actor& f = PlaceWalker(0, 200.0f, 300.0f, game::Flyer);
  f.height = 150;
  // A hopping walker; its shadow does not hop.
  game::Actor& w = PlaceWalker(1, 450.0f, 300.0f);
  w.hopPhase = 3 * 73;  // hop 9
  // A walker lower down whose shadow runs under the first walker's picture.
  PlaceWalker(2, 450.0f, 330.0f, game::WalkerTwo);
  // A mark past its fourth picture: shadow only.
  game::Actor& m = ActorPool[3];
  m.active = 1;
  m.kind = game::MissMark;
  m.x = 560.0f;
  m.y = 100.0f;
  m.frame = 5;
  game::DrawActors();

  EXPECT_EQ(std::make_pair(118, 181), RowsOf(200, 125));
  EXPECT_EQ(std::make_pair(260, 323), RowsOf(200, kShadow));
  // The lower walker's shadow (290..353) lies under the upper picture
  // (259..322, lifted 9) and its own (298..361).
  EXPECT_EQ(std::make_pair(259, 297), RowsOf(450, 105));
  EXPECT_EQ(std::make_pair(298, 361), RowsOf(450, 115));
  EXPECT_EQ(-1, RowsOf(450, kShadow).first);
  EXPECT_EQ(std::make_pair(418, 481), ColumnsOf(330, 115));
  EXPECT_EQ(std::make_pair(60, 123), RowsOf(560, kShadow));
  EXPECT_EQ(-1, RowsOf(560, kMark).first);
}

TEST_F(Drawing, EffectsAreDrawnFromTheirPictures) {
  game::Actor& p = ActorPool[0];
  p.active = 1;
  p.kind = game::SmallPuff;
  p.x = 100.0f;
  p.y = 100.0f;
  p.height = 20;
  p.frame = 2;
  game::Actor& b = ActorPool[1];
  b.active = 1;
  b.kind = game::Blast;
  b.x = 300.0f;
  b.y = 300.0f;
  b.frame = 13;
  game::Actor& m = ActorPool[2];
  m.active = 1;
  m.kind = game::MissMark;
  m.x = 500.0f;
  m.y = 100.0f;
  m.frame = 4;
  game::DrawActors();
  EXPECT_EQ(std::make_pair(48, 111), RowsOf(100, kPuff));
  EXPECT_EQ(std::make_pair(250, 349), RowsOf(300, kBlast));
  EXPECT_EQ(std::make_pair(68, 131), RowsOf(500, kMark));
}

TEST_F(Drawing, TheSortIsStableAndMatchesAStableSort) {
  app::SeedRandom(99);
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < game::kPoolSize; ++i) {
      game::Actor& a = ActorPool[i];
      a = game::Actor{};
      a.active = app::Random() & 1;
      // Few distinct keys, so ties are common; a nearly sorted pool in the
      // last round, as it is from one full frame to the next.
      a.y = round < 2 ? static_cast<f32>(app::Random() % 40) - 20.0f
                      : static_cast<f32>(i / 4) + (i % 7 == 0 ? 3.5f : 0.0f);
      a.reserved = i;  // the original order
    }
    std::vector<game::Actor> want(ActorPool, ActorPool + game::kPoolSize);
    std::stable_sort(
        want.begin(), want.end(),
        [](const game::Actor& l, const game::Actor& r) { return l.y < r.y; });
    game::SortActorsByY();
    EXPECT_EQ(0, std::memcmp(want.data(), ActorPool, sizeof ActorPool))
        << "round " << round;
  }
}

}  // namespace
}  // namespace gametest
