#include "base/platform.h"

namespace platform {

namespace {
Platform* current = nullptr;
}

Platform* Current() { return current; }
void SetCurrent(Platform* platform) { current = platform; }

}  // namespace platform
