#include <gtest/gtest.h>

#include "base/random.h"
#include "base/trig.h"

using namespace base;

TEST(TrigTables, ValuesAtTheQuarterTurns) {
  BuildTrigTables();
  EXPECT_EQ(SineTable[0], 0.0f);
  EXPECT_EQ(CosineTable[0], 1.0f);
  EXPECT_EQ(SineTable[256], 1.0f);
  EXPECT_EQ(SineTable[768], -1.0f);
  EXPECT_EQ(CosineTable[512], -1.0f);
  // The ten-digit pi leaves these tiny but not zero.
  for (float v : {SineTable[512], CosineTable[256], CosineTable[768]}) {
    EXPECT_NE(v, 0.0f);
    EXPECT_LT(std::abs(v), 1e-8f);
  }
}

TEST(Random, SequenceForASeed) {
  SeedRandom(1);
  // state = state * 214013 + 2531011; each draw is bits 16..30.
  EXPECT_EQ(Random(), 41);
  EXPECT_EQ(Random(), 18467);
  EXPECT_EQ(Random(), 6334);
  SeedRandom(0xFFFFFFFFu);
  const u32 expected = 0xFFFFFFFFu * 214013u + 2531011u;
  const int draw = Random();
  EXPECT_EQ(RandomState, expected);
  EXPECT_EQ(draw, static_cast<int>((expected >> 16) & 0x7FFF));
  EXPECT_GE(draw, 0);
  EXPECT_LE(draw, 32767);
}
