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
  EXPECT_EQ(Random(), 41);
  EXPECT_EQ(Random(), 18467);
  EXPECT_EQ(Random(), 6334);
  EXPECT_EQ(RandomState, 415139642u);
  // The state wraps round 2^32; a draw leaves out the state's top bit.
  SeedRandom(0xFFFFFFFFu);
  EXPECT_EQ(Random(), 35);
  EXPECT_EQ(RandomState, 2316998u);
  SeedRandom(0x7FFF0000u);
  EXPECT_EQ(Random(), 15401);
}
