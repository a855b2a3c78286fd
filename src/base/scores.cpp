#include "base/scores.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "base/bytes.h"
#include "base/platform.h"
#include "base/say.h"

namespace base {

u32 HighScores[10];
TS_SETTINGS(TS_DEFINE_GLOBAL)

namespace {
std::string scoreFilePath = kScoreFileName;
}

const char* ScoreFilePath() { return scoreFilePath.c_str(); }
void SetScoreFilePath(std::string path) { scoreFilePath = std::move(path); }

namespace {

// The record is 46 bytes (at most 92 stored); a larger file is read only as
// far as the record goes.
constexpr std::size_t kReadLimit = 128;

struct Record {
  u32 scores[10];
  u8 detailLevel;
  u8 difficulty;
  u32 bonusMode;
};

// The table as this instance last read or wrote it. A short file read again
// leaves the rest of the table at these values, as it left the globals.
u32 knownScores[10];
// The totals recorded since, in order: a save enters these, and only these,
// into the table it finds in the file.
std::vector<i32> recordedTotals;
// Set when the file was there at start-up but could not be read: whatever
// it holds is not ours to write over.
bool leaveFileAlone = false;
// Set when a save found another instance saving: what it carried goes into
// the next save, or into the last try as the game ends.
bool savePutOff = false;

Record FromGlobals() {
  Record r;
  std::copy(HighScores, HighScores + 10, r.scores);
  r.detailLevel = DetailLevel;
  r.difficulty = Difficulty;
  r.bonusMode = BonusMode;
  return r;
}

void ToGlobals(const Record& r) {
  std::copy(r.scores, r.scores + 10, HighScores);
  DetailLevel = r.detailLevel;
  Difficulty = r.difficulty;
  BonusMode = r.bonusMode;
}

std::vector<u8> Encode(const Record& r) {
  // The logical record: ten scores, two bytes of settings, then BonusMode
  // at offset 42, unaligned.
  u8 record[kScoreRecordSize];
  for (int i = 0; i < 10; ++i) StoreLe32(record + 4 * i, r.scores[i]);
  record[40] = r.detailLevel;
  record[41] = r.difficulty;
  StoreLe32(record + 42, r.bonusMode);

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

// The record's bytes as far as they go (at most kScoreRecordSize).
std::size_t Decode(const u8* bytes, std::size_t size, Record& r) {
  u8 record[kScoreRecordSize];
  std::size_t have = 0;
  for (std::size_t i = 0; i < size && have < kScoreRecordSize; ++i) {
    if (bytes[i] == 0x0D && i + 1 < size && bytes[i + 1] == 0x0A) continue;
    record[have++] = bytes[i];
  }
  // A field is taken only when all of its bytes are there; the rest keep the
  // values they had.
  for (std::size_t i = 0; i < 10; ++i) {
    if (have >= 4 * i + 4) r.scores[i] = LoadLe32(record + 4 * i);
  }
  if (have >= 41) r.detailLevel = record[40];
  if (have >= 42) r.difficulty = record[41];
  if (have >= 46) r.bonusMode = LoadLe32(record + 42);
  return have;
}

void RememberTable() {
  std::copy(HighScores, HighScores + 10, knownScores);
  recordedTotals.clear();
}

void LeaveAlone(platform::ReadResult why) {
  leaveFileAlone = true;
  base::Say(
      "\"%s\" %s; playing with the default scores and leaving the file as it "
      "is",
      ScoreFilePath(),
      why == platform::ReadResult::NotRegular ? "is not a regular file"
                                              : "is there but cannot be read");
}

bool Failed(const char* what, const std::string& error) {
  base::Say("could not %s \"%s\": %s", what, ScoreFilePath(), error.c_str());
  return false;
}

// Under the lock: read the file again, bring this instance's news into it,
// put it back. With `creating`, a file that another instance made since
// the first look is taken as it is.
bool Store(bool creating, platform::LockWait wait) {
  const char* what = creating ? "create" : "save";
  platform::Platform& p = *platform::Current();
  std::string error;
  bool busy = false;
  const std::unique_ptr<platform::FileLock> lock =
      p.LockFile(ScoreFilePath(), wait, busy, error);
  if (!lock) {
    if (!busy) return Failed(what, error);
    // Never waited for in the frame loop: the news stay for the next save
    // (another instance making the file needs nothing from us).
    savePutOff = !creating;
    return Failed(what, error + (creating ? "; it is made at the next save"
                                          : "; trying again at the next save"));
  }
  savePutOff = false;

  std::vector<u8> bytes;
  Record record = FromGlobals();
  switch (p.ReadFile(ScoreFilePath(), kReadLimit, bytes)) {
    case platform::ReadResult::Read:
      if (creating) {
        DecodeScoreFile(bytes.data(), bytes.size());
        RememberTable();
        return true;
      }
      // The table as it is now, then this instance's news; the settings
      // stay ours.
      std::copy(knownScores, knownScores + 10, record.scores);
      Decode(bytes.data(), bytes.size(), record);
      record.detailLevel = DetailLevel;
      record.difficulty = Difficulty;
      record.bonusMode = BonusMode;
      for (i32 total : recordedTotals) EnterScore(record.scores, total);
      break;
    case platform::ReadResult::Missing:
      // Nothing to bring together: the file is made from what is shown.
      break;
    case platform::ReadResult::Unreadable:
      return Failed(what, "it is there but cannot be read");
    case platform::ReadResult::NotRegular:
      return Failed(what, "it is not a regular file");
  }
  if (!p.ReplaceFile(ScoreFilePath(), Encode(record), error)) {
    return Failed(what, error);
  }
  ToGlobals(record);
  RememberTable();
  return true;
}

}  // namespace

void ResetScores() {
  for (u32& s : HighScores) s = 0;
  TS_SETTINGS(TS_RESTART_GLOBAL)
  std::fill(knownScores, knownScores + 10, 0u);
  recordedTotals.clear();
  leaveFileAlone = false;
  savePutOff = false;
}

std::vector<u8> EncodeScoreFile() { return Encode(FromGlobals()); }

void DecodeScoreFile(const u8* bytes, std::size_t size) {
  Record r = FromGlobals();
  Decode(bytes, size, r);
  ToGlobals(r);
}

void EnterScore(u32 (&table)[10], i32 total) {
  for (int i = 0; i < 10; ++i) {
    if (total > static_cast<i32>(table[i])) {
      table[9] = static_cast<u32>(total);
      break;
    }
  }
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (int i = 0; i < 9; ++i) {
      if (static_cast<i32>(table[i]) < static_cast<i32>(table[i + 1])) {
        std::swap(table[i], table[i + 1]);
        swapped = true;
      }
    }
  }
}

void RecordTotal(i32 total) {
  EnterScore(HighScores, total);
  recordedTotals.push_back(total);
}

void LoadScores() {
  std::vector<u8> bytes;
  const platform::ReadResult result =
      platform::Current()->ReadFile(ScoreFilePath(), kReadLimit, bytes);
  switch (result) {
    case platform::ReadResult::Read:
      DecodeScoreFile(bytes.data(), bytes.size());
      RememberTable();
      break;
    case platform::ReadResult::Missing:
      Store(true, platform::LockWait::No);
      break;
    case platform::ReadResult::Unreadable:
    case platform::ReadResult::NotRegular:
      LeaveAlone(result);
      break;
  }
}

bool SaveScores() {
  if (leaveFileAlone) {
    base::Say(
        "not saving \"%s\": it could not be read at start-up, so it is left as "
        "it is",
        ScoreFilePath());
    return false;
  }
  return Store(false, platform::LockWait::No);
}

bool FinishScores() {
  if (!savePutOff || leaveFileAlone) return true;
  return Store(false, platform::LockWait::AFewSeconds);
}

bool IsScoreFile(const u8* bytes, std::size_t size) {
  Record r{};
  if (Decode(bytes, size, r) != kScoreRecordSize) return false;
  // Exactly as the game writes it, line ends and all...
  const std::vector<u8> again = Encode(r);
  if (again.size() != size || !std::equal(again.begin(), again.end(), bytes)) {
    return false;
  }
  // ...and a table the game could have made: best first.
  for (int i = 0; i < 9; ++i) {
    if (static_cast<i32>(r.scores[i]) < static_cast<i32>(r.scores[i + 1])) {
      return false;
    }
  }
  return true;
}

}  // namespace base
