#pragma once
// A detector's history: every write journal line and every graduation report
// of one serial number found in a data folder, oldest first. Reads the
// journals (journal_<date>.txt) and the reports (<serial>_<n>.html, whose head
// names their serial, date and verdict); never writes anything.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvl {

// One journal line taken apart (see write_journal.h for its form).
struct JournalRecord {
  std::string when;  // "yyyy-mm-dd hh:mm:ss"
  std::string mode, serial, cause, result, readback;
  int address = -1;
  std::vector<std::string> writes;  // "f6@5=30", "f16@104=554,625,..." as written
};
// Nullopt for a line that is not a journal line.
std::optional<JournalRecord> ParseJournalLine(std::string_view line);

struct HistoryEntry {
  std::string when;     // "yyyy-mm-dd hh:mm:ss"
  bool report = false;  // a graduation report, else a journal line
  std::string what;     // journal: mode, cause and registers; report: "" (the report speaks for itself)
  std::string result;   // journal: result and read-back; report: its verdict
  std::string file;     // the journal's or the report's file name
};

// The history of `serial` in `folder` (ending with "/", or "" for the working folder).
std::vector<HistoryEntry> DetectorHistory(const std::string& folder, const std::string& serial);

}  // namespace kvl
