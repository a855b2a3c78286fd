#include "platform/sdl/window.h"

#if TS_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

#include <algorithm>
#include <vector>

#include "base/say.h"
#include "platform/sdl/icon.h"
#include "platform/sdl/layout.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/x_window.h"

namespace platform {

namespace {

constexpr char kTitle[] = "TumbleSquash";
constexpr char kPausedTitle[] = "TumbleSquash (paused: click to go on)";
constexpr char kWindowClass[] = "tumblesquash";
// How long a window manager that was not asked beforehand may take to say
// what frame it gave the window.
constexpr os::Nanos kFrameWait = os::kSecond;

#if TS_X11
// X reports some errors long after the request that caused them, and by
// default a program dies of them. The ones seen here concern windows that
// were already gone (a window changing while the game quits); none is worth
// ending a game for, so each is reported in one line and play goes on.
int ReportXError(Display*, XErrorEvent* e) {
  base::Say("the X server refused request %d (error %d); going on",
            e->request_code, e->error_code);
  return 0;
}

// Reads `count` 32-bit items of property `name` of window `of`.
bool ReadProperty(::Display* d, ::Window of, const char* name, Atom kind,
                  long count, long* out) {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  const bool got = XGetWindowProperty(d, of, XInternAtom(d, name, False), 0,
                                      count, False, kind, &type, &format,
                                      &items, &after, &data) == Success &&
                   data && format == 32 &&
                   items == static_cast<unsigned long>(count);
  if (got) {
    for (long i = 0; i < count; ++i) out[i] = reinterpret_cast<long*>(data)[i];
  }
  if (data) XFree(data);
  return got;
}

bool ManagerRunning(SDL_Window* window) {
  ::Display* d = nullptr;
  ::Window w = 0;
  long manager = 0;
  return !XWindowOf(window, d, w) ||
         ReadProperty(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK",
                      XA_WINDOW, 1, &manager);
}

// The frame the window manager will put around `window`, asked before the
// window is shown (_NET_REQUEST_FRAME_EXTENTS), so that it is placed right
// the first time. False when it does not answer within 100 ms.
bool AskFrame(SDL_Window* window, Frame& frame) {
  ::Display* d = nullptr;
  ::Window w = 0;
  if (!XWindowOf(window, d, w)) return false;
  const ::Window root = DefaultRootWindow(d);
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "_NET_REQUEST_FRAME_EXTENTS", False);
  e.xclient.format = 32;
  XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask,
             &e);
  XFlush(d);
  for (int attempt = 0; attempt < 50; ++attempt) {
    long extents[4];  // left, right, top, bottom
    if (ReadProperty(d, w, "_NET_FRAME_EXTENTS", XA_CARDINAL, 4, extents)) {
      frame = {int(extents[2]), int(extents[0]), int(extents[3]),
               int(extents[1])};
      return true;
    }
    SDL_Delay(2);
  }
  return false;
}
// Every size of the icon, for the window manager to pick from (SDL gives
// it one).
void SetIconSizes(SDL_Window* window) {
  ::Display* d = nullptr;
  ::Window w = 0;
  if (!XWindowOf(window, d, w)) return;
  std::vector<long> icons;  // width, height, then ARGB pixels, each size
  for (unsigned k = 0; k < resources::kWindowIconCount; ++k) {
    const resources::IconBmp& bmp = resources::kWindowIcons[k];
    SDL_RWops* rw = SDL_RWFromConstMem(bmp.data, static_cast<int>(bmp.size));
    SDL_Surface* loaded = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr;
    SDL_Surface* argb =
        loaded ? SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0)
               : nullptr;
    if (argb) {
      icons.push_back(argb->w);
      icons.push_back(argb->h);
      for (int y = 0; y < argb->h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(argb->pixels) + y * argb->pitch);
        icons.insert(icons.end(), row, row + argb->w);
      }
    }
    SDL_FreeSurface(argb);
    SDL_FreeSurface(loaded);
  }
  if (icons.empty()) return;
  XChangeProperty(d, w, XInternAtom(d, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                  PropModeReplace,
                  reinterpret_cast<const unsigned char*>(icons.data()),
                  static_cast<int>(icons.size()));
  XFlush(d);
}
#else
void SetIconSizes(SDL_Window*) {}
// Elsewhere a window manager is taken to be there, and SDL to know the
// frame before the window is shown (as on Windows).
bool ManagerRunning(SDL_Window*) { return true; }
bool AskFrame(SDL_Window*, Frame&) { return false; }
#endif

// The frame as SDL knows it (after the window manager told it).
Frame SdlFrame(SDL_Window* window) {
  Frame f;
  if (SDL_GetWindowBordersSize(window, &f.top, &f.left, &f.bottom, &f.right) !=
      0) {
    return Frame{};
  }
  return f;
}

SDL_Rect UsableArea(int display) {
  SDL_Rect usable{0, 0, kScreenWidth, kScreenHeight};
  if (SDL_GetDisplayUsableBounds(display, &usable) != 0) {
    SDL_GetDisplayBounds(display, &usable);
  }
  return usable;
}

}  // namespace

void SetWindowHints() {
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  // SDL drops a click that comes within 10 ms of the window getting the
  // focus; here no click is lost (the one that brings the start-up window
  // forward counts like any other; see SdlEvents for a paused window).
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // A window's own image (the splash, and the frames where there is no
  // GPU) goes straight to the X server, not through an OpenGL texture:
  // where OpenGL runs on the processor that costs several times as much.
  // SDL decides this once, at the first window image.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The desktop matches the window to its desktop entry by its class
  // (StartupWMClass there), whatever the program file is called.
  SDL_setenv("SDL_VIDEO_X11_WMCLASS", kWindowClass, 0);
  SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", kWindowClass, 0);
  SetSdlAppName();
}

void SdlWindow::Close() {
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
  framePending_ = false;
}

void SdlWindow::SetIcon() {
  SDL_RWops* rw = SDL_RWFromConstMem(resources::kIconBmp,
                                     static_cast<int>(resources::kIconBmpSize));
  if (SDL_Surface* icon = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr) {
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
  }
  SetIconSizes(window_);
}

bool SdlWindow::OpenStartWindow(int display) {
  SetWindowHints();
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
#if TS_X11
  XSetErrorHandler(ReportXError);
#endif
  const int displays = SDL_GetNumVideoDisplays();
  display_ = 0;
  if (display >= displays) {
    base::Say("there is no display %d (%d found, 0 to %d); using 0", display,
              displays, displays - 1);
  } else if (display > 0) {
    display_ = display;
  }
  window_ = SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED_DISPLAY(display_),
                             SDL_WINDOWPOS_CENTERED_DISPLAY(display_),
                             kStartWindowWidth, kStartWindowHeight,
                             SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
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

// The display a window is on (the one chosen when there is none).
int SdlWindow::Display() const {
  return window_ ? std::max(0, SDL_GetWindowDisplayIndex(window_)) : display_;
}

bool SdlWindow::Create(int width, int height, std::uint32_t flags) {
  window_ = SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED_DISPLAY(display_),
                             SDL_WINDOWPOS_CENTERED_DISPLAY(display_), width,
                             height, flags);
  if (!window_) return false;
  SetIcon();
  // Smaller, the counters at the edges would be cut off.
  SDL_SetWindowMinimumSize(window_, kScreenWidth, kScreenHeight);
  return true;
}

// SDL takes a window's position as its client area's, and subtracts the
// frame it knows of; until the window manager has told SDL, the frame we
// measured ourselves is subtracted here instead.
void SdlWindow::MoveClientTo(int x, int y) {
  const Frame known = SdlFrame(window_);
  SDL_SetWindowPosition(window_, x - frame_.left + known.left,
                        y - frame_.top + known.top);
}

void SdlWindow::Fit(int scale) {
  const SDL_Rect usable = UsableArea(Display());
  const int roomWidth = usable.w - frame_.left - frame_.right;
  const int roomHeight = usable.h - frame_.top - frame_.bottom;
  const Size size = WindowSize(roomWidth, roomHeight, scale);
  if (scale > 0 && size.width < kScreenWidth * scale) {
    base::Say(
        "a window at %d times 640 x 480 does not fit the desktop; using %d",
        scale, size.width / kScreenWidth);
  }
  SDL_SetWindowSize(window_, size.width, size.height);
  MoveClientTo(
      usable.x + frame_.left + std::max(0, roomWidth - size.width) / 2,
      usable.y + frame_.top + std::max(0, roomHeight - size.height) / 2);
}

bool SdlWindow::OpenGame(const DisplaySettings& mode) {
  display_ = Display();
  SDL_DisplayMode desktop{};
  const bool haveMode = SDL_GetDesktopDisplayMode(display_, &desktop) == 0;
  desktopAt60Hz_ =
      haveMode && desktop.refresh_rate >= 59 && desktop.refresh_rate <= 61;
  scale_ = mode.scale;

  // A release on its way to the start-up window must reach SDL while that
  // window still exists (the pointer query is a round trip to the server).
  SDL_GetGlobalMouseState(nullptr, nullptr);
  SDL_PumpEvents();
  const bool manager = ManagerRunning(window_);
  Close();
  // High-density screens get the window's full pixel count (see layout).
  std::uint32_t flags = SDL_WINDOW_ALLOW_HIGHDPI;
  if (mode.fullScreen) {
    // The desktop's own mode at its own size: even where no window manager
    // takes the window full screen, it still covers the display.
    // Without a window manager a borderless window over the display is
    // all full screen is (and SDL would wait 100 ms for one to answer).
    SDL_Rect bounds{0, 0, kScreenWidth, kScreenHeight};
    SDL_GetDisplayBounds(display_, &bounds);
    flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN;
    if (manager) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (!Create(bounds.w, bounds.h, flags)) return false;
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    return true;
  }
  // Made hidden, so that the window manager can say what frame it will get
  // and it is shown once, at its place.
  if (!Create(kScreenWidth, kScreenHeight,
              flags | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN)) {
    return false;
  }
  frame_ = Frame{};
  const bool asked = manager && (AskFrame(window_, frame_) ||
                                 (frame_ = SdlFrame(window_), frame_.Known()));
  Fit(scale_);
  if (SDL_getenv("TUMBLESQUASH_FPS")) {
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    base::Say("window %d x %d; frame %d, %d, %d, %d (%s)", w, h, frame_.top,
              frame_.left, frame_.bottom, frame_.right,
              !manager ? "no window manager"
              : asked  ? "asked"
                       : "to come");
  }
  SDL_ShowWindow(window_);
  // A window manager we could not ask tells SDL once the window is shown.
  framePending_ = manager && !asked;
  frameDeadline_ = os::MonotonicNow() + kFrameWait;
  return true;
}

bool SdlWindow::CheckFrame() {
  if (!framePending_ || !window_) return false;
  const Frame f = SdlFrame(window_);
  if (!f.Known()) {
    framePending_ = os::MonotonicNow() < frameDeadline_;
    return false;
  }
  framePending_ = false;
  frame_ = f;
  if (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN_DESKTOP) return false;
  Fit(scale_);
  return true;
}

void SdlWindow::ApplyMode(const DisplaySettings& mode) {
  const int display = Display();
  scale_ = mode.scale;
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
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowResizable(window_, SDL_TRUE);
    // The frame comes back as it was when the window was first framed (or
    // is measured now, if it never was).
    if (!frame_.Known()) {
      framePending_ = true;
      frameDeadline_ = os::MonotonicNow() + kFrameWait;
    }
    Fit(scale_);
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
  ShowErrorBox(caption, text, window_);
  Close();
}

std::string BreakLines(const std::string& text, std::size_t width) {
  std::string out, line;
  std::size_t lineLength = 0, breakAt = std::string::npos, breakLength = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n') {
      out += line + '\n';
      line.clear();
      lineLength = 0;
      breakAt = std::string::npos;
      continue;
    }
    line += c;
    // A continuation byte of a UTF-8 sequence adds no character.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++lineLength;
    if (lineLength > width && breakAt != std::string::npos) {
      std::string head = line.substr(0, breakAt);
      while (!head.empty() && head.back() == ' ') head.pop_back();
      out += head + '\n';
      line.erase(0, breakAt);
      line.erase(0, line.find_first_not_of(' '));
      lineLength -= breakLength;
      breakAt = std::string::npos;
    }
    if (c == ' ' || c == ',' || c == '/') {
      breakAt = line.size();
      breakLength = lineLength;
    }
  }
  return out + line;
}

void ShowErrorBox(const char* caption, const char* text, SDL_Window* parent) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption,
                           BreakLines(text).c_str(), parent);
}

}  // namespace platform
