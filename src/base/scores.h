// "Score.dat": the ten high scores and the three settings.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "base/globals.h"
#include "base/types.h"

// The three settings and their defaults, set before the file is read.
#define TS_SETTINGS(X)  \
  X(u8, DetailLevel, 2) \
  X(u8, Difficulty, 1)  \
  X(u32, BonusMode, 0)

namespace base {

extern u32 HighScores[10];
TS_SETTINGS(TS_DECLARE_GLOBAL)

// The file's own name. Where it is kept is the back end's choice (the
// working folder unless it sets another path before the first load).
inline constexpr const char* kScoreFileName = "Score.dat";
const char* ScoreFilePath();
void SetScoreFilePath(std::string path);
inline constexpr std::size_t kScoreRecordSize = 46;

// Sets the three settings to their defaults, zeroes the table and forgets
// what the file held and what was recorded since.
void ResetScores();

// Reads the file over the globals. Only a missing file is created (with what
// the globals hold); one that is there but cannot be read is reported and
// left alone for the whole run: the game plays with the defaults.
void LoadScores();
// Brings the file up to date; false (and a one-line message on stderr) when
// it could not be written, the old file then kept whole. Another instance of
// the game may have saved since this one read the file: the table is read
// again and only the totals this instance recorded since are entered into
// it, so no one's high score is lost and none is counted twice. The settings
// are this instance's: the last save wins. The game goes on either way.
// Never waits: while another instance is saving, what this save carried
// goes into the next one.
bool SaveScores();
// As the game ends: a save that was put off because another instance was
// saving is tried once more, waiting a few seconds for it if need be (no
// frame is left to show). True when nothing is left unsaved.
bool FinishScores();

// Enters a game's total in a table: when it beats any entry (signed) it
// takes the tenth place, whichever entry it beat; then the table is sorted
// descending, equal entries keeping their order, so a total goes below the
// scores it ties with.
void EnterScore(u32 (&table)[10], i32 total);
// Enters a game's total in HighScores, and in the file at the next save.
void RecordTotal(i32 total);

// The record as stored on disk, line ends translated as a text stream does.
std::vector<u8> EncodeScoreFile();
// Reads a stored record over the globals; fields past a short file's end keep
// their values.
void DecodeScoreFile(const u8* bytes, std::size_t size);
// True only for a whole record exactly as the game writes it, with a table
// the game could have made (best first): what may be taken for a score file
// found elsewhere.
bool IsScoreFile(const u8* bytes, std::size_t size);

}  // namespace base
