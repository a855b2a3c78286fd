// The browser back end: the game in a canvas of the page, driven by the
// browser's animation frames; mouse and keys from the page, sound through
// Web Audio pulling our mixer, the pictures packaged with the page and
// Score.dat kept in the browser's IndexedDB.
#pragma once
#include <cstdint>
#include <string>

#include "platform/system/input_queue.h"
#include "platform/system/null_platform.h"
#include "platform/system/recorder.h"
#include "platform/web/frame_clock.h"
#include "platform/web/page_geometry.h"

namespace web {

class WebPlatform final : public platform::NullPlatform {
 public:
  bool PollMessage(platform::Message& out) override;
  void ShowSplash() override;
  bool OpenDisplay() override;
  void CloseDisplay() override;
  void ShowFailure(const char* caption, const char* text) override;
  void HideCursor() override;
  bool Present(const std::uint8_t* pixels, int pitch,
               const platform::PaletteEntry* palette) override;
  bool OpenAudio() override;
  void CloseAudio() override;
  bool ReplaceFile(const char* name, std::span<const std::uint8_t> bytes,
                   std::string& error) override;
  void AfterScene() override;

  // Starts a run of the game from the splash, recording its input.
  void StartRun();

  // One animation frame: the scene calls that wall time asks for, then the
  // newest frame onto the canvas.
  void Tick(double nowMs);
  void Layout();
  void Push(const platform::Message& message) { input_.Push(message); }
  void SetHidden(bool hidden);
  ScreenRect screenRect() const;

  // What the page's debug hook reports, as JSON.
  const char* DebugJson();

 private:
  bool RunSceneCall();
  void DrawPendingFrame();

  FrameClock clock_;
  platform::InputQueue input_;
  // Each run's input, as a script the headless runner replays (the page's
  // debug hook hands it out).
  platform::Recorder recorder_;
  bool hidden_ = false;
  bool displayUp_ = false;
  // The frame presented last, drawn at the end of the animation frame.
  const std::uint8_t* pending_ = nullptr;
  int pendingPitch_ = 0;
  const platform::PaletteEntry* pendingPalette_ = nullptr;
  std::uint32_t rgba_[platform::kScreenWidth * platform::kScreenHeight];

  // Counters for the debug hook and the measurements.
  struct Counters {
    std::uint64_t ticks = 0, sceneCalls = 0, presents = 0, runs = 0;
    std::uint64_t savesWritten = 0;
    double coreMs = 0, presentMs = 0;
    double splashAtMs = -1, firstFrameAtMs = -1;
  } counters_;
  std::string debug_;
};

}  // namespace web
