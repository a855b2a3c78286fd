#include <gtest/gtest.h>

#include "../support/faulty_platform.h"
#include "../support/null_platform_in_use.h"
#include "../support/stuck_pipe.h"
#include "../support/work_folder.h"

#include <algorithm>
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
  // The names in the folder besides the file and its lock, which are the
  // only ones a save may leave.
  static std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(".")) {
      const std::string name = e.path().filename().string();
      if (name != kScoreFileName &&
          name != std::string(kScoreFileName) + ".lock") {
        names.push_back(name);
      }
    }
    return names;
  }
  static std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  }
  testsupport::WorkFolder folder_{"ts_scores", true};
};

// The stored form of a table and settings, as another instance would write.
std::vector<u8> Stored(std::vector<u32> table, u8 detail = 2) {
  const auto saved = std::make_tuple(
      std::vector<u32>(HighScores, HighScores + 10), DetailLevel);
  std::copy(table.begin(), table.end(), HighScores);
  DetailLevel = detail;
  std::vector<u8> bytes = EncodeScoreFile();
  std::copy(std::get<0>(saved).begin(), std::get<0>(saved).end(), HighScores);
  DetailLevel = std::get<1>(saved);
  return bytes;
}

class ScoreFileOnDisk : public ScoreFile {
 protected:
  testsupport::NullPlatformInUse platform_;
};

}  // namespace

TEST_F(ScoreFileOnDisk, FirstStartCreatesTheDefaults) {
  LoadScores();
  const std::vector<u8> bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 46u);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(bytes[40], 2);
  EXPECT_EQ(bytes[41], 1);
  for (int i = 42; i < 46; ++i) EXPECT_EQ(bytes[i], 0);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ScoreFileOnDisk, LineEndBytesAreTranslatedBothWays) {
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

TEST_F(ScoreFileOnDisk, BonusModeSitsAtOffset42) {
  BonusMode = 0x04030201u;
  ASSERT_TRUE(SaveScores());
  const std::vector<u8> bytes = FileBytes();
  ASSERT_EQ(bytes.size(), 46u);
  EXPECT_EQ(bytes[42], 1);
  EXPECT_EQ(bytes[45], 4);
}

TEST_F(ScoreFileOnDisk, AShortFileLeavesTheRestAsItWas) {
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

TEST_F(ScoreFileOnDisk, AnotherInstancesScoresSurviveOurSave) {
  WriteBytes(Stored({900, 800, 0, 0, 0, 0, 0, 0, 0, 0}));
  LoadScores();
  // Meanwhile another instance in the same folder records 1175 and changes
  // the drawing detail.
  WriteBytes(Stored({1175, 900, 800, 0, 0, 0, 0, 0, 0, 0}, 1));
  RecordTotal(850);
  EXPECT_EQ(HighScores[1], 850u);
  Difficulty = 2;
  ASSERT_TRUE(SaveScores());
  const u32 both[10] = {1175, 900, 850, 800, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(both, both + 10, HighScores));
  EXPECT_EQ(FileBytes(), Stored({1175, 900, 850, 800, 0, 0, 0, 0, 0, 0}, 2));
  ResetScores();
  LoadScores();
  EXPECT_TRUE(std::equal(both, both + 10, HighScores));
  // The settings are the saving instance's: the last save wins.
  EXPECT_EQ(std::make_tuple(DetailLevel, Difficulty), std::make_tuple(2, 2));

  // A second save (the settings page) counts the 850 only once.
  RecordTotal(850);
  ASSERT_TRUE(SaveScores());
  ASSERT_TRUE(SaveScores());
  const u32 twice[10] = {1175, 900, 850, 850, 800, 0, 0, 0, 0, 0};
  ResetScores();
  LoadScores();
  EXPECT_TRUE(std::equal(twice, twice + 10, HighScores));
}

TEST_F(ScoreFileOnDisk, PlantedLinksAreNeverWrittenThrough) {
  // Links at the names a save might use, each to a file of someone else's.
  std::ofstream("victim") << "precious";
  for (const char* name : {"Score.dat.tmp", "Score.dat.tmp-1", "Score.dat~"}) {
    fs::create_symlink(fs::absolute("victim"), name);
  }
  HighScores[0] = 1234;
  ASSERT_TRUE(SaveScores());
  std::ifstream in("victim");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
  EXPECT_TRUE(fs::is_symlink("Score.dat.tmp"));
  ResetScores();
  LoadScores();
  EXPECT_EQ(HighScores[0], 1234u);

  // A link in place of the lock file is not followed either: that save
  // fails, and says so, rather than make a file where the link points.
  fs::remove("Score.dat.lock");
  fs::create_symlink(fs::absolute("elsewhere"), "Score.dat.lock");
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveScores());
  EXPECT_EQ(Lines(testing::internal::GetCapturedStderr()), 1u);
  EXPECT_FALSE(fs::exists("elsewhere"));
}

TEST_F(ScoreFileOnDisk, WhatIsNotAFileIsLeftAloneWithoutWaiting) {
  for (const char* what : {"pipe", "folder"}) {
    SCOPED_TRACE(what);
    std::unique_ptr<testsupport::StuckPipe> pipe;
    if (what == std::string("pipe")) {
      pipe = std::make_unique<testsupport::StuckPipe>(kScoreFileName);
    } else {
      fs::create_directories(std::string(kScoreFileName) + "/keep");
    }
    ResetScores();
    testing::internal::CaptureStderr();
    LoadScores();
    RecordTotal(300);
    EXPECT_FALSE(SaveScores());
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Lines(errors), 2u) << errors;
    EXPECT_NE(errors.find("not a regular file"), std::string::npos);
    if (pipe) {
      EXPECT_FALSE(pipe->Finish()) << "the game waited on the pipe";
      EXPECT_TRUE(fs::is_fifo(kScoreFileName));
    } else {
      EXPECT_TRUE(fs::exists(std::string(kScoreFileName) + "/keep"));
    }
    EXPECT_EQ(DetailLevel, 2);
    EXPECT_TRUE(Leftovers().empty());
    pipe.reset();
    fs::remove_all(kScoreFileName);
  }
}

TEST_F(ScoreFile, AFileThatCannotBeReadIsNeverWrittenOver) {
  const std::vector<u8> theirs = Stored({5000, 4000, 0, 0, 0, 0, 0, 0, 0, 0});
  WriteBytes(theirs);
  testsupport::FaultyPlatform platform;
  platform.unreadable = kScoreFileName;
  testing::internal::CaptureStderr();
  LoadScores();
  EXPECT_EQ(HighScores[0], 0u);  // the defaults
  EXPECT_EQ(DetailLevel, 2);
  // A game's total and the settings page: each save is skipped, and says so.
  RecordTotal(700);
  EXPECT_FALSE(SaveScores());
  DetailLevel = 0;
  EXPECT_FALSE(SaveScores());
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Lines(errors), 3u) << errors;
  EXPECT_NE(errors.find("Score.dat"), std::string::npos);
  EXPECT_EQ(platform.replaces, 0);
  EXPECT_EQ(FileBytes(), theirs);
}

TEST_F(ScoreFile, AFailedSaveKeepsTheOldFileAndTheNewScore) {
  testsupport::FaultyPlatform platform;
  LoadScores();
  const std::vector<u8> before = FileBytes();
  // A full disk: the save fails with one line, the old file stays whole.
  platform.replaceError = "cannot write: No space left on device";
  RecordTotal(640);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(SaveScores());
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Lines(errors), 1u);
  EXPECT_NE(errors.find("No space left"), std::string::npos);
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(HighScores[0], 640u);
  // Once there is room again, the next save still carries the 640.
  platform.replaceError.clear();
  ASSERT_TRUE(SaveScores());
  ResetScores();
  LoadScores();
  EXPECT_EQ(HighScores[0], 640u);
  EXPECT_EQ(HighScores[1], 0u);
  EXPECT_TRUE(Leftovers().empty());
}
