// Input scripts: one window message a line, "F move X Y", "F ldown", "F lup",
// "F rdown", "F rup", "F key escape", "F deactivate", where F is the scene
// call the message comes before (0: the start-up wait). The recorder writes
// and replays them.
#pragma once
#include <cstddef>
#include <cstdint>
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

// Parses a script. False with a message naming the line.
bool ParseScript(const std::string& text, const std::string& name,
                 std::vector<ScriptEvent>& events, std::string& error);

// Puts the events in frame order (keeping the order within a frame) and,
// when the start-up wait has no left press of its own, supplies one after
// its other events, so that the wait ends.
void PrepareScript(std::vector<ScriptEvent>& events);

// Reads and parses the script file `path`, giving its text too (for the
// seed line). False with a one-line message naming the file.
bool LoadScript(const std::string& path, std::vector<ScriptEvent>& events,
                std::string& text, std::string& error);

// The line for one event, without its line end; empty for a message that
// scripts cannot hold (it changes nothing a scene sees).
std::string FormatScriptEvent(std::uint32_t frame, const Message& message);

// The seed named by a first line "# seed N"; false when there is none.
bool ReadScriptSeed(const std::string& text, std::uint32_t& seed);

}  // namespace platform
