#include "graduation/calc_coverage.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "detector/register_map.h"
#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "text/format.h"
#include "text/number_grammar.h"
#include "text/reader_texts.h"
#include "text/selector_lists.h"

namespace kvl {

double SampleDifference(double t, double x, const GradPoints& T, const GradPoints& D) {
  return x - TableCurve(t, T, D);
}

std::optional<TemperatureSpan> UncoveredSpan(const CalcSensor& sensor, const FileSegment& segment,
                                             const CalcSettings& settings) {
  // The points depend on T alone: the first channel's samples give them for every channel.
  const FitSamples s = SegmentSamples(sensor, segment, FittedQuantity(settings.type, 0));
  if (s.t.empty()) return std::nullopt;
  const GradPoints T = TemperaturePoints(settings.type, SampleRange(s), settings);
  IntervalCounts counts{};
  for (float t : s.t) ++counts[std::size_t(TableInterval(t, T))];
  // An inner point is fitted from the samples of the intervals beside it: with
  // both empty, nothing but its starting value decides it.
  for (std::size_t i = 1; i + 1 < T.size(); ++i)
    if (counts[i - 1] == 0 && counts[i] == 0) return TemperatureSpan{T[i - 1], T[i + 1]};
  return std::nullopt;
}

std::optional<RunStage> MissingStage(const CalcSensor& sensor, const CalcSettings& settings) {
  const float* t = sensor.samples[kQT].data();
  const float* wo = sensor.samples[kQWo].data();
  const float* ro = sensor.samples[kQRo].data();
  const std::size_t n = sensor.SampleCount();
  auto count = [&](double celsius) {
    return CountsInDeviceUnits(settings.type) ? NominalUnits(settings.type, celsius) : celsius;
  };
  for (const RunStage& stage : settings.runStages) {
    double gap = 30;  // degrees to the nearest other stage
    for (const RunStage& other : settings.runStages)
      if (other.celsius != stage.celsius)
        gap = std::min(gap, std::fabs(double(other.celsius - stage.celsius)));
    const double lo = count(stage.celsius - std::max(2.0, gap / 3)),
                 hi = count(stage.celsius + std::max(2.0, gap / 3));
    bool found = false;
    for (std::size_t i = 0; i < n && !found; ++i)
      found = UsableSample(t[i], wo[i], ro[i]) && t[i] >= std::min(lo, hi) && t[i] <= std::max(lo, hi);
    if (!found) return stage;
  }
  return std::nullopt;
}

bool ParseRunStages(const std::string& text, std::vector<RunStage>* out, std::string* error) {
  std::string_view rest = text;
  while (!TrimBlanks(rest).empty()) {
    const std::size_t comma = std::min(rest.find(','), rest.size());
    const std::string_view piece = TrimBlanks(rest.substr(0, comma));
    rest.remove_prefix(std::min(comma + 1, rest.size()));
    const std::size_t colon = piece.find(':');
    long long stage = 0, celsius = 0;
    if (colon == std::string_view::npos ||
        ParseWholeToken(piece.substr(0, colon), 1, 8, &stage) != TokenVerdict::kGood ||
        ParseWholeToken(piece.substr(colon + 1), -100, 200, &celsius) != TokenVerdict::kGood) {
      if (error) *error = std::string(piece);
      return false;
    }
    out->push_back({int(stage), int(celsius)});
  }
  return true;
}

std::string ComposeRunStages(const std::vector<RunStage>& stages) {
  std::string text;
  for (const RunStage& s : stages) text += Format(text.empty() ? "%d:%d" : ",%d:%d", s.stage, s.celsius);
  return text;
}

std::vector<Outlier> FindOutliers(const CalcSensor& sensor, const SegmentTable& table, const CalcSettings& settings) {
  std::vector<Outlier> out;
  if (table.segment >= sensor.segments.size()) return out;
  const FileSegment& seg = sensor.segments[table.segment];
  const float* t = sensor.samples[kQT].data();
  const float* wo = sensor.samples[kQWo].data();
  const float* ro = sensor.samples[kQRo].data();
  for (int c = 0; c < table.channels; ++c) {
    const int q = FittedQuantity(settings.type, c);
    const float* x = sensor.samples[std::size_t(q)].data();
    const GradPoints& D = table.D[std::size_t(c)];
    for (std::size_t i = seg.begin; i < seg.end; ++i) {
      if (!UsableSample(t[i], wo[i], ro[i])) continue;
      if (!settings.extrapolationCounts) {
        const int e = TableInterval(t[i], table.T);
        if ((e == 0 && table.lowExtrapolation[std::size_t(c)]) || (e == 6 && table.highExtrapolation[std::size_t(c)]))
          continue;
      }
      const double d = SampleDifference(t[i], x[i], table.T, D);
      if (!(std::fabs(d) <= settings.deltaDmax)) {
        const std::int32_t time = i < sensor.times.size() ? sensor.times[i] : -1;
        out.push_back({q, time, t[i], x[i], d});
      }
    }
  }
  return out;
}

std::string OutliersText(const std::vector<Outlier>& outliers, const CalcSettings& settings, std::size_t shown) {
  const LanguageIndex l = settings.language;
  std::string text = Format(txt::kOutliersHead(l), outliers.size(), int(settings.deltaDmax));
  for (std::size_t k = 0; k < outliers.size() && k < shown; ++k) {
    const Outlier& o = outliers[k];
    const std::string time = o.time < 0 ? std::string("?")
                                        : Format("%02d:%02d:%02d", o.time / 3600, o.time / 60 % 60, o.time % 60);
    text += Format("\n%s %s=%g (T=%g) %s %+.0f", time.c_str(), Quantities()[std::size_t(o.quantity)](l),
                   double(o.value), double(o.t), txt::kOutlierDifference(l), o.difference);
  }
  if (outliers.size() > shown) text += "\n...";
  return text;
}

}  // namespace kvl
