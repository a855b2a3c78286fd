// The clocks a game paces itself by, and the calendar.
#pragma once
#include <cstdint>
#include <ctime>

namespace os {

// Nanoseconds on a clock that never jumps (on Linux the one Python's
// `time.monotonic` reads, so outside tools can compare their times with ours).
using Nanos = std::int64_t;
inline constexpr Nanos kSecond = 1'000'000'000;
Nanos MonotonicNow();
// Sleeps until the monotonic clock reaches `when`: no spinning.
void SleepUntil(Nanos when);
// Processor time used so far by this thread and by the whole process.
Nanos ThreadCpuTime();
Nanos ProcessCpuTime();

// Seconds and milliseconds since the epoch; a time in the local calendar.
std::uint32_t CalendarSeconds();
std::int64_t UnixMilliseconds();
std::tm LocalTime(std::time_t when);

}  // namespace os
