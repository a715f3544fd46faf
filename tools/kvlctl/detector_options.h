#pragma once
// What the detector subcommands (row, cmd, scan) share: the --type and --mode
// options, and reading one detector's registers with the read requests of a
// poll set, as the workstation's poll worker reads a row.
#include <cstdint>
#include <string>

#include "detector/detector_kinds.h"
#include "link/modbus_slave.h"

namespace kvl::ctl {

class CStopSignals;

// "KVELT", "Z", "Z40", "Z5" or 0..4; throws UsageError naming --type.
int ParseTypeOption(const std::string& text);
// 0..6 or the English name ("Save settings", "save-settings"); throws UsageError naming --mode.
int ParseModeOption(const std::string& text);
// "en" or "ru"; throws UsageError naming the option.
LanguageIndex ParseLanguageOption(const std::string& text, const std::string& option = "--lang");

struct PollSetRead {
  int result = 0;             // 0, or the read result code of the failed request
  int failedFirst = -1;       // first register of the failed request
  int failedCount = 0;
  bool interrupted = false;   // a stop signal came
};

// Reads every request of the poll set into `image` (at the requests' own
// addresses), one transaction each, stopping at the first failure.
PollSetRead ReadPollSet(CModbusSlave& link, std::uint8_t slave, int pollSet, RegisterImage& image,
                        CStopSignals& signals);

}  // namespace kvl::ctl
