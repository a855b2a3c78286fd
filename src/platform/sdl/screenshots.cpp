#include "platform/sdl/screenshots.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "base/data_folder.h"
#include "base/say.h"
#include "platform/os/clock.h"
#include "platform/os/files.h"
#include "platform/system/png_file.h"

namespace platform {

namespace {
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
  const std::tm local = os::LocalTime(seconds);
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
  shot.when = os::UnixMilliseconds();
  shot.pixels.resize(kScreenWidth * kScreenHeight);
  for (int y = 0; y < kScreenHeight; ++y) {
    std::memcpy(shot.pixels.data() + y * kScreenWidth,
                pixels + static_cast<long>(y) * pitch, kScreenWidth);
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
    if (!os::MakeFolders(folder_, error)) {
      base::Say("no screenshot: %s", error.c_str());
      continue;
    }
    // Two shots in one millisecond get a number after the time.
    std::string path;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path = base::JoinPath(folder_, FileName(shot.when, attempt));
      if (!os::Exists(path)) break;
    }
    if (WritePng(path, shot.pixels.data(), kScreenWidth, shot.palette)) {
      std::printf("%s: screenshot %s\n", base::kProgramName, path.c_str());
      std::fflush(stdout);
    } else {
      base::Say("cannot write the screenshot %s: %s", path.c_str(),
                std::strerror(errno));
    }
  }
}

}  // namespace platform
