// CRC-32 with zlib's polynomial, for the trace's digests of the pool, the
// screen and the palette.
#pragma once
#include <cstddef>
#include <cstdint>

namespace base {

// Continues `crc` (0 to start) over `size` bytes.
// Folds 64 bytes a step with carry-less multiplication where the processor
// has it, else eight at a time through tables.
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);

// The same value through the tables alone, as a processor without
// carry-less multiplication (and the web build) computes it.
std::uint32_t Crc32Portable(std::uint32_t crc, const void* data,
                            std::size_t size);

}  // namespace base
