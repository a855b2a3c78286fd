// The browser back end: the game in a canvas of the page, driven by the
// browser's animation frames; mouse, fingers and keys from the page; sound
// mixed in the page's audio worklet; the pictures fetched with the page and
// Score.dat kept in the browser's IndexedDB.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/system/input_queue.h"
#include "platform/system/null_platform.h"
#include "platform/system/recorder.h"
#include "platform/web/frame_clock.h"
#include "platform/web/page_geometry.h"
#include "platform/web/score_store.h"
#include "platform/web/sound_link.h"
#include "platform/web/touch_input.h"
#include "video/surface.h"

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
  platform::ReadResult ReadFile(const char* name, std::size_t limit,
                                std::vector<std::uint8_t>& out) override;
  bool ReplaceFile(const char* name, std::span<const std::uint8_t> bytes,
                   std::string& error) override;
  std::unique_ptr<platform::FileLock> LockFile(const char* name,
                                               platform::LockWait wait,
                                               bool& busy,
                                               std::string& error) override;
  void AfterScene() override;

  // A run from the splash (again after Escape ends one), recording its
  // input, with the recordings' stand-ins for these names.
  void StartRun();
  void SetSoundNames(const std::vector<std::string>& names);

  // One animation frame: the scene calls that wall time asks for, then the
  // newest frame onto the canvas.
  void Tick(double nowMs);

  // The page's input, in CSS pixels of the view. Kinds: 0 move, 1 press,
  // 2 release; buttons as the browser numbers them.
  void Mouse(int kind, double x, double y, int button);
  // Phases: 0 down, 1 move, 2 up (or taken by the browser).
  void Touch(int phase, int id, double x, double y);
  // True when the key was the game's.
  bool Key(const char* key, bool repeat);
  void SetHidden(bool hidden);
  void SetFocused(bool focused);

  ScoreStore& scores() { return scores_; }

  // What the page's debug hook reports, as JSON.
  const char* DebugJson();

 private:
  bool RunSceneCall();
  void Pressed();
  void DrawPendingFrame();
  void UpdateRunning();
  void UpdateTitle();
  void SendSound();
  ScreenRect screenRect() const;

  FrameClock clock_;
  platform::InputQueue input_;
  // Each run's input, as a script the headless runner replays (the page's
  // debug hook hands it out).
  platform::Recorder recorder_;
  TouchInput touch_;
  ScoreStore scores_;
  std::unique_ptr<StandIns> standIns_;
  ChannelWatch soundWatch_;
  std::vector<std::uint32_t> soundWords_;
  bool audioOpen_ = false;
  bool hidden_ = false, focused_ = true, paused_ = false, stopped_ = false;
  bool displayUp_ = false;
  int title_ = -1;
  // The frame presented last, drawn at the end of the animation frame.
  const std::uint8_t* pending_ = nullptr;
  int pendingPitch_ = 0;
  const platform::PaletteEntry* pendingPalette_ = nullptr;
  std::uint32_t rgba_[video::kScreenWidth * video::kScreenHeight];

  // Counters for the debug hook and the measurements.
  struct Counters {
    std::uint64_t ticks = 0, sceneCalls = 0, presents = 0, runs = 0;
    std::uint64_t savesWritten = 0, touches = 0, pauses = 0;
    double coreMs = 0, presentMs = 0;
    double splashAtMs = -1, firstFrameAtMs = -1;
  } counters_;
  std::string debug_;
};

}  // namespace web
