// Score.dat as the game meets it: whatever bytes stand in the file are
// loaded through the file seam, a few games' totals are recorded and saved,
// and every field must come back from the file as it was saved.
//   input: one byte n (totals, n % 4), n four-byte totals, then the file
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <tuple>
#include <vector>

#include "base/bytes.h"
#include "base/scores.h"
#include "fuzz_folder.h"

namespace {

auto Fields() {
  return std::make_tuple(
      std::vector<u32>(base::HighScores, base::HighScores + 10),
      base::DetailLevel, base::Difficulty, base::BonusMode);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::EnterOwnFolder("ts_fuzz_scores");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 1) return 0;
  const std::size_t totals = data[0] % 4;
  if (size < 1 + 4 * totals) return 0;
  const std::uint8_t* file = data + 1 + 4 * totals;
  const std::size_t fileSize = size - 1 - 4 * totals;
  fuzzing::WriteFile(base::kScoreFileName, file, fileSize);

  // Loading reads the file as the decoder does, as far as the record goes.
  base::ResetScores();
  base::DecodeScoreFile(file, std::min<std::size_t>(fileSize, 128));
  const auto decoded = Fields();
  base::ResetScores();
  base::LoadScores();
  if (Fields() != decoded) __builtin_trap();

  for (std::size_t i = 0; i < totals; ++i) {
    base::RecordTotal(static_cast<i32>(base::LoadLe32(data + 1 + 4 * i)));
  }
  base::DetailLevel = static_cast<u8>(base::DetailLevel ^ data[0]);
  if (!base::SaveScores()) __builtin_trap();
  const auto saved = Fields();
  // Every field comes back, and nothing is left beside the file.
  base::ResetScores();
  base::LoadScores();
  if (Fields() != saved) __builtin_trap();
  for (const auto& e : std::filesystem::directory_iterator(".")) {
    const std::string name = e.path().filename().string();
    if (name != "Score.dat" && name != "Score.dat.lock") __builtin_trap();
  }
  return 0;
}
