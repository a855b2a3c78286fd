// Memory the system hands out page by page on first use.
#pragma once
#include <cstddef>

namespace os {

// Has the system give `bytes` at `at` their pages now, as a first write
// would, without changing what they hold; a call from another thread
// takes that cost off the thread that writes them later. Best effort:
// where the system has no such request, nothing is done.
void TakePages(void* at, std::size_t bytes);

}  // namespace os
