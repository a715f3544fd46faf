#pragma once
// CEnterSchedule: the recording schedule, three stages of a start and a stop
// time. Each of the six entries is a date picker and a time picker ("HH:mm")
// whose tick box says whether the entry is enabled; an untick greys the time.
// "Set" ends with kIdSet and the six local times (seconds 0) with their
// enabled flags; the template has no default button.
//
// The time picker of an entry is a QTimeEdit and its tick a QCheckBox, both
// named by the picker's identifier.
#include <array>
#include <ctime>
#include <string>

#include "ui/dialogs/enter_dialog.h"

class QCheckBox;
class QDateEdit;
class QTimeEdit;

namespace kvl {

inline constexpr int kScheduleStages = 3;
inline constexpr int kScheduleEntries = 2 * kScheduleStages;

// One schedule entry: a local calendar time (tm_sec 0, tm_isdst -1; the
// weekday and day of the year are not set) and whether it is enabled.
struct ScheduleEntry {
  std::tm time{};
  bool enabled = false;
};
// Entry 2 * stage + end, end 0 the start and 1 the stop time.
using ScheduleEntries = std::array<ScheduleEntry, kScheduleEntries>;

class CEnterSchedule : public CEnterDialog {
  Q_OBJECT

 public:
  // An entry whose time is no valid date shows the present date and time.
  CEnterSchedule(const std::string& prompt, const ScheduleEntries& entries, LanguageIndex language,
                 QWidget* parent = nullptr);

  // After kIdSet the entered times and flags; the initial ones otherwise.
  const ScheduleEntries& Entries() const { return entries_; }

  QDateEdit* DatePicker(int stage, int end) const { return dates_[std::size_t(2 * stage + end)]; }
  QTimeEdit* TimePicker(int stage, int end) const { return times_[std::size_t(2 * stage + end)]; }
  QCheckBox* Tick(int stage, int end) const { return ticks_[std::size_t(2 * stage + end)]; }

 private:
  void Store();

  ScheduleEntries entries_;
  std::array<QDateEdit*, kScheduleEntries> dates_{};
  std::array<QTimeEdit*, kScheduleEntries> times_{};
  std::array<QCheckBox*, kScheduleEntries> ticks_{};
};

}  // namespace kvl
