#pragma once
// The fit of a graduation table to one file segment: temperature points,
// starting values, the error function, the extrapolation switches, the
// three-pass coordinate descent and the final extrapolation. Pure functions;
// nothing here reads files or knows the window.
//
// Two ways to evaluate the descent give the same table:
// - FitMethod::Reference evaluates the error function E over every sample for
//   every trial step, exactly as written (sum in sample order, double precision);
// - FitMethod::Fast keeps per-interval moments of the samples, so a trial costs
//   a few dozen operations. Its value differs from the reference sum only by
//   rounding, and a rigorous bound on that difference is carried along: a
//   comparison the bound cannot decide is settled by the reference sums
//   themselves, and a trial on a point no sample depends on is a tie by
//   construction. So every "strictly smaller" decision, and thus every table,
//   is the reference's.
#include <array>
#include <cstddef>
#include <vector>

#include "graduation/calc_types.h"

namespace kvl {

// Temperatures of the eight points of a typical type Z5 table, device units.
inline constexpr GradPoints kTypicalZ5Temperatures = {554, 625, 701, 785, 855, 924, 1001, 1078};

int CalcChannelCount(int type);
// Column fitted on a channel: Z5 channel 0 "R", channel 1 "W"; otherwise "D".
int FittedQuantity(int type, int channel);

// The usable samples (T, Wo and Ro not all zero) of one segment and column, in order.
struct FitSamples {
  std::vector<float> t;
  std::vector<float> x;
};
FitSamples SegmentSamples(const CalcSensor& sensor, const FileSegment& segment, int quantity);

struct FitRange {
  int tlo = 0, thi = 0;  // lowest and highest T, truncated
  int dlo = 0, dhi = 0;  // floor of the lowest, ceiling of the highest value, within +-65535
};
// Requires at least one sample.
FitRange SampleRange(const FitSamples& samples);

GradPoints TemperaturePoints(int type, const FitRange& range, const CalcSettings& settings);
GradPoints StartValues(int type, const GradPoints& T, const FitRange& range, const CalcSettings& settings);

using IntervalCounts = std::array<std::size_t, 7>;

// What a detector makes of its table at t: the piecewise-linear curve through
// the eight points, the end segments carried on beyond T[0] and T[7]. The
// interval is the largest i in 0..6 with t > T[i] (0 if none).
int TableInterval(double t, const GradPoints& T);
double TableCurve(double t, const GradPoints& T, const GradPoints& D);

// E(D) as written: sum over the samples in order of (x - p)^2, p the curve at
// the sample's T; counts (if given) receive the samples per interval before
// the extrapolation substitution.
double ErrorFunction(const FitSamples& s, const GradPoints& T, const GradPoints& D, bool low, bool high,
                     IntervalCounts* counts = nullptr);

struct Extrapolation {
  bool low = false;
  bool high = false;
};
Extrapolation ExtrapolationSwitches(const IntervalCounts& counts, const GradPoints& T, const FitRange& range);

// The final extrapolation of the end points (a zero temperature step leaves the point alone).
void ExtrapolateEnds(GradPoints& D, const GradPoints& T, Extrapolation x);

enum class FitMethod { Reference, Fast };

struct ChannelFit {
  GradPoints D{};
  Extrapolation extrapolation;
  std::size_t trials = 0;     // E evaluations of trial steps
  std::size_t fallbacks = 0;  // Fast: comparisons settled by the reference sums
};

// Steps 4 to 7 for one channel: switches, descent, final extrapolation.
ChannelFit FitChannel(const FitSamples& samples, const GradPoints& T, const GradPoints& start, const FitRange& range,
                      FitMethod method);

// Every channel of one segment; nullopt-like empty table (channels 0) when it has no usable sample.
SegmentTable FitSegment(const CalcSensor& sensor, std::size_t segment, const CalcSettings& settings,
                        FitMethod method = FitMethod::Fast);

// Every valid segment of a sensor. The table written to the detector is that
// of segment 0 when it is good, else of the first good segment.
SensorTables FitSensor(const CalcSensor& sensor, const CalcSettings& settings, FitMethod method = FitMethod::Fast);

}  // namespace kvl
