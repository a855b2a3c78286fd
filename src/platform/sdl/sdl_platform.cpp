#include "platform/sdl/sdl_platform.h"

#include <X11/Xlib.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/data_folder.h"
#include "loop/main_loop.h"
#include "loop/trace.h"
#include "platform/sdl/icon.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/splash_file.h"
#include "sound/volumes.h"
#include "video/display.h"
#include "video/present.h"
#include "video/sheet_layout.h"

namespace platform {

namespace {
constexpr int kWidth = 640, kHeight = 480;
constexpr char kTitle[] = "TumbleSquash";
constexpr char kPausedTitle[] = "TumbleSquash (paused: click to go on)";
constexpr FramePacer::Nanos kFocusGrace = FramePacer::kSecond / 2;

// An OpenGL renderer that runs on the processor (Mesa's llvmpipe and
// friends): SDL's own software renderer shows our ready-scaled frames for a
// fraction of its cost.
bool IsSoftwareGl(const SDL_RendererInfo& info) {
  if (SDL_strncmp(info.name, "opengl", 6) != 0) return false;
  using GetString = const unsigned char* (*)(unsigned);
  const auto get =
      reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  constexpr unsigned kGlRenderer = 0x1F01;
  const char* name =
      get ? reinterpret_cast<const char*>(get(kGlRenderer)) : nullptr;
  if (!name) return false;
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software"}) {
    if (SDL_strstr(name, soft)) return true;
  }
  return false;
}

FramePacer::Nanos ReadClock(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return FramePacer::Nanos(ts.tv_sec) * FramePacer::kSecond + ts.tv_nsec;
}

// The display a window is on (the first when there is none).
int DisplayOf(SDL_Window* window) {
  return window ? std::max(0, SDL_GetWindowDisplayIndex(window)) : 0;
}

// The window's scale: the one asked for (0: the largest) if it fits.
int WindowScale(int want, int fit) {
  return want == 0 ? fit : std::min(want, fit);
}
}  // namespace

SdlPlatform::SdlPlatform(const SdlOptions& options) : options_(options) {
  if (!options_.screenshotFolder.empty()) {
    screenshots_ =
        std::make_unique<ScreenshotWriter>(options_.screenshotFolder);
  }
  shown_.resize(kWidth * kHeight);
}

SdlPlatform::~SdlPlatform() {
  screenshots_.reset();
  CloseFiles();
  CloseDisplay();
  if (window_) SDL_DestroyWindow(window_);
  SDL_Quit();
}

// The clock the pacer counts in (the same one `time.monotonic` reads, so
// outside tools can compare their times with ours).
SdlPlatform::Nanos SdlPlatform::Now() { return ReadClock(CLOCK_MONOTONIC); }

// The processor sleeps until the next frame is due: no spinning.
void SdlPlatform::SleepUntil(Nanos when) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(when / FramePacer::kSecond);
  ts.tv_nsec = static_cast<long>(when % FramePacer::kSecond);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) ==
         EINTR) {
  }
}

bool SdlPlatform::OpenFiles(std::uint32_t& seed, bool& fixedSeed) {
  if (!options_.replayFile.empty()) {
    std::vector<ScriptEvent> events;
    std::string text, error;
    if (!LoadScript(options_.replayFile, events, text, error)) {
      std::fprintf(stderr, "tumblesquash: %s\n", error.c_str());
      return false;
    }
    replay_ = ScriptPlayer(std::move(events));
    if (ReadScriptSeed(text, seed)) {
      fixedSeed = true;
    } else {
      std::fprintf(stderr,
                   "tumblesquash: %s has no \"# seed N\" first line; the "
                   "replay starts from another seed than the recording\n",
                   options_.replayFile.c_str());
    }
  }
  if (!options_.recordFile.empty()) {
    record_ = std::fopen(options_.recordFile.c_str(), "w");
    if (!record_) {
      std::fprintf(stderr, "tumblesquash: cannot write \"%s\": %s\n",
                   options_.recordFile.c_str(), std::strerror(errno));
      return false;
    }
    // A recording must replay from the same seed, so it is chosen now.
    if (!fixedSeed) {
      seed = CalendarSeconds();
      fixedSeed = true;
    }
    std::fprintf(record_, "# seed %u\n", seed);
    std::fflush(record_);
  }
  if (!options_.traceFile.empty()) {
    trace_ = std::fopen(options_.traceFile.c_str(), "w");
    if (!trace_) {
      std::fprintf(stderr, "tumblesquash: cannot write \"%s\": %s\n",
                   options_.traceFile.c_str(), std::strerror(errno));
      return false;
    }
    traceLine_.reserve(1 << 12);
  }
  return true;
}

bool SdlPlatform::CloseFiles() {
  bool ok = true;
  for (std::FILE** f : {&record_, &trace_}) {
    if (*f && std::fclose(*f) != 0) ok = false;
    *f = nullptr;
  }
  return ok;
}

void SdlPlatform::SetIcon(SDL_Window* window) {
  SDL_RWops* rw = SDL_RWFromConstMem(resources::kIconBmp,
                                     static_cast<int>(resources::kIconBmpSize));
  if (SDL_Surface* icon = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr) {
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
  }
}

namespace {

// X reports some errors long after the request that caused them, and by
// default a program dies of them. The ones seen here concern windows that
// were already gone (a window changing while the game quits); none is worth
// ending a game for, so each is reported in one line and play goes on.
int ReportXError(Display*, XErrorEvent* e) {
  std::fprintf(stderr,
               "TumbleSquash: the X server refused request %d (error %d); "
               "going on\n",
               e->request_code, e->error_code);
  return 0;
}

}  // namespace

bool SdlPlatform::CreateStartWindow() {
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
  XSetErrorHandler(ReportXError);
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
  // SDL is handed the file only once it is known to be a regular file of a
  // size that is sane to allocate.
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (ReadSplash(*this, splash.c_str(), bytes, error)) {
    SDL_RWops* rw =
        SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (SDL_Surface* bmp = rw ? SDL_LoadBMP_RW(rw, 1) : nullptr) {
      SDL_Rect at{0, 0, bmp->w, bmp->h};
      SDL_BlitSurface(bmp, nullptr, target, &at);
      SDL_FreeSurface(bmp);
    }
  } else if (!error.empty()) {
    std::fprintf(stderr, "TumbleSquash: splash picture \"%s\" refused: %s\n",
                 splash.c_str(), error.c_str());
  }
  SDL_UpdateWindowSurface(window_);
}

// The largest whole-number scale whose window fits the desktop.
int SdlPlatform::FittingScale() const {
  const int display = DisplayOf(window_);
  SDL_Rect usable{0, 0, kWidth, kHeight};
  SDL_GetDisplayUsableBounds(display, &usable);
  return std::max(1, std::min(usable.w / kWidth, usable.h / kHeight));
}

bool SdlPlatform::OpenDisplay() {
  const int display = DisplayOf(window_);
  SDL_DisplayMode mode{};
  const bool haveMode = SDL_GetDesktopDisplayMode(display, &mode) == 0;
  // Vsync is tried only where the display says it runs at 60 Hz, and kept
  // only while the presents it paces measure so.
  vsync_ = haveMode && mode.refresh_rate >= 59 && mode.refresh_rate <= 61;
  const int fit = FittingScale();

  // A release on its way to the start-up window must reach SDL while that
  // window still exists (the pointer query is a round trip to the server).
  SDL_GetGlobalMouseState(nullptr, nullptr);
  SDL_PumpEvents();
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
  focused_ = false;
  Uint32 flags = SDL_WINDOW_SHOWN;
  int w = kWidth, h = kHeight;
  if (options_.display.fullScreen) {
    // The desktop's own mode at its own size: even where no window manager
    // takes the window full screen, it still covers the desktop.
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
    if (haveMode) {
      w = mode.w;
      h = mode.h;
    }
  } else {
    flags |= SDL_WINDOW_RESIZABLE;
    const int want = options_.display.scale;
    if (want > fit) {
      std::fprintf(stderr,
                   "TumbleSquash: a window at %d times 640 x 480 does not fit "
                   "the desktop; using %d\n",
                   want, fit);
    }
    const int s = WindowScale(want, fit);
    w *= s;
    h *= s;
  }
  auto create = [&] {
    window_ =
        SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                         SDL_WINDOWPOS_CENTERED_DISPLAY(display), w, h, flags);
    if (window_) SetIcon(window_);
    return window_ != nullptr;
  };
  if (!create()) return false;
  const Uint32 rflags = vsync_ ? SDL_RENDERER_PRESENTVSYNC : 0;
  renderer_ = SDL_CreateRenderer(window_, -1, rflags);
  SDL_RendererInfo info{};
  if (renderer_ && SDL_GetRendererInfo(renderer_, &info) == 0 &&
      !SDL_getenv("SDL_RENDER_DRIVER") && IsSoftwareGl(info)) {
    // OpenGL on the processor costs far more than SDL's own software
    // renderer drawing into the window's shared-memory image. A window
    // without OpenGL, then.
    SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    SDL_DestroyWindow(window_);
    if (!create()) return false;
  }
  if (!renderer_) {
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!renderer_ || SDL_GetRendererInfo(renderer_, &info) != 0) return false;
  if (!(info.flags & SDL_RENDERER_PRESENTVSYNC)) vsync_ = false;
  // Frames are written in the window's own pixel format where the renderer
  // takes it, so nothing converts them again.
  const Uint32 native = SDL_GetWindowPixelFormat(window_);
  textureFormat_ = SDL_PIXELFORMAT_ARGB8888;
  for (Uint32 i = 0; i < info.num_texture_formats; ++i) {
    if (info.texture_formats[i] == native &&
        (native == SDL_PIXELFORMAT_RGB888 ||
         native == SDL_PIXELFORMAT_ARGB8888)) {
      textureFormat_ = native;
    }
  }
  SDL_SetWindowGrab(window_,
                    options_.display.fullScreen ? SDL_TRUE : SDL_FALSE);
  if (!UpdateLayout()) return false;
  SDL_RaiseWindow(window_);
  displayOpen_ = true;
  focusGraceUntil_ = Now() + kFocusGrace;
  pacer_.Restart(Now());
  statsStart_ = Now();
  statsCpuStart_ = ReadClock(CLOCK_THREAD_CPUTIME_ID);
  statsProcessCpuStart_ = ReadClock(CLOCK_PROCESS_CPUTIME_ID);
  if (options_.showStats) {
    std::fprintf(stderr, "TumbleSquash: renderer %s, %s, vsync %s\n", info.name,
                 SDL_GetPixelFormatName(textureFormat_), vsync_ ? "on" : "off");
  }
  return true;
}

// Where the picture goes in the window: the largest whole-number scale that
// fits, centred, black bars around it.
bool SdlPlatform::UpdateLayout() {
  if (!renderer_) return false;
  if (SDL_GetRendererOutputSize(renderer_, &outWidth_, &outHeight_) != 0) {
    return false;
  }
  int pointsW = 0, pointsH = 0;
  SDL_GetWindowSize(window_, &pointsW, &pointsH);
  pixelsPerPoint_ = pointsW > 0 ? float(outWidth_) / float(pointsW) : 1.0f;
  scale_ = std::max(1, std::min(outWidth_ / kWidth, outHeight_ / kHeight));
  picture_ = {(outWidth_ - kWidth * scale_) / 2,
              (outHeight_ - kHeight * scale_) / 2, kWidth * scale_,
              kHeight * scale_};
  int tw = 0, th = 0;
  if (texture_) SDL_QueryTexture(texture_, nullptr, nullptr, &tw, &th);
  if (tw != picture_.w || th != picture_.h) {
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ =
        SDL_CreateTexture(renderer_, textureFormat_,
                          SDL_TEXTUREACCESS_STREAMING, picture_.w, picture_.h);
  }
  return texture_ != nullptr;
}

void SdlPlatform::CloseDisplay() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
  if (window_ && displayOpen_) SDL_SetWindowGrab(window_, SDL_FALSE);
  displayOpen_ = false;
}

void SdlPlatform::ShowFailure(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, window_);
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
}

void SdlPlatform::HideCursor() { SDL_ShowCursor(SDL_DISABLE); }

void SdlPlatform::ToggleFullScreen() {
  options_.display.fullScreen = !options_.display.fullScreen;
  focusGraceUntil_ = Now() + kFocusGrace;
  ApplyMode();
  SaveSettings();
}

void SdlPlatform::ApplyMode() {
  const int display = DisplayOf(window_);
  if (options_.display.fullScreen) {
    // The window covers the display first, for desktops without a window
    // manager; then the window manager is asked to make it full screen.
    SDL_Rect bounds{0, 0, kWidth, kHeight};
    SDL_GetDisplayBounds(display, &bounds);
    SDL_SetWindowResizable(window_, SDL_FALSE);
    SDL_SetWindowBordered(window_, SDL_FALSE);
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    SDL_SetWindowSize(window_, bounds.w, bounds.h);
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    const int s = WindowScale(options_.display.scale, FittingScale());
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowResizable(window_, SDL_TRUE);
    SDL_SetWindowSize(window_, kWidth * s, kHeight * s);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                          SDL_WINDOWPOS_CENTERED_DISPLAY(display));
  }
  SDL_SetWindowGrab(window_,
                    options_.display.fullScreen ? SDL_TRUE : SDL_FALSE);
  UpdateLayout();
}

void SdlPlatform::SaveSettings() {
  settingsChanged_ = false;
  if (!options_.settings) return;
  platform::SaveSettings(*this, *options_.settings, options_.display,
                         sound::GetVolumes());
}

void SdlPlatform::Pause(bool pause) {
  if (paused_ == pause) return;
  paused_ = pause;
  PauseSdlAudio(pause);
  SDL_ShowCursor(pause ? SDL_ENABLE : SDL_DISABLE);
  if (window_) SDL_SetWindowTitle(window_, pause ? kPausedTitle : kTitle);
  // Time stood still: the frames missed are not made up.
  if (!pause) pacer_.Restart(Now());
}

void SdlPlatform::LoseFocus() {
  if (options_.display.fullScreen) {
    // Full screen keeps the game's own rule: leaving it ends the game.
    queue_.Push({MsgType::Activate, 0, 0});
  } else {
    Pause(true);
  }
}

std::uint32_t SdlPlatform::MousePosition(int x, int y) const {
  if (!displayOpen_) {
    const auto cx = static_cast<std::uint32_t>(std::clamp(x, 0, 479));
    const auto cy = static_cast<std::uint32_t>(std::clamp(y, 0, 239));
    return cy << 16 | cx;
  }
  // Window points to output pixels to game pixels; the bars clamp to the
  // picture's edge.
  const auto game = [&](int v, int offset, int limit) {
    const int pixel = static_cast<int>(float(v) * pixelsPerPoint_);
    const int g = pixel >= offset ? (pixel - offset) / scale_ : 0;
    return static_cast<std::uint32_t>(std::clamp(g, 0, limit - 1));
  };
  return game(y, picture_.y, kHeight) << 16 | game(x, picture_.x, kWidth);
}

void SdlPlatform::HandleKey(const SDL_KeyboardEvent& e) {
  const SDL_Keycode key = e.keysym.sym;
  if ((key == SDLK_RETURN || key == SDLK_KP_ENTER) &&
      (e.keysym.mod & KMOD_ALT)) {
    if (!e.repeat && displayOpen_) ToggleFullScreen();
    return;
  }
  if (key == SDLK_F12) {
    if (!e.repeat && haveShown_ && screenshots_) {
      screenshots_->Save(shown_.data(), kWidth, shownPalette_);
    }
    return;
  }
  // The volume keys are ours (remembered when the game ends); the game
  // sees them as any other key.
  if (HandleVolumeKey(key, e.repeat != 0)) settingsChanged_ = true;
  queue_.Push({MsgType::KeyDown, key == SDLK_ESCAPE ? kKeyEscape : 0u, 0});
}

void SdlPlatform::HandleWindowEvent(const SDL_WindowEvent& e) {
  if (!window_ || e.windowID != SDL_GetWindowID(window_)) return;
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      queue_.Push({MsgType::Close, 0, 0});
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      focused_ = true;
      focusCheckPending_ = false;
      Pause(false);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Before the game's display is up there is nothing to pause or end;
      // and only losing a foreground we had counts.
      if (!displayOpen_ || !focused_) break;
      if (Now() < focusGraceUntil_) {
        focusCheckPending_ = true;
      } else {
        LoseFocus();
      }
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (displayOpen_) UpdateLayout();
      break;
    default:
      break;
  }
}

void SdlPlatform::Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      queue_.Push({MsgType::Close, 0, 0});
      break;
    case SDL_MOUSEMOTION:
      // A replay's input replaces the mouse.
      if (replay_.empty()) {
        queue_.Push(
            {MsgType::MouseMove, 0, MousePosition(e.motion.x, e.motion.y)});
      }
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const int b = e.button.button == SDL_BUTTON_LEFT    ? 0
                    : e.button.button == SDL_BUTTON_RIGHT ? 1
                                                          : -1;
      if (b < 0) break;
      const bool down = e.type == SDL_MOUSEBUTTONDOWN;
      // A release SDL lets through after swallowing its press (see
      // CheckLostReleases) is a whole click.
      const bool swallowed = !down && staleButton_[b];
      staleButton_[b] = false;
      // While paused, a click only brings the window back.
      if (!replay_.empty() || paused_) break;
      const MsgType press =
          b == 0 ? MsgType::LButtonDown : MsgType::RButtonDown;
      const MsgType release = b == 0 ? MsgType::LButtonUp : MsgType::RButtonUp;
      if (swallowed) queue_.Push({press, 0, 0});
      queue_.Push({down ? press : release, 0, 0});
      break;
    }
    case SDL_KEYDOWN:
      HandleKey(e.key);
      break;
    case SDL_WINDOWEVENT:
      HandleWindowEvent(e.window);
      break;
    default:
      break;
  }
}

// A button held while the windows change (after the start-up click) can be
// released where SDL never hears of it: SDL then thinks it still held and
// swallows its next press. So while SDL thinks a button held, the server is
// asked; a release it has but SDL missed marks the button, and the release
// SDL does pass on makes the whole click (see Handle).
void SdlPlatform::CheckLostReleases() {
  const Uint32 buttons =
      SDL_BUTTON(SDL_BUTTON_LEFT) | SDL_BUTTON(SDL_BUTTON_RIGHT);
  if (!(SDL_GetMouseState(nullptr, nullptr) & buttons)) return;
  // The query is a round trip: every event sent before it is here after it.
  const Uint32 real = SDL_GetGlobalMouseState(nullptr, nullptr);
  SDL_Event e;
  while (SDL_PollEvent(&e)) Handle(e);
  const Uint32 cached = SDL_GetMouseState(nullptr, nullptr);
  for (int b : {0, 1}) {
    const Uint32 mask = SDL_BUTTON(b == 0 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT);
    if ((cached & mask) && !(real & mask)) staleButton_[b] = true;
  }
}

void SdlPlatform::PumpEvents() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) Handle(e);
  if (displayOpen_) CheckLostReleases();
  if (focusCheckPending_ && Now() >= focusGraceUntil_) {
    focusCheckPending_ = false;
    if (window_ && !(SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS)) {
      LoseFocus();
    }
  }
}

void SdlPlatform::Record(const Message& m) {
  if (!record_) return;
  const std::uint32_t frame = loop::InPregame ? 0 : loop::SceneCalls + 1;
  std::string line = FormatScriptEvent(frame, m);
  // Closing the window ends the game as Escape does: no scene runs after
  // either, so the replay ends at the same frame. (The window manager sends
  // two close requests; the second changes nothing.)
  if (m.type == MsgType::Close) {
    if (closeRecorded_) return;
    closeRecorded_ = true;
    line = std::to_string(frame) + " key escape  # the window was closed";
  }
  if (line.empty()) return;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), record_);
  std::fflush(record_);
}

bool SdlPlatform::PollMessage(Message& out) {
  if (!queue_.Pop(out)) {
    PumpEvents();
    if (!queue_.Pop(out) && !replay_.Next(out)) return false;
  }
  if (out.type == MsgType::LButtonDown && displayOpen_) clickWaiting_ = true;
  Record(out);
  return true;
}

bool SdlPlatform::MessageWaiting() {
  if (queue_.Empty()) PumpEvents();
  return !queue_.Empty();
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
  queue_.SceneCalled();
  if (trace_) {
    loop::TraceLine(traceLine_, false);
    std::fwrite(traceLine_.data(), 1, traceLine_.size(), trace_);
    std::fflush(trace_);
  }
}

bool SdlPlatform::Present(const std::uint8_t* pixels, int pitch,
                          const PaletteEntry* palette) {
  if (!renderer_ || !texture_) return false;
  const Nanos start = Now();
  const bool present = pacer_.ShouldPresent(start);
  if (present) {
    void* out = nullptr;
    int outPitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &out, &outPitch) == 0) {
      video::ConvertFrameScaled(pixels, pitch, kWidth, kHeight, palette, scale_,
                                static_cast<std::uint32_t*>(out), outPitch);
      SDL_UnlockTexture(texture_);
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    if (picture_.w < outWidth_ || picture_.h < outHeight_) {
      const SDL_Rect bars[4] = {
          {0, 0, outWidth_, picture_.y},
          {0, picture_.y + picture_.h, outWidth_,
           outHeight_ - picture_.y - picture_.h},
          {0, picture_.y, picture_.x, picture_.h},
          {picture_.x + picture_.w, picture_.y,
           outWidth_ - picture_.x - picture_.w, picture_.h}};
      SDL_RenderFillRects(renderer_, bars, 4);
    }
    SDL_RenderCopy(renderer_, texture_, nullptr, &picture_);
    SDL_RenderPresent(renderer_);
    for (int y = 0; y < kHeight; ++y) {
      std::memcpy(shown_.data() + y * kWidth, pixels + long(y) * pitch, kWidth);
    }
    std::memcpy(shownPalette_, palette, sizeof shownPalette_);
    haveShown_ = true;
  }
  const Nanos end = Now();
  pacer_.FrameDone(end, present, vsync_);
  if (vsync_ && !pacer_.VsyncTrusted()) {
    // The display does not keep the pace it claims: the clock alone paces.
    SDL_RenderSetVSync(renderer_, 0);
    vsync_ = false;
    std::fprintf(
        stderr,
        "TumbleSquash: vsync measured %.2f frames a second, not 60; "
        "pacing by the clock\n",
        double(FramePacer::kSecond) / double(pacer_.MeasuredInterval()));
  }
  if (options_.showStats) Stats(present ? end - start : -1, present);
  SleepUntil(pacer_.NextDue());
  return true;
}

void SdlPlatform::Stats(Nanos presentTime, bool presented) {
  ++statsScenes_;
  if (presented) {
    ++statsPresents_;
    statsPresentTime_ += presentTime;
    statsPresentMax_ = std::max(statsPresentMax_, presentTime);
    if (clickWaiting_) {
      // For the click-to-screen figure: the moment the first frame that saw
      // the press was on screen, on the monotonic clock.
      std::fprintf(stderr, "TumbleSquash: click shown at %lld\n",
                   static_cast<long long>(Now()));
      clickWaiting_ = false;
    }
  }
  ++statsTotalScenes_;
  const Nanos now = Now();
  if (now - statsStart_ < FramePacer::kSecond) return;
  const double seconds = double(now - statsStart_) / 1e9;
  const Nanos cpu = ReadClock(CLOCK_THREAD_CPUTIME_ID);
  const Nanos processCpu = ReadClock(CLOCK_PROCESS_CPUTIME_ID);
  // One line a second; the scene count and the clock at its end let a
  // measurement take the rate over any span of lines.
  std::fprintf(
      stderr,
      "TumbleSquash: %.1f scene calls, %.1f presents a second; present %.2f "
      "ms (max %.2f); CPU a scene call %.2f ms (main thread %.2f); %dx, %s; "
      "scene %lld at %lld\n",
      statsScenes_ / seconds, statsPresents_ / seconds,
      statsPresents_ ? double(statsPresentTime_) / statsPresents_ / 1e6 : 0.0,
      double(statsPresentMax_) / 1e6,
      double(processCpu - statsProcessCpuStart_) / statsScenes_ / 1e6,
      double(cpu - statsCpuStart_) / statsScenes_ / 1e6, scale_,
      vsync_ ? "vsync" : "timer", static_cast<long long>(statsTotalScenes_),
      static_cast<long long>(now));
  statsStart_ = now;
  statsCpuStart_ = cpu;
  statsProcessCpuStart_ = processCpu;
  statsScenes_ = statsPresents_ = 0;
  statsPresentTime_ = statsPresentMax_ = 0;
}

bool SdlPlatform::OpenAudio() { return OpenSdlAudio(); }

void SdlPlatform::CloseAudio() { CloseSdlAudio(); }

void ShowStartupError(const char* text) {
  std::fprintf(stderr, "tumblesquash: %s\n", text);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kTitle, text, nullptr);
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
    std::fprintf(stderr, "TumbleSquash: cannot open a window (%s)\n%s: %s\n",
                 SDL_GetError(), video::kFailureCaption, video::kFailureText);
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
        platform.SaveSettingsIfChanged();
        if (!platform.CloseFiles()) {
          std::fprintf(stderr,
                       "tumblesquash: cannot write the record or "
                       "trace file\n");
          return code == 0 ? 2 : code;
        }
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
