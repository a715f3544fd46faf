// The fit: temperature points, starting values, extrapolation, and the fast
// evaluation against the reference on many segments (identical tables).
#include "graduation/calc_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

#include "calc_test_support.h"
#include "sim/sim_run_data.h"

namespace kvl::testing {
namespace {

struct Segment {
  int type;
  FitSamples s;
};

// Both fits of one segment, as the calculation runs them.
void ExpectSameFit(const Segment& seg, const CalcSettings& settings, std::size_t* trials, std::size_t* fallbacks,
                   const std::string& what) {
  const FitRange r = SampleRange(seg.s);
  const GradPoints T = TemperaturePoints(seg.type, r, settings);
  const GradPoints start = StartValues(seg.type, T, r, settings);
  const ChannelFit ref = FitChannel(seg.s, T, start, r, FitMethod::Reference);
  const ChannelFit fast = FitChannel(seg.s, T, start, r, FitMethod::Fast);
  ASSERT_EQ(fast.D, ref.D) << what;
  ASSERT_EQ(fast.extrapolation.low, ref.extrapolation.low) << what;
  ASSERT_EQ(fast.extrapolation.high, ref.extrapolation.high) << what;
  ASSERT_EQ(fast.trials, ref.trials) << what;
  *trials += fast.trials;
  *fallbacks += fast.fallbacks;
}

Segment FromRows(int type, const std::vector<SimRunRow>& rows, int column) {
  Segment seg{type, {}};
  for (const SimRunRow& row : rows) {
    seg.s.t.push_back(float(std::strtod(row.values[kQT].c_str(), nullptr)));
    seg.s.x.push_back(float(std::strtod(row.values[std::size_t(column)].c_str(), nullptr)));
  }
  return seg;
}

TEST(CalcFit, FastEqualsReferenceOnRealisticRuns) {
  std::size_t trials = 0, fallbacks = 0;
  for (int type : {kTypeZ5, kTypeZ, kTypeKvelt, kTypeZ40}) {
    const CalcSettings settings = FreshSettings(type);
    for (std::uint64_t seed = 1; seed <= 3; ++seed) {
      SimRunSetup setup;
      setup.type = type;
      setup.lines = 3000 + 1500 * seed;
      setup.seed = seed;
      setup.sensitivity = 0.5 + 0.5 * double(seed);
      const std::vector<SimRunRow> rows = SimulatedRunRows(setup);
      for (int channel = 0; channel < CalcChannelCount(type); ++channel) {
        const int column = FittedQuantity(type, channel);
        ExpectSameFit(FromRows(type, rows, column), settings, &trials, &fallbacks,
                      Format("type %d seed %d column %d", type, int(seed), column));
      }
    }
  }
  // The bound decides nearly every comparison on its own.
  EXPECT_LT(fallbacks * 50, trials) << fallbacks << " of " << trials;
}

TEST(CalcFit, FastEqualsReferenceOnRandomSegments) {
  std::mt19937_64 rng(20261207);
  std::uniform_real_distribution<double> u(0, 1);
  std::size_t trials = 0, fallbacks = 0;
  for (int k = 0; k < 200; ++k) {
    const int type = std::array<int, 4>{kTypeZ5, kTypeZ, kTypeKvelt, kTypeZ40}[std::size_t(k % 4)];
    const CalcSettings settings = FreshSettings(type);
    Segment seg{type, {}};
    const int shape = int(rng() % 6);
    const std::size_t count = shape == 5 ? 1 + rng() % 5 : 1 + rng() % 700;
    const double lo = type == kTypeZ5 ? 540 + 40 * u(rng) : type == kTypeKvelt ? 450 + 60 * u(rng) : -60 + 20 * u(rng);
    const double hi = type == kTypeZ5 ? 1040 + 60 * u(rng) : type == kTypeKvelt ? 1000 + 90 * u(rng) : 75 + 20 * u(rng);
    const double base = shape == 4 ? 65000 * (u(rng) < 0.5 ? 1 : -1) : 10000 * u(rng) - 2000;
    const double slope = (u(rng) - 0.5) * 40, bend = (u(rng) - 0.5) * 0.2, noise = u(rng) < 0.2 ? 0 : 30 * u(rng);
    const double oneT = lo + (hi - lo) * u(rng);
    for (std::size_t i = 0; i < count; ++i) {
      double t;
      switch (shape) {
        case 0: t = lo + (hi - lo) * u(rng); break;                          // anywhere
        case 1: t = std::round(lo + (hi - lo) * u(rng)); break;              // whole units
        case 2: t = oneT; break;                                             // all at one T
        case 3: t = lo + (hi - lo) * (u(rng) < 0.5 ? 0.3 * u(rng) : 0.8 + 0.2 * u(rng)); break;  // gaps
        default: t = lo + (hi - lo) * u(rng); break;
      }
      const double dt = t - lo;
      double x = base + slope * dt + bend * dt * dt + noise * (u(rng) - 0.5);
      if (shape != 0) x = std::round(x);
      seg.s.t.push_back(float(t));
      seg.s.x.push_back(float(x));
    }
    ExpectSameFit(seg, settings, &trials, &fallbacks, Format("segment %d shape %d", k, shape));
  }
  EXPECT_LT(fallbacks * 10, trials) << fallbacks << " of " << trials;
}

TEST(CalcFit, TemperaturePointsAndStartingValues) {
  const CalcSettings z5 = FreshSettings(kTypeZ5);
  FitRange r{554, 1078, 2000, 3000};
  EXPECT_EQ(TemperaturePoints(kTypeZ5, r, z5), kTypicalZ5Temperatures);
  r = {600, 1100, 2000, 3000};
  // s = -500 / -524, o = 600 - 554 s: T[1] = trunc(625 s + o + 0.5)
  EXPECT_EQ(TemperaturePoints(kTypeZ5, r, z5), (GradPoints{600, 668, 740, 820, 887, 953, 1027, 1100}));
  // Other types: T[0] and T[7] records, field 2 for Z (-50..85), field 1 for KVELT (450..1100).
  EXPECT_EQ(TemperaturePoints(kTypeZ, r, FreshSettings(kTypeZ)), (GradPoints{-50, -31, -11, 8, 27, 46, 66, 85}));
  EXPECT_EQ(TemperaturePoints(kTypeKvelt, r, FreshSettings(kTypeKvelt)),
            (GradPoints{450, 543, 636, 729, 821, 914, 1007, 1100}));

  // All samples at one T: every point starts at Dlo.
  const GradPoints Tz = TemperaturePoints(kTypeZ, r, FreshSettings(kTypeZ));
  EXPECT_EQ(StartValues(kTypeZ, Tz, FitRange{20, 20, 9950, 10050}, FreshSettings(kTypeZ)),
            (GradPoints{9950, 9950, 9950, 9950, 9950, 9950, 9950, 9950}));
  // Z: (Dhi - Dlo) (T[i] - r) / (Thi - Tlo) + Dlo with r = -50, truncating.
  EXPECT_EQ(StartValues(kTypeZ, Tz, FitRange{-45, 80, 9000, 10000}, FreshSettings(kTypeZ)),
            (GradPoints{9000, 9152, 9312, 9464, 9616, 9768, 9928, 10080}));
  // KVELT: Dhi - (Dhi - Dlo) (T[i] - r) / (Thi - Tlo) with r = 450.
  const GradPoints Tk = TemperaturePoints(kTypeKvelt, r, FreshSettings(kTypeKvelt));
  EXPECT_EQ(StartValues(kTypeKvelt, Tk, FitRange{460, 1090, 9000, 10000}, FreshSettings(kTypeKvelt)),
            (GradPoints{10000, 9853, 9705, 9558, 9412, 9264, 9116, 8969}));
}

TEST(CalcFit, ExtrapolationOfTheEnds) {
  const CalcSettings settings = FreshSettings(kTypeZ);
  // A smooth curve, few samples below T[1]: low extrapolation, D[0] on the line through points 1 and 2.
  FitSamples s;
  for (int i = 0; i < 4000; ++i) {
    const float t = float(-29 + 114.0 * i / 3999);
    s.t.push_back(t);
    s.x.push_back(float(10000 + 3 * t + 0.02 * t * t));
  }
  for (int i = 0; i < 5; ++i) {
    const float t = -45.0f + float(i);
    s.t.push_back(t);
    s.x.push_back(float(10000 + 3 * t + 0.02 * t * t));
  }
  const FitRange r = SampleRange(s);
  const GradPoints T = TemperaturePoints(kTypeZ, r, settings);
  IntervalCounts counts{};
  ErrorFunction(s, T, StartValues(kTypeZ, T, r, settings), false, false, &counts);
  EXPECT_EQ(counts[0], 5u);
  const ChannelFit fit = FitChannel(s, T, StartValues(kTypeZ, T, r, settings), r, FitMethod::Fast);
  EXPECT_TRUE(fit.extrapolation.low);
  EXPECT_FALSE(fit.extrapolation.high);
  const GradPoints& D = fit.D;
  EXPECT_EQ(D[0], int((std::int64_t(D[1]) - D[2]) * (T[1] - T[0]) / (T[2] - T[1])) + D[1]);
  // The fitted points follow the curve within a count or two.
  for (std::size_t i = 1; i < 7; ++i) EXPECT_NEAR(D[i], 10000 + 3 * T[i] + 0.02 * T[i] * T[i], 3.0) << i;
  // High extrapolation mirrors it.
  GradPoints e{0, 0, 0, 0, 0, 100, 90, 0};
  ExtrapolateEnds(e, GradPoints{0, 10, 20, 30, 40, 50, 60, 75}, Extrapolation{false, true});
  EXPECT_EQ(e[7], 90 - (100 - 90) * 15 / 10);
  // A steep line through close points would leave the register word: its limit instead.
  GradPoints steep{0, 60000, 0, 0, 0, 0, 0, 0};
  ExtrapolateEnds(steep, GradPoints{-100, 1, 2, 30, 40, 50, 60, 75}, Extrapolation{true, false});
  EXPECT_EQ(steep[0], 65535);
}

}  // namespace
}  // namespace kvl::testing

namespace kvl::testing {
namespace {

// Values no detector sends but a damaged file can hold: the calculation stays
// defined (the sanitizer build checks that) and the fast fit still agrees.
TEST(CalcFit, GarbageValuesStayDefined) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<std::pair<std::vector<float>, std::vector<float>>> cases = {
      {{560, 700, 900, 1070}, {2000, nan, 2100, 2200}},
      {{560, 700, 900, 1070}, {2000, inf, 2100, 2200}},
      {{560, 3e38f, 900, inf}, {2000, 2050, 2100, 2200}},
      {{-inf, 700, 900, 1070}, {-3e38f, 2050, 2100, 2200}},
      {{nan, 700, 900, 1070}, {2000, 2050, 2100, 2200}},
  };
  std::size_t trials = 0, fallbacks = 0;
  for (std::size_t k = 0; k < cases.size(); ++k) {
    Segment seg{kTypeZ5, {cases[k].first, cases[k].second}};
    for (int i = 0; i < 200; ++i) {  // enough samples for the fit to move
      seg.s.t.push_back(600.0f + float(i) * 2.4f);
      seg.s.x.push_back(2000.0f + float(i));
    }
    ExpectSameFit(seg, FreshSettings(kTypeZ5), &trials, &fallbacks, Format("case %zu", k));
  }

  // Few samples and one glitch (100960): E falls by rounding's worth along a
  // valley; the descent used to walk D[3] to 8,875,626 in 4.8 million trials.
  // Now every point stays a register word and the fit ends at once.
  const std::vector<std::pair<float, float>> few = {
      {87, 10068},     {87, 10067},     {87, 10066},  {69.1f, 10099}, {66.7f, 10102},  {66.3f, 10106},
      {48.4f, 100960}, {45.6f, 10088},  {24.9f, 10017}, {-34.5f, 9550}, {66.7f, 10102}, {66.3f, 10106},
      {48.4f, 10096},  {46, 10094},     {45.6f, 10088}, {24.9f, 10017}, {-34.5f, 9550}, {-36.9f, 9520},
      {-37.2f, 9518},  {-55.2f, 9285},  {-57.6f, 9250}, {-58, 9252}};
  Segment valley{kTypeZ40, {}};
  for (const auto& [t, x] : few) valley.s.t.push_back(t), valley.s.x.push_back(x);
  std::size_t valleyTrials = 0;
  ExpectSameFit(valley, FreshSettings(kTypeZ40), &valleyTrials, &fallbacks, "valley");
  EXPECT_LT(valleyTrials, 100000u);
  const FitRange r = SampleRange(valley.s);
  const GradPoints T = TemperaturePoints(kTypeZ40, r, FreshSettings(kTypeZ40));
  for (int d : FitChannel(valley.s, T, StartValues(kTypeZ40, T, r, FreshSettings(kTypeZ40)), r, FitMethod::Fast).D)
    EXPECT_TRUE(d >= -32768 && d <= 65535) << d;
}

}  // namespace
}  // namespace kvl::testing
