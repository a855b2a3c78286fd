#include "platform/sdl/presenter.h"

#include <cstring>

#include "base/say.h"
#include "platform/os/clock.h"
#include "video/present.h"

namespace platform {

namespace {

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

}  // namespace

SdlPresenter::Opened SdlPresenter::Open(SDL_Window* window, bool tryVsync) {
  Close();
  vsync_ = tryVsync;
  SDL_RendererInfo info{};
  if (!softwareOnly_) {
    renderer_ =
        SDL_CreateRenderer(window, -1, vsync_ ? SDL_RENDERER_PRESENTVSYNC : 0);
    if (renderer_ && SDL_GetRendererInfo(renderer_, &info) == 0 &&
        !SDL_getenv("SDL_RENDER_DRIVER") && IsSoftwareGl(info)) {
      // OpenGL on the processor costs far more than SDL's own software
      // renderer drawing into the window's shared-memory image. A window
      // without OpenGL, then.
      Close();
      softwareOnly_ = true;
      return Opened::WantsWindowWithoutOpenGl;
    }
  }
  if (!renderer_) {
    renderer_ = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!renderer_ || SDL_GetRendererInfo(renderer_, &info) != 0) {
    return Opened::Failed;
  }
  if (!(info.flags & SDL_RENDERER_PRESENTVSYNC)) vsync_ = false;
  // Frames are written in the window's own pixel format where the renderer
  // takes it, so nothing converts them again.
  const Uint32 native = SDL_GetWindowPixelFormat(window);
  textureFormat_ = SDL_PIXELFORMAT_ARGB8888;
  for (Uint32 i = 0; i < info.num_texture_formats; ++i) {
    if (info.texture_formats[i] == native &&
        (native == SDL_PIXELFORMAT_RGB888 ||
         native == SDL_PIXELFORMAT_ARGB8888)) {
      textureFormat_ = native;
    }
  }
  if (!UpdateLayout(window)) return Opened::Failed;
  if (showStats_) {
    base::Say("renderer %s, %s, vsync %s", info.name,
              SDL_GetPixelFormatName(textureFormat_), vsync_ ? "on" : "off");
  }
  Restart();
  return Opened::Ready;
}

void SdlPresenter::Close() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
}

void SdlPresenter::Restart() {
  pacer_.Restart(os::MonotonicNow());
  stats_.Restart();
}

bool SdlPresenter::UpdateLayout(SDL_Window* window) {
  if (!renderer_) return false;
  int outWidth = 0, outHeight = 0, pointsWidth = 0, pointsHeight = 0;
  if (SDL_GetRendererOutputSize(renderer_, &outWidth, &outHeight) != 0) {
    return false;
  }
  SDL_GetWindowSize(window, &pointsWidth, &pointsHeight);
  layout_ = PlacePicture(outWidth, outHeight, pointsWidth);
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

bool SdlPresenter::Present(const std::uint8_t* pixels, int pitch,
                           const PaletteEntry* palette) {
  if (!renderer_ || !texture_) return false;
  const os::Nanos start = os::MonotonicNow();
  const bool present = pacer_.ShouldPresent(start);
  if (present) {
    const PictureLayout& l = layout_;
    void* out = nullptr;
    int outPitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &out, &outPitch) == 0) {
      video::ConvertFrameScaled(pixels, pitch, kScreenWidth, kScreenHeight,
                                palette, l.scale,
                                static_cast<std::uint32_t*>(out), outPitch);
      SDL_UnlockTexture(texture_);
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    if (l.HasBars()) {
      const SDL_Rect bars[4] = {
          {0, 0, l.outWidth, l.y},
          {0, l.y + l.height, l.outWidth, l.outHeight - l.y - l.height},
          {0, l.y, l.x, l.height},
          {l.x + l.width, l.y, l.outWidth - l.x - l.width, l.height}};
      SDL_RenderFillRects(renderer_, bars, 4);
    }
    const SDL_Rect picture{l.x, l.y, l.width, l.height};
    SDL_RenderCopy(renderer_, texture_, nullptr, &picture);
    SDL_RenderPresent(renderer_);
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
    stats_.SceneDone(end - start, present, layout_.scale, vsync_);
  }
  os::SleepUntil(pacer_.NextDue());
  return true;
}

}  // namespace platform
