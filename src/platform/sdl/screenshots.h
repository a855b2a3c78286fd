// F12: the frame on screen as a 640 x 480 PNG in the player's screenshots
// folder. The frame is copied at once and written by a thread of its own, so
// the frame loop never waits for the encoder or the disk.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/platform.h"
#include "platform/os/clock.h"

namespace platform {

class ScreenshotWriter {
 public:
  // The time each shot is named by (tests give their own).
  using Clock = std::int64_t (*)();
  explicit ScreenshotWriter(std::string folder,
                            Clock clock = os::UnixMilliseconds)
      : folder_(std::move(folder)), clock_(clock) {}
  ~ScreenshotWriter();

  // Copies the frame (640 x 480 indices, rows `pitch` bytes apart) and its
  // palette; the file follows shortly and its path is printed on stdout.
  void Save(const std::uint8_t* pixels, int pitch, const PaletteEntry* palette);

  // A name that sorts by the time it was taken.
  static std::string FileName(std::int64_t unixMilliseconds, int attempt);

 private:
  struct Shot {
    std::int64_t when;
    std::vector<std::uint8_t> pixels;
    PaletteEntry palette[256];
  };
  void Work();
  void Publish(std::int64_t when, const std::vector<std::uint8_t>& png);

  std::string folder_;
  Clock clock_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Shot> queue_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace platform
