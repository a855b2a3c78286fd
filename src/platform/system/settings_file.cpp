#include "platform/system/settings_file.h"

#include <algorithm>

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

// Written at the top of a new file: the keys the game reads and writes.
constexpr char kHeader[] =
    "# TumbleSquash settings, written by the game: key = value\n"
    "# mode = fullscreen | window       (Alt+Enter switches; remembered)\n"
    "# scale = auto | fit | 1 to 16     (the window's size, times 640 x 480)\n"
    "# master_volume, music_volume, effects_volume = 0 to 100; mute = yes | "
    "no\n";

// Letters, digits and "_.-": what a key of this game or a later one is.
bool IsKey(const std::string& key) {
  return !key.empty() &&
         std::all_of(key.begin(), key.end(), [](unsigned char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
         });
}

// Text a person wrote: UTF-8 without control characters but the tab (and
// a carriage return ending the line).
bool IsText(const std::string& line) {
  const std::size_t end =
      !line.empty() && line.back() == '\r' ? line.size() - 1 : line.size();
  for (std::size_t i = 0; i < end;) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
      ++i;
      continue;
    }
    // The length a lead byte announces, then its continuation bytes; no
    // overlong forms, no surrogates, nothing past U+10FFFF.
    const int more = c >= 0xC2 && c <= 0xDF   ? 1
                     : c >= 0xE0 && c <= 0xEF ? 2
                     : c >= 0xF0 && c <= 0xF4 ? 3
                                              : -1;
    if (more < 0 || i + static_cast<std::size_t>(more) >= end) return false;
    const unsigned char second = static_cast<unsigned char>(line[i + 1]);
    if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) ||
        (c == 0xF0 && second < 0x90) || (c == 0xF4 && second > 0x8F)) {
      return false;
    }
    for (int k = 1; k <= more; ++k) {
      if ((static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80) {
        return false;
      }
    }
    i += static_cast<std::size_t>(more) + 1;
  }
  return true;
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

SettingsFile::Parsed SettingsFile::Parse(const std::vector<std::uint8_t>& bytes,
                                         std::vector<Line>& lines,
                                         std::size_t& garbage,
                                         std::size_t& firstGarbage) const {
  lines.clear();
  garbage = firstGarbage = 0;
  if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) {
    return Parsed::Binary;
  }
  const std::string text = Text(bytes);
  std::size_t number = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    Line line{text.substr(at, end - at), "", ""};
    at = end + 1;
    ++number;
    std::string content = line.text.substr(0, line.text.find('#'));
    content = Trim(content);
    bool good = IsText(line.text);
    if (good && !content.empty()) {
      const std::size_t eq = content.find('=');
      if (eq == std::string::npos) {
        good = false;
      } else {
        line.key = Trim(content.substr(0, eq));
        line.value = Trim(content.substr(eq + 1));
        good = IsKey(line.key);
      }
    }
    if (!good) {
      if (garbage++ == 0) firstGarbage = number;
      continue;
    }
    lines.push_back(std::move(line));
  }
  return Parsed::Text;
}

void SettingsFile::ReportGarbage(std::size_t count, std::size_t first) {
  if (count == 0 || garbageSaid_) return;
  garbageSaid_ = true;
  base::Say(
      "%s: %zu line%s not \"key = value\" (the first is line %zu); left out, "
      "and not written back",
      path_.c_str(), count, count == 1 ? " is" : "s are", first);
}

void SettingsFile::LeaveAlone(const char* why) {
  if (leaveAlone_) return;
  leaveAlone_ = true;
  base::Say("the settings \"%s\" %s; the file is left as it is", path_.c_str(),
            why);
}

bool SettingsFile::Load(Platform& files, const std::string& path) {
  path_ = path;
  lines_.clear();
  known_.clear();
  changed_.clear();
  leaveAlone_ = readOnlySaid_ = garbageSaid_ = putOff_ = false;
  garbage_ = 0;
  std::vector<std::uint8_t> bytes;
  switch (files.ReadFile(path.c_str(), kMaxSettingsBytes + 1, bytes)) {
    case ReadResult::Read:
      break;
    case ReadResult::Missing:
      return true;
    case ReadResult::Unreadable:
      LeaveAlone("are there but cannot be read");
      return false;
    case ReadResult::NotRegular:
      LeaveAlone("are not a regular file");
      return false;
  }
  if (bytes.size() > kMaxSettingsBytes) {
    LeaveAlone("are larger than 1 MiB, which no settings file of ours is");
    return false;
  }
  std::size_t first = 0;
  if (Parse(bytes, lines_, garbage_, first) == Parsed::Binary) {
    LeaveAlone("are not text (the file holds a NUL byte)");
    return false;
  }
  ReportGarbage(garbage_, first);
  for (const Line& line : lines_) {
    if (!line.key.empty()) known_[line.key] = line.value;
  }
  return true;
}

bool SettingsFile::Save(Platform& files, LockWait wait, std::string& error) {
  error.clear();
  if (leaveAlone_) return false;
  if (changed_.empty()) {
    putOff_ = false;
    return true;
  }
  // The file the name leads to is the one replaced: a link stays a link
  // (a settings file kept with the player's other files, say).
  std::string target;
  if (!os::FollowLinks(path_, target, error)) return false;
  if (os::IsReadOnly(target)) {
    if (!readOnlySaid_) {
      readOnlySaid_ = true;
      base::Say("not saving the settings: \"%s\" is read-only; left as it is",
                target.c_str());
    }
    return false;
  }
  if (!os::MakeFolders(base::FolderOf(path_), error)) return false;
  bool busy = false;
  const std::unique_ptr<FileLock> lock =
      files.LockFile(path_.c_str(), wait, busy, error);
  if (!lock) {
    putOff_ = busy;
    return false;
  }
  putOff_ = false;

  // The file as it is now, another instance's changes included.
  std::vector<Line> lines;
  std::vector<std::uint8_t> bytes;
  switch (files.ReadFile(target.c_str(), kMaxSettingsBytes + 1, bytes)) {
    case ReadResult::Read: {
      std::size_t garbage = 0, first = 0;
      if (bytes.size() > kMaxSettingsBytes) {
        LeaveAlone("have grown larger than 1 MiB");
        return false;
      }
      if (Parse(bytes, lines, garbage, first) == Parsed::Binary) {
        LeaveAlone("are no longer text (the file holds a NUL byte)");
        return false;
      }
      ReportGarbage(garbage, first);
      break;
    }
    case ReadResult::Missing: {
      std::vector<std::uint8_t> header(kHeader, kHeader + sizeof kHeader - 1);
      std::size_t garbage = 0, first = 0;
      Parse(header, lines, garbage, first);
      break;
    }
    case ReadResult::Unreadable:
      LeaveAlone("can no longer be read");
      return false;
    case ReadResult::NotRegular:
      LeaveAlone("are no longer a regular file");
      return false;
  }
  for (const auto& change : changed_) {
    const std::string& key = change.first;
    Line line{key + " = " + change.second, key, change.second};
    const auto last = std::find_if(lines.rbegin(), lines.rend(),
                                   [&](const Line& l) { return l.key == key; });
    if (last != lines.rend()) {
      *last = std::move(line);
    } else {
      lines.push_back(std::move(line));
    }
  }
  std::string text;
  for (const Line& line : lines) text += line.text + "\n";
  if (!files.ReplaceFile(
          target.c_str(),
          {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()},
          error)) {
    return false;
  }
  for (const auto& [key, value] : changed_) known_[key] = value;
  changed_.clear();
  lines_ = std::move(lines);
  return true;
}

std::vector<std::string> SettingsFile::Keys() const {
  std::vector<std::string> keys;
  for (const Line& line : lines_) {
    if (!line.key.empty() &&
        std::find(keys.begin(), keys.end(), line.key) == keys.end()) {
      keys.push_back(line.key);
    }
  }
  for (const auto& [key, value] : changed_) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
      keys.push_back(key);
    }
  }
  return keys;
}

std::string SettingsFile::Get(const std::string& key,
                              const std::string& fallback) const {
  if (const auto c = changed_.find(key); c != changed_.end()) return c->second;
  for (auto l = lines_.rbegin(); l != lines_.rend(); ++l) {
    if (l->key == key) return l->value;
  }
  return fallback;
}

void SettingsFile::Set(const std::string& key, const std::string& value) {
  const auto k = known_.find(key);
  if (k != known_.end() && k->second == value) {
    changed_.erase(key);
  } else {
    changed_[key] = value;
  }
}

void SettingsFile::Know(const std::string& key, const std::string& value) {
  known_[key] = value;
}

DisplaySettings ReadDisplaySettings(SettingsFile& file) {
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
  // What the game goes on with: writing it back unchanged is no change.
  file.Know("mode", s.fullScreen ? "fullscreen" : "window");
  file.Know("scale", s.scale == 0 ? "auto" : std::to_string(s.scale));
  return s;
}

void WriteDisplaySettings(SettingsFile& file, const DisplaySettings& s) {
  file.Set("mode", s.fullScreen ? "fullscreen" : "window");
  file.Set("scale", s.scale == 0           ? "auto"
                    : s.scale == kScaleFit ? "fit"
                                           : std::to_string(s.scale));
}

sound::Volumes ReadVolumes(SettingsFile& file) {
  sound::Volumes v;
  const auto volume = [&](const char* key, int& out) {
    const std::string text = file.Get(key, "");
    std::uint64_t n = 0;
    if (!text.empty()) {
      if (base::ParseUnsigned(text, 100, n)) {
        out = static_cast<int>(n);
      } else {
        base::Say("%s: %s \"%s\" is not 0 to 100; using %d",
                  file.path().c_str(), key, text.c_str(), out);
      }
    }
    file.Know(key, std::to_string(out));
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
  file.Know("mute", v.mute ? "yes" : "no");
  return v;
}

void WriteVolumes(SettingsFile& file, const sound::Volumes& v) {
  file.Set("master_volume", std::to_string(v.master));
  file.Set("music_volume", std::to_string(v.music));
  file.Set("effects_volume", std::to_string(v.effects));
  file.Set("mute", v.mute ? "yes" : "no");
}

void SaveSettings(Platform& files, SettingsFile& file,
                  const DisplaySettings& display, const sound::Volumes& v,
                  LockWait wait) {
  WriteDisplaySettings(file, display);
  WriteVolumes(file, v);
  std::string error;
  if (file.Save(files, wait, error) || error.empty()) return;
  if (file.putOff()) {
    base::Say(
        "cannot save the settings \"%s\" now: %s; trying again at the "
        "next save",
        file.path().c_str(), error.c_str());
  } else {
    base::Say("cannot save the settings \"%s\": %s", file.path().c_str(),
              error.c_str());
  }
}

}  // namespace platform
