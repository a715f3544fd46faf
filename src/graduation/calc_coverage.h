#pragma once
// What a fitted table rests on: whether every inner point has samples in the
// intervals beside it (a point no sample constrains is a guess, however
// smooth), and which samples lie farther from the table than the
// configuration's deltaDmax allows. The one place where a sample's difference from a table is computed;
// the checks, the window, kvlctl and the report all take it from here. Never
// fits and never decides whether a table is written.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "graduation/calc_types.h"

namespace kvl {

// The sample's value less the table's curve at its T (the end segments carried on).
double SampleDifference(double t, double x, const GradPoints& T, const GradPoints& D);

// The span around the first inner point (1..6) of the table's points that no
// usable sample of the segment constrains: both intervals beside it are
// empty (a run recorded at the hottest and coldest stages only). A stage's
// samples sit at its point, so a run that visits every stage is covered; the
// end points keep the extrapolation rule of the fit.
struct TemperatureSpan {
  int lo = 0, hi = 0;
};
std::optional<TemperatureSpan> UncoveredSpan(const CalcSensor& sensor, const FileSegment& segment,
                                             const CalcSettings& settings);

// The first of the run's stages at which the sensor has no usable sample
// (gas samples are left out before): none whose temperature lies within a
// third of the way to the neighbouring stages' temperatures (in the type's
// count, along its nominal conversion: a detector lies a few degrees off it).
// A run whose data folder failed for a whole stage has such a stage, and a
// table fitted without it would pass every other check.
std::optional<RunStage> MissingStage(const CalcSensor& sensor, const CalcSettings& settings);
// "STAGE:CELSIUS,..." (kvlctl calc's --stages); false and the bad piece in `error`.
bool ParseRunStages(const std::string& text, std::vector<RunStage>* out, std::string* error);
std::string ComposeRunStages(const std::vector<RunStage>& stages);

// A sample farther from its channel's table than deltaDmax.
struct Outlier {
  int quantity = 0;       // column fitted ("R", "W" or "D")
  std::int32_t time = -1; // its data line's time of day in seconds, -1 unknown
  float t = 0, value = 0;
  double difference = 0;
  bool operator==(const Outlier&) const = default;
};

// Every outlier of the segment a table was fitted to, in sample order per
// channel. Without settings.extrapolationCounts, samples in an end interval
// whose point was extrapolated are not compared.
std::vector<Outlier> FindOutliers(const CalcSensor& sensor, const SegmentTable& table, const CalcSettings& settings);

// "N samples lie farther than deltaDmax=M from the table:" and a line per
// outlier ("hh:mm:ss R=2310 (T=612) difference 140"), at most `shown` of them, then "...".
std::string OutliersText(const std::vector<Outlier>& outliers, const CalcSettings& settings, std::size_t shown = 20);

}  // namespace kvl
