// The headless runner: the real program flow with scripted input, a
// per-frame trace and PNG shots, for tests, benchmarks and reviews.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/platform.h"
#include "platform/system/png_file.h"
#include "platform/system/script.h"
#include "sound/volumes.h"

namespace headless {

using platform::ParseScript;
using platform::ScriptEvent;
using platform::WritePng;

struct Options {
  bool hasSeed = false;
  std::uint32_t seed = 0;
  long long frames = -1;  // -1: run to the quit sequence or the script's end
  std::string inputFile;
  std::string traceFile;
  std::string audioOutFile;  // the mix as a 44.1 kHz 16-bit stereo WAVE
  sound::Volumes volumes;    // for renders
  std::string dataFolder;    // empty: the pictures are in the working folder
  bool traceActors = false;
  std::vector<std::pair<std::uint32_t, std::string>> shots;
  // Events given directly (tests, benchmarks) instead of an input file.
  std::vector<ScriptEvent> events;
};

using platform::kLastReachableFrame;

// The runner's options, as --help lists them.
inline constexpr char kUsage[] =
    "  --headless [--seed N] [--frames N] [--input FILE] [--trace FILE]\n"
    "             [--trace-actors] [--shot FRAME:FILE.png ...] [--data DIR]\n"
    "             [--audio-out FILE.wav] [volume options]\n"
    "                       run without a window, for tests: pictures and\n"
    "                       Score.dat in the working folder (pictures in\n"
    "                       DIR with --data); a recorded session replays\n"
    "                       with --seed N --input FILE\n";

// The runner as a program, given the options that follow --headless: the
// exit code, 2 with a one-line message for options it cannot take.
int Main(int argc, char** argv);

// Parses the options that follow --headless. False with a one-line message.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// The scene call after which a run stops: --frames, else 10000 after the
// last event, but never past the last frame a run can reach.
std::uint32_t LastFrame(const Options& options, std::uint32_t lastEventFrame);
std::uint32_t LastFrame(const Options& options,
                        const std::vector<ScriptEvent>& events);

// Runs the program to its end; returns the exit code: the game's own, or 2
// with a one-line message on stderr when a file named in the options cannot
// be read or written (the script, the data folder, the trace, a shot, the
// audio).
int Run(const Options& options);

}  // namespace headless
