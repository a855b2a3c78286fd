#include "base/platform.h"

namespace platform {

namespace {
Platform* current = nullptr;
}

Platform* Current() { return current; }
void SetCurrent(Platform* platform) { current = platform; }

std::unique_ptr<FileLock> Platform::LockFile(const char*, LockWait, bool& busy,
                                             std::string&) {
  busy = false;
  return std::make_unique<FileLock>();
}

}  // namespace platform
