#include <algorithm>
#include <fstream>
#include <sstream>

#include "base/numbers.h"
#include "platform/system/script.h"

namespace platform {

bool ParseScript(const std::string& text, const std::string& name,
                 std::vector<ScriptEvent>& events, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  std::vector<ScriptEvent> parsed;
  while (std::getline(lines, line)) {
    ++lineNumber;
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;

    auto fail = [&](const std::string& why) {
      error = name + " line " + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    std::uint64_t frame = 0;
    if (!base::ParseUnsigned(w[0], kLastReachableFrame, frame)) {
      if (w[0].find_first_not_of("0123456789") == std::string::npos) {
        return fail("frame " + w[0] +
                    " is past the last frame a run can reach, 4294967295");
      }
      return fail("expected a frame number, found \"" + w[0] + "\"");
    }
    if (w.size() < 2) return fail("missing event after the frame number");
    const std::string& verb = w[1];
    Message m{MsgType::MouseMove, 0, 0};
    std::size_t want = 2;
    if (verb == "move") {
      want = 4;
      std::uint64_t x = 0, y = 0;
      if (w.size() != 4 || !base::ParseUnsigned(w[2], 0xFFFF, x) ||
          !base::ParseUnsigned(w[3], 0xFFFF, y)) {
        return fail("move needs X and Y from 0 to 65535");
      }
      m = {MsgType::MouseMove, 0, static_cast<std::uint32_t>(y << 16 | x)};
    } else if (verb == "ldown") {
      m.type = MsgType::LButtonDown;
    } else if (verb == "lup") {
      m.type = MsgType::LButtonUp;
    } else if (verb == "rdown") {
      m.type = MsgType::RButtonDown;
    } else if (verb == "rup") {
      m.type = MsgType::RButtonUp;
    } else if (verb == "deactivate") {
      m = {MsgType::Activate, 0, 0};
    } else if (verb == "key") {
      want = 3;
      if (w.size() != 3 || w[2] != "escape") {
        return fail("key takes one name: escape");
      }
      m = {MsgType::KeyDown, kKeyEscape, 0};
    } else {
      return fail("unknown event \"" + verb + "\"");
    }
    if (w.size() != want) return fail("too many words for " + verb);
    parsed.push_back({static_cast<std::uint32_t>(frame), m});
  }
  events = std::move(parsed);
  return true;
}

void PrepareScript(std::vector<ScriptEvent>& events) {
  std::stable_sort(events.begin(), events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) {
                     return a.frame < b.frame;
                   });
  const auto firstLater =
      std::find_if(events.begin(), events.end(),
                   [](const ScriptEvent& e) { return e.frame > 0; });
  const bool hasClick =
      std::any_of(events.begin(), firstLater, [](const ScriptEvent& e) {
        return e.message.type == MsgType::LButtonDown;
      });
  if (!hasClick) {
    events.insert(firstLater, {0, {MsgType::LButtonDown, 0, 0}});
  }
}

bool LoadScript(const std::string& path, std::vector<ScriptEvent>& events,
                std::string& text, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read input script \"" + path + "\"";
    return false;
  }
  std::stringstream read;
  read << in.rdbuf();
  text = read.str();
  return ParseScript(text, path, events, error);
}

std::string FormatScriptEvent(std::uint32_t frame, const Message& m) {
  std::string line = std::to_string(frame) + " ";
  switch (m.type) {
    case MsgType::MouseMove:
      return line + "move " + std::to_string(m.lParam & 0xFFFF) + " " +
             std::to_string(m.lParam >> 16 & 0xFFFF);
    case MsgType::LButtonDown:
      return line + "ldown";
    case MsgType::LButtonUp:
      return line + "lup";
    case MsgType::RButtonDown:
      return line + "rdown";
    case MsgType::RButtonUp:
      return line + "rup";
    case MsgType::KeyDown:
      return m.wParam == kKeyEscape ? line + "key escape" : "";
    case MsgType::Activate:
      return m.wParam == 0 ? line + "deactivate" : "";
    case MsgType::Close:
    case MsgType::Quit:
      return "";
  }
  return "";
}

bool ReadScriptSeed(const std::string& text, std::uint32_t& seed) {
  std::istringstream in(text.substr(0, text.find('\n')));
  std::string hash, word, number, rest;
  if (!(in >> hash >> word >> number) || hash != "#" || word != "seed" ||
      (in >> rest)) {
    return false;
  }
  std::uint64_t n = 0;
  if (!base::ParseUnsigned(number, 0xFFFFFFFFull, n)) return false;
  seed = static_cast<std::uint32_t>(n);
  return true;
}

}  // namespace platform
