#pragma once
// Posts one message to the window at an absolute date and time (the recording
// schedule's start and stop times). Each armed alarm waits on its own small
// thread, so the window never blocks and the alarm keeps its time whatever
// the user interface is doing.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <thread>

#include "link/messages.h"

namespace kvl {

// Absolute times are in 100-ns units since 1 January 1601, UTC (the format
// the schedule has always been kept in).
using FileTime = std::uint64_t;

FileTime FileTimeNow();
FileTime FileTimeFromUnixNs(std::int64_t unixNs);
std::int64_t UnixNsFromFileTime(FileTime ft);
// A local date and time (tm fields as from the schedule dialog; tm_isdst is
// ignored and found by the system) plus milliseconds, as UTC file time.
FileTime FileTimeFromLocal(const std::tm& local, int milliseconds);
// Due time of a schedule entry: the entry's minute, 0 seconds, and 500 ms for
// a start time or 0 ms for a stop time.
FileTime ScheduleDueTime(const std::tm& local, bool start);

class CAlarmTimer {
 public:
  CAlarmTimer() = default;
  ~CAlarmTimer();
  CAlarmTimer(const CAlarmTimer&) = delete;
  CAlarmTimer& operator=(const CAlarmTimer&) = delete;

  void Init(CMessageTarget* target, unsigned message, int parameter);
  // A time in the past fires at once. Arming an armed alarm moves it.
  void Arm(FileTime due);
  // Ends a waiting alarm without its message; returns within about 100 ms.
  void Cancel();
  bool Armed() const { return running_.load(); }

 private:
  void Run();

  CMessageTarget* target_ = nullptr;
  unsigned message_ = WM_USER_ALARM;
  int parameter_ = 0;
  std::mutex mutex_;
  std::condition_variable cv_;
  FileTime due_ = 0;
  bool stopRequest_ = false;
  bool restartRequest_ = false;
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace kvl
