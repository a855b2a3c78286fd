// Input scripts: one window message a line, "F move X Y", "F ldown", "F lup",
// "F rdown", "F rup", "F key escape", "F deactivate", where F is the scene
// call the message comes before (0: the start-up wait). The recorder writes
// and replays them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/platform.h"

namespace platform {

struct ScriptEvent {
  std::uint32_t frame;
  Message message;
};

// The scene-call count is 32 bits: no run goes past this frame.
inline constexpr std::uint32_t kLastReachableFrame = 0xFFFFFFFFu;
// No line of a script is anywhere near this long: a longer one (an endless
// stream of zeros, say) is refused before it fills the memory.
inline constexpr std::size_t kMaxScriptLine = 1 << 16;
// Events held in memory at most: those of a script that is not a regular
// file (a pipe cannot be read twice), and those that come later in a file
// than events of later frames (they must be delivered first).
inline constexpr std::size_t kMaxHeldScriptEvents = 1 << 20;

// Parses a script. False with a message naming the line.
bool ParseScript(const std::string& text, const std::string& name,
                 std::vector<ScriptEvent>& events, std::string& error);

// Puts the events in frame order (keeping the order within a frame) and,
// when the start-up wait has no left press of its own, supplies one after
// its other events, so that the wait ends.
void PrepareScript(std::vector<ScriptEvent>& events);

// The line for one event, without its line end; empty for a message that
// scripts cannot hold (it changes nothing a scene sees).
std::string FormatScriptEvent(std::uint32_t frame, const Message& message);

// The seed named by a first line "# seed N"; false when there is none.
bool ReadScriptSeed(const std::string& text, std::uint32_t& seed);

// A script's events in the order PrepareScript gives them. A script file is
// read line by line: once through to check every line, then again as its
// events fall due, so the memory it takes stays flat however long it is
// (only events out of frame order, and a pipe's events, are held).
class ScriptStream {
 public:
  ScriptStream();
  ~ScriptStream();
  ScriptStream(const ScriptStream&) = delete;
  ScriptStream& operator=(const ScriptStream&) = delete;

  // Opens and checks the script file `path`. False with a one-line message
  // naming the file (and the line) when it cannot be used: unreadable, a
  // line that is not an event, not text, or too long, or more events to
  // hold than kMaxHeldScriptEvents.
  bool Open(const std::string& path, std::string& error);
  // Plays these events instead (tests and benchmarks give them directly).
  void Assign(std::vector<ScriptEvent> events);

  // The next event, left in place; false at the end.
  bool Peek(ScriptEvent& out);
  void Pop();
  bool empty() const { return !any_; }
  // The largest frame of any event (0 for none).
  std::uint32_t lastFrame() const { return lastFrame_; }
  // The file's first line (for its "# seed N").
  const std::string& firstLine() const { return firstLine_; }

 private:
  class Lines;
  bool Fill();

  // Events held in memory, in delivery order, each with its line.
  struct Held {
    ScriptEvent event;
    std::uint64_t line;
  };
  std::vector<Held> held_;
  std::size_t nextHeld_ = 0;
  // The file, read the second time: the next event that was in frame
  // order where it stood.
  std::unique_ptr<Lines> file_;
  std::string path_;
  bool streamed_ = false;
  bool haveHead_ = false;
  Held head_{};
  std::uint32_t runningMax_ = 0;
  std::uint64_t lineNumber_ = 0;
  // The start-up click supplied after the frame-0 events, when none of
  // them is one.
  bool supplyClick_ = false;
  bool any_ = false;
  std::uint32_t lastFrame_ = 0;
  std::string firstLine_;
};

}  // namespace platform
