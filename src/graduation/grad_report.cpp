// The report's data: file spans, fit statistics, decimated plot points, the
// write state; and the exclusive creation of a numbered HTML file.
#include "graduation/grad_report.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/calc_result.h"
#include "platform/files.h"
#include "text/format.h"
#include "text/report_texts.h"
#include "text/selector_lists.h"
#include "text/text_file.h"

namespace kvl {
namespace {

// Bytes looked at from each end of a run data file for its first and last data line.
constexpr std::size_t kSpanBytes = 64 * 1024;

// A data line starts with its "%H:%M:%S" time.
bool IsTimeToken(std::string_view line) {
  if (line.size() < 9 || line[8] > ' ') return false;
  for (std::size_t i = 0; i < 8; ++i) {
    const bool colon = i == 2 || i == 5;
    if (colon ? line[i] != ':' : (line[i] < '0' || line[i] > '9')) return false;
  }
  return true;
}

std::string TimeOfLine(std::string_view text, bool last) {
  const std::vector<std::string_view> lines = SplitLines(text);
  if (last) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
      if (IsTimeToken(*it)) return std::string(it->substr(0, 8));
  } else {
    for (std::string_view l : lines)
      if (IsTimeToken(l)) return std::string(l.substr(0, 8));
  }
  return {};
}

// Times of the first and last data lines of a file ("" when unreadable).
std::pair<std::string, std::string> FileTimes(const std::string& path) {
  const int fd = platform::OpenFile(path, platform::OpenMode::kRead);
  if (fd < 0) return {};
  std::string head(kSpanBytes, '\0'), tail(kSpanBytes, '\0');
  const long h = platform::ReadFileAt(fd, head.data(), head.size(), 0);
  const std::int64_t size = platform::FileSize(fd);
  const std::int64_t from = size > std::int64_t(kSpanBytes) ? size - std::int64_t(kSpanBytes) : 0;
  const long t = platform::ReadFileAt(fd, tail.data(), tail.size(), from);
  platform::CloseFile(fd);
  head.resize(h > 0 ? std::size_t(h) : 0);
  tail.resize(t > 0 ? std::size_t(t) : 0);
  // A tail cut in mid-line starts with a piece that is no line.
  if (from > 0) {
    const std::size_t lf = tail.find('\n');
    tail.erase(0, lf == std::string::npos ? tail.size() : lf + 1);
  }
  return {TimeOfLine(head, false), TimeOfLine(tail, true)};
}

void AddDiff(ReportFit& f, double d, double& sumSquares) {
  ++f.count;
  f.maxDiff = std::max(f.maxDiff, std::fabs(d));
  sumSquares += d * d;
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

GradReport BuildGradReport(const CalcSensor& sensor, const SensorTables& tables, const CalcSettings& settings,
                           const std::vector<std::string>& paths, const std::tm& now, const std::string& version) {
  GradReport r;
  r.language = settings.language;
  r.when = now;
  r.version = version;
  r.serial = sensor.serial;
  r.gas = sensor.gasText;
  r.address = sensor.address;
  r.type = settings.type;
  r.check = sensor.check;
  for (const FileSegment& seg : sensor.segments) {
    ReportFile f;
    f.name = seg.file;
    f.lines = seg.end - seg.begin;
    f.valid = seg.valid;
    f.good = seg.good;
    for (const std::string& p : paths)
      if (NameOf(p) == seg.file) std::tie(f.firstTime, f.lastTime) = FileTimes(p);
    bool any = false;
    for (std::size_t k = seg.begin; k < seg.end; ++k) {
      const float t = sensor.samples[kQT][k];
      if (!UsableSample(t, sensor.samples[kQWo][k], sensor.samples[kQRo][k])) continue;
      f.tMin = any ? std::min(f.tMin, double(t)) : t;
      f.tMax = any ? std::max(f.tMax, double(t)) : t;
      any = true;
    }
    r.files.push_back(std::move(f));
  }
  if (tables.written < 0) return r;
  const SegmentTable& table = tables.tables[std::size_t(tables.written)];
  if (table.segment < sensor.segments.size()) r.tableFile = sensor.segments[table.segment].file;
  r.T = table.T;
  r.blocks = RegisterBlocks(sensor, table, settings.type);
  for (int c = 0; c < table.channels; ++c) {
    ReportChannel ch;
    const int q = FittedQuantity(settings.type, c);
    ch.name = Quantities()[std::size_t(q)](kEnglish);
    ch.D = table.D[std::size_t(c)];
    ch.lowExtrapolation = table.lowExtrapolation[std::size_t(c)];
    ch.highExtrapolation = table.highExtrapolation[std::size_t(c)];
    const FitSamples s = SegmentSamples(sensor, sensor.segments[table.segment], q);
    double all = 0;
    std::array<double, 7> part{};
    const std::size_t stride = (s.t.size() + kReportPlotPoints - 1) / kReportPlotPoints;
    for (std::size_t k = 0; k < s.t.size(); ++k) {
      const double d = double(s.x[k]) - TableCurve(s.t[k], table.T, ch.D);
      if (stride && k % stride == 0) ch.plot.push_back({s.t[k], s.x[k]});
      if (!std::isfinite(d)) continue;
      const auto e = std::size_t(TableInterval(s.t[k], table.T));
      AddDiff(ch.all, d, all);
      AddDiff(ch.intervals[e], d, part[e]);
    }
    ch.all.rms = ch.all.count ? std::sqrt(all / double(ch.all.count)) : 0;
    for (std::size_t e = 0; e < 7; ++e)
      ch.intervals[e].rms = ch.intervals[e].count ? std::sqrt(part[e] / double(ch.intervals[e].count)) : 0;
    r.channels.push_back(std::move(ch));
  }
  return r;
}

ReportWriteState WriteStateOf(const GradReport& r) {
  if (!r.writeAsked) return ReportWriteState::NotWritten;
  if (!r.written) return ReportWriteState::Pending;
  bool checked = true, differs = false;
  for (const LinkWriteDone& w : r.written->writes) {
    checked = checked && w.checked;
    differs = differs || !w.differences.empty();
  }
  if (differs) return ReportWriteState::Differs;
  if (!r.written->AllWritten()) return ReportWriteState::Failed;
  return checked ? ReportWriteState::Verified : ReportWriteState::NotChecked;
}

const char* WriteStateText(ReportWriteState state, LanguageIndex l) {
  switch (state) {
    case ReportWriteState::Pending: return txt::kReportPending(l);
    case ReportWriteState::Failed: return txt::kReportWriteFailed(l);
    case ReportWriteState::Verified: return txt::kReportVerified(l);
    case ReportWriteState::Differs: return txt::kReportDiffers(l);
    case ReportWriteState::NotChecked: return txt::kReportNotChecked(l);
    default: return txt::kReportNotWritten(l);
  }
}

double LargestDifference(const GradReport& r) {
  double m = -1;
  for (const ReportChannel& c : r.channels) m = std::max(m, c.all.maxDiff);
  return m;
}

std::string WriteNewHtmlFile(const std::string& folder, const std::string& stem, const std::string& bytes,
                             std::string* error) {
  for (int n = 0; n < 100000; ++n) {
    const std::string name = stem + Format("_%d.html", n);
    const std::string path = folder + name;
    const int fd = platform::OpenFile(path, platform::OpenMode::kCreateNew);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      if (error) *error = "Cannot create " + path + ": " + std::strerror(errno);
      return {};
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
      const long w = platform::WriteFile(fd, bytes.data() + done, bytes.size() - done);
      if (w <= 0) break;
      done += std::size_t(w);
    }
    const int err = errno;
    const int closed = platform::CloseFile(fd);
    if (closed != 0 || done != bytes.size()) {
      // A half page is no report: take the name back.
      std::remove(path.c_str());
      if (error) *error = "Cannot write " + path + ": " + std::strerror(done != bytes.size() ? err : closed);
      return {};
    }
    return name;
  }
  if (error) *error = "No free report name for " + folder + stem;
  return {};
}

}  // namespace kvl
