#include "platform/os/memory.h"

namespace os {

// A window's image on Windows is memory the system has already committed.
void TakePages(void*, std::size_t) {}

}  // namespace os
