// Counts heap allocations made by the benchmark program, so frame
// benchmarks can show that a frame allocates nothing.
#pragma once
#include <atomic>
#include <cstdint>

namespace bench {
extern std::atomic<std::uint64_t> Allocations;
}
