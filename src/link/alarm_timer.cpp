#include "link/alarm_timer.h"

#include <chrono>

namespace kvl {
namespace {

constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000LL;
constexpr auto kSlice = std::chrono::milliseconds(100);

std::chrono::system_clock::time_point TimePointOf(FileTime ft) {
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::nanoseconds(UnixNsFromFileTime(ft))));
}

}  // namespace

FileTime FileTimeFromUnixNs(std::int64_t unixNs) {
  const std::int64_t ft = unixNs / 100 + kUnixEpochAsFileTime;
  return ft < 0 ? 0 : static_cast<FileTime>(ft);
}

std::int64_t UnixNsFromFileTime(FileTime ft) {
  return (static_cast<std::int64_t>(ft) - kUnixEpochAsFileTime) * 100;
}

FileTime FileTimeNow() {
  return FileTimeFromUnixNs(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count());
}

FileTime FileTimeFromLocal(const std::tm& local, int milliseconds) {
  std::tm t = local;
  t.tm_isdst = -1;
  const std::time_t secs = std::mktime(&t);
  return FileTimeFromUnixNs((static_cast<std::int64_t>(secs) * 1000 + milliseconds) * 1000000LL);
}

FileTime ScheduleDueTime(const std::tm& local, bool start) {
  std::tm t = local;
  t.tm_sec = 0;
  return FileTimeFromLocal(t, start ? 500 : 0);
}

CAlarmTimer::~CAlarmTimer() { Cancel(); }

void CAlarmTimer::Init(CMessageTarget* target, unsigned message, int parameter) {
  Cancel();
  target_ = target;
  message_ = message;
  parameter_ = parameter;
}

void CAlarmTimer::Arm(FileTime due) {
  std::unique_lock lock(mutex_);
  due_ = due;
  stopRequest_ = false;
  restartRequest_ = false;
  if (running_.load()) {
    // The waiting thread takes the new time; the decision to fire is made
    // under the same lock, so a re-arm is never lost.
    restartRequest_ = true;
    cv_.notify_all();
    return;
  }
  running_.store(true);
  lock.unlock();
  if (thread_.joinable()) thread_.join();  // a finished thread, possibly still posting
  thread_ = std::thread(&CAlarmTimer::Run, this);
}

void CAlarmTimer::Cancel() {
  {
    std::lock_guard lock(mutex_);
    stopRequest_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void CAlarmTimer::Run() {
  std::unique_lock lock(mutex_);
  auto due = TimePointOf(due_);
  restartRequest_ = false;
  for (;;) {
    if (stopRequest_) break;
    if (restartRequest_) {
      due = TimePointOf(due_);
      restartRequest_ = false;
    }
    // Short slices keep a wall-clock change (or a suspend) from delaying the alarm.
    const auto now = std::chrono::system_clock::now();
    if (now >= due) {
      running_.store(false);
      lock.unlock();
      if (target_) target_->Post(message_, parameter_, 0);
      return;
    }
    cv_.wait_until(lock, std::min(due, now + kSlice));
  }
  running_.store(false);
}

}  // namespace kvl
