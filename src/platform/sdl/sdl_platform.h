// The SDL back end: the start-up window, the 640 x 480 display whole-number
// scaled in a window or full screen, mouse and keyboard, frame pacing, the
// audio device, screenshots, and recording and replaying a session. Files
// and the calendar are the null platform's.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/null/input_queue.h"
#include "platform/null/null_platform.h"
#include "platform/null/script.h"
#include "platform/null/settings_file.h"
#include "platform/sdl/frame_pacer.h"
#include "platform/sdl/screenshots.h"

namespace platform {

struct SdlOptions {
  DisplaySettings display;           // the mode (Alt+Enter switches) and scale
  SettingsFile* settings = nullptr;  // where a change of mode is remembered
  std::string screenshotFolder;
  std::string recordFile;  // --record: the session's input as a script
  std::string replayFile;  // --replay: a script's input instead of the mouse
  std::string traceFile;   // --trace: one line a scene call, as headless
  bool showStats = false;  // TUMBLESQUASH_FPS: pacing figures on stderr
};

class SdlPlatform final : public NullPlatform {
 public:
  explicit SdlPlatform(const SdlOptions& options);
  ~SdlPlatform() override;

  // False (with a one-line message) when a file named in the options cannot
  // be used. Done before any window opens.
  bool OpenFiles(std::uint32_t& seed, bool& fixedSeed);
  // False when SDL's video cannot start at all.
  bool CreateStartWindow();

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
  bool Paused() const { return paused_; }
  // True when a message for the frame loop is waiting (reads the events).
  bool MessageWaiting();
  // Waits a little for input while nothing else is to be done.
  void WaitForInput(int milliseconds);
  // Writes the settings file when the volume keys changed something.
  void SaveSettingsIfChanged() {
    if (settingsChanged_) SaveSettings();
  }
  // Flushes and closes the record and trace files; false on a write error.
  bool CloseFiles();

  SDL_Window* window() const { return window_; }

 private:
  using Nanos = FramePacer::Nanos;
  static Nanos Now();
  static void SleepUntil(Nanos when);

  void PumpEvents();
  void CheckLostReleases();
  void Handle(const SDL_Event& e);
  void HandleWindowEvent(const SDL_WindowEvent& e);
  void HandleKey(const SDL_KeyboardEvent& e);
  std::uint32_t MousePosition(int x, int y) const;
  void Record(const Message& m);

  void ToggleFullScreen();
  void ApplyMode();
  bool UpdateLayout();
  int FittingScale() const;
  void LoseFocus();
  void Pause(bool pause);
  void SetIcon(SDL_Window* window);
  void SaveSettings();
  void Stats(Nanos presentTime, bool presented);

  SdlOptions options_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  Uint32 textureFormat_ = SDL_PIXELFORMAT_ARGB8888;
  bool displayOpen_ = false;

  // The picture's place in the window, in output pixels.
  int outWidth_ = 0, outHeight_ = 0;
  int scale_ = 1;
  SDL_Rect picture_{0, 0, 640, 480};
  // Window points to output pixels (not 1 on high-density screens).
  float pixelsPerPoint_ = 1;

  bool settingsChanged_ = false;
  // Left and right: SDL missed a release (see CheckLostReleases).
  bool staleButton_[2] = {false, false};
  bool paused_ = false;
  bool focused_ = false;
  // A mode switch moves the window around and may take the focus away for
  // a moment; a loss within this time is checked again once it is over.
  Nanos focusGraceUntil_ = 0;
  bool focusCheckPending_ = false;

  InputQueue queue_;
  FramePacer pacer_;
  bool vsync_ = false;

  // The frame on screen, for F12.
  std::vector<std::uint8_t> shown_;
  PaletteEntry shownPalette_[256] = {};
  bool haveShown_ = false;
  std::unique_ptr<ScreenshotWriter> screenshots_;

  std::FILE* record_ = nullptr;
  bool closeRecorded_ = false;
  std::FILE* trace_ = nullptr;
  std::string traceLine_;
  ScriptPlayer replay_;  // empty without --replay

  // TUMBLESQUASH_FPS figures over the last second.
  Nanos statsStart_ = 0;
  int statsScenes_ = 0, statsPresents_ = 0;
  Nanos statsPresentTime_ = 0, statsPresentMax_ = 0;
  Nanos statsCpuStart_ = 0, statsProcessCpuStart_ = 0;
  std::int64_t statsTotalScenes_ = 0;
  bool clickWaiting_ = false;  // a press reached a scene, not yet shown
};

// Runs the game; returns the exit code.
int RunSdl(const SdlOptions& options);

// A problem that stops the game before it starts: one line on stderr and a
// message box where a display can show one.
void ShowStartupError(const char* text);

}  // namespace platform
