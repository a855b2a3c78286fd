// A working folder of the fuzz target's own, entered once and kept for the
// whole run, with the real file system behind the game's file seam.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/system/null_platform.h"

namespace fuzzing {

inline void EnterOwnFolder(const char* prefix) {
  static platform::NullPlatform files;
  // In memory where there is such a folder: every save syncs to the disk,
  // which would make the fuzzer wait on it.
  const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string path = std::string(base) + "/" + prefix + "_XXXXXX";
  if (!::mkdtemp(path.data()) || ::chdir(path.c_str()) != 0) {
    std::perror("fuzz folder");
    std::abort();
  }
  platform::SetCurrent(&files);
  // Gone when the run ends (a crash keeps it, beside the crashing input).
  static std::string made = path;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(made, ignored);
  });
}

inline void WriteFile(const char* name, const std::uint8_t* data,
                      std::size_t size) {
  FILE* f = std::fopen(name, "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

}  // namespace fuzzing
