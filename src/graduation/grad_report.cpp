// The report's data: file spans, fit statistics over every file, decimated
// plot points, the verdict; and the exclusive creation of a numbered HTML file.
#include "graduation/grad_report.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "graduation/calc_checks.h"
#include "graduation/calc_coverage.h"
#include "graduation/gas_spans.h"
#include "graduation/calc_fit.h"
#include "graduation/calc_result.h"
#include "graduation/station_identity.h"
#include "platform/files.h"
#include "text/format.h"
#include "text/link_texts.h"
#include "text/number_grammar.h"
#include "text/report_texts.h"
#include "text/selector_lists.h"
#include "text/text_file.h"

namespace kvl {

namespace {

// Samples far from the table that the report lists at most.
constexpr std::size_t kReportOutliersShown = 200;

// Bytes read at a time from either end of a run data file for its first and last data line.
constexpr std::size_t kSpanBytes = 64 * 1024;

bool Digits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return !s.empty();
}

long long Whole(std::string_view s, long long lo, long long hi) {
  long long v = -1;
  return ParseWholeToken(s, lo, hi, &v) == TokenVerdict::kGood ? v : -1;
}

// A data line starts with its "%H:%M:%S" time.
bool IsTimeToken(std::string_view line) {
  if (line.size() < 8 || (line.size() > 8 && line[8] > ' ')) return false;
  return Digits(line.substr(0, 2)) && line[2] == ':' && Digits(line.substr(3, 2)) && line[5] == ':' &&
         Digits(line.substr(6, 2));
}

// A header block's date line starts "*dd.mm.yyyy".
bool IsDateLine(std::string_view line) {
  if (line.size() < 11 || line[0] != '*' || (line.size() > 11 && line[11] > ' ')) return false;
  return Digits(line.substr(1, 2)) && line[3] == '.' && Digits(line.substr(4, 2)) && line[6] == '.' &&
         Digits(line.substr(7, 4));
}

// Seconds from 1970-01-01 00:00:00 of a date and time as the file writes them (no time zone: both ends alike).
long long Seconds(const std::string& date, const std::string& time) {
  const long long d = Whole(std::string_view(date).substr(0, 2), 1, 31), m = Whole(std::string_view(date).substr(3, 2), 1, 12);
  const long long y = Whole(std::string_view(date).substr(6, 4), 1900, 9999);
  const long long h = Whole(std::string_view(time).substr(0, 2), 0, 23),
                  mi = Whole(std::string_view(time).substr(3, 2), 0, 59),
                  s = Whole(std::string_view(time).substr(6, 2), 0, 60);
  if (d < 0 || m < 0 || y < 0 || h < 0 || mi < 0 || s < 0) return -1;
  return CalendarSeconds(y, m, d, h * 3600 + mi * 60 + s);
}

// The head: the first data line and the date above it.
void ReadHead(std::ifstream& in, FileSpan& span) {
  std::string head(kSpanBytes, '\0');
  in.read(head.data(), std::streamsize(head.size()));
  head.resize(std::size_t(in.gcount()));
  std::string date;
  for (std::string_view l : SplitLines(head)) {
    if (IsDateLine(l)) date = std::string(l.substr(1, 10));
    if (!IsTimeToken(l)) continue;
    span.firstDate = date;
    span.firstTime = std::string(l.substr(0, 8));
    return;
  }
}

// The tail, backwards a piece at a time: the last data line, then the date above it.
void ReadTail(std::ifstream& in, std::streamoff size, FileSpan& span) {
  std::string carry;  // the start of a line cut by the piece boundary
  for (std::streamoff end = size; end > 0 && span.lastDate.empty();) {
    const std::streamoff from = end > std::streamoff(kSpanBytes) ? end - std::streamoff(kSpanBytes) : 0;
    std::string piece(std::size_t(end - from), '\0');
    in.clear();
    in.seekg(from);
    in.read(piece.data(), std::streamsize(piece.size()));
    if (in.gcount() != std::streamsize(piece.size())) return;
    piece += carry;
    std::size_t cut = 0;
    if (from > 0) {
      cut = piece.find('\n');
      if (cut == std::string::npos) cut = piece.size();
      carry = piece.substr(0, cut);
      cut = cut < piece.size() ? cut + 1 : cut;
    }
    const std::vector<std::string_view> lines = SplitLines(std::string_view(piece).substr(cut));
    for (auto it = lines.rbegin(); it != lines.rend() && span.lastDate.empty(); ++it) {
      if (span.lastTime.empty() && IsTimeToken(*it)) span.lastTime = std::string(it->substr(0, 8));
      if (!span.lastTime.empty() && IsDateLine(*it)) span.lastDate = std::string(it->substr(1, 10));
    }
    end = from;
  }
}

void AddDiff(ReportFit& f, double d, double& sumSquares) {
  ++f.count;
  f.maxDiff = std::max(f.maxDiff, std::fabs(d));
  sumSquares += d * d;
}

double Rms(const ReportFit& f, double sumSquares) { return f.count ? std::sqrt(sumSquares / double(f.count)) : 0; }

ReportFile FileOf(const CalcSensor& sensor, const FileSegment& seg, const std::vector<std::string>& paths) {
  ReportFile f;
  f.name = seg.file;
  f.lines = seg.end - seg.begin + seg.gasLeftOut;
  f.gasLeftOut = seg.gasLeftOut;
  f.valid = seg.valid;
  f.good = seg.good;
  for (const std::string& p : paths)
    if (NameOf(p) == seg.file) f.span = ReadFileSpan(p);
  bool any = false;
  for (std::size_t k = seg.begin; k < seg.end; ++k) {
    const float t = sensor.samples[kQT][k];
    if (!UsableSample(t, sensor.samples[kQWo][k], sensor.samples[kQRo][k])) continue;
    ++f.used;
    f.tMin = any ? std::min(f.tMin, double(t)) : t;
    f.tMax = any ? std::max(f.tMax, double(t)) : t;
    any = true;
  }
  return f;
}

// One channel's statistics and plots over every sample of every file.
// `marks` collects per sample over the channels: 1 judged, 2 farther than deltaDmax on some channel.
ReportChannel ChannelOf(const CalcSensor& sensor, const SegmentTable& table, int type, int c, int deltaDmax,
                        std::vector<unsigned char>& marks) {
  ReportChannel ch;
  ch.name = Quantities()[std::size_t(FittedQuantity(type, c))](kEnglish);
  ch.D = table.D[std::size_t(c)];
  ch.lowExtrapolation = table.lowExtrapolation[std::size_t(c)];
  ch.highExtrapolation = table.highExtrapolation[std::size_t(c)];
  std::size_t total = 0;
  for (const FileSegment& seg : sensor.segments) total += seg.end - seg.begin;
  const std::size_t stride = std::max<std::size_t>(1, (total + kReportPlotPoints - 1) / kReportPlotPoints);
  double all = 0, below = 0, above = 0;
  std::array<double, 7> part{};
  std::size_t seen = 0, extra = 0;
  ForEachSampleDifference(sensor, table, type, c, [&](const SampleAt& s) {
    const bool sampled = seen++ % stride == 0;
    if (sampled) ch.plot.push_back({s.t, s.x});
    if (!std::isfinite(s.diff)) return;
    const bool far = std::fabs(s.diff) > double(deltaDmax);
    ch.beyond += far;
    marks[s.index] |= far ? 3 : 1;
    if (sampled || (far && extra++ < kReportPlotPoints)) ch.diffPlot.push_back({s.t, float(s.diff)});
    AddDiff(ch.all, s.diff, all);
    if (s.t < float(table.T[0])) {
      AddDiff(ch.below, s.diff, below);
    } else if (s.t > float(table.T[7])) {
      AddDiff(ch.above, s.diff, above);
    } else {
      const auto e = std::size_t(TableInterval(s.t, table.T));
      AddDiff(ch.intervals[e], s.diff, part[e]);
    }
  });
  ch.all.rms = Rms(ch.all, all);
  ch.below.rms = Rms(ch.below, below);
  ch.above.rms = Rms(ch.above, above);
  for (std::size_t e = 0; e < 7; ++e) ch.intervals[e].rms = Rms(ch.intervals[e], part[e]);
  return ch;
}

}  // namespace

FileSpan ReadFileSpan(const std::string& path) {
  FileSpan span;
  std::ifstream in(path, std::ios::binary);
  if (!in) return span;
  ReadHead(in, span);
  in.clear();
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size > 0) ReadTail(in, size, span);
  if (!span.firstDate.empty() && !span.lastDate.empty()) {
    const long long a = Seconds(span.firstDate, span.firstTime), b = Seconds(span.lastDate, span.lastTime);
    if (a >= 0 && b >= a) span.seconds = b - a;
  }
  return span;
}

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

void ForEachSampleDifference(const CalcSensor& sensor, const SegmentTable& table, int type, int channel,
                             const std::function<void(const SampleAt&)>& visit) {
  const int q = FittedQuantity(type, channel);
  const GradPoints& D = table.D[std::size_t(channel)];
  const auto& t = sensor.samples[kQT];
  for (std::size_t g = 0; g < sensor.segments.size(); ++g) {
    const FileSegment& seg = sensor.segments[g];
    for (std::size_t k = seg.begin; k < seg.end; ++k) {
      if (!UsableSample(t[k], sensor.samples[kQWo][k], sensor.samples[kQRo][k])) continue;
      const float x = sensor.samples[std::size_t(q)][k];
      visit({g, k, t[k], x, SampleDifference(t[k], x, table.T, D)});
    }
  }
}

GradReport BuildGradReport(const CalcSensor& sensor, const SensorTables& tables, const CalcSettings& settings,
                           const std::vector<std::string>& paths, const std::tm& now, const std::string& version) {
  GradReport r;
  r.language = settings.language;
  r.when = now;
  r.version = version;
  r.host = StationHostName();
  r.login = OperatorLoginName();
  r.serial = sensor.serial;
  r.gas = sensor.gasText;
  r.address = sensor.address;
  r.type = settings.type;
  r.deltaDmax = settings.deltaDmax;
  r.check = sensor.check;
  r.gasLeftOut = sensor.gasLeftOut;
  for (const FileSegment& seg : sensor.segments) r.files.push_back(FileOf(sensor, seg, paths));
  if (tables.written < 0) return r;
  const SegmentTable& table = tables.tables[std::size_t(tables.written)];
  if (table.segment < sensor.segments.size()) r.tableFile = sensor.segments[table.segment].file;
  r.T = table.T;
  r.blocks = RegisterBlocks(sensor, table, settings.type);
  if (const std::vector<Outlier> far = FindOutliers(sensor, table, settings); !far.empty())
    r.outliers = OutliersText(far, settings, kReportOutliersShown);
  std::vector<unsigned char> marks(sensor.SampleCount());
  for (int c = 0; c < table.channels; ++c)
    r.channels.push_back(ChannelOf(sensor, table, settings.type, c, settings.deltaDmax, marks));
  for (unsigned char m : marks) {
    r.judged += m != 0;
    r.beyond += m == 3;
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

std::string WriteFailureText(const LinkWriteList& list, LanguageIndex l) {
  const LinkWriteDone* first = nullptr;
  int failed = 0;
  for (const LinkWriteDone& w : list.writes)
    if (w.result != 0 && ++failed == 1) first = &w;
  if (!first) return list.writes.empty() ? txt::kReportFailNoAnswer(l) : "";
  std::string why;
  switch (first->failure) {
    case WriteFailure::kPortClosed: why = txt::kReportFailPortClosed(l); break;
    case WriteFailure::kException:
      why = Format(txt::kReportFailException(l), unsigned(first->exception), txt::ExceptionText(first->exception, l));
      break;
    case WriteFailure::kWrongAnswer: why = txt::kReportFailWrongAnswer(l); break;
    case WriteFailure::kCheckNoAnswer: why = txt::kReportFailCheckNoAnswer(l); break;
    case WriteFailure::kCheckFailed: why = txt::kReportFailCheckFailed(l); break;
    case WriteFailure::kReadBackDiffers: why = txt::kReportDiffers(l); break;
    case WriteFailure::kRefused: why = txt::kReportFailRefused(l); break;
    default: why = txt::kReportFailNoAnswer(l);
  }
  return Format(txt::kReportFailAt(l), why.c_str(), unsigned(first->first), failed, list.writes.size());
}

std::string VerdictText(const GradReport& r) {
  const LanguageIndex l = r.language;
  if (r.channels.empty()) return txt::kReportVerdictNotCalculated(l);
  switch (WriteStateOf(r)) {
    case ReportWriteState::Verified: return txt::kReportVerdictVerified(l);
    case ReportWriteState::Differs: return txt::kReportVerdictDiffers(l);
    case ReportWriteState::NotChecked: return txt::kReportVerdictNotChecked(l);
    case ReportWriteState::Pending: return txt::kReportVerdictPending(l);
    case ReportWriteState::Failed:
      return std::string(txt::kReportVerdictNotWritten(l)) + ": " + WriteFailureText(*r.written, l);
    default:
      if (r.notWrittenWhy.empty()) return txt::kReportVerdictCalculated(l);
      return std::string(txt::kReportVerdictNotWritten(l)) + ": " + r.notWrittenWhy;
  }
}

double LargestDifference(const GradReport& r) {
  double m = -1;
  for (const ReportChannel& c : r.channels) m = std::max(m, c.all.maxDiff);
  return m;
}

std::size_t SamplesBeyond(const GradReport& r) { return r.beyond; }

std::size_t SamplesJudged(const GradReport& r) { return r.judged; }

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
