#include "platform/os/clock.h"

#include "platform/os/windows/system.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace os {

namespace {

Nanos FromFileTime(const FILETIME& t) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<Nanos>(ticks) * 100;  // 100 ns a tick
}

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// A timer for this thread's waits. The high-resolution kind (Windows 10 1803
// and later) wakes within a fraction of a millisecond; elsewhere an ordinary
// one, whose resolution follows the system timer's (SDL asks for 1 ms).
class SleepTimer {
 public:
  SleepTimer() {
    timer_ = ::CreateWaitableTimerExW(nullptr, nullptr,
                                      CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                      TIMER_ALL_ACCESS);
    if (!timer_) timer_ = ::CreateWaitableTimerW(nullptr, TRUE, nullptr);
  }
  ~SleepTimer() {
    if (timer_) ::CloseHandle(timer_);
  }
  SleepTimer(const SleepTimer&) = delete;
  SleepTimer& operator=(const SleepTimer&) = delete;

  // Waits `nanos` from now; false when no timer could be had.
  bool Wait(Nanos nanos) {
    if (!timer_) return false;
    LARGE_INTEGER due;
    // Relative (negative), in 100 ns units, at least one.
    due.QuadPart = -std::max<LONGLONG>(1, (nanos + 99) / 100);
    if (!::SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
      return false;
    }
    return ::WaitForSingleObject(timer_, INFINITE) == WAIT_OBJECT_0;
  }

 private:
  HANDLE timer_ = nullptr;
};

}  // namespace

Nanos MonotonicNow() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  // In two parts, so that the product cannot overflow after a long uptime.
  const LONGLONG seconds = now.QuadPart / frequency;
  const LONGLONG rest = now.QuadPart % frequency;
  return seconds * kSecond + rest * kSecond / frequency;
}

void SleepUntil(Nanos when) {
  thread_local SleepTimer timer;
  for (;;) {
    const Nanos left = when - MonotonicNow();
    if (left <= 0) return;
    // A timer wakes on its own clock's ticks, which may fall a little short
    // of ours: the rest is slept again, never spun.
    if (!timer.Wait(left)) {
      ::Sleep(static_cast<DWORD>((left + 999'999) / 1'000'000));
    }
  }
}

Nanos ThreadCpuTime() {
  FILETIME created, ended, kernel, user;
  if (!::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel,
                        &user)) {
    return 0;
  }
  return FromFileTime(kernel) + FromFileTime(user);
}

Nanos ProcessCpuTime() {
  FILETIME created, ended, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel,
                         &user)) {
    return 0;
  }
  return FromFileTime(kernel) + FromFileTime(user);
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
  localtime_s(&local, &when);
  return local;
}

}  // namespace os
