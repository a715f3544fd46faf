#pragma once
// The calc subcommand's work for another subcommand that made run data files
// itself (graduate): the same reading, checks, fits, writes and reports.
#include <string>
#include <vector>

namespace kvl::ctl {

// `options` as calc takes them (--type, --lang, --report, --write --port...).
// Returns calc's exit status; *everyTable tells whether every sensor of the
// files got its table (and, with --write, had it written and read back equal).
int CalculateRunFiles(const std::vector<std::string>& options, const std::vector<std::string>& files,
                      bool* everyTable);

}  // namespace kvl::ctl
