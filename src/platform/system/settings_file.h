// The desktop game's own settings, kept apart from "Score.dat" (whose bytes
// are the game's record and never change shape): a small text file of
// "key = value" lines in the player's configuration folder.
//
// It is kept as Score.dat is: never written over when it could not be read,
// replaced in one step under a lock shared by every instance, each save
// reading the file again and changing only the keys this instance changed.
// What the game does not know (other keys, comments, blank lines) stays as
// it was written, character for character.
#pragma once
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "base/platform.h"
#include "sound/volumes.h"

namespace platform {

// A larger file is not a settings file of ours: refused, and never written.
inline constexpr std::size_t kMaxSettingsBytes = 1 << 20;

class SettingsFile {
 public:
  // Reads the file; a missing one is simply empty. Lines that are not
  // "key = value" are reported on stderr in one line (naming the file and
  // the first of them) and left out of the next save. False when the file
  // is there but cannot be taken (unreadable, not a regular file, larger
  // than kMaxSettingsBytes, not text): said in one line, and the file is
  // then never written in this run.
  bool Load(Platform& files, const std::string& path);

  // Puts the keys changed since the last load or save into the file as it
  // is now, under its lock: another instance's changes to other keys stay.
  // A link at the file's name is followed and the file it leads to is
  // replaced, keeping its permissions. Nothing changed, nothing written.
  // False with a short reason in `error` when it could not be written;
  // `error` stays empty when the reason was already said (the file was not
  // ours to write). When another instance holds the lock and `wait` is No,
  // the changes are kept for the next save and putOff() is true.
  bool Save(Platform& files, LockWait wait, std::string& error);
  bool putOff() const { return putOff_; }
  // The lines the last Load left out (they were not "key = value").
  std::size_t garbageLines() const { return garbage_; }

  const std::string& path() const { return path_; }
  // The keys set, in the file and by this instance, each once.
  std::vector<std::string> Keys() const;
  // The value of `key`, or `fallback` when it is not set.
  std::string Get(const std::string& key, const std::string& fallback) const;
  // A change when `value` differs from what this instance knows of the key.
  void Set(const std::string& key, const std::string& value);
  // What this instance takes `key` to be (as read, or the default used in
  // place of a missing or unusable value): setting it again is no change.
  void Know(const std::string& key, const std::string& value);
  // The next Set of `key` is a change, whatever its value.
  void WriteAgain(const std::string& key) { known_.erase(key); }

 private:
  struct Line {
    std::string text;  // as read, without its line end
    std::string key;   // empty for a comment or a blank line
    std::string value;
  };
  enum class Parsed { Text, Binary };
  Parsed Parse(const std::vector<std::uint8_t>& bytes, std::vector<Line>& lines,
               std::size_t& garbage, std::size_t& firstGarbage) const;
  void ReportGarbage(std::size_t count, std::size_t first);
  void LeaveAlone(const char* why);

  std::string path_;
  std::vector<Line> lines_;
  std::map<std::string, std::string> known_;
  std::map<std::string, std::string> changed_;
  bool leaveAlone_ = false;  // not ours to write: said once
  bool readOnlySaid_ = false;
  bool garbageSaid_ = false;
  bool putOff_ = false;
  std::size_t garbage_ = 0;
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
DisplaySettings ReadDisplaySettings(SettingsFile& file);
void WriteDisplaySettings(SettingsFile& file, const DisplaySettings& s);

// The sound volumes ("master_volume", "music_volume", "effects_volume", 0
// to 100, and "mute", yes or no), likewise.
sound::Volumes ReadVolumes(SettingsFile& file);
void WriteVolumes(SettingsFile& file, const sound::Volumes& v);

// Writes the display and sound keys and saves the file, saying on stderr
// in one line when it cannot (or cannot yet).
void SaveSettings(Platform& files, SettingsFile& file,
                  const DisplaySettings& display, const sound::Volumes& v,
                  LockWait wait = LockWait::No);

}  // namespace platform
