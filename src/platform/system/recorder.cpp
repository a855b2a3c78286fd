#include "platform/system/recorder.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "base/say.h"
#include "loop/main_loop.h"
#include "loop/trace.h"

namespace platform {

Recorder::~Recorder() { Close(); }

bool Recorder::Create(Output& out, const std::string& name, const char* what,
                      std::string& error) {
  out.name = name;
  out.file = std::fopen(name.c_str(), "wb");  // the same bytes everywhere
  if (!out.file) {
    error = std::string("cannot write the ") + what + " \"" + name +
            "\": " + std::strerror(errno);
    return false;
  }
  if (!files_.flushEveryLine) {
    static char buffer[1 << 20];
    std::setvbuf(out.file, buffer, _IOFBF, sizeof buffer);
  }
  return true;
}

bool Recorder::Open(const RecorderFiles& files, std::string& error) {
  files_ = files;
  if (!files.replay.empty()) {
    if (!replay_.Open(files.replay, error)) return false;
    replaying_ = true;
  }
  if (!files.record.empty() &&
      !Create(record_, files.record, "recording", error)) {
    return false;
  }
  if (!files.trace.empty() && !Create(trace_, files.trace, "trace", error)) {
    return false;
  }
  if (trace_.file) line_.reserve(1 << 16);
  return true;
}

bool Recorder::ReplaySeed(std::uint32_t& seed) const {
  return ReadScriptSeed(replay_.firstLine(), seed);
}

void Recorder::BeginRecording(std::uint32_t seed) {
  Write(record_, "# seed " + std::to_string(seed) + "\n");
}

void Recorder::Replay(std::vector<ScriptEvent> events) {
  replay_.Assign(std::move(events));
  replaying_ = true;
}

bool Recorder::NextReplayed(Message& out) {
  if (!replaying_) return false;
  ScriptEvent e{};
  if (!replay_.Peek(e)) return false;
  // Frame-0 events belong to the start-up wait (and, after the click that
  // ends it, to the passes before the first scene call); a later event to
  // the passes before its own scene call, or at once if that is past.
  const std::uint64_t now = loop::MessageFrame();
  if (now == 0 ? e.frame != 0 : e.frame > now) return false;
  out = e.message;
  replay_.Pop();
  return true;
}

void Recorder::Record(const Message& m) {
  if (!record_.file) return;
  const std::uint64_t frame = loop::MessageFrame();
  // Past the last frame a script can name, nothing more can be replayed.
  if (frame > kLastReachableFrame) return;
  std::string line = FormatScriptEvent(static_cast<std::uint32_t>(frame), m);
  // Closing the window ends the game as Escape does: no scene runs after
  // either, so the replay ends at the same frame. (The window manager sends
  // two close requests; the second changes nothing.)
  if (m.type == MsgType::Close) {
    if (closeRecorded_) return;
    closeRecorded_ = true;
    line = std::to_string(frame) + " key escape  # the window was closed";
  }
  if (line.empty()) return;
  Write(record_, line + '\n');
}

void Recorder::AfterScene() {
  if (!trace_.file) return;
  loop::TraceLine(line_, files_.traceActors);
  Write(trace_, line_);
}

void Recorder::Write(Output& out, const std::string& text) {
  if (!out.file || out.failed) return;
  if (std::fwrite(text.data(), 1, text.size(), out.file) != text.size() ||
      (files_.flushEveryLine && std::fflush(out.file) != 0)) {
    Fail(out);
  }
}

void Recorder::Fail(Output& out) {
  if (!out.failed) {
    base::Say("cannot write \"%s\": %s", out.name.c_str(),
              std::strerror(errno));
  }
  out.failed = failed_ = true;
}

bool Recorder::Close() {
  for (Output* out : {&record_, &trace_}) {
    if (!out->file) continue;
    const bool flushed = std::fflush(out->file) == 0;
    if (!flushed) Fail(*out);
    if (std::fclose(out->file) != 0 && !out->failed) Fail(*out);
    out->file = nullptr;
  }
  return !failed_;
}

}  // namespace platform
