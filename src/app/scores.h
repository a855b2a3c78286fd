// "Score.dat": the ten high scores and the three settings.
#pragma once
#include <array>
#include <cstddef>
#include <vector>

#include "app/types.h"

namespace app {

extern u32 HighScores[10];
extern u8 DetailLevel;
extern u8 Difficulty;
extern u32 BonusMode;

inline constexpr const char* kScoreFile = "Score.dat";
inline constexpr std::size_t kScoreRecordSize = 46;

// Sets the three settings to their defaults and zeroes the table.
void ResetScores();

void LoadScores();
// Replaces the file atomically; false (and a message on stderr) when it
// could not be written. The game goes on either way.
bool SaveScores();

// The record as stored on disk, line ends translated as a text stream does.
std::vector<u8> EncodeScoreFile();
// Reads a stored record over the globals; fields past a short file's end keep
// their values.
void DecodeScoreFile(const u8* bytes, std::size_t size);

}  // namespace app
