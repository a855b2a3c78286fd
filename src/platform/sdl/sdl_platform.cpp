#include "platform/sdl/sdl_platform.h"

#include <cstdio>
#include <vector>

#include "base/data_folder.h"
#include "base/say.h"
#include "base/scores.h"
#include "loop/main_loop.h"
#include "platform/os/memory.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/splash_file.h"
#include "sound/volumes.h"
#include "video/display.h"
#include "video/sheet_layout.h"
#include "video/surface.h"

namespace platform {

SdlPlatform::SdlPlatform(const SdlOptions& options)
    : options_(options), presenter_(options.showStats), events_(*this) {
  if (!options_.screenshotFolder.empty()) {
    screenshots_ =
        std::make_unique<ScreenshotWriter>(options_.screenshotFolder);
  }
}

SdlPlatform::~SdlPlatform() {
  screenshots_.reset();
  CloseFiles();
  CloseDisplay();
  presenter_.Close();
  window_.Close();
  SDL_Quit();
}

bool SdlPlatform::OpenFiles(std::uint32_t& seed, bool& fixedSeed) {
  std::string error;
  if (!recorder_.Open(options_.session, error)) {
    base::Say("%s", error.c_str());
    return false;
  }
  if (recorder_.replaying()) {
    events_.SetReplaying(true);
    if (recorder_.ReplaySeed(seed)) {
      fixedSeed = true;
    } else {
      base::Say(
          "%s has no \"# seed N\" first line; the replay starts from "
          "another seed than the recording",
          options_.session.replay.c_str());
    }
  }
  if (recorder_.recording()) {
    // A recording must replay from the same seed, so it is chosen now.
    if (!fixedSeed) {
      seed = CalendarSeconds();
      fixedSeed = true;
    }
    recorder_.BeginRecording(seed);
  }
  return true;
}

void SdlPlatform::ShowSplash() {
  const std::string splash = base::DataFile(layout::kSplashPicture);
  // SDL is handed the file only once it is known to be a regular file of a
  // size that is sane to allocate.
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!ReadSplash(*this, splash.c_str(), bytes, error)) {
    if (!error.empty()) {
      base::Say("splash picture \"%s\" refused: %s", splash.c_str(),
                error.c_str());
    }
    bytes.clear();
  }
  if (!window_.ShowSplash(bytes)) {
    base::Say("splash picture \"%s\" refused: %s", splash.c_str(),
              SDL_GetError());
  }
  PrepareSdlAudio();
  // While the start picture waits for its click, the system hands out the
  // pages of the game's surfaces, which opening the display would otherwise
  // wait for.
  for (const std::span<std::uint8_t> block : video::SurfaceMemory()) {
    os::TakePages(block.data(), block.size());
  }
}

bool SdlPlatform::OpenDisplay() {
  presenter_.DisplayOpening();
  if (!window_.OpenGame(options_.display)) return false;
  if (!presenter_.Open(window_.get(), window_.DesktopAt60Hz(), Mode())) {
    return false;
  }
  window_.Grab(options_.display.fullScreen);
  window_.Raise();
  displayOpen_ = true;
  events_.WindowChanging(true);
  presenter_.Restart();
  return true;
}

void SdlPlatform::CloseDisplay() {
  presenter_.Close();
  if (displayOpen_) window_.Grab(false);
  displayOpen_ = false;
}

void SdlPlatform::ShowFailure(const char* caption, const char* text) {
  NullPlatform::ShowFailure(caption, text);
  window_.ShowFailure(caption, text);
}

void SdlPlatform::HideCursor() { SDL_ShowCursor(SDL_DISABLE); }

std::uint32_t SdlPlatform::Pointer(int x, int y) const {
  return displayOpen_ ? GamePointer(presenter_.layout(), x, y)
                      : StartWindowPointer(x, y);
}

void SdlPlatform::ToggleFullScreen() {
  options_.display.fullScreen = !options_.display.fullScreen;
  window_.ApplyMode(options_.display);
  presenter_.UpdateLayout(Mode());
  SaveSettings();
}

void SdlPlatform::SaveScreenshot() {
  if (screenshots_ && presenter_.shown()) {
    screenshots_->Save(presenter_.shown(), kScreenWidth,
                       presenter_.shownPalette());
  }
}

void SdlPlatform::SaveSettings(LockWait wait) {
  settingsChanged_ = false;
  if (!options_.settings) return;
  platform::SaveSettings(*this, *options_.settings, options_.display,
                         sound::GetVolumes(), wait);
}

void SdlPlatform::Exposed() {
  presenter_.Exposed();
  // A paused game draws nothing by itself: its frame is shown again.
  if (events_.paused()) presenter_.ShowAgain();
}

void SdlPlatform::Pause(bool paused) {
  PauseSdlAudio(paused);
  SDL_ShowCursor(paused ? SDL_ENABLE : SDL_DISABLE);
  window_.ShowPaused(paused);
  // Time stood still: the frames missed are not made up.
  if (!paused) presenter_.Restart();
}

bool SdlPlatform::PollMessage(Message& out) {
  InputQueue& queue = events_.queue();
  if (!queue.Pop(out)) {
    if (displayOpen_) window_.CheckFrame();
    events_.Pump();
    if (!queue.Pop(out) && !recorder_.NextReplayed(out)) return false;
  }
  if (out.type == MsgType::LButtonDown && displayOpen_) presenter_.ClickSeen();
  recorder_.Record(out);
  return true;
}

bool SdlPlatform::MessageWaiting() {
  if (events_.queue().Empty()) events_.Pump();
  return !events_.queue().Empty();
}

// Not SDL_WaitEventTimeout: while it waits, SDL wakes it through a second X
// connection aimed at one of our windows, and a wake-up aimed at a window
// that has just gone kills the program with an X error as SDL shuts down.
// Looking every few milliseconds costs nothing worth mentioning.
void SdlPlatform::WaitForInput(int milliseconds) {
  const Uint64 until = SDL_GetTicks64() + static_cast<Uint64>(milliseconds);
  while (SDL_GetTicks64() < until) {
    SDL_PumpEvents();
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
    SDL_Delay(2);
  }
}

void SdlPlatform::AfterScene() {
  events_.queue().SceneCalled();
  recorder_.AfterScene();
}

bool SdlPlatform::Present(const std::uint8_t* pixels, int pitch,
                          const PaletteEntry* palette) {
  return presenter_.Present(pixels, pitch, palette);
}

bool SdlPlatform::OpenAudio() { return OpenSdlAudio(); }

void SdlPlatform::CloseAudio() { CloseSdlAudio(); }

void ShowStartupError(const char* text) {
  base::Say("%s", text);
#ifndef _WIN32
  // (On Windows the program's entry shows what a failed start said when
  // there is no console to read it in: platform/windows/program.cpp.)
  ShowErrorBox(video::kFailureCaption, text, nullptr);
#endif
}

int RunSdl(const SdlOptions& options) {
  // Ours to close on the way out; not a static, whose destructor would run
  // from exit() inside Xlib when the display connection breaks, and hang.
  auto owned = std::make_unique<SdlPlatform>(options);
  SdlPlatform& platform = *owned;
  loop::StartOptions start;
  if (!platform.OpenFiles(start.seed, start.fixedSeed)) return 2;
  if (!platform.CreateStartWindow()) {
    // Without a window there is no game to show: say so and end quietly.
    base::Say("cannot open a window (%s)", SDL_GetError());
    std::fprintf(stderr, "%s: %s\n", video::kFailureCaption,
                 video::kFailureText);
    return 0;
  }
  loop::Start(platform, start);
  for (;;) {
    // Paused, the loop only takes what comes for it (Escape, a close);
    // once the display is down nothing can run a scene any more.
    if (platform.Paused() && video::DisplayUp() && !platform.MessageWaiting()) {
      platform.WaitForInput(50);
      continue;
    }
    switch (loop::Step()) {
      case loop::StepResult::Exit: {
        const int code = loop::ExitCode();
        base::FinishScores();
        platform.SaveSettingsIfChanged();
        if (!platform.CloseFiles()) return code == 0 ? 2 : code;
        return code;
      }
      case loop::StepResult::Idle:
        platform.WaitForInput(10);
        break;
      case loop::StepResult::Frame:
      case loop::StepResult::Message:
        break;
    }
  }
}

}  // namespace platform
