#include "platform/os/clock.h"

#include <time.h>

#include <cerrno>
#include <chrono>

namespace os {

namespace {

Nanos Read(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return Nanos(ts.tv_sec) * kSecond + ts.tv_nsec;
}

}  // namespace

Nanos MonotonicNow() { return Read(CLOCK_MONOTONIC); }
Nanos ThreadCpuTime() { return Read(CLOCK_THREAD_CPUTIME_ID); }
Nanos ProcessCpuTime() { return Read(CLOCK_PROCESS_CPUTIME_ID); }

void SleepUntil(Nanos when) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(when / kSecond);
  ts.tv_nsec = static_cast<long>(when % kSecond);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) ==
         EINTR) {
  }
}

std::uint32_t CalendarSeconds() {
  return static_cast<std::uint32_t>(std::time(nullptr));
}

std::int64_t UnixMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::tm LocalTime(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  return local;
}

}  // namespace os
