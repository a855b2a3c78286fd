// The X connection and window behind an SDL window, for the few requests
// SDL has no call for. Only where the game is built with X.
#pragma once
#if TS_X11
#include <SDL_syswm.h>
#include <X11/Xlib.h>

namespace platform {

// False off X (another window system, or no window).
inline bool XWindowOf(SDL_Window* window, ::Display*& display, ::Window& w) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) ||
      info.subsystem != SDL_SYSWM_X11) {
    return false;
  }
  display = info.info.x11.display;
  w = info.info.x11.window;
  return true;
}

}  // namespace platform
#endif
