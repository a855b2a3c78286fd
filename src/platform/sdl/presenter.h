// Showing the game's frames in the window: converted and whole-number
// scaled in one pass of our own into a streaming texture, black bars
// around, paced by the clock (see FramePacer) with vsync only while it keeps
// time, and the frame on screen kept for F12.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/sdl/frame_pacer.h"
#include "platform/sdl/frame_stats.h"
#include "platform/sdl/layout.h"

namespace platform {

class SdlPresenter {
 public:
  explicit SdlPresenter(bool showStats) : showStats_(showStats) {}
  SdlPresenter(const SdlPresenter&) = delete;
  SdlPresenter& operator=(const SdlPresenter&) = delete;
  ~SdlPresenter() { Close(); }

  enum class Opened { Ready, Failed, WantsWindowWithoutOpenGl };
  // Makes the renderer for `window`, with vsync if `tryVsync`. Where OpenGL
  // turns out to run on the processor, it asks for the window to be made
  // again without OpenGL, and then for Open once more.
  Opened Open(SDL_Window* window, bool tryVsync);
  void Close();
  bool open() const { return renderer_ != nullptr; }

  // After the window's size changed: where the picture goes now.
  bool UpdateLayout(SDL_Window* window);
  const PictureLayout& layout() const { return layout_; }

  // Shows the frame if there is time for it, then sleeps until the next
  // scene call is due. False when nothing can be shown at all.
  bool Present(const std::uint8_t* pixels, int pitch,
               const PaletteEntry* palette);
  // Time stood still (a pause, a new window): counts afresh from now.
  void Restart();
  void ClickSeen() { stats_.ClickSeen(); }

  // The frame on screen and its palette, for F12; null before the first.
  const std::uint8_t* shown() const {
    return haveShown_ ? shown_.data() : nullptr;
  }
  const PaletteEntry* shownPalette() const { return shownPalette_; }

 private:
  bool showStats_;
  bool softwareOnly_ = false;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  Uint32 textureFormat_ = SDL_PIXELFORMAT_ARGB8888;
  PictureLayout layout_;
  FramePacer pacer_;
  bool vsync_ = false;
  FrameStats stats_;
  std::vector<std::uint8_t> shown_ =
      std::vector<std::uint8_t>(kScreenWidth * kScreenHeight);
  PaletteEntry shownPalette_[256] = {};
  bool haveShown_ = false;
};

}  // namespace platform
