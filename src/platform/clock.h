#pragma once
// The system's clocks and timer precision: a monotonic clock for the link's
// deadlines, fine-grained sleeps for the calling thread, and the local
// calendar time. Owns no thread and no state beyond the calling thread's
// timer setting.
#include <cstdint>
#include <ctime>

namespace kvl::platform {

// Monotonic clock in nanoseconds; the one clock of the link's timing.
std::int64_t MonotonicNs();

// Asks for sub-millisecond wake-ups on the calling thread (the RS-485
// turn-around waits are a few milliseconds). Cheap to call again.
void PreparePreciseWaits();

// Local calendar time of a time_t, thread-safe.
std::tm LocalTime(std::time_t t);

}  // namespace kvl::platform
