#include "graduation/gas_spans.h"

#include <algorithm>
#include <string_view>

#include "graduation/calc_types.h"
#include "graduation/grad_report.h"
#include "text/format.h"
#include "text/number_grammar.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr long long kDay = 86400;

long long Field(std::string_view text, std::size_t at, std::size_t n, long long lo, long long hi) {
  long long v = -1;
  if (at + n > text.size() || ParseWholeToken(text.substr(at, n), lo, hi, &v) != TokenVerdict::kGood) return -1;
  return v;
}

// "dd.mm.yyyy hh:mm:ss", or -1.
long long StampSeconds(std::string_view t) {
  t = TrimBlanks(t);
  if (t.size() != 19 || t[2] != '.' || t[5] != '.' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return -1;
  const long long d = Field(t, 0, 2, 1, 31), m = Field(t, 3, 2, 1, 12), y = Field(t, 6, 4, 1970, 9999);
  const long long h = Field(t, 11, 2, 0, 23), mi = Field(t, 14, 2, 0, 59), s = Field(t, 17, 2, 0, 59);
  if (d < 0 || m < 0 || y < 0 || h < 0 || mi < 0 || s < 0) return -1;
  return CalendarSeconds(y, m, d, h * 3600 + mi * 60 + s);
}

std::string StampText(long long t) {
  // Civil date from days (the inverse of CalendarSeconds).
  const long long days = (t >= 0 ? t : t - kDay + 1) / kDay, sod = t - days * kDay;
  const long long z = days + 719468, era = (z >= 0 ? z : z - 146096) / 146097, doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365, doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153, d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2);
  return Format("%02lld.%02lld.%04lld %02lld:%02lld:%02lld", d, m, y, sod / 3600, sod / 60 % 60, sod % 60);
}

bool Within(long long t, const std::vector<GasSpan>& spans) {
  for (const GasSpan& s : spans)
    if (t >= s.from && (s.to < s.from || t <= s.to)) return true;
  return false;
}

// Which samples of one file's stretch were recorded while gas flowed.
void MarkSegment(const CalcSensor& sensor, const FileSegment& seg, long long firstDay,
                 const std::vector<GasSpan>& spans, std::vector<bool>& out) {
  long long day = firstDay;
  std::int32_t previous = -1;
  for (std::size_t i = seg.begin; i < seg.end && i < sensor.times.size(); ++i) {
    const std::int32_t tod = sensor.times[i];
    if (tod < 0) continue;
    if (previous >= 0 && tod + kDay / 2 < previous) day += kDay;  // past midnight
    previous = tod;
    out[i] = Within(day + tod, spans);
  }
}

std::size_t LeaveOut(CalcSensor& sensor, const std::vector<bool>& out) {
  std::size_t kept = 0, gone = 0;
  std::vector<std::size_t> keptBefore(out.size() + 1, 0);
  for (std::size_t i = 0; i < out.size(); ++i) {
    keptBefore[i] = kept;
    if (out[i]) {
      ++gone;
      continue;
    }
    for (auto& q : sensor.samples) q[kept] = q[i];
    if (i < sensor.times.size()) sensor.times[kept] = sensor.times[i];
    ++kept;
  }
  keptBefore[out.size()] = kept;
  for (auto& q : sensor.samples) q.resize(kept);
  sensor.times.resize(std::min(sensor.times.size(), kept));
  for (FileSegment& seg : sensor.segments) {
    const std::size_t lines = seg.end - seg.begin;
    seg.begin = keptBefore[std::min(seg.begin, out.size())];
    seg.end = keptBefore[std::min(seg.end, out.size())];
    seg.gasLeftOut += lines - (seg.end - seg.begin);
  }
  return gone;
}

}  // namespace

long long CalendarSeconds(long long y, long long m, long long d, long long secondsOfDay) {
  // Days from the civil date (proleptic Gregorian).
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400, yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  return days * kDay + secondsOfDay;
}

long long CalendarSeconds(const std::tm& t) {
  return CalendarSeconds(t.tm_year + 1900LL, t.tm_mon + 1LL, t.tm_mday, t.tm_hour * 3600LL + t.tm_min * 60 + t.tm_sec);
}

bool ParseGasSpans(const std::string& text, std::vector<GasSpan>* out, std::string* error) {
  std::string_view rest = text;
  while (!TrimBlanks(rest).empty()) {
    const std::size_t semi = std::min(rest.find(';'), rest.size());
    const std::string_view piece = rest.substr(0, semi);
    rest.remove_prefix(std::min(semi + 1, rest.size()));
    const std::size_t dots = piece.find("..");
    GasSpan s;
    if (dots != std::string_view::npos) {
      s.from = StampSeconds(piece.substr(0, dots));
      s.to = StampSeconds(piece.substr(dots + 2));
    }
    if (dots == std::string_view::npos || s.from < 0 || s.to < s.from) {
      if (error) *error = std::string(TrimBlanks(piece));
      return false;
    }
    out->push_back(s);
  }
  return true;
}

std::string ComposeGasSpans(const std::vector<GasSpan>& spans) {
  std::string text;
  for (const GasSpan& s : spans)
    if (s.to >= s.from) text += (text.empty() ? "" : ";") + StampText(s.from) + ".." + StampText(s.to);
  return text;
}

std::size_t LeaveOutGasSamples(CalcRead& read, const std::vector<std::string>& paths,
                               const std::vector<GasSpan>& spans) {
  if (spans.empty()) return 0;
  std::size_t gone = 0;
  for (CalcSensor& sensor : read.sensors) {
    std::vector<bool> out(sensor.SampleCount(), false);
    for (const FileSegment& seg : sensor.segments)
      for (const std::string& p : paths) {
        if (NameOf(p) != seg.file) continue;
        const FileSpan span = ReadFileSpan(p);
        const long long first = StampSeconds(span.firstDate + " 00:00:00");
        if (first >= 0) MarkSegment(sensor, seg, first, spans, out);
        break;
      }
    const std::size_t n = LeaveOut(sensor, out);
    sensor.gasLeftOut += n;
    gone += n;
  }
  return gone;
}

}  // namespace kvl
