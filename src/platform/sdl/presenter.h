// Showing the game's frames in the window: converted and scaled in one pass
// of our own (whole numbers, or a sharp fit), black bars around, paced by
// the clock (see FramePacer) with vsync only while it keeps time, and the
// frame on screen kept for F12.
//
// Where the display has a GPU the frames go through SDL's renderer (a
// streaming texture, vsync). Where it has none, a renderer would only copy
// our finished picture once more on the processor, so the frames are
// written straight into the window's own image instead, the bars drawn once,
// and only the picture's rectangle sent to the display.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "platform/sdl/frame_pacer.h"
#include "platform/sdl/frame_stats.h"
#include "platform/sdl/layout.h"
#include "platform/sdl/sharp_fit.h"

namespace platform {

class SdlPresenter {
 public:
  explicit SdlPresenter(bool showStats) : showStats_(showStats) {}
  SdlPresenter(const SdlPresenter&) = delete;
  SdlPresenter& operator=(const SdlPresenter&) = delete;
  ~SdlPresenter() { Close(); }

  // Gets ready to show frames in `window`, the picture scaled by `mode`;
  // vsync if `tryVsync` and a renderer is used. False when nothing can
  // show them.
  bool Open(SDL_Window* window, bool tryVsync, ScaleMode mode);
  void Close();
  bool open() const { return window_ != nullptr; }

  // After the window's size or the scale mode changed: where the picture
  // goes now.
  bool UpdateLayout(ScaleMode mode);
  // The window's image was lost (covered, then shown): all of it is drawn
  // again with the next frame.
  void Exposed() { redrawAll_ = true; }
  const PictureLayout& layout() const { return layout_; }

  // Shows the frame if there is time for it, then sleeps until the next
  // scene call is due. False when nothing can be shown at all.
  bool Present(const std::uint8_t* pixels, int pitch,
               const PaletteEntry* palette);
  // Shows the frame on screen again, now (a paused window shown again).
  void ShowAgain();
  // Time stood still (a pause, a new window): counts afresh from now.
  void Restart();
  void ClickSeen() { stats_.ClickSeen(); }
  // The game's display starts to open (for the start-up figure).
  void DisplayOpening() { stats_.DisplayOpening(); }

  // The frame on screen and its palette, for F12; null before the first.
  const std::uint8_t* shown() const {
    return haveShown_ ? shown_.data() : nullptr;
  }
  const PaletteEntry* shownPalette() const { return shownPalette_; }

 private:
  bool OpenRenderer(bool tryVsync);
  bool Draw(const std::uint8_t* pixels, int pitch, const PaletteEntry* palette);
  bool DrawIntoSurface(const std::uint8_t* pixels, int pitch,
                       const PaletteEntry* palette);
  bool DrawWithRenderer(const std::uint8_t* pixels, int pitch,
                        const PaletteEntry* palette);
  // The picture into `out` (its top-left pixel), rows `outPitch` apart;
  // `shown`, when given, is a frame whose picture `out` already holds.
  void Convert(const std::uint8_t* pixels, int pitch,
               const PaletteEntry* palette, std::uint32_t* out, int outPitch,
               const std::uint8_t* shown = nullptr);

  bool showStats_;
  SDL_Window* window_ = nullptr;
  ScaleMode mode_ = ScaleMode::Whole;
  // With a renderer (a GPU); without, the window's own image.
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  Uint32 textureFormat_ = SDL_PIXELFORMAT_ARGB8888;
  // The window image the bars were drawn into, and whether all of it must
  // be drawn and sent again.
  SDL_Surface* surface_ = nullptr;
  bool redrawAll_ = true;
  // The window image holds the picture of shown_ as it was last drawn, so
  // what has not changed since need not be drawn again.
  bool surfaceHoldsShown_ = false;
  PictureLayout layout_;
  SharpFit sharpFit_;
  FramePacer pacer_;
  bool vsync_ = false;
  FrameStats stats_;
  std::vector<std::uint8_t> shown_ =
      std::vector<std::uint8_t>(kScreenWidth * kScreenHeight);
  PaletteEntry shownPalette_[256] = {};
  bool haveShown_ = false;
  // Asks for the window image's pages while the first frame is made.
  std::thread pager_;
};

}  // namespace platform
