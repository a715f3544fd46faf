// The report page and its plots. Well-formed XML throughout (every element
// closed, attributes quoted, text escaped), so any browser and any XML tool
// reads it the same; no script, no external resource.
#include <algorithm>
#include <cmath>

#include "detector/register_map.h"
#include "graduation/grad_report.h"
#include "text/format.h"
#include "text/link_texts.h"
#include "text/report_texts.h"
#include "text/selector_lists.h"

namespace kvl {
namespace {

// Print rules: a heading travels with what it heads (a section never breaks
// inside when it fits a page; a heading never ends one), table heads repeat.
const char* const kStyle =
    "body{font-family:Arial,Helvetica,sans-serif;font-size:10pt;margin:10mm;color:#000}"
    "h1{font-size:15pt;margin:0 0 4px}h2{font-size:11pt;margin:10px 0 4px;border-bottom:1px solid #888}"
    "h1,h2{break-after:avoid;page-break-after:avoid}"
    "section{break-inside:avoid;page-break-inside:avoid}"
    "table{border-collapse:collapse;margin:2px 0 6px}td,th{border:1px solid #aaa;padding:1px 6px;text-align:right;white-space:nowrap}"
    "th{background:#eee}td.l,th.l{text-align:left}td.w{text-align:left;white-space:normal}table.kv td{border:none;text-align:left;padding:0 14px 0 0}"
    "thead{display:table-header-group}tr{break-inside:avoid;page-break-inside:avoid}"
    "table.sign td{border:none;padding:8px 4px 0 0;text-align:left}table.sign td.blank{border-bottom:1px solid #000;width:42mm}"
    "p.verdict{font-size:13pt;margin:2px 0}p.judge{font-size:11pt;margin:2px 0 6px}"
    "pre{font-size:9pt;background:#f6f6f6;padding:4px;white-space:pre-wrap}.ok{color:#070;font-weight:bold}"
    ".bad{color:#b00;font-weight:bold}svg{display:block;margin:2px 0}td.reason{font-size:8pt;white-space:normal;text-align:left;width:48%}"
    "table.summary{width:100%;table-layout:fixed}table.summary td,table.summary th{padding:0 4px;font-size:9pt;white-space:normal;overflow-wrap:anywhere}small.why{display:block;white-space:normal;font-size:7.5pt;font-weight:normal}"
    "@page{size:A4;margin:10mm}@media print{body{margin:0}svg,table.sign{page-break-inside:avoid}}";

std::string Num(double v) { return Format("%.2f", v); }
std::string Int(long long v) { return Format("%lld", v); }

std::string Cell(const std::string& text, const char* cls = nullptr) {
  return std::string(cls ? "<td class=\"" + std::string(cls) + "\">" : "<td>") + HtmlEscape(text) + "</td>";
}

std::string Head(const std::string& text) { return "<th>" + HtmlEscape(text) + "</th>"; }

std::string DateTime(const std::tm& t) { return DateTimeText(t); }

std::string SpanText(const FileSpan& f) {
  if (f.firstTime.empty()) return "";
  return f.firstDate + " " + f.firstTime + " \u2013 " + f.lastDate + " " + f.lastTime;
}

std::string DurationText(const FileSpan& f, LanguageIndex l) {
  if (f.seconds < 0) return "";
  return Format(txt::kReportHours(l), f.seconds / 3600, f.seconds / 60 % 60, f.seconds % 60);
}

// A heading and what it heads, kept together on paper.
std::string Section(const std::string& heading, const std::string& body) {
  return "<section><h2>" + HtmlEscape(heading) + "</h2>\n" + body + "</section>\n";
}

std::string FileCheck(const ReportFile& f, LanguageIndex l) {
  if (!f.valid) return txt::kReportFileInvalid(l);
  return f.good ? txt::kReportFilePassed(l) : txt::kReportFileFailed(l);
}

std::string FitRow(const std::string& channel, const std::string& interval, const ReportFit& f) {
  return "<tr>" + Cell(channel) + Cell(interval, "l") + Cell(Int((long long)f.count)) +
         Cell(f.count ? Num(f.maxDiff) : "") + Cell(f.count ? Num(f.rms) : "") + "</tr>";
}

// A file's samples' temperature span, in the type's count and in degC.
std::string TemperatureSpan(int type, const ReportFile& f, LanguageIndex l) {
  if (!CountsInDeviceUnits(type)) return Format("%g \u2013 %g \u00b0C", f.tMin, f.tMax);
  return Format("%g \u2013 %g %s (%.1f \u2013 %.1f \u00b0C)", f.tMin, f.tMax, txt::kReportUnits(l),
                NominalCelsius(type, f.tMin), NominalCelsius(type, f.tMax));
}

std::string FilesSection(const GradReport& r) {
  const LanguageIndex l = r.language;
  std::string h = "<table><thead><tr><th class=\"l\">" + HtmlEscape(txt::kReportFile(l)) + "</th>" +
                  Head(txt::kReportLines(l)) + Head(txt::kReportTimeSpan(l)) + Head(txt::kReportDuration(l)) +
                  Head(txt::kReportTSpan(l)) + "<th class=\"l\">" + HtmlEscape(txt::kReportCheck(l)) +
                  "</th></tr></thead>";
  for (const ReportFile& f : r.files)
    h += "<tr>" + Cell(f.name, "l") + Cell(Format(txt::kReportLinesUsed(l), f.used, f.lines, f.gasLeftOut)) +
         Cell(SpanText(f.span)) + Cell(DurationText(f.span, l)) + Cell(TemperatureSpan(r.type, f, l)) +
         Cell(FileCheck(f, l), "l") + "</tr>";
  h += "</table>\n";
  if (!r.check.empty())
    h += "<p>" + HtmlEscape(txt::kReportCheckText(l)) + ":</p><pre>" + HtmlEscape(r.check) + "</pre>\n";
  return Section(txt::kReportInputFiles(l), h);
}

std::string TableSection(const GradReport& r) {
  const LanguageIndex l = r.language;
  std::string h = "<table><tr>" + Head(txt::kReportPoint(l));
  for (int i = 0; i < kGradPoints; ++i) h += Head(Int(i));
  h += "</tr><tr><th>T</th>";
  for (int t : r.T) h += Cell(Int(t));
  h += "</tr>";
  bool anyX = false;
  for (const ReportChannel& c : r.channels) {
    h += "<tr>" + Head(c.name);
    for (std::size_t i = 0; i < c.D.size(); ++i) {
      const bool x = (i == 0 && c.lowExtrapolation) || (i == 7 && c.highExtrapolation);
      anyX = anyX || x;
      h += Cell(Int(c.D[i]) + (x ? "*" : ""));
    }
    h += "</tr>";
  }
  h += "</table>\n";
  if (anyX) h += "<p>* " + HtmlEscape(txt::kReportExtrapolated(l)) + "</p>\n";
  std::string out = Section(std::string(txt::kReportTable(l)) + " (" + txt::kReportTableFrom(l) + " " + r.tableFile + ")", h);
  h = "<table><tr>" + Head(txt::kReportRegister(l)) + "<th class=\"l\">" + HtmlEscape(txt::kReportWords(l)) +
      "</th></tr>";
  for (const RegisterBlock& b : r.blocks) {
    std::string words;
    for (std::size_t i = 0; i < b.words.size(); ++i) words += Format(i ? " %u" : "%u", unsigned(b.words[i]));
    h += "<tr>" + Cell(Format("%u\u2026%u", unsigned(b.first), unsigned(b.first + b.words.size() - 1))) +
         Cell(words, "w") + "</tr>";
  }
  return out + Section(txt::kReportRegisters(l), h + "</table>\n");
}

std::string FitSection(const GradReport& r) {
  const LanguageIndex l = r.language;
  std::string h = "<table><thead><tr>" + Head(txt::kReportChannel(l)) + "<th class=\"l\">" +
                  HtmlEscape(txt::kReportInterval(l)) + "</th>" + Head(txt::kReportSamples(l)) +
                  Head(txt::kReportMaxDiff(l)) + Head(txt::kReportRms(l)) + "</tr></thead>";
  for (const ReportChannel& c : r.channels) {
    if (c.below.count) h += FitRow(c.name, Format(txt::kReportBelow(l), r.T[0]), c.below);
    for (std::size_t e = 0; e < 7; ++e)
      h += FitRow(c.name, Format("%zu\u2013%zu (%d\u2026%d)", e, e + 1, r.T[e], r.T[e + 1]), c.intervals[e]);
    if (c.above.count) h += FitRow(c.name, Format(txt::kReportAbove(l), r.T[7]), c.above);
    h += "<tr><th>" + HtmlEscape(c.name) + "</th><th class=\"l\">" + HtmlEscape(txt::kReportWholeRange(l)) +
         "</th><th>" + Int((long long)c.all.count) + "</th><th>" + Num(c.all.maxDiff) + "</th><th>" +
         Num(c.all.rms) + "</th></tr>";
  }
  h += "</table>\n";
  if (!r.outliers.empty()) h += "<pre class=\"bad\">" + HtmlEscape(r.outliers) + "</pre>\n";
  return Section(txt::kReportFit(l), h);
}

// The registers a failed read-back names, three columns of (register, written, read) side by side.
std::string ReadBackTable(const LinkWriteList& list, LanguageIndex l) {
  std::vector<ReadBackDifference> all;
  for (const LinkWriteDone& w : list.writes) all.insert(all.end(), w.differences.begin(), w.differences.end());
  if (all.empty()) return {};
  const std::size_t groups = all.size() < 8 ? 1 : 3, rows = (all.size() + groups - 1) / groups;
  std::string h = "<table><thead><tr>";
  for (std::size_t g = 0; g < groups; ++g)
    h += Head(txt::kReportRegister(l)) + Head(txt::kReportWrittenWord(l)) + Head(txt::kReportReadWord(l));
  h += "</tr></thead>";
  for (std::size_t row = 0; row < rows; ++row) {
    h += "<tr>";
    for (std::size_t g = 0; g < groups; ++g) {
      const std::size_t k = g * rows + row;
      if (k >= all.size()) {
        h += "<td></td><td></td><td></td>";
        continue;
      }
      h += Cell(Int(all[k].reg)) + Cell(Int(all[k].written)) + Cell(Int(all[k].read));
    }
    h += "</tr>";
  }
  return Section(txt::kReportReadBack(l), h + "</table>\n");
}

std::string JudgementHtml(const GradReport& r) {
  const LanguageIndex l = r.language;
  const std::size_t beyond = SamplesBeyond(r), judged = SamplesJudged(r);
  std::string text = beyond ? Format(txt::kReportBeyond(l), beyond, judged, r.deltaDmax)
                            : Format(txt::kReportWithin(l), judged, r.deltaDmax);
  // Which channel they lie off on.
  if (beyond && r.channels.size() > 1) {
    std::string split;
    for (const ReportChannel& c : r.channels) split += (split.empty() ? "" : ", ") + c.name + Format(" %zu", c.beyond);
    text += " (" + split + ")";
  }
  if (r.gasLeftOut) text += Format(txt::kReportGasLeftOut(l), r.gasLeftOut);
  return "<p class=\"judge " + std::string(beyond ? "bad" : "ok") + "\">" + HtmlEscape(text) + "</p>\n";
}

}  // namespace

std::string HtmlPage(const std::string& title, LanguageIndex l, const std::string& body, const std::string& meta) {
  return "<!DOCTYPE html>\n<html lang=\"" + std::string(l == kRussian ? "ru" : "en") +
         "\"><head><meta charset=\"utf-8\"/>" + meta + "<title>" + HtmlEscape(title) + "</title><style>" + kStyle +
         "</style></head>\n<body>\n" + body + "</body></html>\n";
}

std::string ReportHeadHtml(const ReportHead& head, LanguageIndex l) {
  std::string h = "<header><h1>" + HtmlEscape(head.title) + "</h1>\n<p class=\"verdict " +
                  std::string(head.verdictGood ? "ok" : head.verdictBad ? "bad" : "") + "\">" +
                  HtmlEscape(head.verdict) + "</p>\n";
  h += "<table class=\"kv\">";
  // Two facts a row, so the head stays short.
  for (std::size_t i = 0; i < head.facts.size(); i += 2) {
    h += "<tr>";
    for (std::size_t k = i; k < i + 2 && k < head.facts.size(); ++k)
      h += Cell(head.facts[k].first) + "<td><b>" + HtmlEscape(head.facts[k].second) + "</b></td>";
    h += "</tr>";
  }
  h += "</table>\n<table class=\"sign\"><tr>";
  for (const TextEntry* field : {&txt::kReportCalculatedBy, &txt::kReportCheckedBy, &txt::kReportSignDate})
    h += Cell((*field)(l)) + "<td class=\"blank\"></td>";
  return h + "</tr></table></header>\n";
}

std::string GradReportHtml(const GradReport& r) {
  const LanguageIndex l = r.language;
  const TextList types = DetectorTypes();
  const ReportWriteState state = WriteStateOf(r);
  ReportHead head;
  head.title = std::string(txt::kReportTitle(l)) + " \u2014 " + r.serial;
  head.verdict = VerdictText(r);
  head.verdictGood = state == ReportWriteState::Verified;
  head.verdictBad = r.channels.empty() || state == ReportWriteState::Failed || state == ReportWriteState::Differs ||
                    !r.notWrittenWhy.empty();
  head.facts = {{txt::kReportSerial(l), r.serial},
                {txt::kReportAddress(l), r.address >= 0 ? Int(r.address) : "?"},
                {txt::kReportType(l), r.type >= 0 && std::size_t(r.type) < types.size() ? types[std::size_t(r.type)](l) : ""},
                {txt::kReportGas(l), r.gas},
                {txt::kReportDate(l), DateTime(r.when)},
                {txt::kReportVersion(l), r.version},
                {txt::kReportStation(l), r.host},
                {txt::kReportOperator(l), r.run && !r.run->operatorName.empty() ? r.run->operatorName : r.login}};
  for (auto& fact : RunHeadFacts(r)) head.facts.push_back(std::move(fact));
  if (r.writeAsked)
    head.facts.push_back({txt::kReportWrittenAt(l), r.writtenAt ? DateTime(*r.writtenAt) : txt::kReportNotYet(l)});
  std::string body = ReportHeadHtml(head, l);
  if (!r.channels.empty()) body += JudgementHtml(r);
  if (r.written) body += ReadBackTable(*r.written, l);
  body += FilesSection(r);
  if (r.channels.empty()) body += RunSectionsHtml(r);
  if (!r.channels.empty()) {
    body += TableSection(r) + RunSectionsHtml(r) + FitSection(r);
    for (const ReportChannel& c : r.channels)
      body += Section(std::string(txt::kReportPlot(l)) + " " + c.name,
                      ReportPlotSvg(c, r.T) + "\n<h2>" + HtmlEscape(txt::kReportDiffPlot(l)) + " " +
                          HtmlEscape(c.name) + Format(" (\u00b1%d)", r.deltaDmax) + "</h2>\n" +
                          ReportDiffSvg(c, r.T, r.deltaDmax) + "\n");
  }
  // What the history of a detector reads back from its reports.
  const std::string meta = "<meta name=\"kvl-serial\" content=\"" + HtmlEscape(r.serial) +
                           "\"/><meta name=\"kvl-date\" content=\"" +
                           Format("%04d-%02d-%02d %02d:%02d:%02d", r.when.tm_year + 1900, r.when.tm_mon + 1,
                                  r.when.tm_mday, r.when.tm_hour, r.when.tm_min, r.when.tm_sec) +
                           "\"/><meta name=\"kvl-verdict\" content=\"" + HtmlEscape(head.verdict) + "\"/>";
  return HtmlPage(head.title, l, body, meta);
}

}  // namespace kvl
