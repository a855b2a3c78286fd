// A platform with no window and no screen, and a silent sound device whose
// channels advance one frame of time per presented frame. The headless
// runner is built on it, and so are the test and benchmark stand-ins, which
// override only what they watch.
#pragma once
#include <cstdint>

#include "platform/platform.h"

namespace platform {

class QuietPlatform : public Platform {
 public:
  static constexpr int kSampleRate = 44100;
  static constexpr int kSamplesPerFrame = kSampleRate / 60;

  bool PollMessage(Message&) override { return false; }
  void ShowSplash() override {}
  bool OpenDisplay() override { return true; }
  void CloseDisplay() override {}
  void ShowFailure(const char* caption, const char* text) override;
  void HideCursor() override {}
  bool Present(const std::uint8_t*, int, const PaletteEntry*) override;
  bool OpenAudio() override;
  void CloseAudio() override;
  std::uint32_t CalendarSeconds() override;

 private:
  bool audioOpen_ = false;
};

}  // namespace platform
