#include <windows.h>
#include <timeapi.h>

#include <atomic>
#include <ctime>

#include "platform/clock.h"

namespace kvl::platform {

std::int64_t MonotonicNs() {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<std::int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  const std::int64_t ticks = now.QuadPart;
  return (ticks / frequency) * 1000000000LL + (ticks % frequency) * 1000000000LL / frequency;
}

// The system timer ticks every 15.6 ms unless a program asks for 1 ms; the
// request lasts for the process, so it is made once.
void PreparePreciseWaits() {
  static std::atomic<bool> done{false};
  if (!done.exchange(true)) timeBeginPeriod(1);
}

std::tm LocalTime(std::time_t t) {
  std::tm out{};
  localtime_s(&out, &t);
  return out;
}

}  // namespace kvl::platform
