#include "platform/sdl/sdl_platform.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/data_folder.h"
#include "loop/main_loop.h"
#include "platform/sdl/icon.h"
#include "platform/sdl/sdl_audio.h"
#include "video/display.h"
#include "video/present.h"
#include "video/sheet_layout.h"

namespace platform {

namespace {
constexpr int kWidth = 640, kHeight = 480;
constexpr char kTitle[] = "TumbleSquash";
}  // namespace

SdlPlatform::SdlPlatform(const SdlOptions& options) : options_(options) {}

SdlPlatform::~SdlPlatform() {
  CloseDisplay();
  if (window_) SDL_DestroyWindow(window_);
  SDL_Quit();
}

void SdlPlatform::SetIcon(SDL_Window* window) {
  SDL_RWops* rw = SDL_RWFromConstMem(resources::kIconBmp,
                                     static_cast<int>(resources::kIconBmpSize));
  if (SDL_Surface* icon = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr) {
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
  }
}

bool SdlPlatform::CreateStartWindow() {
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SetSdlAppName();
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return false;
  // SDL falls back to drawing into memory when there is no display at all;
  // nobody could see or click that window, so it counts as no display
  // unless someone asked for it by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (driver && !asked &&
      (SDL_strcmp(driver, "offscreen") == 0 ||
       SDL_strcmp(driver, "dummy") == 0)) {
    SDL_SetError("no display found (is DISPLAY set?)");
    return false;
  }
  // The small borderless window of the start-up wait, centred.
  window_ =
      SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                       480, 240, SDL_WINDOW_BORDERLESS | SDL_WINDOW_SHOWN);
  if (!window_) return false;
  SetIcon(window_);
  SDL_RaiseWindow(window_);
  return true;
}

void SdlPlatform::ShowSplash() {
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (!target) return;
  SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
  const std::string splash = base::DataFile(layout::kSplashPicture);
  if (SDL_Surface* bmp = SDL_LoadBMP(splash.c_str())) {
    SDL_Rect at{0, 0, bmp->w, bmp->h};
    SDL_BlitSurface(bmp, nullptr, target, &at);
    SDL_FreeSurface(bmp);
  }
  SDL_UpdateWindowSurface(window_);
}

bool SdlPlatform::OpenDisplay() {
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  const int display = window_ ? SDL_GetWindowDisplayIndex(window_) : 0;
  SDL_DisplayMode mode{};
  const bool haveMode = SDL_GetDesktopDisplayMode(display, &mode) == 0;
  // Vsync only where the display itself runs at 60 Hz; elsewhere a timer
  // keeps the game at 60 frames a second.
  vsync_ = haveMode && mode.refresh_rate >= 59 && mode.refresh_rate <= 61;

  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
  focused_ = false;
  Uint32 flags = SDL_WINDOW_SHOWN;
  int w = kWidth, h = kHeight;
  if (options_.windowed) {
    SDL_Rect usable{0, 0, kWidth, kHeight};
    SDL_GetDisplayUsableBounds(display, &usable);
    if (usable.w >= 2 * kWidth && usable.h >= 2 * kHeight) {
      w *= 2;
      h *= 2;
    }
  } else if (haveMode) {
    // The desktop's own mode, at its own size: even where no window manager
    // takes the window full screen, it still covers the desktop.
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    w = mode.w;
    h = mode.h;
  } else {
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  }
  window_ =
      SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                       SDL_WINDOWPOS_CENTERED_DISPLAY(display), w, h, flags);
  if (!window_) return false;
  SetIcon(window_);
  const Uint32 rflags = vsync_ ? SDL_RENDERER_PRESENTVSYNC : 0;
  renderer_ = SDL_CreateRenderer(window_, -1, rflags);
  if (!renderer_)
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) return false;
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer_, &info) == 0 &&
      !(info.flags & SDL_RENDERER_PRESENTVSYNC)) {
    vsync_ = false;
  }
  // Whole-number scaling, letterboxed, never blurred.
  SDL_RenderSetLogicalSize(renderer_, kWidth, kHeight);
  SDL_RenderSetIntegerScale(renderer_, SDL_TRUE);
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                               SDL_TEXTUREACCESS_STREAMING, kWidth, kHeight);
  if (!texture_) return false;
  SDL_RaiseWindow(window_);
  nextTick_ = SDL_GetPerformanceCounter();
  return true;
}

void SdlPlatform::CloseDisplay() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
}

void SdlPlatform::ShowFailure(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, window_);
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
}

void SdlPlatform::HideCursor() { SDL_ShowCursor(SDL_DISABLE); }

bool SdlPlatform::Translate(const SDL_Event& e, Message& out) {
  const auto clampTo = [](int v, int limit) {
    return static_cast<std::uint32_t>(std::clamp(v, 0, limit - 1));
  };
  switch (e.type) {
    case SDL_QUIT:
      out = {MsgType::Close, 0, 0};
      return true;
    case SDL_MOUSEMOTION: {
      // With a logical size set, SDL reports positions in 640 x 480 pixels.
      const std::uint32_t x = clampTo(e.motion.x, renderer_ ? kWidth : 480);
      const std::uint32_t y = clampTo(e.motion.y, renderer_ ? kHeight : 240);
      out = {MsgType::MouseMove, 0, y << 16 | x};
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      if (e.button.button == SDL_BUTTON_LEFT) {
        out = {down ? MsgType::LButtonDown : MsgType::LButtonUp, 0, 0};
        return true;
      }
      if (e.button.button == SDL_BUTTON_RIGHT) {
        out = {down ? MsgType::RButtonDown : MsgType::RButtonUp, 0, 0};
        return true;
      }
      return false;
    }
    case SDL_KEYDOWN:
      // The volume keys are ours; the game sees them as any other key.
      HandleVolumeKey(e.key.keysym.sym, e.key.repeat != 0);
      out = {MsgType::KeyDown,
             e.key.keysym.sym == SDLK_ESCAPE ? kKeyEscape : 0u, 0};
      return true;
    case SDL_WINDOWEVENT:
      if (!window_ || e.window.windowID != SDL_GetWindowID(window_)) {
        return false;
      }
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        out = {MsgType::Close, 0, 0};
        return true;
      }
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
        focused_ = true;
        out = {MsgType::Activate, 1, 0};
        return true;
      }
      // Switching windows at start-up loses focus for a moment; only losing
      // a foreground we had counts as leaving the game.
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && focused_) {
        out = {MsgType::Activate, 0, 0};
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool SdlPlatform::PollMessage(Message& out) {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (Translate(e, out)) return true;
  }
  return false;
}

void SdlPlatform::WaitForInput(int milliseconds) {
  SDL_WaitEventTimeout(nullptr, milliseconds);
}

void SdlPlatform::PaceFrame() {
  if (vsync_) return;
  const std::uint64_t frequency = SDL_GetPerformanceFrequency();
  const std::uint64_t period = frequency / 60;
  nextTick_ += period;
  std::uint64_t now = SDL_GetPerformanceCounter();
  // After a stall (a slow load, a dragged window) start counting afresh
  // instead of racing to catch up.
  if (now > nextTick_ + period) {
    nextTick_ = now;
    return;
  }
  while (now < nextTick_) {
    const std::uint64_t left = nextTick_ - now;
    if (left * 1000 > 2 * frequency) {
      SDL_Delay(static_cast<Uint32>(left * 1000 / frequency) - 1);
    }
    now = SDL_GetPerformanceCounter();
  }
}

bool SdlPlatform::Present(const std::uint8_t* pixels, int pitch,
                          const PaletteEntry* palette) {
  if (!renderer_ || !texture_) return false;
  video::ConvertFrame(pixels, pitch, kWidth, kHeight, palette, pixels_);
  SDL_UpdateTexture(texture_, nullptr, pixels_, kWidth * 4);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
  PaceFrame();
  return true;
}

bool SdlPlatform::OpenAudio() { return OpenSdlAudio(); }

void SdlPlatform::CloseAudio() { CloseSdlAudio(); }

void ShowStartupError(const char* text) {
  std::fprintf(stderr, "tumblesquash: %s\n", text);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kTitle, text, nullptr);
}

int RunSdl(const SdlOptions& options) {
  static SdlPlatform platform(options);
  if (!platform.CreateStartWindow()) {
    // Without a window there is no game to show: say so and end quietly.
    std::fprintf(stderr, "TumbleSquash: cannot open a window (%s)\n%s: %s\n",
                 SDL_GetError(), video::kFailureCaption, video::kFailureText);
    return 0;
  }
  loop::Start(platform, {});
  // TUMBLESQUASH_FPS=1 prints the frame rate once a second, to check pacing.
  const bool showRate = SDL_getenv("TUMBLESQUASH_FPS") != nullptr;
  Uint64 rateStart = SDL_GetTicks64();
  int frames = 0;
  for (;;) {
    switch (loop::Step()) {
      case loop::StepResult::Exit:
        return loop::ExitCode();
      case loop::StepResult::Idle:
        platform.WaitForInput(10);
        break;
      case loop::StepResult::Frame:
        ++frames;
        if (showRate && SDL_GetTicks64() - rateStart >= 1000) {
          std::fprintf(stderr, "TumbleSquash: %d frames a second\n", frames);
          frames = 0;
          rateStart = SDL_GetTicks64();
        }
        break;
      case loop::StepResult::Message:
        break;
    }
  }
}

}  // namespace platform
