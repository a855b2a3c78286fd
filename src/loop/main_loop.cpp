// Start-up, the window procedure and the frame loop.
//
// Each Step() is one pass of the original loops: at most one window message,
// and a scene call only in a pass that handled none. A pass that handled a
// message draws nothing, so a burst of messages delays the next frame.
#include "loop/main_loop.h"

#include "base/input.h"
#include "base/random.h"
#include "base/scores.h"
#include "base/trig.h"
#include "game/actors.h"
#include "scenes/scenes.h"
#include "sound/sound.h"
#include "sound/sound_log.h"
#include "video/video.h"

namespace loop {

u32 SceneCalls = 0;
base::Scene LastScene = nullptr;
u32 LastSceneInput[4] = {};
bool InPregame = true;

namespace {

using platform::Message;
using platform::MsgType;

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
  return platform::Current()->PollMessage(out);
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
  sound::InitSound();
  if (!video::InitDisplay()) {
    exitCode = 0;
    return false;
  }
  platform::Platform& p = *platform::Current();
  p.HideCursor();
  base::SeedRandom(options.fixedSeed ? options.seed : p.CalendarSeconds());
  base::CurrentScene = scenes::OpeningScene;
  InPregame = false;
  return true;
}

StepResult PregamePass() {
  if (!splashShown) {
    platform::Current()->ShowSplash();
    splashShown = true;
  }
  const Pump pump = PumpOneMessage();
  if (pump == Pump::Quit) return Finish();
  if (base::LeftButton == 1) {
    // The click that ends the wait is not cleared: the opening may see it.
    if (!StartDevices()) return Finish();
    return StepResult::Message;
  }
  return pump == Pump::Handled ? StepResult::Message : StepResult::Idle;
}

StepResult FramePass() {
  const Pump pump = PumpOneMessage();
  if (pump == Pump::Quit) return Finish();
  if (pump == Pump::Handled || base::AppActive != 1 || !video::DisplayUp()) {
    return StepResult::Message;
  }
  RunFrame();
  // A frame that cannot be shown is skipped, never retried.
  platform::Current()->Present(video::PrimarySurface->pixels,
                               video::PrimarySurface->pitch,
                               video::DisplayPalette.entries);
  // Between frames, one at a time, so no frame makes them all; after the
  // present, so the frame is on screen first.
  sound::PrepareGameRecordings();
  return StepResult::Frame;
}

}  // namespace

void RunFrame() {
  LastSceneInput[0] = base::MouseX;
  LastSceneInput[1] = base::MouseY;
  LastSceneInput[2] = base::LeftButton;
  LastSceneInput[3] = base::RightButton;
  LastScene = base::CurrentScene;
  sound::ClearSoundLog();
  if (base::CurrentScene) base::CurrentScene();
  ++SceneCalls;
  base::LeftButton = 0;
  base::RightButton = 0;
  if (platform::Platform* p = platform::Current()) p->AfterScene();
  video::FlipSurfaces();
}

void ReleaseDevices() {
  video::ShutdownDisplay();
  sound::ReleaseSound();
}

void PostMessage(const Message& message) {
  if (postedCount == kPostedCapacity) return;
  posted[(postedHead + postedCount) % kPostedCapacity] = message;
  ++postedCount;
}

void QuitSequence() {
  if (sound::SoundDeviceOpen()) {
    for (int channel : {0, 1, 2, 3, 4, 5, 6, sound::kMusicChannel}) {
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
      base::AppActive = m.wParam;
      if (m.wParam == 0) QuitSequence();
      break;
    case MsgType::KeyDown:
      if (m.wParam == platform::kKeyEscape) QuitSequence();
      break;
    case MsgType::MouseMove:
      // Zero-extended halves: a position word never turns negative here.
      base::MouseX = m.lParam & 0xFFFF;
      base::MouseY = (m.lParam >> 16) & 0xFFFF;
      break;
    case MsgType::LButtonDown:
      base::LeftButton = 1;
      break;
    case MsgType::LButtonUp:
      base::LeftButton = 0;
      break;
    case MsgType::RButtonDown:
      base::RightButton = 1;
      break;
    case MsgType::RButtonUp:
      base::RightButton = 0;
      break;
    case MsgType::Quit:
      break;
  }
}

void ResetRun() {
  base::ResetInput();
  base::CurrentScene = nullptr;
  base::ResetScores();
  base::SeedRandom(0);
  video::ResetVideo();
  sound::ResetSound();
  game::ResetGame();
  scenes::ResetScenes();
  SceneCalls = 0;
  LastScene = nullptr;
  for (u32& v : LastSceneInput) v = 0;
  InPregame = true;
  exitCode = 0;
  splashShown = false;
  finished = false;
  postedHead = postedCount = 0;
}

void Start(platform::Platform& platform, const StartOptions& startOptions) {
  platform::SetCurrent(&platform);
  ResetRun();
  options = startOptions;
  base::AppActive = 1;  // the window exists from here on
  base::LoadScores();   // over the defaults: DetailLevel 2, Difficulty 1...
  base::BuildTrigTables();
}

StepResult Step() {
  if (finished) return StepResult::Exit;
  return InPregame ? PregamePass() : FramePass();
}

int ExitCode() { return exitCode; }

std::uint64_t MessageFrame() {
  return InPregame ? 0 : std::uint64_t{SceneCalls} + 1;
}

}  // namespace loop
