#include "platform/sdl/window.h"

#if TS_X11_ERRORS
#include <X11/Xlib.h>
#endif

#include <algorithm>

#include "base/say.h"
#include "platform/sdl/icon.h"
#include "platform/sdl/layout.h"
#include "platform/sdl/sdl_audio.h"

namespace platform {

namespace {

constexpr char kTitle[] = "TumbleSquash";
constexpr char kPausedTitle[] = "TumbleSquash (paused: click to go on)";

#if TS_X11_ERRORS
// X reports some errors long after the request that caused them, and by
// default a program dies of them. The ones seen here concern windows that
// were already gone (a window changing while the game quits); none is worth
// ending a game for, so each is reported in one line and play goes on.
int ReportXError(Display*, XErrorEvent* e) {
  base::Say("the X server refused request %d (error %d); going on",
            e->request_code, e->error_code);
  return 0;
}
#endif

}  // namespace

void SdlWindow::Close() {
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
}

void SdlWindow::SetIcon() {
  SDL_RWops* rw = SDL_RWFromConstMem(resources::kIconBmp,
                                     static_cast<int>(resources::kIconBmpSize));
  if (SDL_Surface* icon = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr) {
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
  }
}

bool SdlWindow::OpenStartWindow() {
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // SDL drops a click that comes within 10 ms of the window getting the
  // focus; here no click is lost (the one that brings the window forward
  // counts like any other).
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // A window's own image (the splash, the software renderer's target) goes
  // straight to the X server, not through an OpenGL texture: where OpenGL
  // runs on the processor that costs several times as much. SDL decides
  // this once, at the first window image.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SetSdlAppName();
  // SDL falls back to drawing into memory when there is no display at all;
  // nobody could see or click that window, so it counts as no display
  // unless someone asked for it by name. A busy X server can turn a
  // connection away for a moment, so a display that is named is tried for
  // two seconds before the game gives up on it.
  const bool named = SDL_getenv("DISPLAY") || SDL_getenv("WAYLAND_DISPLAY");
  for (int attempt = 0;; ++attempt) {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool inMemory = driver && !SDL_getenv("SDL_VIDEODRIVER") &&
                          (SDL_strcmp(driver, "offscreen") == 0 ||
                           SDL_strcmp(driver, "dummy") == 0);
    if (!inMemory) break;
    // (Not SDL_Quit: that would forget the hints set above.)
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
    if (!named || attempt == 10) {
      SDL_SetError("no display found (is DISPLAY set?)");
      return false;
    }
    SDL_Delay(200);
  }
#if TS_X11_ERRORS
  XSetErrorHandler(ReportXError);
#endif
  window_ = SDL_CreateWindow(
      kTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kStartWindowWidth,
      kStartWindowHeight, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
  if (!window_) return false;
  SetIcon();
  SDL_RaiseWindow(window_);
  return true;
}

bool SdlWindow::ShowSplash(std::span<const std::uint8_t> bmp) {
  SDL_Surface* target = window_ ? SDL_GetWindowSurface(window_) : nullptr;
  if (!target) return true;
  SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
  SDL_RWops* rw = bmp.empty() ? nullptr
                              : SDL_RWFromConstMem(
                                    bmp.data(), static_cast<int>(bmp.size()));
  SDL_Surface* picture = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr;
  if (picture) {
    SDL_Rect at{0, 0, picture->w, picture->h};
    SDL_BlitSurface(picture, nullptr, target, &at);
    SDL_FreeSurface(picture);
  }
  SDL_UpdateWindowSurface(window_);
  return picture || bmp.empty();
}

// The display a window is on (the first when there is none).
int SdlWindow::Display() const {
  return window_ ? std::max(0, SDL_GetWindowDisplayIndex(window_)) : 0;
}

// The largest whole-number scale whose window fits the desktop.
int SdlWindow::FittingScale() const {
  SDL_Rect usable{0, 0, kScreenWidth, kScreenHeight};
  SDL_GetDisplayUsableBounds(Display(), &usable);
  return platform::FittingScale(usable.w, usable.h);
}

bool SdlWindow::Create(int width, int height, std::uint32_t flags) {
  window_ = SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED_DISPLAY(display_),
                             SDL_WINDOWPOS_CENTERED_DISPLAY(display_), width,
                             height, flags);
  if (window_) SetIcon();
  return window_ != nullptr;
}

bool SdlWindow::OpenGame(const DisplaySettings& mode) {
  display_ = Display();
  SDL_DisplayMode desktop{};
  const bool haveMode = SDL_GetDesktopDisplayMode(display_, &desktop) == 0;
  desktopAt60Hz_ =
      haveMode && desktop.refresh_rate >= 59 && desktop.refresh_rate <= 61;
  const int fit = FittingScale();

  // A release on its way to the start-up window must reach SDL while that
  // window still exists (the pointer query is a round trip to the server).
  SDL_GetGlobalMouseState(nullptr, nullptr);
  SDL_PumpEvents();
  Close();
  flags_ = SDL_WINDOW_SHOWN;
  width_ = kScreenWidth;
  height_ = kScreenHeight;
  if (mode.fullScreen) {
    // The desktop's own mode at its own size: even where no window manager
    // takes the window full screen, it still covers the desktop.
    flags_ |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    if (haveMode) {
      width_ = desktop.w;
      height_ = desktop.h;
    }
  } else {
    flags_ |= SDL_WINDOW_RESIZABLE;
    if (mode.scale > fit) {
      base::Say(
          "a window at %d times 640 x 480 does not fit the desktop; "
          "using %d",
          mode.scale, fit);
    }
    const int s = WindowScale(mode.scale, fit);
    width_ *= s;
    height_ *= s;
  }
  return Create(width_, height_, flags_);
}

bool SdlWindow::ReopenWithoutOpenGl() {
  Close();
  return Create(width_, height_, flags_);
}

void SdlWindow::ApplyMode(const DisplaySettings& mode) {
  const int display = Display();
  if (mode.fullScreen) {
    // The window covers the display first, for desktops without a window
    // manager; then the window manager is asked to make it full screen.
    SDL_Rect bounds{0, 0, kScreenWidth, kScreenHeight};
    SDL_GetDisplayBounds(display, &bounds);
    SDL_SetWindowResizable(window_, SDL_FALSE);
    SDL_SetWindowBordered(window_, SDL_FALSE);
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    SDL_SetWindowSize(window_, bounds.w, bounds.h);
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    const int s = WindowScale(mode.scale, FittingScale());
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowResizable(window_, SDL_TRUE);
    SDL_SetWindowSize(window_, kScreenWidth * s, kScreenHeight * s);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display));
  }
  Grab(mode.fullScreen);
}

void SdlWindow::ShowPaused(bool paused) {
  if (window_) SDL_SetWindowTitle(window_, paused ? kPausedTitle : kTitle);
}

void SdlWindow::Grab(bool grab) {
  if (window_) SDL_SetWindowGrab(window_, grab ? SDL_TRUE : SDL_FALSE);
}

bool SdlWindow::HasInputFocus() const {
  return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS);
}

void SdlWindow::ShowFailure(const char* caption, const char* text) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, window_);
  Close();
}

}  // namespace platform
