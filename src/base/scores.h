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

// Sets the three settings to their defaults and zeroes the table.
void ResetScores();

// Reads the file over the globals; a missing file is first written with
// what the globals hold.
void LoadScores();
// Replaces the file in one step; false (and a message on stderr) when it
// could not be written. The game goes on either way.
bool SaveScores();

// The record as stored on disk, line ends translated as a text stream does.
std::vector<u8> EncodeScoreFile();
// Reads a stored record over the globals; fields past a short file's end keep
// their values.
void DecodeScoreFile(const u8* bytes, std::size_t size);

}  // namespace base
