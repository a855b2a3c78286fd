#include "app/scores.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <unistd.h>

namespace app {

u32 HighScores[10];
u8 DetailLevel = 2;
u8 Difficulty = 1;
u32 BonusMode = 0;

void ResetScores() {
  for (u32& s : HighScores) s = 0;
  DetailLevel = 2;
  Difficulty = 1;
  BonusMode = 0;
}

namespace {

void PutU32(u8* at, u32 v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<u8>(v >> (8 * i));
}

u32 GetU32(const u8* at) {
  return u32(at[0]) | u32(at[1]) << 8 | u32(at[2]) << 16 | u32(at[3]) << 24;
}

}  // namespace

std::vector<u8> EncodeScoreFile() {
  // The logical record: ten scores, two bytes of settings, then BonusMode
  // at offset 42, unaligned.
  u8 record[kScoreRecordSize];
  for (int i = 0; i < 10; ++i) PutU32(record + 4 * i, HighScores[i]);
  record[40] = DetailLevel;
  record[41] = Difficulty;
  PutU32(record + 42, BonusMode);

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
  for (int i = 0; i < 10; ++i) {
    if (have >= std::size_t(4 * i + 4)) HighScores[i] = GetU32(record + 4 * i);
  }
  if (have >= 41) DetailLevel = record[40];
  if (have >= 42) Difficulty = record[41];
  if (have >= 46) BonusMode = GetU32(record + 42);
}

static bool ReadWholeFile(const char* name, std::vector<u8>& out) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  // The record is 46 bytes (at most 92 stored); a larger file is read only as
  // far as the record goes.
  char buffer[128];
  in.read(buffer, sizeof buffer);
  out.assign(buffer, buffer + in.gcount());
  return true;
}

void LoadScores() {
  std::vector<u8> bytes;
  if (!ReadWholeFile(kScoreFile, bytes)) {
    SaveScores();
    if (!ReadWholeFile(kScoreFile, bytes)) return;
  }
  DecodeScoreFile(bytes.data(), bytes.size());
}

bool SaveScores() {
  // Written beside the old file and renamed over it, so a crash or a full
  // disk in the middle of a save never costs the scores already kept.
  const std::vector<u8> bytes = EncodeScoreFile();
  const std::string temp = std::string(kScoreFile) + ".tmp";
  auto fail = [&](const char* what) {
    std::fprintf(stderr, "TumbleSquash: could not %s \"%s\": %s\n", what,
                 kScoreFile, std::strerror(errno));
    return false;
  };
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return fail("write");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int saved = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      errno = saved;
      return fail("write");
    }
    done += static_cast<std::size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return fail("write");
  }
  if (std::rename(temp.c_str(), kScoreFile) != 0) {
    const int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
    return fail("replace");
  }
  return true;
}

}  // namespace app
