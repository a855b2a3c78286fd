#include "platform/system/script.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "base/numbers.h"
#include "base/say.h"
#include "platform/os/files.h"

namespace platform {

namespace {

enum class LineKind { Nothing, Event, Bad };

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

// A word as a message may show it: printable, and not endless.
std::string Shown(std::string_view word) {
  constexpr std::size_t kMost = 40;
  std::string shown;
  for (std::size_t i = 0; i < word.size() && i < kMost; ++i) {
    const unsigned char c = static_cast<unsigned char>(word[i]);
    shown += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
  }
  if (word.size() > kMost) shown += "...";
  return shown;
}

// One line of a script: nothing (blank or a comment), an event, or what is
// wrong with it.
LineKind ParseLine(std::string_view line, ScriptEvent& out, std::string& why) {
  if (line.find('\0') != std::string_view::npos) {
    why = "not text (it holds a NUL byte)";
    return LineKind::Bad;
  }
  line = line.substr(0, line.find('#'));
  std::string_view w[5];
  std::size_t words = 0;
  for (std::size_t at = 0; at < line.size();) {
    while (at < line.size() && IsSpace(line[at])) ++at;
    if (at == line.size()) break;
    std::size_t end = at;
    while (end < line.size() && !IsSpace(line[end])) ++end;
    if (words < 5) w[words] = line.substr(at, end - at);
    ++words;
    at = end;
  }
  if (words == 0) return LineKind::Nothing;

  auto fail = [&](const std::string& reason) {
    why = reason;
    return LineKind::Bad;
  };
  std::uint64_t frame = 0;
  if (!base::ParseUnsigned(w[0], kLastReachableFrame, frame)) {
    if (w[0].find_first_not_of("0123456789") == std::string_view::npos) {
      return fail("frame " + Shown(w[0]) +
                  " is past the last frame a run can reach, 4294967295");
    }
    return fail("expected a frame number, found \"" + Shown(w[0]) + "\"");
  }
  if (words < 2) return fail("missing event after the frame number");
  const std::string_view verb = w[1];
  Message m{MsgType::MouseMove, 0, 0};
  std::size_t want = 2;
  if (verb == "move") {
    want = 4;
    std::uint64_t x = 0, y = 0;
    if (words != 4 || !base::ParseUnsigned(w[2], 0xFFFF, x) ||
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
    if (words != 3 || w[2] != "escape") {
      return fail("key takes one name: escape");
    }
    m = {MsgType::KeyDown, kKeyEscape, 0};
  } else {
    return fail("unknown event \"" + Shown(verb) + "\"");
  }
  if (words != want) return fail("too many words for " + Shown(verb));
  out = {static_cast<std::uint32_t>(frame), m};
  return LineKind::Event;
}

std::string LineError(const std::string& name, std::uint64_t line,
                      const std::string& why) {
  return name + " line " + std::to_string(line) + ": " + why;
}

std::string TooLong() {
  return "longer than " + std::to_string(kMaxScriptLine) +
         " bytes, which no script line is";
}

}  // namespace

// A file's lines, one at a time, through a buffer of fixed size.
class ScriptStream::Lines {
 public:
  explicit Lines(std::FILE* file) : file_(file), buffer_(1 << 16) {}
  ~Lines() { std::fclose(file_); }
  Lines(const Lines&) = delete;
  Lines& operator=(const Lines&) = delete;

  enum class Got { Line, End, TooLong, Failed };
  Got Next(std::string& line) {
    line.clear();
    for (;;) {
      if (at_ == size_) {
        size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
        at_ = 0;
        if (size_ == 0) {
          if (std::ferror(file_)) return Got::Failed;
          if (!partial_) return Got::End;
          partial_ = false;
          return Got::Line;
        }
      }
      const char* start = buffer_.data() + at_;
      const void* end = std::memchr(start, '\n', size_ - at_);
      const std::size_t take =
          end ? static_cast<std::size_t>(static_cast<const char*>(end) - start)
              : size_ - at_;
      if (line.size() + take > kMaxScriptLine) return Got::TooLong;
      line.append(start, take);
      at_ += take;
      if (end) {
        ++at_;
        partial_ = false;
        return Got::Line;
      }
      partial_ = true;
    }
  }
  bool Rewind() {
    at_ = size_ = 0;
    partial_ = false;
    return std::fseek(file_, 0, SEEK_SET) == 0;
  }

 private:
  std::FILE* file_;
  std::vector<char> buffer_;
  std::size_t at_ = 0, size_ = 0;
  bool partial_ = false;
};

bool ParseScript(const std::string& text, const std::string& name,
                 std::vector<ScriptEvent>& events, std::string& error) {
  std::vector<ScriptEvent> parsed;
  std::uint64_t number = 0;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + at, end - at);
    at = end + 1;
    ++number;
    ScriptEvent e{};
    std::string why;
    if (line.size() > kMaxScriptLine) {
      error = LineError(name, number, TooLong());
      return false;
    }
    switch (ParseLine(line, e, why)) {
      case LineKind::Nothing:
        break;
      case LineKind::Event:
        parsed.push_back(e);
        break;
      case LineKind::Bad:
        error = LineError(name, number, why);
        return false;
    }
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

ScriptStream::ScriptStream() = default;
ScriptStream::~ScriptStream() = default;

void ScriptStream::Assign(std::vector<ScriptEvent> events) {
  file_.reset();
  streamed_ = haveHead_ = false;
  held_.clear();
  nextHeld_ = 0;
  lastFrame_ = 0;
  firstLine_.clear();
  supplyClick_ = true;
  for (std::size_t i = 0; i < events.size(); ++i) {
    held_.push_back({events[i], i});
    lastFrame_ = std::max(lastFrame_, events[i].frame);
    if (events[i].frame == 0 &&
        events[i].message.type == MsgType::LButtonDown) {
      supplyClick_ = false;
    }
  }
  std::stable_sort(held_.begin(), held_.end(),
                   [](const Held& a, const Held& b) {
                     return a.event.frame < b.event.frame;
                   });
  any_ = true;
}

bool ScriptStream::Open(const std::string& path, std::string& error) {
  Assign({});
  path_ = path;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot read input script \"" + path + "\"";
    return false;
  }
  auto lines = std::make_unique<Lines>(f);
  // A pipe cannot be read twice: its events are held, as far as the limit.
  streamed_ = os::IsRegularFile(path);
  std::string text;
  std::uint64_t number = 0;
  std::uint32_t runningMax = 0;
  for (;;) {
    const Lines::Got got = lines->Next(text);
    if (got == Lines::Got::End) break;
    if (got == Lines::Got::Failed) {
      error = "cannot read input script \"" + path + "\"";
      return false;
    }
    ++number;
    if (got == Lines::Got::TooLong) {
      error = LineError(path, number, TooLong());
      return false;
    }
    if (number == 1) firstLine_ = text;
    ScriptEvent e{};
    std::string why;
    const LineKind kind = ParseLine(text, e, why);
    if (kind == LineKind::Bad) {
      error = LineError(path, number, why);
      return false;
    }
    if (kind == LineKind::Nothing) continue;
    lastFrame_ = std::max(lastFrame_, e.frame);
    if (e.frame == 0 && e.message.type == MsgType::LButtonDown) {
      supplyClick_ = false;
    }
    // Streamed, an event is held only when a later frame's event came
    // before it in the file.
    if (streamed_ && e.frame >= runningMax) {
      runningMax = e.frame;
      continue;
    }
    if (held_.size() == kMaxHeldScriptEvents) {
      error = LineError(
          path, number,
          streamed_
              ? "more events out of frame order than the " +
                    std::to_string(kMaxHeldScriptEvents) + " a script may hold"
              : "more events than the " + std::to_string(kMaxHeldScriptEvents) +
                    " a script that is not a regular "
                    "file may hold");
      return false;
    }
    held_.push_back({e, number});
  }
  std::stable_sort(held_.begin(), held_.end(),
                   [](const Held& a, const Held& b) {
                     return a.event.frame < b.event.frame;
                   });
  if (streamed_) {
    if (!lines->Rewind()) {
      error = "cannot read input script \"" + path + "\"";
      return false;
    }
    file_ = std::move(lines);
    runningMax_ = 0;
    lineNumber_ = 0;
    Fill();
  }
  return true;
}

// The next event of the file that is in frame order where it stands.
bool ScriptStream::Fill() {
  haveHead_ = false;
  if (!file_) return false;
  std::string text;
  for (;;) {
    const Lines::Got got = file_->Next(text);
    if (got == Lines::Got::End) {
      file_.reset();
      return false;
    }
    ++lineNumber_;
    ScriptEvent e{};
    std::string why;
    const LineKind kind =
        got == Lines::Got::Line ? ParseLine(text, e, why) : LineKind::Bad;
    if (kind == LineKind::Bad) {
      // Checked whole at the start: it has changed since. The replay ends.
      base::Say(
          "%s changed while it was being replayed; its events end at "
          "line %llu",
          path_.c_str(), static_cast<unsigned long long>(lineNumber_));
      file_.reset();
      return false;
    }
    if (kind == LineKind::Nothing || e.frame < runningMax_) continue;
    runningMax_ = e.frame;
    head_ = {e, lineNumber_};
    haveHead_ = true;
    return true;
  }
}

bool ScriptStream::Peek(ScriptEvent& out) {
  const Held* next = nullptr;
  if (haveHead_) next = &head_;
  if (nextHeld_ < held_.size()) {
    const Held& h = held_[nextHeld_];
    if (!next || h.event.frame < next->event.frame ||
        (h.event.frame == next->event.frame && h.line < next->line)) {
      next = &h;
    }
  }
  if (supplyClick_ && (!next || next->event.frame > 0)) {
    out = {0, {MsgType::LButtonDown, 0, 0}};
    return true;
  }
  if (!next) return false;
  out = next->event;
  return true;
}

void ScriptStream::Pop() {
  const bool fromHead =
      haveHead_ && (nextHeld_ == held_.size() ||
                    head_.event.frame < held_[nextHeld_].event.frame ||
                    (head_.event.frame == held_[nextHeld_].event.frame &&
                     head_.line < held_[nextHeld_].line));
  const std::uint32_t frame = fromHead ? head_.event.frame
                              : nextHeld_ < held_.size()
                                  ? held_[nextHeld_].event.frame
                                  : 1;
  if (supplyClick_ && frame > 0) {
    supplyClick_ = false;
  } else if (fromHead) {
    Fill();
  } else if (nextHeld_ < held_.size()) {
    ++nextHeld_;
  }
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
  const std::string_view first =
      std::string_view(text).substr(0, text.find('\n'));
  std::string_view w[4];
  std::size_t words = 0;
  for (std::size_t at = 0; at < first.size();) {
    while (at < first.size() && IsSpace(first[at])) ++at;
    if (at == first.size()) break;
    std::size_t end = at;
    while (end < first.size() && !IsSpace(first[end])) ++end;
    if (words < 4) w[words] = first.substr(at, end - at);
    ++words;
    at = end;
  }
  std::uint64_t n = 0;
  if (words != 3 || w[0] != "#" || w[1] != "seed" ||
      !base::ParseUnsigned(w[2], 0xFFFFFFFFull, n)) {
    return false;
  }
  seed = static_cast<std::uint32_t>(n);
  return true;
}

}  // namespace platform
