#include <sys/prctl.h>

#include <ctime>

#include "platform/clock.h"

namespace kvl::platform {

std::int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The default timer slack of 50 us is fine; but some kernels give threads a
// larger one, which would stretch every RS-485 turn-around wait.
void PreparePreciseWaits() {
  thread_local bool done = false;
  if (!done) {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    done = true;
  }
}

std::tm LocalTime(std::time_t t) {
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}

}  // namespace kvl::platform
