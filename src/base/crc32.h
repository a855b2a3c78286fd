// CRC-32 with zlib's polynomial, for the trace's digests of the pool, the
// screen and the palette.
#pragma once
#include <cstddef>
#include <cstdint>

namespace base {

// Continues `crc` (0 to start) over `size` bytes.
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);

}  // namespace base
