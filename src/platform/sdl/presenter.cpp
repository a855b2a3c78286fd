#include "platform/sdl/presenter.h"

#include <array>
#include <cstring>
#include <system_error>
#include <tuple>
#include <utility>

#include "base/say.h"
#include "platform/os/clock.h"
#include "platform/os/memory.h"
#include "platform/sdl/x_window.h"
#include "video/present.h"

namespace platform {

namespace {

// Whether the window's display draws with a GPU. Asked of the X server
// without building anything: a server with a GPU offers direct rendering
// (DRI2, DRI3, or NVIDIA's own); one without (a virtual or remote screen)
// would give OpenGL on the processor, where a renderer costs a whole extra
// copy of every frame. Other window systems are taken to have one, and the
// renderer is then checked (see IsSoftwareGl).
bool DisplayHasGpu(SDL_Window* window) {
#if TS_X11
  ::Display* d = nullptr;
  ::Window w = 0;
  if (XWindowOf(window, d, w)) {
    int opcode = 0, event = 0, error = 0;
    for (const char* name : {"DRI3", "DRI2", "NV-GLX"}) {
      if (XQueryExtension(d, name, &opcode, &event, &error)) return true;
    }
    return false;
  }
#else
  (void)window;
#endif
  return true;
}

// Has the X server fill the window with black itself; false off X.
bool ClearToBlack(SDL_Window* window) {
#if TS_X11
  ::Display* d = nullptr;
  ::Window w = 0;
  if (XWindowOf(window, d, w)) {
    XSetWindowBackground(d, w, BlackPixel(d, DefaultScreen(d)));
    XClearWindow(d, w);
    // Exposed parts are left to the game again, as SDL made the window.
    XSetWindowBackgroundPixmap(d, w, None);
    return true;
  }
#else
  (void)window;
#endif
  return false;
}

// The rows [first, last) from the first to the last for which `hit` holds.
template <typename Hit>
std::pair<int, int> RowsWhere(Hit hit) {
  int first = 0, last = kScreenHeight;
  while (first < last && !hit(first)) ++first;
  while (last > first && !hit(last - 1)) --last;
  return {first, last};
}

// The rows of a frame that show any colour but black.
std::pair<int, int> LitRows(const std::uint8_t* pixels, int pitch,
                            const PaletteEntry* palette) {
  bool lit[256];
  for (int i = 0; i < 256; ++i) {
    lit[i] = (palette[i].red | palette[i].green | palette[i].blue) != 0;
  }
  return RowsWhere([&](int y) {
    const std::uint8_t* row = pixels + long(y) * pitch;
    for (int x = 0; x < kScreenWidth; ++x) {
      if (lit[row[x]]) return true;
    }
    return false;
  });
}

// The rows of a frame (packed rows) that differ from `shown`.
std::pair<int, int> ChangedRows(const std::uint8_t* pixels,
                                const std::uint8_t* shown) {
  return RowsWhere([&](int y) {
    return std::memcmp(pixels + y * kScreenWidth, shown + y * kScreenWidth,
                       kScreenWidth) != 0;
  });
}

// An OpenGL renderer that runs on the processor (Mesa's llvmpipe and
// friends), where the display claimed a GPU all the same.
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

// Our pixels are 0xAARRGGBB words: a window image laid out so takes them
// as they are.
bool TakesOurPixels(const SDL_Surface* s) {
  return s && s->format->BytesPerPixel == 4 && s->format->Rmask == 0xFF0000 &&
         s->format->Gmask == 0xFF00 && s->format->Bmask == 0xFF;
}

// The black bars around the picture: above, below, left and right.
std::array<SDL_Rect, 4> Bars(const PictureLayout& l) {
  return {SDL_Rect{0, 0, l.outWidth, l.y},
          {0, l.y + l.height, l.outWidth, l.outHeight - l.y - l.height},
          {0, l.y, l.x, l.height},
          {l.x + l.width, l.y, l.outWidth - l.x - l.width, l.height}};
}

}  // namespace

bool SdlPresenter::OpenRenderer(bool tryVsync) {
  const bool named = SDL_getenv("SDL_RENDER_DRIVER") != nullptr;
  renderer_ =
      SDL_CreateRenderer(window_, -1, tryVsync ? SDL_RENDERER_PRESENTVSYNC : 0);
  SDL_RendererInfo info{};
  if (!renderer_ || SDL_GetRendererInfo(renderer_, &info) != 0) {
    Close();
    return false;
  }
  if (!named && IsSoftwareGl(info)) {
    // OpenGL on the processor after all: the window's own image is cheaper.
    SDL_DestroyRenderer(renderer_);
    renderer_ = nullptr;
    return false;
  }
  vsync_ = tryVsync && (info.flags & SDL_RENDERER_PRESENTVSYNC);
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
  if (showStats_) {
    base::Say("renderer %s, %s, vsync %s", info.name,
              SDL_GetPixelFormatName(textureFormat_), vsync_ ? "on" : "off");
  }
  return true;
}

bool SdlPresenter::Open(SDL_Window* window, bool tryVsync, ScaleMode mode) {
  Close();
  window_ = window;
  mode_ = mode;
  vsync_ = false;
  const bool named = SDL_getenv("SDL_RENDER_DRIVER") != nullptr;
  if (named || DisplayHasGpu(window)) OpenRenderer(tryVsync);
  if (!renderer_) {
    SDL_Surface* s = SDL_GetWindowSurface(window);
    if (!TakesOurPixels(s)) {
      // An unusual window image: SDL's software renderer converts for us.
      renderer_ = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
      if (!renderer_) {
        Close();
        return false;
      }
      if (showStats_) base::Say("renderer software, vsync off");
    } else {
      if (showStats_) {
        base::Say("renderer none: the window's own image, %s, vsync off",
                  SDL_GetPixelFormatName(s->format->format));
      }
      // The first frame writes the whole image, and the system hands out
      // its pages one by one as they are first written (at 2560 x 1440 that
      // was half the time from the start click to the first frame): another
      // thread asks for them meanwhile. (No thread to be had: they come as
      // before.)
      try {
        pager_ = std::thread(os::TakePages, s->pixels,
                             std::size_t(s->h) * std::size_t(s->pitch));
      } catch (const std::system_error&) {
      }
    }
  }
  if (!UpdateLayout(mode)) {
    Close();
    return false;
  }
  Restart();
  return true;
}

void SdlPresenter::Close() {
  if (pager_.joinable()) pager_.join();
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
  surface_ = nullptr;
  window_ = nullptr;
}

void SdlPresenter::Restart() {
  pacer_.Restart(os::MonotonicNow());
  stats_.Restart();
}

bool SdlPresenter::UpdateLayout(ScaleMode mode) {
  if (!window_) return false;
  mode_ = mode;
  int outWidth = 0, outHeight = 0, pointsWidth = 0, pointsHeight = 0;
  if (renderer_) {
    if (SDL_GetRendererOutputSize(renderer_, &outWidth, &outHeight) != 0) {
      return false;
    }
  } else {
    SDL_GetWindowSizeInPixels(window_, &outWidth, &outHeight);
  }
  SDL_GetWindowSize(window_, &pointsWidth, &pointsHeight);
  layout_ = PlacePicture(outWidth, outHeight, pointsWidth, mode);
  if (layout_.scale == 0) {
    sharpFit_.Configure(kScreenWidth, kScreenHeight, layout_.width,
                        layout_.height);
  }
  redrawAll_ = true;
  surface_ = nullptr;
  if (!renderer_) return true;
  int tw = 0, th = 0;
  if (texture_) SDL_QueryTexture(texture_, nullptr, nullptr, &tw, &th);
  if (tw != layout_.width || th != layout_.height) {
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, textureFormat_,
                                 SDL_TEXTUREACCESS_STREAMING, layout_.width,
                                 layout_.height);
  }
  return texture_ != nullptr;
}

void SdlPresenter::Convert(const std::uint8_t* pixels, int pitch,
                           const PaletteEntry* palette, std::uint32_t* out,
                           int outPitch, const std::uint8_t* shown) {
  if (layout_.scale > 0) {
    video::ConvertFrameScaled(pixels, pitch, kScreenWidth, kScreenHeight,
                              palette, layout_.scale, out, outPitch, shown);
  } else {
    sharpFit_.Convert(pixels, pitch, palette, out, outPitch);
  }
}

bool SdlPresenter::DrawIntoSurface(const std::uint8_t* pixels, int pitch,
                                   const PaletteEntry* palette) {
  // Until this draw is done, the image holds no frame we know of.
  const bool held = surfaceHoldsShown_;
  surfaceHoldsShown_ = false;
  SDL_Surface* s = SDL_GetWindowSurface(window_);
  if (!TakesOurPixels(s)) return false;
  if (s->w != layout_.outWidth || s->h != layout_.outHeight) {
    // Resized before SDL told us: lay out for the image there is.
    UpdateLayout(mode_);
  }
  const PictureLayout& l = layout_;
  if (s != surface_) redrawAll_ = true;
  surface_ = s;
  if (SDL_MUSTLOCK(s) && SDL_LockSurface(s) != 0) return false;
  if (redrawAll_ && l.HasBars()) {
    const std::array<SDL_Rect, 4> bars = Bars(l);
    SDL_FillRects(s, bars.data(), 4, 0);
  }
  auto* at = static_cast<std::uint8_t*>(s->pixels) +
             std::int64_t(l.y) * s->pitch + std::int64_t(l.x) * 4;
  // In play most of the picture is the same from one frame to the next:
  // only what moved is drawn again (the palette the same, nothing lost).
  const bool same =
      held && !redrawAll_ && haveShown_ && pitch == kScreenWidth &&
      std::memcmp(palette, shownPalette_, sizeof shownPalette_) == 0;
  Convert(pixels, pitch, palette, reinterpret_cast<std::uint32_t*>(at),
          s->pitch, same ? shown_.data() : nullptr);
  if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
  surfaceHoldsShown_ = true;
  // The X server copies what it is sent (at 2560 x 1440, 14.7 MB for the
  // whole image): only the rows that changed are sent. A picture drawn
  // afresh that is mostly black (the opening's first frames, fades) has
  // the server fill the window with black instead, and gets only its lit
  // rows; the image here holds the same black around them.
  int first = 0, last = kScreenHeight;
  bool band = false;
  if (l.scale > 0) {
    if (same) {
      std::tie(first, last) = ChangedRows(pixels, shown_.data());
      band = true;
    } else if (redrawAll_) {
      std::tie(first, last) = LitRows(pixels, pitch, palette);
      band = 2 * (last - first) <= kScreenHeight && ClearToBlack(window_);
    }
  }
  bool sent = true;
  if (band) {
    if (first < last) {
      const SDL_Rect rows{l.x, l.y + first * l.scale, l.width,
                          (last - first) * l.scale};
      sent = SDL_UpdateWindowSurfaceRects(window_, &rows, 1) == 0;
    }
  } else {
    const SDL_Rect picture{l.x, l.y, l.width, l.height};
    sent = redrawAll_ ? SDL_UpdateWindowSurface(window_) == 0
                      : SDL_UpdateWindowSurfaceRects(window_, &picture, 1) == 0;
  }
  // What did not reach the server is sent whole with the next frame.
  redrawAll_ = !sent;
  if (pager_.joinable()) pager_.join();
  return sent;
}

bool SdlPresenter::DrawWithRenderer(const std::uint8_t* pixels, int pitch,
                                    const PaletteEntry* palette) {
  if (!texture_) return false;
  const PictureLayout& l = layout_;
  void* out = nullptr;
  int outPitch = 0;
  if (SDL_LockTexture(texture_, nullptr, &out, &outPitch) == 0) {
    Convert(pixels, pitch, palette, static_cast<std::uint32_t*>(out), outPitch);
    SDL_UnlockTexture(texture_);
  }
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  if (l.HasBars()) {
    const std::array<SDL_Rect, 4> bars = Bars(l);
    SDL_RenderFillRects(renderer_, bars.data(), 4);
  }
  const SDL_Rect picture{l.x, l.y, l.width, l.height};
  SDL_RenderCopy(renderer_, texture_, nullptr, &picture);
  SDL_RenderPresent(renderer_);
  return true;
}

bool SdlPresenter::Draw(const std::uint8_t* pixels, int pitch,
                        const PaletteEntry* palette) {
  return renderer_ ? DrawWithRenderer(pixels, pitch, palette)
                   : DrawIntoSurface(pixels, pitch, palette);
}

void SdlPresenter::ShowAgain() {
  if (window_ && haveShown_) {
    redrawAll_ = true;
    Draw(shown_.data(), kScreenWidth, shownPalette_);
  }
}

bool SdlPresenter::Present(const std::uint8_t* pixels, int pitch,
                           const PaletteEntry* palette) {
  if (!window_) return false;
  const os::Nanos start = os::MonotonicNow();
  const bool present = pacer_.ShouldPresent(start);
  if (present) {
    Draw(pixels, pitch, palette);
    for (int y = 0; y < kScreenHeight; ++y) {
      std::memcpy(shown_.data() + y * kScreenWidth, pixels + long(y) * pitch,
                  kScreenWidth);
    }
    std::memcpy(shownPalette_, palette, sizeof shownPalette_);
    haveShown_ = true;
  }
  const os::Nanos end = os::MonotonicNow();
  pacer_.FrameDone(end, present, vsync_);
  if (vsync_ && !pacer_.VsyncTrusted()) {
    // The display does not keep the pace it claims: the clock alone paces.
    SDL_RenderSetVSync(renderer_, 0);
    vsync_ = false;
    base::Say(
        "vsync measured %.2f frames a second, not 60; pacing by the "
        "clock",
        double(FramePacer::kSecond) / double(pacer_.MeasuredInterval()));
  }
  if (showStats_) {
    stats_.SceneDone(end - start, present, layout_.Zoom(), vsync_);
  }
  os::SleepUntil(pacer_.NextDue());
  return true;
}

}  // namespace platform
