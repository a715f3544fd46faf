#pragma once
// The temperature checks of every file segment against the configuration's
// check records, the summary the operator reads before any table is
// calculated, and which sensors may then be calculated. Never fits.
#include <string>
#include <vector>

#include "graduation/calc_types.h"

namespace kvl {

// Index of the check record field (= detector type whose field it is) used
// for a type: the Z field for types Z and Z40 (temperatures in degrees), the
// KVELT field for KVELT and Z5 (device units).
int CheckField(int type);

// A sample value as an integer, truncated; out-of-range values (a garbage
// "1e40" or "nan" in a file) saturate instead of being undefined.
inline int TruncatedInt(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return int(v);
}

// Whether a sample takes part in the checks and the fit: T, Wo and Ro not all zero.
inline bool UsableSample(float t, float wo, float ro) { return t != 0.0f || wo != 0.0f || ro != 0.0f; }

// Checks every segment of every sensor: appends the Tmin / Tmax reports to
// the sensor's check text, sets FileSegment::good and counts good segments.
void CheckSegments(CalcRead& read, const CalcSettings& settings);

enum class SummaryIcon { None, Exclamation, Information };

struct CalcSummary {
  std::string text;          // UTF-8; "\n" and "\r\n" as the reports carry them
  SummaryIcon icon = SummaryIcon::None;
  // Slots offered for calculation after the summary, in slot order: every
  // sensor with a good segment. A sensor with a non-empty check text is among
  // them only when it has a good segment too; the summary that names its
  // problems is shown first either way.
  std::vector<int> calculable;
  // Slots whose check texts go to their graduation logs (no sensor has a good segment).
  std::vector<int> logged;
};

CalcSummary BuildSummary(const CalcRead& read, LanguageIndex lang);

}  // namespace kvl
