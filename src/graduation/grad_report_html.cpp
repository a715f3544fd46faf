// The report page and its plots. Well-formed XML throughout (every element
// closed, attributes quoted, text escaped), so any browser and any XML tool
// reads it the same; no script, no external resource.
#include <algorithm>
#include <cmath>

#include "graduation/grad_report.h"
#include "text/format.h"
#include "text/link_texts.h"
#include "text/report_texts.h"
#include "text/selector_lists.h"

namespace kvl {
namespace {

// Plot geometry (SVG user units = CSS pixels).
constexpr double kWidth = 660, kHeight = 250;
constexpr double kLeft = 62, kRight = 648, kTop = 12, kBottom = 212;

const char* const kStyle =
    "body{font-family:Arial,Helvetica,sans-serif;font-size:10pt;margin:10mm;color:#000}"
    "h1{font-size:15pt;margin:0 0 6px}h2{font-size:11pt;margin:12px 0 4px;border-bottom:1px solid #888}"
    "table{border-collapse:collapse;margin:2px 0 6px}td,th{border:1px solid #aaa;padding:1px 6px;text-align:right;white-space:nowrap}"
    "th{background:#eee}td.l,th.l{text-align:left}td.w{text-align:left;white-space:normal}table.kv td{border:none;text-align:left;padding:0 14px 0 0}"
    "pre{font-size:9pt;background:#f6f6f6;padding:4px;white-space:pre-wrap}.ok{color:#070;font-weight:bold}"
    ".bad{color:#b00;font-weight:bold}svg{display:block;margin:4px 0}"
    "@page{size:A4;margin:10mm}@media print{body{margin:0}svg,table{page-break-inside:avoid}}";

std::string Num(double v) { return Format("%.2f", v); }
std::string Int(long long v) { return Format("%lld", v); }

std::string Cell(const std::string& text, const char* cls = nullptr) {
  return std::string(cls ? "<td class=\"" + std::string(cls) + "\">" : "<td>") + HtmlEscape(text) + "</td>";
}

std::string Head(const std::string& text) { return "<th>" + HtmlEscape(text) + "</th>"; }

// A step of 1, 2 or 5 x 10^k that cuts the range into about five parts.
double TickStep(double range) {
  if (!(range > 0)) return 1;
  const double raw = range / 5, p = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / p;
  return (m < 1.5 ? 1 : m < 3.5 ? 2 : m < 7.5 ? 5 : 10) * p;
}

struct Axis {
  double lo = 0, hi = 1;
  void Take(double v) {
    if (!std::isfinite(v)) return;
    if (empty) lo = hi = v;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    empty = false;
  }
  void Pad() {
    const double pad = hi > lo ? (hi - lo) * 0.04 : 1;
    lo -= pad;
    hi += pad;
  }
  bool empty = true;
};

std::string TimeSpan(const ReportFile& f) {
  if (f.firstTime.empty()) return "";
  return f.firstTime + " \u2013 " + f.lastTime;
}

std::string FileCheck(const ReportFile& f, LanguageIndex l) {
  if (!f.valid) return txt::kReportFileInvalid(l);
  return f.good ? txt::kReportFilePassed(l) : txt::kReportFileFailed(l);
}

}  // namespace

std::string ReportPlotSvg(const ReportChannel& ch, const GradPoints& T) {
  Axis x, y;
  for (const auto& [t, v] : ch.plot) {
    x.Take(t);
    y.Take(v);
  }
  for (std::size_t i = 0; i < T.size(); ++i) {
    x.Take(T[i]);
    y.Take(ch.D[i]);
  }
  x.Pad();
  y.Pad();
  auto px = [&](double t) { return kLeft + (t - x.lo) / (x.hi - x.lo) * (kRight - kLeft); };
  auto py = [&](double v) { return kBottom - (v - y.lo) / (y.hi - y.lo) * (kBottom - kTop); };
  std::string s = Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\" "
                         "font-family=\"Arial,Helvetica,sans-serif\" font-size=\"11\">",
                         kWidth, kHeight, kWidth, kHeight);
  s += Format("<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"#fff\" stroke=\"#444\"/>", kLeft, kTop,
              kRight - kLeft, kBottom - kTop);
  // Grid and tick labels.
  const double xs = TickStep(x.hi - x.lo), ys = TickStep(y.hi - y.lo);
  for (double t = std::ceil(x.lo / xs) * xs; t <= x.hi; t += xs) {
    s += Format("<line x1=\"%.1f\" y1=\"%g\" x2=\"%.1f\" y2=\"%g\" stroke=\"#ddd\"/>", px(t), kTop, px(t), kBottom);
    s += Format("<text x=\"%.1f\" y=\"%g\" text-anchor=\"middle\">%g</text>", px(t), kBottom + 14, t);
  }
  for (double v = std::ceil(y.lo / ys) * ys; v <= y.hi; v += ys) {
    s += Format("<line x1=\"%g\" y1=\"%.1f\" x2=\"%g\" y2=\"%.1f\" stroke=\"#ddd\"/>", kLeft, py(v), kRight, py(v));
    s += Format("<text x=\"%g\" y=\"%.1f\" text-anchor=\"end\">%g</text>", kLeft - 4, py(v) + 4, v);
  }
  s += Format("<text x=\"%g\" y=\"%g\" text-anchor=\"middle\" font-weight=\"bold\">T</text>", (kLeft + kRight) / 2,
              kBottom + 32);
  s += Format("<text x=\"14\" y=\"%g\" text-anchor=\"middle\" font-weight=\"bold\" transform=\"rotate(-90 14 %g)\">",
              (kTop + kBottom) / 2, (kTop + kBottom) / 2) +
       HtmlEscape(ch.name) + "</text>";
  // The table's lines under the samples, its eight points over them.
  s += "<polyline fill=\"none\" stroke=\"#c0392b\" stroke-width=\"1.6\" points=\"";
  for (std::size_t i = 0; i < T.size(); ++i) s += Format(i ? " %.1f,%.1f" : "%.1f,%.1f", px(T[i]), py(ch.D[i]));
  s += "\"/>";
  // Samples as round dots: one path of zero-length strokes.
  if (!ch.plot.empty()) {
    s += "<path fill=\"none\" stroke=\"#5b8fd6\" stroke-opacity=\"0.6\" stroke-width=\"3\" stroke-linecap=\"round\" d=\"";
    for (const auto& [t, v] : ch.plot) s += Format("M%.1f %.1fh0", px(t), py(v));
    s += "\"/>";
  }
  for (std::size_t i = 0; i < T.size(); ++i)
    s += Format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3.5\" fill=\"#c0392b\"/>", px(T[i]), py(ch.D[i]));
  return s + "</svg>";
}

std::string GradReportHtml(const GradReport& r) {
  const LanguageIndex l = r.language;
  const std::string title = std::string(txt::kReportTitle(l)) + " \u2014 " + r.serial;
  std::string h = "<!DOCTYPE html>\n<html lang=\"" + std::string(l == kRussian ? "ru" : "en") +
                  "\"><head><meta charset=\"utf-8\"/><title>" + HtmlEscape(title) + "</title><style>" + kStyle +
                  "</style></head>\n<body>\n<h1>" + HtmlEscape(title) + "</h1>\n<table class=\"kv\">";
  const TextList types = DetectorTypes();
  const std::string type = r.type >= 0 && std::size_t(r.type) < types.size() ? types[std::size_t(r.type)](l) : "";
  const std::pair<const TextEntry*, std::string> facts[] = {
      {&txt::kReportSerial, r.serial},
      {&txt::kReportAddress, r.address >= 0 ? Int(r.address) : "?"},
      {&txt::kReportType, type},
      {&txt::kReportGas, r.gas},
      {&txt::kReportDate, Format("%02d.%02d.%04d %02d:%02d:%02d", r.when.tm_mday, r.when.tm_mon + 1,
                                 r.when.tm_year + 1900, r.when.tm_hour, r.when.tm_min, r.when.tm_sec)},
      {&txt::kReportVersion, r.version}};
  for (const auto& [key, value] : facts) h += "<tr>" + Cell((*key)(l)) + "<td><b>" + HtmlEscape(value) + "</b></td></tr>";
  h += "</table>\n";

  // Input files.
  h += "<h2>" + HtmlEscape(txt::kReportInputFiles(l)) + "</h2>\n<table><tr><th class=\"l\">" +
       HtmlEscape(txt::kReportFile(l)) + "</th>" + Head(txt::kReportLines(l)) + Head(txt::kReportTimeSpan(l)) +
       Head(txt::kReportTSpan(l)) + "<th class=\"l\">" + HtmlEscape(txt::kReportCheck(l)) + "</th></tr>";
  for (const ReportFile& f : r.files)
    h += "<tr>" + Cell(f.name, "l") + Cell(Int((long long)f.lines)) + Cell(TimeSpan(f)) +
         Cell(Format("%g \u2013 %g", f.tMin, f.tMax)) + Cell(FileCheck(f, l), "l") + "</tr>";
  h += "</table>\n";
  if (!r.check.empty())
    h += "<p>" + HtmlEscape(txt::kReportCheckText(l)) + ":</p><pre>" + HtmlEscape(r.check) + "</pre>\n";
  if (r.channels.empty()) return h + "</body></html>\n";

  // The table and its register words.
  h += "<h2>" + HtmlEscape(txt::kReportTable(l)) + " (" + HtmlEscape(txt::kReportTableFrom(l)) + " " +
       HtmlEscape(r.tableFile) + ")</h2>\n<table><tr>" + Head(txt::kReportPoint(l));
  for (int i = 0; i < kGradPoints; ++i) h += Head(Int(i));
  h += "</tr><tr><th>T</th>";
  for (int t : r.T) h += Cell(Int(t));
  h += "</tr>";
  for (const ReportChannel& c : r.channels) {
    h += "<tr>" + Head(c.name);
    for (std::size_t i = 0; i < c.D.size(); ++i) {
      const bool x = (i == 0 && c.lowExtrapolation) || (i == 7 && c.highExtrapolation);
      h += Cell(Int(c.D[i]) + (x ? "*" : ""));
    }
    h += "</tr>";
  }
  h += "</table>\n";
  bool anyX = false;
  for (const ReportChannel& c : r.channels) anyX = anyX || c.lowExtrapolation || c.highExtrapolation;
  if (anyX) h += "<p>* " + HtmlEscape(txt::kReportExtrapolated(l)) + "</p>\n";
  h += "<h2>" + HtmlEscape(txt::kReportRegisters(l)) + "</h2>\n<table><tr>" + Head(txt::kReportRegister(l)) +
       "<th class=\"l\">" + HtmlEscape(txt::kReportWords(l)) + "</th></tr>";
  for (const RegisterBlock& b : r.blocks) {
    std::string words;
    for (std::size_t i = 0; i < b.words.size(); ++i) words += Format(i ? " %u" : "%u", unsigned(b.words[i]));
    h += "<tr>" + Cell(Format("%u\u2026%u", unsigned(b.first), unsigned(b.first + b.words.size() - 1))) +
         Cell(words, "w") + "</tr>";
  }
  h += "</table>\n";

  // The fit, per channel and interval, then the plots.
  h += "<h2>" + HtmlEscape(txt::kReportFit(l)) + "</h2>\n<table><tr>" + Head(txt::kReportChannel(l)) +
       "<th class=\"l\">" + HtmlEscape(txt::kReportInterval(l)) + "</th>" + Head(txt::kReportSamples(l)) +
       Head(txt::kReportMaxDiff(l)) + Head(txt::kReportRms(l)) + "</tr>";
  for (const ReportChannel& c : r.channels) {
    for (std::size_t e = 0; e < 7; ++e) {
      const ReportFit& f = c.intervals[e];
      h += "<tr>" + Cell(c.name) + Cell(Format("%zu\u2013%zu (%d\u2026%d)", e, e + 1, r.T[e], r.T[e + 1]), "l") +
           Cell(Int((long long)f.count)) + Cell(f.count ? Num(f.maxDiff) : "") + Cell(f.count ? Num(f.rms) : "") +
           "</tr>";
    }
    h += "<tr><th>" + HtmlEscape(c.name) + "</th><th class=\"l\">" + HtmlEscape(txt::kReportWholeRange(l)) +
         "</th><th>" + Int((long long)c.all.count) + "</th><th>" + Num(c.all.maxDiff) + "</th><th>" + Num(c.all.rms) +
         "</th></tr>";
  }
  h += "</table>\n";
  if (!r.outliers.empty()) h += "<pre class=\"bad\">" + HtmlEscape(r.outliers) + "</pre>\n";
  for (const ReportChannel& c : r.channels)
    h += "<h2>" + HtmlEscape(txt::kReportPlot(l)) + " " + HtmlEscape(c.name) + "</h2>\n" + ReportPlotSvg(c, r.T) + "\n";

  // What the detector was given and holds.
  const ReportWriteState state = WriteStateOf(r);
  const bool good = state == ReportWriteState::Verified;
  const bool bad = state == ReportWriteState::Failed || state == ReportWriteState::Differs;
  h += "<h2>" + HtmlEscape(txt::kReportWriteState(l)) + "</h2>\n<p class=\"" +
       std::string(good ? "ok" : bad ? "bad" : "") + "\">" + HtmlEscape(WriteStateText(state, l)) + "</p>\n";
  if (r.written) {
    std::string diffs;
    for (const LinkWriteDone& w : r.written->writes)
      for (const ReadBackDifference& d : w.differences)
        diffs += (diffs.empty() ? "" : "; ") +
                 Format(txt::kReadBackRegister(l), unsigned(d.reg), unsigned(d.written), unsigned(d.read));
    if (!diffs.empty()) h += "<p>" + HtmlEscape(diffs) + "</p>\n";
  }
  return h + "</body></html>\n";
}

}  // namespace kvl
