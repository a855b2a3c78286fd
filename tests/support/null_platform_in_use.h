// The null platform made current for the life of the object: the real file
// system, no screen and a silent sound device, as the headless runs have.
#pragma once
#include "platform/system/null_platform.h"

namespace testsupport {

class NullPlatformInUse {
 public:
  NullPlatformInUse() { platform::SetCurrent(&platform_); }
  ~NullPlatformInUse() { platform::SetCurrent(nullptr); }
  NullPlatformInUse(const NullPlatformInUse&) = delete;
  NullPlatformInUse& operator=(const NullPlatformInUse&) = delete;

 private:
  platform::NullPlatform platform_;
};

}  // namespace testsupport
