#include <cstdint>

#include "app/scores.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  app::ResetScores();
  app::DecodeScoreFile(data, size);
  // Whatever was read must survive a save and a load unchanged.
  const auto stored = app::EncodeScoreFile();
  const u32 first = app::HighScores[0];
  const u32 bonus = app::BonusMode;
  app::ResetScores();
  app::DecodeScoreFile(stored.data(), stored.size());
  if (app::HighScores[0] != first || app::BonusMode != bonus) __builtin_trap();
  return 0;
}
