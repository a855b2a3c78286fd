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
  // A megabyte a request: the request holds the process's memory map, and
  // another thread growing its heap meanwhile would wait for all of it.
  // Kernels before 5.14 refuse the request; then the pages come as before.
  constexpr std::uintptr_t kStep = std::uintptr_t(1) << 20;
  for (std::uintptr_t at = begin; at < end; at += kStep) {
    const std::uintptr_t size = end - at < kStep ? end - at : kStep;
    if (madvise(reinterpret_cast<void*>(at), size, MADV_POPULATE_WRITE) != 0) {
      break;
    }
  }
#else
  (void)at;
  (void)bytes;
#endif
}

}  // namespace os
