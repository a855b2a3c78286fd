#include "platform/os/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace os {

void TakePages(void* at, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<std::uintptr_t>(at) & ~(page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(at) + bytes;
  // Kernels before 5.14 refuse the request; then the pages come as before.
  madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)at;
  (void)bytes;
#endif
}

}  // namespace os
