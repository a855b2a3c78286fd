// settings.conf as the game meets it: whatever bytes stand in the file are
// loaded through the file seam, some keys are changed and the file saved,
// and read again: every key keeps its value but those changed, which have
// their new ones; once the file is written, what was not "key = value" is
// gone. A second save with nothing changed writes nothing.
//   input: the file, then (after the last 0xFF byte, if any) the changes:
//   each a byte choosing a key (one the file holds, one of the game's, or a
//   new one), then a value up to the next 0xFE byte
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "fuzz_folder.h"
#include "platform/system/settings_file.h"

namespace {

constexpr char kPath[] = "settings.conf";
const char* const kGameKeys[] = {
    "mode", "scale", "mute", "master_volume", "music_volume", "effects_volume"};

std::string Bytes() {
  std::ifstream in(kPath, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// What the game could ever set as a value: text without a comment sign or
// a line end, no spaces at its ends.
std::string Value(const std::string& raw) {
  std::string v;
  for (unsigned char c : raw) {
    if (c >= 0x21 && c < 0x7F && c != '#') v += static_cast<char>(c);
  }
  return v;
}

std::map<std::string, std::string> All(const platform::SettingsFile& s) {
  std::map<std::string, std::string> all;
  for (const std::string& key : s.Keys()) all[key] = s.Get(key, "");
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::EnterOwnFolder("ts_fuzz_settings");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.rfind('\xFF');
  const std::string file = input.substr(0, split);
  const std::string changes =
      split == std::string::npos ? "" : input.substr(split + 1);
  std::remove(kPath);
  fuzzing::WriteFile(kPath, reinterpret_cast<const std::uint8_t*>(file.data()),
                     file.size());
  platform::Platform& files = *platform::Current();

  platform::SettingsFile s;
  if (!s.Load(files, kPath)) {
    // Not taken (binary, say): never written, whatever is changed.
    s.Set("mode", "window");
    std::string error;
    if (s.Save(files, platform::LockWait::No, error)) __builtin_trap();
    if (Bytes() != file) __builtin_trap();
    return 0;
  }
  std::map<std::string, std::string> want = All(s);
  const std::vector<std::string> held = s.Keys();
  for (std::size_t at = 0; at < changes.size();) {
    const unsigned char pick = static_cast<unsigned char>(changes[at++]);
    std::size_t end = changes.find('\xFE', at);
    if (end == std::string::npos) end = changes.size();
    const std::string value = Value(changes.substr(at, end - at));
    at = end + 1;
    std::string key;
    if (pick < 128 && !held.empty()) {
      key = held[pick % held.size()];
    } else if (pick < 192) {
      key = kGameKeys[pick % 6];
    } else {
      key = "later.key-" + std::to_string(pick);
    }
    s.Set(key, value);
    want[key] = value;
  }
  if (All(s) != want) __builtin_trap();
  std::string error;
  const bool saved = s.Save(files, platform::LockWait::No, error);
  // A file the game made read-only, or one it cannot write for another
  // reason, stays as it was.
  if (!saved) {
    if (Bytes() != file) __builtin_trap();
    return 0;
  }
  const std::string written = Bytes();

  // Read again: the same keys and values, and, when the file was written,
  // nothing left to complain of (with nothing changed it is not written).
  platform::SettingsFile again;
  if (!again.Load(files, kPath)) __builtin_trap();
  if (written != file && again.garbageLines() != 0) __builtin_trap();
  if (All(again) != want) __builtin_trap();
  // Saving with nothing changed leaves the file as it is.
  if (!again.Save(files, platform::LockWait::No, error)) __builtin_trap();
  if (Bytes() != written) __builtin_trap();
  // Nothing is left beside it.
  for (const auto& e : std::filesystem::directory_iterator(".")) {
    const std::string name = e.path().filename().string();
    if (name != kPath && name != std::string(kPath) + ".lock") {
      __builtin_trap();
    }
  }
  return 0;
}
