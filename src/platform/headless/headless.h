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
  // Run even where no picture files are found (every picture blank).
  bool noPictures = false;
  std::vector<std::pair<std::uint32_t, std::string>> shots;
  // Events given directly (tests, benchmarks) instead of an input file.
  std::vector<ScriptEvent> events;
};

using platform::kLastReachableFrame;

// The runner as a program, given the options that follow --headless (and
// the program's own path, to find installed pictures by): the exit code, 2
// with a one-line message for options it cannot take or no pictures.
int Main(int argc, char** argv, const char* program = nullptr);

// Where a run's pictures are: the --data folder, else the working folder
// (where they always were), else where an installed game keeps them, put
// into options.dataFolder. False (with a one-line message) when none holds
// them, unless options.noPictures.
bool FindPictures(Options& options, const char* program);

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
