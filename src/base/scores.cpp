#include "base/scores.h"

#include <cstdio>
#include <string>
#include <utility>

#include "base/bytes.h"
#include "base/platform.h"

namespace base {

u32 HighScores[10];
TS_SETTINGS(TS_DEFINE_GLOBAL)

namespace {
std::string scoreFilePath = kScoreFileName;
}

const char* ScoreFilePath() { return scoreFilePath.c_str(); }
void SetScoreFilePath(std::string path) { scoreFilePath = std::move(path); }

void ResetScores() {
  for (u32& s : HighScores) s = 0;
  TS_SETTINGS(TS_RESTART_GLOBAL)
}

std::vector<u8> EncodeScoreFile() {
  // The logical record: ten scores, two bytes of settings, then BonusMode
  // at offset 42, unaligned.
  u8 record[kScoreRecordSize];
  for (int i = 0; i < 10; ++i) StoreLe32(record + 4 * i, HighScores[i]);
  record[40] = DetailLevel;
  record[41] = Difficulty;
  StoreLe32(record + 42, BonusMode);

  // The file was always written as a text stream: every 0x0A went to disk as
  // 0x0D 0x0A. Files in the wild look like that, so ours do too.
  std::vector<u8> out;
  out.reserve(kScoreRecordSize + 8);
  for (u8 b : record) {
    if (b == 0x0A) out.push_back(0x0D);
    out.push_back(b);
  }
  return out;
}

void DecodeScoreFile(const u8* bytes, std::size_t size) {
  u8 record[kScoreRecordSize];
  std::size_t have = 0;
  for (std::size_t i = 0; i < size && have < kScoreRecordSize; ++i) {
    if (bytes[i] == 0x0D && i + 1 < size && bytes[i + 1] == 0x0A) continue;
    record[have++] = bytes[i];
  }
  // A field is taken only when all of its bytes are there; the rest keep the
  // values they had.
  for (std::size_t i = 0; i < 10; ++i) {
    if (have >= 4 * i + 4) HighScores[i] = LoadLe32(record + 4 * i);
  }
  if (have >= 41) DetailLevel = record[40];
  if (have >= 42) Difficulty = record[41];
  if (have >= 46) BonusMode = LoadLe32(record + 42);
}

namespace {

// The record is 46 bytes (at most 92 stored); a larger file is read only as
// far as the record goes.
constexpr std::size_t kReadLimit = 128;

bool ReadScoreFile(std::vector<u8>& bytes) {
  return platform::Current()->ReadFile(ScoreFilePath(), kReadLimit, bytes) ==
         platform::ReadResult::Read;
}

}  // namespace

void LoadScores() {
  std::vector<u8> bytes;
  if (!ReadScoreFile(bytes)) {
    SaveScores();
    if (!ReadScoreFile(bytes)) return;
  }
  DecodeScoreFile(bytes.data(), bytes.size());
}

bool SaveScores() {
  // Written beside the old file and put in its place, so a crash or a full
  // disk in the middle of a save never costs the scores already kept.
  std::string error;
  if (platform::Current()->ReplaceFile(ScoreFilePath(), EncodeScoreFile(),
                                       error)) {
    return true;
  }
  std::fprintf(stderr, "TumbleSquash: could not save \"%s\": %s\n",
               ScoreFilePath(), error.c_str());
  return false;
}

}  // namespace base
