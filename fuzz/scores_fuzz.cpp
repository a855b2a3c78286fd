// Score.dat as the game meets it: whatever bytes stand in the file are
// loaded through the file seam, a few games' totals are recorded and saved,
// and every field must come back from the file as it was saved. The decoder
// is held against a reading of its own, from the byte layout alone, on every
// length the file could have been cut at.
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

// The layout as written down: ten scores of four bytes, least significant
// first, the detail level, the difficulty, the bonus mode (four bytes); the
// file holds it as a text stream, a 0D before every 0A. A field is taken
// only when all of its bytes are there.
struct Layout {
  std::uint32_t scores[10];
  std::uint32_t detail, difficulty, bonus;
};

Layout ReadLayout(const std::uint8_t* file, std::size_t size,
                  const Layout& before) {
  std::vector<std::uint8_t> record;
  for (std::size_t i = 0; i < size && record.size() < 46; ++i) {
    const bool lineEnd = file[i] == 0x0D && i + 1 < size && file[i + 1] == 0x0A;
    if (!lineEnd) record.push_back(file[i]);
  }
  auto le = [&](std::size_t at, std::size_t bytes) {
    std::uint32_t v = 0;
    for (std::size_t k = bytes; k-- > 0;) v = v * 256 + record[at + k];
    return v;
  };
  Layout l = before;
  for (std::size_t i = 0; i < 10; ++i) {
    if (record.size() >= 4 * (i + 1)) l.scores[i] = le(4 * i, 4);
  }
  if (record.size() > 40) l.detail = record[40];
  if (record.size() > 41) l.difficulty = record[41];
  if (record.size() > 45) l.bonus = le(42, 4);
  return l;
}

// Every field set to something no file is likely to hold, so a field the
// decoder leaves alone shows.
const Layout kUntouched = {
    {0xC0FFEE00, 0xC0FFEE01, 0xC0FFEE02, 0xC0FFEE03, 0xC0FFEE04, 0xC0FFEE05,
     0xC0FFEE06, 0xC0FFEE07, 0xC0FFEE08, 0xC0FFEE09},
    0xA7,
    0xB8,
    0xDEADBEEF};

void CheckDecoder(const std::uint8_t* file, std::size_t size) {
  for (std::size_t cut = 0; cut <= std::min<std::size_t>(size, 100); ++cut) {
    std::copy(kUntouched.scores, kUntouched.scores + 10, base::HighScores);
    base::DetailLevel = static_cast<u8>(kUntouched.detail);
    base::Difficulty = static_cast<u8>(kUntouched.difficulty);
    base::BonusMode = kUntouched.bonus;
    base::DecodeScoreFile(file, cut);
    const Layout want = ReadLayout(file, cut, kUntouched);
    if (!std::equal(want.scores, want.scores + 10, base::HighScores) ||
        want.detail != base::DetailLevel ||
        want.difficulty != base::Difficulty || want.bonus != base::BonusMode) {
      __builtin_trap();
    }
  }
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
  CheckDecoder(file, fileSize);
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
