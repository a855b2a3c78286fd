// The desktop game's own settings, kept apart from "Score.dat" (whose bytes
// are the game's record and never change shape): a small text file of
// "key = value" lines in the player's configuration folder.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "base/platform.h"
#include "sound/volumes.h"

namespace platform {

class SettingsFile {
 public:
  // Reads the file; a missing one is simply empty. A line that is not
  // "key = value" is reported on stderr (naming the file and the line) and
  // left out. False only when the file exists but cannot be read.
  bool Load(Platform& files, const std::string& path);
  // Replaces the file in one step, making its folder first. Keys this
  // version does not know are written back as they were read.
  bool Save(Platform& files, std::string& error) const;

  const std::string& path() const { return path_; }
  // The value of `key`, or `fallback` when it is not set.
  std::string Get(const std::string& key, const std::string& fallback) const;
  void Set(const std::string& key, const std::string& value);

 private:
  std::string path_;
  std::vector<std::pair<std::string, std::string>> entries_;
};

// What the window remembers between runs.
struct DisplaySettings {
  bool fullScreen = true;  // the game's own default
  // The window's whole-number scale; 0: the largest (auto); kScaleFit: as
  // large as fits, by a fraction.
  int scale = 0;
};

inline constexpr int kMaxScale = 16;
inline constexpr int kScaleFit = -1;

// Reads the display keys ("mode", "scale"), keeping the defaults for any
// that are missing or not understood (and saying so).
DisplaySettings ReadDisplaySettings(const SettingsFile& file);
void WriteDisplaySettings(SettingsFile& file, const DisplaySettings& s);

// The sound volumes ("master_volume", "music_volume", "effects_volume", 0
// to 100, and "mute", yes or no), likewise.
sound::Volumes ReadVolumes(const SettingsFile& file);
void WriteVolumes(SettingsFile& file, const sound::Volumes& v);

// Writes the display and sound keys and saves the file, saying on stderr
// when it cannot.
void SaveSettings(Platform& files, SettingsFile& file,
                  const DisplaySettings& display, const sound::Volumes& v);

}  // namespace platform
