// The start-up sequence and the frame loop, one pass per Step call so that
// any driver (a plain loop, a browser's animation frame) can run it.
#pragma once
#include "base/platform.h"
#include "base/scene.h"
#include "base/types.h"

namespace loop {

enum class StepResult {
  Idle,     // a pre-game pass that found no message
  Message,  // a pass that handled a message (no scene ran)
  Frame,    // a scene ran and its frame was flipped
  Exit,     // the program ends; see ExitCode()
};

struct StartOptions {
  bool fixedSeed = false;
  u32 seed = 0;
};

// Makes the platform current, puts the whole run back to its start and
// loads the scores; nothing is shown yet.
void Start(platform::Platform& platform, const StartOptions& options);
StepResult Step();
int ExitCode();

// Every global of the program back to its start-of-run value: input,
// settings and scores, display, sound, the pool and its counters, the
// scenes, the generator and the loop's own counts. A second run in the same
// process starts as clean as the first.
void ResetRun();

// One frame as the frame loop runs it: the scene call, both buttons up, the
// current platform's after-scene hook, the flip. (Presenting is the loop's.)
void RunFrame();

// Scene calls made so far, and the scene called last (for the trace).
extern u32 SceneCalls;
extern base::Scene LastScene;
// Input as the last scene saw it when it started: x, y, left, right.
extern u32 LastSceneInput[4];
extern bool InPregame;

// The frame a window message taken now belongs to, as input scripts number
// them: 0 in the pre-game loop, else the scene call it comes before. Wider
// than the count, so that the one after the last reachable frame does not
// wrap to 0. Recording and replaying both go by this.
std::uint64_t MessageFrame();

// Releases the display and the sound device if they are up: for a run that
// is cut short before its quit sequence.
void ReleaseDevices();

// The window procedure and the posted-message queue.
void MainWindowProc(const platform::Message& message);
void PostMessage(const platform::Message& message);
void QuitSequence();

}  // namespace loop
