#pragma once
// When a graduation run fed gas, and what that means for the table fitted to
// its run data: the table is a clean-air curve, so the samples a run recorded
// while a gas flowed (and while the last one cleared) are left out of the fit,
// its checks and its statistics. The run keeps the spans as it goes (they are
// saved with its state); the calculation of the run's own files takes them.
//
// What it owns: the span, the one calendar arithmetic of local times, and the
// leaving out. What it never does: decide when gas flows, or read a file's
// samples (the run data reader does).
#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

namespace kvl {

struct CalcRead;

// Seconds of the local calendar: days since 1970-01-01 × 86400 + time of day.
// Both a run's clock and its files' "dd.mm.yyyy" and "hh:mm:ss" map onto it
// alike, with no time zone between them.
long long CalendarSeconds(long long year, long long month, long long day, long long secondsOfDay);
long long CalendarSeconds(const std::tm& local);

// A stretch in which gas flowed, both ends included; `to` < `from`: still flowing.
struct GasSpan {
  long long from = 0;
  long long to = -1;  // before `from`: still flowing
  bool operator==(const GasSpan&) const = default;
};

// "dd.mm.yyyy hh:mm:ss..dd.mm.yyyy hh:mm:ss" spans separated by ';' (kvlctl's
// --leave-out); false and the bad piece in `error` for anything else.
bool ParseGasSpans(const std::string& text, std::vector<GasSpan>* out, std::string* error);
std::string ComposeGasSpans(const std::vector<GasSpan>& spans);

// Takes out of every sensor's samples those recorded within a span, each
// file's samples dated from its first header (`paths`: the files read, for
// their dates). Samples of unknown time or date stay. Returns how many went.
std::size_t LeaveOutGasSamples(CalcRead& read, const std::vector<std::string>& paths,
                               const std::vector<GasSpan>& spans);

}  // namespace kvl
