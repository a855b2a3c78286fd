// The start-up sequence and the frame loop, one pass per Step call so that
// any driver (a plain loop, a browser's animation frame) can run it.
#pragma once
#include "app/scene.h"
#include "app/types.h"
#include "platform/platform.h"

namespace app {

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

// Registers the platform and resets the core; nothing is shown yet.
void Start(platform::Platform& platform, const StartOptions& options);
StepResult Step();
int ExitCode();

// Scene calls made so far, and the scene called last (for the trace).
extern u32 SceneCalls;
extern Scene LastScene;
// Input as the last scene saw it when it started: x, y, left, right.
extern u32 LastSceneInput[4];
extern bool InPregame;

// The window procedure and the posted-message queue.
void MainWindowProc(const platform::Message& message);
void PostMessage(const platform::Message& message);
void QuitSequence();

platform::Platform& CurrentPlatform();

}  // namespace app
