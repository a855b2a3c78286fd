#include "platform/sdl/screenshots.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/null/game_files.h"
#include "platform/null/script.h"

namespace platform {

namespace {
constexpr int kWidth = 640, kHeight = 480;
// Holding F12 down must not fill the memory: further shots wait their turn
// only this deep.
constexpr std::size_t kMaxWaiting = 8;
}  // namespace

ScreenshotWriter::~ScreenshotWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

std::string ScreenshotWriter::FileName(std::int64_t ms, int attempt) {
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char name[80];
  std::strftime(name, sizeof name, "tumblesquash-%Y%m%d-%H%M%S", &local);
  std::string s = name;
  char rest[32];
  std::snprintf(rest, sizeof rest, ".%03d", static_cast<int>(ms % 1000));
  s += rest;
  if (attempt > 0) {
    s += '-';
    s += std::to_string(attempt + 1);
  }
  s += ".png";
  return s;
}

void ScreenshotWriter::Save(const std::uint8_t* pixels, int pitch,
                            const PaletteEntry* palette) {
  Shot shot;
  shot.when = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
  shot.pixels.resize(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    std::memcpy(shot.pixels.data() + y * kWidth,
                pixels + static_cast<long>(y) * pitch, kWidth);
  }
  std::memcpy(shot.palette, palette, sizeof shot.palette);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.size() >= kMaxWaiting) return;
    queue_.push_back(std::move(shot));
    if (!thread_.joinable()) thread_ = std::thread([this] { Work(); });
  }
  wake_.notify_one();
}

void ScreenshotWriter::Work() {
  for (;;) {
    Shot shot;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopping, everything written
      shot = std::move(queue_.front());
      queue_.pop_front();
    }
    std::string error;
    if (!MakeFolders(folder_, error)) {
      std::fprintf(stderr, "TumbleSquash: no screenshot: %s\n", error.c_str());
      continue;
    }
    // Two shots in one millisecond get a number after the time.
    std::string path;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path = folder_ + "/" + FileName(shot.when, attempt);
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) break;
    }
    if (WritePng(path, shot.pixels.data(), kWidth, shot.palette)) {
      std::printf("TumbleSquash: screenshot %s\n", path.c_str());
      std::fflush(stdout);
    } else {
      std::fprintf(stderr, "TumbleSquash: cannot write the screenshot %s: %s\n",
                   path.c_str(), std::strerror(errno));
    }
  }
}

}  // namespace platform
