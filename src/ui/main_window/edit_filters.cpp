#include "ui/main_window/edit_filters.h"

namespace kvl {

namespace {
// About 24 days: the longest interval a timer takes in milliseconds.
constexpr long kMaxPeriodSeconds = 2147483L;
}  // namespace

std::string DigitsOnly(std::string_view typed) {
  std::string kept;
  for (char ch : typed)
    if (ch >= '0' && ch <= '9') kept += ch;
  return kept;
}

long PeriodSeconds(std::string_view digits) {
  long seconds = 0;
  for (char ch : digits) {
    if (ch < '0' || ch > '9') break;
    seconds = seconds * 10 + (ch - '0');
    if (seconds > kMaxPeriodSeconds) return kMaxPeriodSeconds;
  }
  return seconds;
}

}  // namespace kvl
