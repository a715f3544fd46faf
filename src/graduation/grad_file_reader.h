#pragma once
// Reads the run data files selected for a graduation table calculation into
// sensor slots: header keys in any interface language, data lines into
// single-precision sample lists, one file segment per file and sensor, and the
// report texts about values outside the display limits and missing keys.
// Every value is a whole token of the number grammar (number_grammar.h)
// within what its field holds; a damaged one, a key given twice or
// contradicting an earlier header, a data line whose field count is not its
// caption line's, or a last line without its line end refuses the file: the
// sensor's report names file, line and token, and the sensor is not
// calculated (CalcSensor::refused).
// Never checks temperatures or fits (calc_checks.h, calc_fit.h) and never
// touches a detector or the window.
//
// Speed: every file is mapped into memory; large files are cut into parts at
// line starts, and the parts are parsed on the machine's cores (plain lines by
// the quick scanner of grad_line_scan.h) and merged in name order, so the
// result is the same as reading the files line by line one after the other.
#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "graduation/calc_types.h"

namespace kvl {

// Shared with a window that shows the reading going on: the parser threads add
// the data lines they have counted (at least every 1000 lines; lines past the
// line cap may be counted before the merge drops them) and stop soon after
// `cancel` is set.
struct CalcReadProgress {
  std::atomic<bool> cancel{false};
  std::atomic<std::size_t> lines{0};
};

// Sorts paths by their file names, ignoring letter case (ASCII), stable.
void SortGradFileNames(std::vector<std::string>& paths);

// Reads the files in name order (sorting a copy of `paths`). Reading stops for
// good once settings.lineCap (kMaxCalcLines) data lines have been taken; files after that one are
// not read. More than kSlotCount serial numbers end the operation with
// CalcRead::abortMessage ("Too many serial numbers are selected, max=20  ").
// threads: parser threads (0 = the machine's cores). Once progress->cancel is
// set the reading stops and the result only says CalcRead::cancelled.
CalcRead ReadGradFiles(const std::vector<std::string>& paths, const CalcSettings& settings,
                       unsigned threads = 0, CalcReadProgress* progress = nullptr);

// A run data file already in memory: the name it is sorted and reported by,
// and its bytes (the caller's, used in place: they must outlive the call).
struct GradFileBytes {
  std::string name;
  std::string_view bytes;
};
// ReadGradFiles over files in memory; every one of them counts as opened.
CalcRead ReadGradBytes(const std::vector<GradFileBytes>& files, const CalcSettings& settings,
                       unsigned threads = 0, CalcReadProgress* progress = nullptr);

// Whether a display limit pair checks anything: the (0, 0) pair that type Z5
// falls back to means "not checked".
constexpr bool LimitsChecked(const DisplayLimits& l) { return !(l.min == 0 && l.max == 0); }

// Values a data line's field can hold: what its cell shows of a register word
// (signed; T of some types and LEL% in tenths; "P heat" unsigned).
struct ValueRange {
  double lo = 0;
  double hi = 0;
};
ValueRange RecordedRange(int type, int quantity);
// A good value lies in its recorded range and, where they are checked, its
// display limits; anything else (a word, "nan", "inf", an empty field) is bad.
ValueRange AcceptedRange(const CalcSettings& settings, int quantity);

// Appends a report to a sensor's check text on a line of its own.
void AddReport(std::string& check, const std::string& text);

}  // namespace kvl
