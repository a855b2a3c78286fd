// A platform with no window and no screen: a silent sound device whose
// channels move on by one frame of time per presented frame, and the
// system's real files. The headless runner and the test and benchmark
// stand-ins are built on it and override only what they watch; the desktop
// and the page take their files and calendar from it.
#pragma once
#include <cstdint>

#include "base/platform.h"

namespace platform {

class NullPlatform : public Platform {
 public:
  static constexpr int kSampleRate = 44100;
  static constexpr int kSamplesPerFrame = kSampleRate / 60;

  NullPlatform();

  bool PollMessage(Message&) override { return false; }
  void ShowSplash() override {}
  bool OpenDisplay() override { return true; }
  void CloseDisplay() override {}
  void ShowFailure(const char* caption, const char* text) override;
  void HideCursor() override {}
  // Time passes for the sound channels as it would on a real device.
  bool Present(const std::uint8_t*, int, const PaletteEntry*) override;
  bool OpenAudio() override;
  void CloseAudio() override {}
  std::uint32_t CalendarSeconds() override;
  ReadResult ReadFile(const char* name, std::size_t limit,
                      std::vector<std::uint8_t>& out) override;
  bool ReplaceFile(const char* name, std::span<const std::uint8_t> bytes,
                   std::string& error) override;
  std::unique_ptr<FileLock> LockFile(const char* name, LockWait wait,
                                     bool& busy, std::string& error) override;
};

}  // namespace platform
