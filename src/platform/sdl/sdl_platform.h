// The desktop back end's driver: the platform interface on SDL, put
// together from the window (window.h), the events (events.h), the presenter
// (presenter.h), the audio device, screenshots and the session recorder.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/sdl/events.h"
#include "platform/sdl/presenter.h"
#include "platform/sdl/screenshots.h"
#include "platform/sdl/window.h"
#include "platform/system/null_platform.h"
#include "platform/system/recorder.h"
#include "platform/system/settings_file.h"

namespace platform {

struct SdlOptions {
  DisplaySettings display;           // the mode (Alt+Enter switches) and scale
  SettingsFile* settings = nullptr;  // where a change of mode is remembered
  std::string screenshotFolder;
  int displayIndex = -1;   // --display N; -1: the first
  RecorderFiles session;   // --record, --replay, --trace
  bool showStats = false;  // TUMBLESQUASH_FPS: pacing figures on stderr
};

class SdlPlatform final : public NullPlatform, private EventHost {
 public:
  explicit SdlPlatform(const SdlOptions& options);
  ~SdlPlatform() override;

  // False (with a one-line message) when a file named in the options cannot
  // be used. Done before any window opens; chooses the seed a recording or
  // replay needs.
  bool OpenFiles(std::uint32_t& seed, bool& fixedSeed);
  // False when SDL's video cannot start at all.
  bool CreateStartWindow() {
    return window_.OpenStartWindow(options_.displayIndex);
  }

  bool PollMessage(Message& out) override;
  void ShowSplash() override;
  bool OpenDisplay() override;
  void CloseDisplay() override;
  void ShowFailure(const char* caption, const char* text) override;
  void HideCursor() override;
  bool Present(const std::uint8_t* pixels, int pitch,
               const PaletteEntry* palette) override;
  bool OpenAudio() override;
  void CloseAudio() override;
  void AfterScene() override;

  // In a window that lost the foreground the game waits: no scene calls.
  bool Paused() const { return events_.paused(); }
  // True when a message for the frame loop is waiting (reads the events).
  bool MessageWaiting();
  // Waits a little for input while nothing else is to be done.
  void WaitForInput(int milliseconds);
  // As the game ends: writes the settings file when the volume keys changed
  // something or a save was put off, waiting a little for another instance
  // that is saving (no frame is left to show).
  void SaveSettingsIfChanged() {
    if (settingsChanged_ ||
        (options_.settings && options_.settings->putOff())) {
      SaveSettings(LockWait::AFewSeconds);
    }
  }
  // Writes out and closes the record and trace files; false (said on
  // stderr) when anything could not be written.
  bool CloseFiles() { return recorder_.Close(); }

  SDL_Window* window() const { return window_.get(); }
  // One event as SDL delivers it (tests hand them in directly).
  void HandleEvent(const SDL_Event& e) { events_.Handle(e); }

 private:
  // What the events ask of the back end.
  bool DisplayOpen() const override { return displayOpen_; }
  bool FullScreen() const override { return options_.display.fullScreen; }
  std::uint32_t WindowId() const override { return window_.id(); }
  bool HasInputFocus() const override { return window_.HasInputFocus(); }
  std::uint32_t Pointer(int x, int y) const override;
  void ToggleFullScreen() override;
  void SaveScreenshot() override;
  void VolumesChanged() override { settingsChanged_ = true; }
  void Resized() override { presenter_.UpdateLayout(Mode()); }
  void Exposed() override;
  void Pause(bool paused) override;

  void SaveSettings(LockWait wait = LockWait::No);
  ScaleMode Mode() const { return ModeForScale(options_.display.scale); }

  SdlOptions options_;
  SdlWindow window_;
  SdlPresenter presenter_;
  SdlEvents events_;
  Recorder recorder_;
  std::unique_ptr<ScreenshotWriter> screenshots_;
  bool displayOpen_ = false;
  bool settingsChanged_ = false;
};

// Runs the game; returns the exit code.
int RunSdl(const SdlOptions& options);

// A problem that stops the game before it starts: one line on stderr and a
// message box where a display can show one.
void ShowStartupError(const char* text);

}  // namespace platform
