#include <gtest/gtest.h>

#include "../support/null_platform_in_use.h"
#include "../support/work_folder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "base/scores.h"

using namespace base;
namespace fs = std::filesystem;

namespace {

class ScoreFile : public ::testing::Test {
 protected:
  void SetUp() override { ResetScores(); }
  static std::vector<u8> FileBytes() {
    std::ifstream in(kScoreFileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void WriteBytes(const std::vector<u8>& bytes) {
    std::ofstream out(kScoreFileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  testsupport::WorkFolder folder_{"ts_scores", true};
  testsupport::NullPlatformInUse platform_;
};

}  // namespace

TEST_F(ScoreFile, FirstStartCreatesTheDefaults) {
  LoadScores();
  const std::vector<u8> bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 46u);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(bytes[40], 2);
  EXPECT_EQ(bytes[41], 1);
  for (int i = 42; i < 46; ++i) EXPECT_EQ(bytes[i], 0);
  EXPECT_FALSE(fs::exists(std::string(kScoreFileName) + ".tmp"));
}

TEST_F(ScoreFile, LineEndBytesAreTranslatedBothWays) {
  // 10 is a line feed; 2573 = 0x0A0D holds 0D 0A; 26 is the old end-of-file
  // mark. None may change or end the record.
  const u32 scores[10] = {10, 2573, 26, 0x0D0D0A0Au, 0x0A, 7, 0x0D, 0, 0, 1};
  for (int i = 0; i < 10; ++i) HighScores[i] = scores[i];
  DetailLevel = 0x0A;
  Difficulty = 0x1A;
  BonusMode = 0x0A0D0A0Du;
  ASSERT_TRUE(SaveScores());
  const std::vector<u8> bytes = FileBytes();
  std::size_t lineFeeds = 0;
  for (u8 b : EncodeScoreFile()) lineFeeds += b == 0x0A;
  EXPECT_EQ(bytes.size(), 46u + lineFeeds);
  // 2573 is stored 0D 0D 0A 00 00 in place of 0D 0A 00 00.
  EXPECT_EQ(bytes[5], 0x0D);
  EXPECT_EQ(bytes[6], 0x0D);
  EXPECT_EQ(bytes[7], 0x0A);

  ResetScores();
  LoadScores();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(HighScores[i], scores[i]) << i;
  EXPECT_EQ(DetailLevel, 0x0A);
  EXPECT_EQ(Difficulty, 0x1A);
  EXPECT_EQ(BonusMode, 0x0A0D0A0Du);
}

TEST_F(ScoreFile, BonusModeSitsAtOffset42) {
  BonusMode = 0x04030201u;
  ASSERT_TRUE(SaveScores());
  const std::vector<u8> bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 46u);
  EXPECT_EQ(bytes[42], 1);
  EXPECT_EQ(bytes[45], 4);
}

TEST_F(ScoreFile, AShortFileLeavesTheRestAsItWas) {
  std::vector<u8> bytes(9, 0);
  bytes[0] = 5;  // HighScores[0] = 5, HighScores[1] = 0, one stray byte
  bytes[8] = 0x77;
  WriteBytes(bytes);
  HighScores[2] = 99;
  DetailLevel = 1;
  LoadScores();
  EXPECT_EQ(HighScores[0], 5u);
  EXPECT_EQ(HighScores[1], 0u);
  EXPECT_EQ(HighScores[2], 99u);  // only one of its four bytes was there
  EXPECT_EQ(DetailLevel, 1);
  EXPECT_EQ(FileBytes().size(), 9u);  // loading never rewrites a file

  // Around the settings: each is taken only once all its bytes are there.
  const struct {
    std::size_t size;
    u8 detail, difficulty;
    u32 bonus;
  } kCuts[] = {{40, 1, 1, 3}, {41, 7, 1, 3}, {42, 7, 8, 3},
               {45, 7, 8, 3}, {46, 7, 8, 9}, {47, 7, 8, 9}};
  for (const auto& cut : kCuts) {
    bytes.assign(cut.size, 0);
    bytes[40 % cut.size] = 7;
    if (cut.size > 41) bytes[41] = 8;
    if (cut.size > 42) bytes[42] = 9;
    DetailLevel = Difficulty = 1;
    BonusMode = 3;
    DecodeScoreFile(bytes.data(), bytes.size());
    EXPECT_EQ(std::make_tuple(DetailLevel, Difficulty, BonusMode),
              std::make_tuple(cut.detail, cut.difficulty, cut.bonus))
        << cut.size;
  }
}

TEST_F(ScoreFile, AFailedSaveKeepsTheOldFile) {
  HighScores[0] = 1234;
  ASSERT_TRUE(SaveScores());
  const std::vector<u8> before = FileBytes();
  // The temporary file cannot be made (its name is taken by a folder): the
  // save fails and the old scores stay whole.
  fs::create_directory(std::string(kScoreFileName) + ".tmp");
  HighScores[0] = 99;
  EXPECT_FALSE(SaveScores());
  EXPECT_EQ(FileBytes(), before);
  fs::remove(std::string(kScoreFileName) + ".tmp");
  // The rename cannot replace what stands there: nothing is lost and no
  // temporary file is left behind.
  fs::remove(kScoreFileName);
  fs::create_directories(std::string(kScoreFileName) + "/keep");
  EXPECT_FALSE(SaveScores());
  EXPECT_TRUE(fs::exists(std::string(kScoreFileName) + "/keep"));
  EXPECT_FALSE(fs::exists(std::string(kScoreFileName) + ".tmp"));
}
