// The desktop's windows: the small start-up window with its splash, then
// the game's window in full screen or in a window that fits the desktop
// with the window manager's frame, and the switch between the two modes.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <span>
#include <string>

#include "platform/os/clock.h"
#include "platform/system/settings_file.h"

namespace platform {

// The frame a window manager puts around a window, in pixels.
struct Frame {
  int top = 0, left = 0, bottom = 0, right = 0;
  bool Known() const { return top || left || bottom || right; }
};

class SdlWindow {
 public:
  SdlWindow() = default;
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;
  ~SdlWindow() { Close(); }
  void Close();

  // Starts SDL's video and shows the borderless start-up window, centred
  // on display `display` (-1: the first). False when there is no display to
  // show it on.
  bool OpenStartWindow(int display);
  // Draws a Windows bitmap (already checked) into the start-up window;
  // black when `bmp` is empty. False when SDL refused the bitmap (the
  // window is then black; SDL_GetError says why).
  bool ShowSplash(std::span<const std::uint8_t> bmp);

  // Puts the game's window in place of the start-up window, in `mode`.
  bool OpenGame(const DisplaySettings& mode);
  // Switches to `mode` (Alt+Enter).
  void ApplyMode(const DisplaySettings& mode);
  // Once the window manager says what frame it gave a window it was not
  // asked about beforehand, the window is fitted again with it. True when
  // the window changed.
  bool CheckFrame();
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
  bool Create(int width, int height, std::uint32_t flags);
  void SetIcon();
  // Sizes the window for the remembered scale and centres it, frame and
  // all, in the display's usable area.
  void Fit(int scale);
  void MoveClientTo(int x, int y);

  SDL_Window* window_ = nullptr;
  int display_ = 0;
  int scale_ = 0;
  bool desktopAt60Hz_ = false;
  // The window manager's frame, as last measured; whether it is still to
  // come (asked after the window was shown), and until when to wait for it.
  Frame frame_;
  bool framePending_ = false;
  os::Nanos frameDeadline_ = 0;
};

// Sets SDL's hints for the game's windows and names it to SDL; before SDL
// starts.
void SetWindowHints();

// A message box's text broken into lines of at most `width` characters
// (UTF-8 sequences counted as one) at spaces, and after commas and slashes
// in a long path; a message box shows each line as it is given.
std::string BreakLines(const std::string& text, std::size_t width = 72);

// The error message box, its text broken into lines, over `parent` (or
// none).
void ShowErrorBox(const char* caption, const char* text, SDL_Window* parent);

}  // namespace platform
