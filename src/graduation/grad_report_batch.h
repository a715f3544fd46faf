#pragma once
// The summary of one calculation run: one line per sensor (serial, address,
// calculated or why not, largest fit difference, written and verified), each
// linking to its report, as graduation_<yyyy-mm-dd>_<n>.html beside the
// reports. The batch files each sensor's report as its outcome comes and
// writes the summary again each time; its methods may be called from any
// thread (the link's worker tells of writes). Never decides what is calculated.
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "graduation/grad_report.h"

namespace kvl {

struct BatchRow {
  std::string serial;
  int address = -1;
  bool calculated = false;
  std::string reason;   // why not calculated
  double maxDiff = -1;  // largest fit difference (-1 none)
  std::size_t beyond = 0, judged = 0;  // samples farther than deltaDmax, samples judged
  int deltaDmax = 100;
  ReportWriteState write = ReportWriteState::NotWritten;
  std::string writeWhy;  // why a table was not written (its report's words)
  std::string report;   // the report's file name ("" none)
};

// The page: one row per sensor, small enough that twenty fit one A4 page.
std::string BatchSummaryHtml(const std::vector<BatchRow>& rows, LanguageIndex language, const std::tm& when,
                             const std::string& version, const std::string& host = "",
                             const std::string& login = "");

class CReportBatch {
 public:
  // `folder` ends with "/" ("" = the working folder).
  CReportBatch(std::string folder, LanguageIndex language, const std::tm& started, std::string version);

  std::size_t Add(BatchRow row);
  // A sensor calculated (its fit) and what became of its write so far.
  void Note(std::size_t row, const GradReport& report, ReportWriteState write);
  // Writes the report as a new <serial>_<n>.html, notes it in the row and
  // writes the summary again. The report's file name, or "" (LastError()).
  std::string FileReport(std::size_t row, const GradReport& report);
  // Writes the summary (its name is found at the first call). False on failure (LastError()).
  bool WriteSummary();

  std::string SummaryName() const;
  std::string LastError() const;
  std::vector<BatchRow> Rows() const;

 private:
  bool WriteSummaryLocked();

  const std::string folder_;
  const LanguageIndex language_;
  const std::tm started_;
  const std::string version_;
  const std::string host_, login_;
  mutable std::mutex mutex_;
  std::vector<BatchRow> rows_;
  std::string summaryName_;
  std::string error_;
};

}  // namespace kvl
