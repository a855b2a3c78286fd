// Start-up, the window procedure and the frame loop.
//
// Each Step() is one pass of the original loops: at most one window message,
// and a scene call only in a pass that handled none. A pass that handled a
// message draws nothing, so a burst of messages delays the next frame.
#include "app/main_loop.h"

#include "app/input.h"
#include "app/random.h"
#include "app/scores.h"
#include "app/trig.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "video/video.h"

namespace app {

Scene CurrentScene = nullptr;
u32 SceneCalls = 0;
Scene LastScene = nullptr;
u32 LastSceneInput[4] = {};
bool InPregame = true;

namespace {

using platform::Message;
using platform::MsgType;

platform::Platform* thePlatform = nullptr;
StartOptions options;
int exitCode = 0;
bool splashShown = false;
bool finished = false;

// Messages the game posts to itself (close request, quit). They are taken
// before new input, as posted messages were.
constexpr int kPostedCapacity = 16;
Message posted[kPostedCapacity];
int postedHead = 0;
int postedCount = 0;

bool TakeMessage(Message& out) {
  if (postedCount > 0) {
    out = posted[postedHead];
    postedHead = (postedHead + 1) % kPostedCapacity;
    --postedCount;
    return true;
  }
  return thePlatform->PollMessage(out);
}

enum class Pump { None, Handled, Quit };

Pump PumpOneMessage() {
  Message m;
  if (!TakeMessage(m)) return Pump::None;
  if (m.type == MsgType::Quit) {
    exitCode = static_cast<int>(m.wParam);
    return Pump::Quit;
  }
  MainWindowProc(m);
  return Pump::Handled;
}

StepResult Finish() {
  finished = true;
  return StepResult::Exit;
}

// Leaving the pre-game loop: devices up, generator seeded, the opening next.
bool StartDevices() {
  sound::InitSound(*thePlatform);
  if (!video::InitDisplay(*thePlatform)) {
    exitCode = 0;
    return false;
  }
  thePlatform->HideCursor();
  SeedRandom(options.fixedSeed ? options.seed : thePlatform->CalendarSeconds());
  CurrentScene = scenes::OpeningScene;
  InPregame = false;
  return true;
}

StepResult PregamePass() {
  if (!splashShown) {
    thePlatform->ShowSplash();
    splashShown = true;
  }
  const Pump pump = PumpOneMessage();
  if (pump == Pump::Quit) return Finish();
  if (LeftButton == 1) {
    // The click that ends the wait is not cleared: the opening may see it.
    if (!StartDevices()) return Finish();
    return StepResult::Message;
  }
  return pump == Pump::Handled ? StepResult::Message : StepResult::Idle;
}

StepResult FramePass() {
  const Pump pump = PumpOneMessage();
  if (pump == Pump::Quit) return Finish();
  if (pump == Pump::Handled || AppActive != 1 || !video::DisplayUp()) {
    return StepResult::Message;
  }
  LastSceneInput[0] = MouseX;
  LastSceneInput[1] = MouseY;
  LastSceneInput[2] = LeftButton;
  LastSceneInput[3] = RightButton;
  LastScene = CurrentScene;
  sound::ClearSoundLog();
  if (CurrentScene) CurrentScene();
  ++SceneCalls;
  LeftButton = 0;
  RightButton = 0;
  thePlatform->AfterScene();
  // A frame that cannot be shown is skipped, never retried.
  video::FlipSurfaces();
  thePlatform->Present(video::PrimarySurface->pixels,
                       video::PrimarySurface->pitch,
                       video::DisplayPalette.entries);
  return StepResult::Frame;
}

}  // namespace

platform::Platform& CurrentPlatform() { return *thePlatform; }

void PostMessage(const Message& message) {
  if (postedCount == kPostedCapacity) return;
  posted[(postedHead + postedCount) % kPostedCapacity] = message;
  ++postedCount;
}

void QuitSequence() {
  if (sound::SoundDeviceOpen()) {
    for (int channel : {0, 1, 2, 3, 4, 5, 6, 13}) {
      sound::SoundCommand(channel, 0, 0);
    }
  }
  video::ShutdownDisplay();
  PostMessage({MsgType::Close, 0, 0});
}

void MainWindowProc(const Message& m) {
  switch (m.type) {
    case MsgType::Close:
      sound::ReleaseSound();
      video::ShutdownDisplay();
      PostMessage({MsgType::Quit, 0, 0});
      break;
    case MsgType::Activate:
      AppActive = m.wParam;
      if (m.wParam == 0) QuitSequence();
      break;
    case MsgType::KeyDown:
      if (m.wParam == platform::kKeyEscape) QuitSequence();
      break;
    case MsgType::MouseMove:
      // Zero-extended halves: a position word never turns negative here.
      MouseX = m.lParam & 0xFFFF;
      MouseY = (m.lParam >> 16) & 0xFFFF;
      break;
    case MsgType::LButtonDown:
      LeftButton = 1;
      break;
    case MsgType::LButtonUp:
      LeftButton = 0;
      break;
    case MsgType::RButtonDown:
      RightButton = 1;
      break;
    case MsgType::RButtonUp:
      RightButton = 0;
      break;
    case MsgType::Quit:
      break;
  }
}

void Start(platform::Platform& platform, const StartOptions& startOptions) {
  thePlatform = &platform;
  options = startOptions;
  exitCode = 0;
  splashShown = false;
  finished = false;
  postedHead = postedCount = 0;
  SceneCalls = 0;
  LastScene = nullptr;
  InPregame = true;
  CurrentScene = nullptr;

  ResetInput();
  AppActive = 1;  // the window exists from here on
  ResetScores();  // DetailLevel 2, Difficulty 1, BonusMode 0
  LoadScores();
  BuildTrigTables();
}

StepResult Step() {
  if (finished) return StepResult::Exit;
  return InPregame ? PregamePass() : FramePass();
}

int ExitCode() { return exitCode; }

}  // namespace app
