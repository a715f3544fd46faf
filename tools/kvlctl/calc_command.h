#pragma once
// The calc subcommand's work for another subcommand that made run data files
// itself (graduate): the same reading, checks, fits, writes and reports.
#include <map>
#include <string>
#include <vector>

#include "graduation/calc_types.h"
#include "graduation/run_captures.h"

namespace kvl::ctl {

// `options` as calc takes them (--type, --lang, --report, --write --port,
// --leave-out...); `runFactors`: a Z5's factors its run's "Graduation-Z5"
// files do not carry, by serial number.
// Returns calc's exit status; *everyTable tells whether every sensor of the
// files got its table (and, with --write, had it written and read back equal).
// `run`: what the run tells its tables' reports and calc's output of itself.
int CalculateRunFiles(const std::vector<std::string>& options, const std::vector<std::string>& files,
                      bool* everyTable, const std::map<std::string, Z5Factors>& runFactors = {},
                      const RunReportFacts* run = nullptr);

}  // namespace kvl::ctl
