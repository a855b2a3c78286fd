#include <cstdint>

#include "base/scores.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  base::ResetScores();
  base::DecodeScoreFile(data, size);
  // Whatever was read must survive a save and a load unchanged.
  const auto stored = base::EncodeScoreFile();
  const u32 first = base::HighScores[0];
  const u32 bonus = base::BonusMode;
  base::ResetScores();
  base::DecodeScoreFile(stored.data(), stored.size());
  if (base::HighScores[0] != first || base::BonusMode != bonus)
    __builtin_trap();
  return 0;
}
