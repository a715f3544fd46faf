#include "graduation/grad_report_batch.h"

#include "text/format.h"
#include "text/report_texts.h"
#include "text/text_file.h"

namespace kvl {

std::string BatchSummaryHtml(const std::vector<BatchRow>& rows, LanguageIndex l, const std::tm& when,
                             const std::string& version) {
  const std::string title = std::string(txt::kSummaryTitle(l)) +
                            Format(" %02d.%02d.%04d %02d:%02d", when.tm_mday, when.tm_mon + 1, when.tm_year + 1900,
                                   when.tm_hour, when.tm_min);
  std::string h = "<!DOCTYPE html>\n<html lang=\"" + std::string(l == kRussian ? "ru" : "en") +
                  "\"><head><meta charset=\"utf-8\"/><title>" + HtmlEscape(title) +
                  "</title><style>body{font-family:Arial,Helvetica,sans-serif;font-size:10pt;margin:10mm}"
                  "table{border-collapse:collapse}td,th{border:1px solid #aaa;padding:2px 8px;text-align:left}"
                  "th{background:#eee}.ok{color:#070}.bad{color:#b00}@page{size:A4;margin:10mm}</style></head>\n"
                  "<body>\n<h1>" + HtmlEscape(title) + "</h1>\n<p>" + HtmlEscape(txt::kReportVersion(l)) + " " +
                  HtmlEscape(version) + "</p>\n<table><tr>";
  for (const TextEntry* head : {&txt::kReportSerial, &txt::kReportAddress, &txt::kSummaryTable, &txt::kReportMaxDiff,
                                &txt::kSummaryWrite, &txt::kSummaryReport})
    h += "<th>" + HtmlEscape((*head)(l)) + "</th>";
  h += "</tr>\n";
  for (const BatchRow& r : rows) {
    const bool good = r.write == ReportWriteState::Verified;
    const bool bad = r.write == ReportWriteState::Failed || r.write == ReportWriteState::Differs;
    h += "<tr><td>" + HtmlEscape(r.serial) + "</td><td>" + (r.address >= 0 ? Format("%d", r.address) : "?") +
         "</td><td>" + HtmlEscape(r.calculated ? txt::kSummaryCalculated(l) : r.reason) + "</td><td>" +
         (r.maxDiff >= 0 ? Format("%.2f", r.maxDiff) : "") + "</td><td class=\"" + (good ? "ok" : bad ? "bad" : "") +
         "\">" + HtmlEscape(r.calculated ? WriteStateText(r.write, l) : "") + "</td><td>";
    if (!r.report.empty()) h += "<a href=\"" + HtmlEscape(r.report) + "\">" + HtmlEscape(r.report) + "</a>";
    h += "</td></tr>\n";
  }
  return h + "</table>\n</body></html>\n";
}

CReportBatch::CReportBatch(std::string folder, LanguageIndex language, const std::tm& started, std::string version)
    : folder_(std::move(folder)), language_(language), started_(started), version_(std::move(version)) {}

std::size_t CReportBatch::Add(BatchRow row) {
  std::lock_guard lock(mutex_);
  rows_.push_back(std::move(row));
  return rows_.size() - 1;
}

void CReportBatch::Note(std::size_t row, double maxDiff, ReportWriteState write) {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  rows_[row].calculated = true;
  rows_[row].maxDiff = maxDiff;
  rows_[row].write = write;
}

std::string CReportBatch::FileReport(std::size_t row, const GradReport& report) {
  std::string error;
  const std::string name = WriteNewHtmlFile(folder_, report.serial, GradReportHtml(report), &error);
  std::lock_guard lock(mutex_);
  if (name.empty()) error_ = error;
  if (row < rows_.size()) {
    rows_[row].calculated = true;
    rows_[row].report = name;
    rows_[row].write = WriteStateOf(report);
    rows_[row].maxDiff = LargestDifference(report);
  }
  if (!summaryName_.empty()) WriteSummaryLocked();
  return name;
}

bool CReportBatch::WriteSummary() {
  std::lock_guard lock(mutex_);
  return WriteSummaryLocked();
}

bool CReportBatch::WriteSummaryLocked() {
  const std::string html = BatchSummaryHtml(rows_, language_, started_, version_);
  std::string error;
  if (summaryName_.empty()) {
    summaryName_ = WriteNewHtmlFile(folder_,
                                    Format("graduation_%04d-%02d-%02d", started_.tm_year + 1900, started_.tm_mon + 1,
                                           started_.tm_mday),
                                    html, &error);
    if (summaryName_.empty()) error_ = error;
    return !summaryName_.empty();
  }
  if (WriteFileAtomic(folder_ + summaryName_, html, &error) != 0) {
    error_ = error;
    return false;
  }
  return true;
}

std::string CReportBatch::SummaryName() const {
  std::lock_guard lock(mutex_);
  return summaryName_;
}

std::string CReportBatch::LastError() const {
  std::lock_guard lock(mutex_);
  return error_;
}

std::vector<BatchRow> CReportBatch::Rows() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

}  // namespace kvl
