#include "graduation/grad_report_batch.h"

#include "graduation/station_identity.h"
#include "text/format.h"
#include "text/report_texts.h"
#include "text/text_file.h"

namespace kvl {

namespace {

// Characters of a reason the summary shows at most: the whole check text is in the sensor's graduation log.
constexpr std::size_t kReasonChars = 160;

std::string Clipped(const std::string& text) {
  if (text.size() <= kReasonChars) return text;
  std::size_t cut = kReasonChars;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 characters
  return text.substr(0, cut) + "\u2026";
}

std::string Row(const BatchRow& r, LanguageIndex l) {
  const bool good = r.write == ReportWriteState::Verified;
  const bool bad = r.write == ReportWriteState::Failed || r.write == ReportWriteState::Differs;
  std::string h = "<tr><td>" + HtmlEscape(r.serial) + "</td><td>" + (r.address >= 0 ? Format("%d", r.address) : "?") +
                  "</td><td class=\"reason\">" + HtmlEscape(r.calculated ? txt::kSummaryCalculated(l) : Clipped(r.reason)) +
                  "</td><td>" + (r.maxDiff >= 0 ? Format("%.2f", r.maxDiff) : "") + "</td><td class=\"" +
                  (r.calculated && r.beyond ? "bad" : "") + "\">" +
                  (r.calculated ? Format("%zu / %zu", r.beyond, r.judged) : "") + "</td><td class=\"" +
                  (good ? "ok" : bad ? "bad" : "") + "\">" +
                  HtmlEscape(r.calculated ? WriteStateText(r.write, l) : "") +
                  (r.writeWhy.empty() ? "" : "<small class=\"why\">" + HtmlEscape(r.writeWhy) + "</small>") + "</td><td>";
  if (!r.report.empty()) h += "<a href=\"" + HtmlEscape(r.report) + "\">" + HtmlEscape(r.report) + "</a>";
  return h + "</td></tr>\n";
}

}  // namespace

std::string BatchSummaryHtml(const std::vector<BatchRow>& rows, LanguageIndex l, const std::tm& when,
                             const std::string& version, const std::string& host, const std::string& login) {
  ReportHead head;
  head.title = std::string(txt::kSummaryTitle(l)) + Format(" %02d.%02d.%04d %02d:%02d", when.tm_mday, when.tm_mon + 1,
                                                           when.tm_year + 1900, when.tm_hour, when.tm_min);
  std::size_t verified = 0, calculated = 0;
  for (const BatchRow& r : rows) {
    calculated += r.calculated;
    verified += r.calculated && r.write == ReportWriteState::Verified;
  }
  head.verdict = Format(txt::kSummaryVerdict(l), verified, rows.size());
  head.verdictGood = verified == rows.size() && !rows.empty();
  head.verdictBad = verified < calculated;
  head.facts = {{txt::kReportVersion(l), version}, {txt::kReportStation(l), host}, {txt::kReportOperator(l), login}};
  if (!rows.empty()) head.facts.push_back({"deltaDmax", Format("%d", rows.front().deltaDmax)});
  // Fixed column widths: the reasons get the room, the numbers what they need.
  std::string body = ReportHeadHtml(head, l) + "<table class=\"summary\"><colgroup>";
  for (int percent : {8, 9, 36, 10, 11, 14, 12}) body += Format("<col style=\"width:%d%%\"/>", percent);
  body += "</colgroup><thead><tr>";
  for (const TextEntry* th : {&txt::kReportSerial, &txt::kReportAddress, &txt::kSummaryTable, &txt::kReportMaxDiff,
                              &txt::kReportBeyondHead, &txt::kSummaryWrite, &txt::kSummaryReport})
    body += "<th>" + HtmlEscape((*th)(l)) + "</th>";
  body += "</tr></thead>\n";
  for (const BatchRow& r : rows) body += Row(r, l);
  return HtmlPage(head.title, l, body + "</table>\n");
}

CReportBatch::CReportBatch(std::string folder, LanguageIndex language, const std::tm& started, std::string version)
    : folder_(std::move(folder)),
      language_(language),
      started_(started),
      version_(std::move(version)),
      host_(StationHostName()),
      login_(OperatorLoginName()) {}

std::size_t CReportBatch::Add(BatchRow row) {
  std::lock_guard lock(mutex_);
  rows_.push_back(std::move(row));
  return rows_.size() - 1;
}

namespace {

void TakeFit(BatchRow& row, const GradReport& report) {
  row.calculated = true;
  row.maxDiff = LargestDifference(report);
  row.beyond = SamplesBeyond(report);
  row.judged = SamplesJudged(report);
  row.deltaDmax = report.deltaDmax;
}

}  // namespace

void CReportBatch::Note(std::size_t row, const GradReport& report, ReportWriteState write) {
  std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  TakeFit(rows_[row], report);
  rows_[row].write = write;
}

std::string CReportBatch::FileReport(std::size_t row, const GradReport& report) {
  std::string error;
  const std::string name = WriteNewHtmlFile(folder_, report.serial, GradReportHtml(report), &error);
  std::lock_guard lock(mutex_);
  if (name.empty()) error_ = error;
  if (row < rows_.size()) {
    TakeFit(rows_[row], report);
    rows_[row].report = name;
    rows_[row].write = WriteStateOf(report);
    rows_[row].writeWhy = rows_[row].write == ReportWriteState::Failed && report.written
                              ? WriteFailureText(*report.written, report.language)
                              : report.notWrittenWhy;
  }
  if (!summaryName_.empty()) WriteSummaryLocked();
  return name;
}

bool CReportBatch::WriteSummary() {
  std::lock_guard lock(mutex_);
  return WriteSummaryLocked();
}

bool CReportBatch::WriteSummaryLocked() {
  const std::string html = BatchSummaryHtml(rows_, language_, started_, version_, host_, login_);
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
