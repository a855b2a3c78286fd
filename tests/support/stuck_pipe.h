// A named pipe nobody writes to: opening it for reading waits for ever. Should
// the code under test still be inside that open after a few seconds, the
// guard opens the other end so the test ends, and fails, rather than hangs.
#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

class StuckPipe {
 public:
  explicit StuckPipe(std::string path) : path_(std::move(path)) {
    ::mkfifo(path_.c_str(), 0644);
    guard_ = std::thread([this] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (done_.wait_for(lock, std::chrono::seconds(3),
                         [this] { return finished_; })) {
        return;
      }
      const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        waitedOn_ = true;
        ::close(fd);
      }
    });
  }
  ~StuckPipe() {
    Finish();
    ::unlink(path_.c_str());
  }
  StuckPipe(const StuckPipe&) = delete;
  StuckPipe& operator=(const StuckPipe&) = delete;

  // True when someone was still waiting on the pipe when the guard gave up.
  bool Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    done_.notify_all();
    if (guard_.joinable()) guard_.join();
    return waitedOn_;
  }

 private:
  std::string path_;
  std::thread guard_;
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  bool waitedOn_ = false;
};

}  // namespace testsupport
