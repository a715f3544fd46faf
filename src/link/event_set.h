#pragma once
// A fixed set of auto-reset events served by priority: waiting returns (and
// clears) the lowest-numbered signalled event, so a command set while the
// worker is busy always overtakes polling, and stop overtakes everything.
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kvl {

class CEventSet {
 public:
  static constexpr int kMaxEvents = 32;

  explicit CEventSet(int count);

  void Set(int index);
  void Reset(int index);
  bool IsSet(int index) const;
  // Blocks until an event is signalled; returns and clears the lowest.
  int WaitAny();
  // The same without waiting; -1 when none is signalled.
  int TestAny();

 private:
  static int Lowest(std::uint32_t bits);

  const int count_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::uint32_t signalled_ = 0;
};

}  // namespace kvl
