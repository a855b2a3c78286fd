#include "platform/system/settings_file.h"

#include <cstdio>
#include <sstream>

#include "base/data_folder.h"
#include "base/numbers.h"
#include "base/say.h"
#include "platform/os/files.h"

namespace platform {

namespace {

std::string Trim(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Written at the top of every file: the keys the game reads and writes.
constexpr char kHeader[] =
    "# TumbleSquash settings, written by the game: key = value\n"
    "# mode = fullscreen | window       (Alt+Enter switches; remembered)\n"
    "# scale = auto | fit | 1 to 16     (the window's size, times 640 x 480)\n"
    "# master_volume, music_volume, effects_volume = 0 to 100; mute = yes | "
    "no\n";

}  // namespace

bool SettingsFile::Load(Platform& files, const std::string& path) {
  path_ = path;
  entries_.clear();
  std::vector<std::uint8_t> bytes;
  switch (files.ReadFile(path.c_str(), 1 << 16, bytes)) {
    case ReadResult::Read:
      break;
    case ReadResult::Missing:
      return true;
    case ReadResult::Unreadable:
    case ReadResult::NotRegular:
      base::Say("cannot read the settings \"%s\"", path.c_str());
      return false;
  }
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    line = Trim(line);
    if (line.empty()) continue;
    const std::size_t eq = line.find('=');
    const std::string key =
        eq == std::string::npos ? "" : Trim(line.substr(0, eq));
    if (key.empty() || key.find_first_of(" \t") != std::string::npos) {
      base::Say("%s line %d: not \"key = value\"; left out", path.c_str(),
                number);
      continue;
    }
    Set(key, Trim(line.substr(eq + 1)));
  }
  return true;
}

bool SettingsFile::Save(Platform& files, std::string& error) const {
  if (!os::MakeFolders(base::FolderOf(path_), error)) return false;
  std::string text = kHeader;
  for (const auto& [key, value] : entries_) text += key + " = " + value + "\n";
  return files.ReplaceFile(
      path_.c_str(),
      {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, error);
}

std::string SettingsFile::Get(const std::string& key,
                              const std::string& fallback) const {
  for (const auto& [k, v] : entries_) {
    if (k == key) return v;
  }
  return fallback;
}

void SettingsFile::Set(const std::string& key, const std::string& value) {
  for (auto& [k, v] : entries_) {
    if (k == key) {
      v = value;
      return;
    }
  }
  entries_.emplace_back(key, value);
}

DisplaySettings ReadDisplaySettings(const SettingsFile& file) {
  DisplaySettings s;
  const std::string mode = file.Get("mode", "fullscreen");
  if (mode == "window") {
    s.fullScreen = false;
  } else if (mode != "fullscreen") {
    base::Say(
        "%s: mode \"%s\" is neither fullscreen nor window; using fullscreen",
        file.path().c_str(), mode.c_str());
  }
  const std::string scale = file.Get("scale", "auto");
  std::uint64_t n = 0;
  if (scale == "fit") {
    s.scale = kScaleFit;
  } else if (scale != "auto") {
    if (base::ParseUnsigned(scale, kMaxScale, n) && n >= 1) {
      s.scale = static_cast<int>(n);
    } else {
      base::Say("%s: scale \"%s\" is not auto, fit or 1 to %d; using auto",
                file.path().c_str(), scale.c_str(), kMaxScale);
    }
  }
  return s;
}

void WriteDisplaySettings(SettingsFile& file, const DisplaySettings& s) {
  file.Set("mode", s.fullScreen ? "fullscreen" : "window");
  file.Set("scale", s.scale == 0           ? "auto"
                    : s.scale == kScaleFit ? "fit"
                                           : std::to_string(s.scale));
}

sound::Volumes ReadVolumes(const SettingsFile& file) {
  sound::Volumes v;
  const auto volume = [&](const char* key, int& out) {
    const std::string text = file.Get(key, "");
    std::uint64_t n = 0;
    if (text.empty()) return;
    if (base::ParseUnsigned(text, 100, n)) {
      out = static_cast<int>(n);
    } else {
      base::Say("%s: %s \"%s\" is not 0 to 100; using %d", file.path().c_str(),
                key, text.c_str(), out);
    }
  };
  volume("master_volume", v.master);
  volume("music_volume", v.music);
  volume("effects_volume", v.effects);
  const std::string mute = file.Get("mute", "no");
  if (mute == "yes") {
    v.mute = true;
  } else if (mute != "no") {
    base::Say("%s: mute \"%s\" is neither yes nor no; using no",
              file.path().c_str(), mute.c_str());
  }
  return v;
}

void WriteVolumes(SettingsFile& file, const sound::Volumes& v) {
  file.Set("master_volume", std::to_string(v.master));
  file.Set("music_volume", std::to_string(v.music));
  file.Set("effects_volume", std::to_string(v.effects));
  file.Set("mute", v.mute ? "yes" : "no");
}

void SaveSettings(Platform& files, SettingsFile& file,
                  const DisplaySettings& display, const sound::Volumes& v) {
  WriteDisplaySettings(file, display);
  WriteVolumes(file, v);
  std::string error;
  if (!file.Save(files, error)) {
    base::Say("cannot save the settings \"%s\": %s", file.path().c_str(),
              error.c_str());
  }
}

}  // namespace platform
