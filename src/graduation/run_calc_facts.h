#pragma once
// What a graduation run that has just completed tells the calculation of its
// own run data files, beyond what the files hold: when it fed gas (with the
// time the last gas takes to clear), and, for Z5 detectors, the emitter
// power, KUR and KUW their rows show, which files recorded in
// "Graduation-Z5" mode do not carry, and which stages it went through (each
// must have left clean-air samples). The window and kvlctl graduate both
// take them from here before the rows turn to the files.
//
// What it owns: the gathering of those facts. What it never does: read a
// file or decide whether a table is written.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "detector/detector_table.h"
#include "graduation/calc_types.h"
#include "graduation/graduation_run.h"

namespace kvl {

struct RunCalcFacts {
  std::vector<GasSpan> gasSpans;
  std::map<std::string, Z5Factors> factors;  // by serial number
  std::optional<RunReportFacts> report;      // set when the driver gave its choices
  std::vector<RunStage> stages;              // from its first stage to the last
};

// `env`: the run's table, type and stage temperatures (T[0], T[7]).
// `choices`: the run-wide facts only the driver knows (mode, concentrations,
// profile, stabilisation, operator); the run adds its captures and detectors.
RunCalcFacts RunCalcFactsOf(const CGraduationRun& run, const RunEnvironment& env, long long clearingS,
                            std::optional<RunReportFacts> choices = std::nullopt);

// "CRC-32 1a2b3c4d" of a file's bytes, "" when it cannot be read.
std::string FileChecksumText(const std::string& path);

// Hands them to a calculation's settings.
void ApplyRunCalcFacts(RunCalcFacts facts, CalcSettings& settings);

}  // namespace kvl
