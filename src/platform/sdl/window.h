// The desktop's windows: the small start-up window with its splash, then
// the game's window in full screen or at a whole-number scale, and the
// switch between the two modes.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <span>

#include "platform/system/settings_file.h"

namespace platform {

class SdlWindow {
 public:
  SdlWindow() = default;
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;
  ~SdlWindow() { Close(); }
  void Close();

  // Starts SDL's video and shows the borderless start-up window, centred.
  // False when there is no display to show it on.
  bool OpenStartWindow();
  // Draws a Windows bitmap (already checked) into the start-up window;
  // black when `bmp` is empty. False when SDL refused the bitmap (the
  // window is then black; SDL_GetError says why).
  bool ShowSplash(std::span<const std::uint8_t> bmp);

  // Puts the game's window in place of the start-up window, in `mode`.
  bool OpenGame(const DisplaySettings& mode);
  // The same window made again without OpenGL (see SdlPresenter).
  bool ReopenWithoutOpenGl();
  // Switches to `mode` (Alt+Enter).
  void ApplyMode(const DisplaySettings& mode);
  // Brings the window to the front (the window manager may decline).
  void Raise() {
    if (window_) SDL_RaiseWindow(window_);
  }
  // The title that says the game waits for a click.
  void ShowPaused(bool paused);
  // Gives the pointer back to the desktop (or keeps it, in full screen).
  void Grab(bool grab);
  // The message box; the window goes with it.
  void ShowFailure(const char* caption, const char* text);

  SDL_Window* get() const { return window_; }
  std::uint32_t id() const { return window_ ? SDL_GetWindowID(window_) : 0; }
  bool HasInputFocus() const;
  // Vsync is worth trying only where the desktop runs at 60 Hz.
  bool DesktopAt60Hz() const { return desktopAt60Hz_; }

 private:
  int Display() const;
  int FittingScale() const;
  bool Create(int width, int height, std::uint32_t flags);
  void SetIcon();

  SDL_Window* window_ = nullptr;
  // How the game's window was last made, to make it again.
  int display_ = 0, width_ = 0, height_ = 0;
  std::uint32_t flags_ = 0;
  bool desktopAt60Hz_ = false;
};

}  // namespace platform
