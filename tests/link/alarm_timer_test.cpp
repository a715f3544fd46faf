#include "link/alarm_timer.h"

#include <gtest/gtest.h>

#include "support/capture.h"
#include "support/environment.h"

namespace kvl {
namespace {

using namespace std::chrono_literals;

FileTime InMs(int ms) { return FileTimeNow() + static_cast<FileTime>(ms) * 10000; }
double MsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

TEST(FileTimes, ConvertBetweenEpochsAndLocalTime) {
  EXPECT_EQ(FileTimeFromUnixNs(0), 116444736000000000ULL);
  EXPECT_EQ(UnixNsFromFileTime(116444736000000000ULL + 15), 1500);
  const char* tz = getenv("TZ");
  std::string saved = tz ? tz : "";
  test::SetEnvironment("TZ", "UTC-3");  // three hours east of UTC, no daylight saving
  tzset();
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 7;
  t.tm_hour = 8;
  t.tm_min = 0;
  t.tm_sec = 37;  // the schedule drops seconds
  const FileTime start = ScheduleDueTime(t, true);
  const FileTime stop = ScheduleDueTime(t, false);
  // 2026-12-07 05:00:00 UTC
  const std::int64_t expectedUnix = 1796619600LL;
  EXPECT_EQ(UnixNsFromFileTime(stop), expectedUnix * 1000000000LL);
  EXPECT_EQ(start - stop, 5000000u) << "a start fires at .500, a stop at .000";
  if (tz)
    test::SetEnvironment("TZ", saved);
  else
    test::RemoveEnvironment("TZ");
  tzset();
}

TEST(AlarmTimer, FiresOnceAtItsTimeWithItsParameter) {
  test::MessageQueue q;
  CAlarmTimer alarm;
  alarm.Init(&q, WM_USER_ALARM, 3);
  const auto t0 = std::chrono::steady_clock::now();
  alarm.Arm(InMs(300));
  EXPECT_TRUE(alarm.Armed());
  test::PostedMessage m{};
  ASSERT_TRUE(q.Next(&m, 2000ms));
  EXPECT_GE(MsSince(t0), 295.0);
  EXPECT_EQ(m.message, WM_USER_ALARM);
  EXPECT_EQ(m.w, 3);
  EXPECT_EQ(m.l, 0);
  EXPECT_FALSE(q.Next(&m, 200ms)) << "one message only";
  EXPECT_FALSE(alarm.Armed());
}

TEST(AlarmTimer, PastTimeFiresAtOnce) {
  test::MessageQueue q;
  CAlarmTimer alarm;
  alarm.Init(&q, WM_USER_ALARM, 1);
  alarm.Arm(FileTimeNow() - 10000000ULL * 3600);
  test::PostedMessage m{};
  EXPECT_TRUE(q.Next(&m, 100ms));
}

TEST(AlarmTimer, CancelEndsTheWaitQuicklyAndPostsNothing) {
  test::MessageQueue q;
  CAlarmTimer alarm;
  alarm.Init(&q, WM_USER_ALARM, 0);
  alarm.Arm(InMs(5000));
  std::this_thread::sleep_for(50ms);
  const auto t0 = std::chrono::steady_clock::now();
  alarm.Cancel();
  EXPECT_LT(MsSince(t0), 150.0);
  EXPECT_FALSE(alarm.Armed());
  test::PostedMessage m{};
  EXPECT_FALSE(q.Next(&m, 100ms));
}

TEST(AlarmTimer, ReArmingMovesTheAlarmAndCanBeRepeated) {
  test::MessageQueue q;
  CAlarmTimer alarm;
  alarm.Init(&q, WM_USER_ALARM, 5);
  const auto t0 = std::chrono::steady_clock::now();
  alarm.Arm(InMs(150));
  alarm.Arm(InMs(400));
  test::PostedMessage m{};
  ASSERT_TRUE(q.Next(&m, 2000ms));
  EXPECT_GE(MsSince(t0), 395.0) << "fires at the later time";
  EXPECT_FALSE(q.Next(&m, 200ms));
  // Armed again after it fired: a new wait.
  alarm.Arm(InMs(50));
  EXPECT_TRUE(q.Next(&m, 1000ms));
}

}  // namespace
}  // namespace kvl
