#include "platform/sdl/screenshots.h"

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
// Names tried for the shots of one millisecond.
constexpr int kMaxNames = 1000;
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
  shot.when = clock_();
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
    std::vector<std::uint8_t> png;
    if (!EncodePng(shot.pixels.data(), kScreenWidth, shot.palette, png)) {
      base::Say("no screenshot: the picture could not be encoded");
      continue;
    }
    Publish(shot.when, png);
  }
}

void ScreenshotWriter::Publish(std::int64_t when,
                               const std::vector<std::uint8_t>& png) {
  // Two shots in one millisecond get a number after the time. Each name is
  // only ever made anew: whatever already holds one (an older shot, a link
  // someone planted) is left alone and the next name is tried.
  for (int attempt = 0; attempt < kMaxNames; ++attempt) {
    const std::string path = base::JoinPath(folder_, FileName(when, attempt));
    std::string error;
    switch (os::WriteNewFile(path, png, error)) {
      case os::NewFileResult::Written:
        std::printf("%s: screenshot %s\n", base::kProgramName, path.c_str());
        std::fflush(stdout);
        return;
      case os::NewFileResult::Taken:
        continue;
      case os::NewFileResult::Failed:
        base::Say("cannot write the screenshot %s: %s", path.c_str(),
                  error.c_str());
        return;
    }
  }
  base::Say("no screenshot: the %d names for %s in \"%s\" are all taken",
            kMaxNames, FileName(when, 0).c_str(), folder_.c_str());
}

}  // namespace platform
