#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "base/crc32.h"
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

// The trace's digests: the folding kernel, the table loop and zlib agree at
// every length around the kernel's 16- and 64-byte steps, at any alignment,
// and when a digest is continued.
TEST(Crc32, FoldedTablesAndZlibAgree) {
  EXPECT_EQ(base::Crc32(0, "123456789", 9), 0xCBF43926u);
  std::vector<unsigned char> bytes(4096 + 3);
  std::uint32_t state = 7;
  for (unsigned char& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<unsigned char>(state >> 16);
  }
  for (std::size_t size = 0; size <= 300; ++size) {
    for (std::size_t at = 0; at < 3; ++at) {
      const unsigned char* p = bytes.data() + at;
      const auto start = static_cast<std::uint32_t>(size * 2654435761u);
      const auto expected =
          static_cast<std::uint32_t>(crc32(start, p, static_cast<uInt>(size)));
      ASSERT_EQ(base::Crc32(start, p, size), expected) << size << " " << at;
      ASSERT_EQ(base::Crc32Portable(start, p, size), expected) << size;
    }
  }
  const std::uint32_t whole = base::Crc32(0, bytes.data(), 4096);
  EXPECT_EQ(base::Crc32(base::Crc32(0, bytes.data(), 1000), bytes.data() + 1000,
                        3096),
            whole);
  EXPECT_EQ(whole, static_cast<std::uint32_t>(crc32(0, bytes.data(), 4096)));
}
