#include "graph/graph_geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <ostream>

#include "graph/graph_data.h"

namespace kvl {

void PrintTo(const Axis& a, std::ostream* os) { *os << a.min << ".." << a.max << " step " << a.step; }

namespace {

// Series held by the test, as the window's histories would be.
class FakeSource : public CGraphSource {
 public:
  std::array<std::array<std::vector<float>, kHistorySeriesCount>, kSlotCount> series;
  std::array<std::vector<std::size_t>, kSlotCount> breaks;
  bool available = false;
  std::optional<SeriesCharacteristic> curves;  // of every overlaid series

  std::span<const float> Samples(int s, int q) const override { return series[std::size_t(s)][std::size_t(q)]; }
  std::span<const std::size_t> Breaks(int s) const override { return breaks[std::size_t(s)]; }
  bool CharacteristicAvailable() const override { return available; }
  const SeriesCharacteristic* Characteristic(int, int) const override { return curves ? &*curves : nullptr; }
};

std::vector<float> Ramp(std::size_t n, float from, float to) {
  std::vector<float> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = n > 1 ? from + (to - from) * float(i) / float(n - 1) : from;
  return v;
}

TEST(GraphAxis, StepsAndRounding) {
  struct Case {
    double min, max;
    Axis want;
  };
  const Case cases[] = {
      {0, 500, {0, 500, 50}},             // 120 samples: the minimum f(N) span
      {9990, 10012, {9990, 10012, 2}},    // d = 22
      {0, 100, {0, 100, 10}},
      {-23, 17, {-25, 20, 5}},            // max up toward zero, min down away from it
      {-117, -3, {-120, 0, 10}},
      {3, 4, {2, 5, 1}},                  // range no larger than the step: widened
      {10000, 10000, {9999, 10001, 1}},
      {10, 5, {9, 11, 1}},                // manual ends crossing: the max is taken as the min
      {1, 750001, {0, 800000, 50000}},
      {1, 750002, {0, 800000, 100000}},
      {INT_MIN, INT_MAX, {-2500000000LL, 2500000000LL, 500000000}},  // no flood of labels
  };
  for (const Case& c : cases) EXPECT_EQ(RoundAxis(c.min, c.max), c.want) << c.min << ".." << c.max;

  const std::pair<double, std::int64_t> steps[] = {{0, 1},       {15, 1},        {15.5, 2},      {30, 2},
                                                   {31, 5},      {75, 5},        {76, 10},       {300, 20},
                                                   {750, 50},    {750000, 50000}, {750001, 100000},
                                                   {1500000, 100000}};
  for (const auto& [span, step] : steps) EXPECT_EQ(AxisStep(span), step) << span;
}

struct AxesCase {
  const char* name;
  int view;
  std::array<AxisEnd, kAxisEndCount> ends;
  bool graduationMode;
  Axis x, y;
  bool overlay;
};

TEST(GraphAxis, RangesOfTheSelectedSeries) {
  FakeSource src;
  // Slot 3: 120 D samples from 9990 to 10012, temperatures 500..600; slot 5's
  // unselected series must not count.
  src.series[3][kSeriesD] = Ramp(120, 9990.2f, 10011.6f);
  src.series[3][kSeriesT] = Ramp(120, 500, 600);
  src.series[5][kSeriesD] = Ramp(300, -50000, 50000);
  src.series[5][kSeriesT] = Ramp(300, -40, 900);
  src.available = true;
  SeriesCharacteristic curves{};
  curves[0].present = true;
  curves[0].t = {450, 500, 600, 700, 800, 900, 1000, 1100};
  curves[0].value = {8000, 9000, 9500, 10000, 10500, 11000, 11500, 12000};
  curves[1].value = {-99999, 0, 0, 0, 0, 0, 0, 0};  // not present: ignored
  src.curves = curves;

  AxisEnd autoX{false, 400};
  const std::array<AxisEnd, kAxisEndCount> autoEnds{{autoX, {false, 1100}, {false, 9000}, {false, 11000}}};
  auto with = [&](int end, AxisEnd e) {
    auto ends = autoEnds;
    ends[std::size_t(end)] = e;
    return ends;
  };
  const AxesCase cases[] = {
      {"f(N) 120 samples", kGraphViewOfN, autoEnds, false, {0, 500, 50}, {9990, 10012, 2}, false},
      {"manual x min 400", kGraphViewOfN, with(kXMinEnd, {true, 400}), false, {400, 500, 10}, {9990, 10012, 2}, false},
      {"manual y max", kGraphViewOfN, with(kYMaxEnd, {true, 11000}), false, {0, 500, 50}, {9900, 11000, 100}, false},
      {"f(T) minimum span", kGraphViewOfT, autoEnds, false, {500, 600, 10}, {9990, 10012, 2}, false},
      {"f(T) with the characteristic", kGraphViewOfT, autoEnds, true, {450, 1100, 50}, {8000, 12000, 500}, true},
      {"f(N) ignores the characteristic", kGraphViewOfN, autoEnds, true, {0, 500, 50}, {9990, 10012, 2}, false},
  };
  for (const AxesCase& c : cases) {
    GraphSettings settings;
    settings.view = c.view;
    settings.ends = c.ends;
    settings.selected[3][kSeriesD] = true;
    GraphContext context;
    context.mode = c.graduationMode ? kModeGraduation : kModeTuning;
    context.t0 = 450;
    context.t7 = 1100;
    const GraphAxes axes = ComputeAxes(src, settings, context);
    EXPECT_EQ(axes.x, c.x) << c.name;
    EXPECT_EQ(axes.y, c.y) << c.name;
    EXPECT_EQ(axes.overlay, c.overlay) << c.name;
  }
}

TEST(GraphAxis, EmptyAndNonNumberSamples) {
  FakeSource src;
  GraphSettings settings;
  settings.selected[0][kSeriesR] = true;  // selected but never filled
  GraphAxes axes = ComputeAxes(src, settings, {});
  EXPECT_EQ(axes.x, (Axis{0, 500, 50}));
  EXPECT_EQ(axes.y, (Axis{-1, 1, 1}));
  settings.view = kGraphViewOfT;
  EXPECT_EQ(ComputeAxes(src, settings, {}).x, (Axis{0, 100, 10}));

  src.series[0][kSeriesR] = {2000, NAN, 2010, INFINITY};
  settings.view = kGraphViewOfN;
  EXPECT_EQ(ComputeAxes(src, settings, {}).y, (Axis{2000, 2010, 1}));
  // Far beyond 32 bits: clipped.
  src.series[0][kSeriesR] = {-1e30f, 1e30f};
  EXPECT_EQ(ComputeAxes(src, settings, {}).y.step, 500000000);
}

TEST(GraphPixels, PlotMappingLabelsAndMarks) {
  const PlotRect plot = PlotRectFor(1020, 300, 8);
  EXPECT_EQ(plot, (PlotRect{50, 8, 1010, 284}));
  const CPixelMap map(plot, {0, 500, 50}, {9990, 10012, 2});
  EXPECT_EQ(map.X(0), 50);
  EXPECT_EQ(map.X(250), 530);
  EXPECT_EQ(map.X(500), 1010);
  EXPECT_EQ(map.Y(9990), 283);
  EXPECT_EQ(map.Y(10012), 8);
  EXPECT_EQ(map.Y(10001), 146);  // 283 - 11 * 275 / 22 = 145.5, to the nearest pixel

  GraphSettings settings;
  EXPECT_TRUE(AxisMarks(map, settings).labels.empty()) << "no series: no labels, no grid";
  EXPECT_TRUE(AxisMarks(map, settings).gridLines.empty());

  settings.selected[0][kSeriesD] = true;
  settings.ends[kXMinEnd] = {true, 0};
  settings.ends[kYMaxEnd] = {true, 10012};
  AxisDrawing marks = AxisMarks(map, settings);
  ASSERT_EQ(marks.labels.size(), 11u + 12u);
  EXPECT_EQ(marks.labels[0], (AxisLabel{"0", 50, 284, LabelAlign::Left, true}));
  EXPECT_EQ(marks.labels[1], (AxisLabel{"50", 146, 284, LabelAlign::Centre, false}));
  EXPECT_EQ(marks.labels[10], (AxisLabel{"500", 1017, 284, LabelAlign::Right, false}));
  EXPECT_EQ(marks.labels[11], (AxisLabel{"9990", 48, 275, LabelAlign::Right, false}));
  EXPECT_EQ(marks.labels[22], (AxisLabel{"10012", 48, 0, LabelAlign::Right, true}));
  ASSERT_EQ(marks.gridLines.size(), 9u + 10u);
  EXPECT_TRUE(marks.ticks.empty());
  EXPECT_EQ(marks.gridLines[0], (AxisMark{{146, 8}, {146, 283}}));
  EXPECT_EQ(marks.gridLines[9], (AxisMark{{50, 258}, {1009, 258}}));

  settings.grid = false;
  marks = AxisMarks(map, settings);
  EXPECT_TRUE(marks.gridLines.empty());
  ASSERT_EQ(marks.ticks.size(), 19u);
  EXPECT_EQ(marks.ticks[0], (AxisMark{{146, 283}, {146, 279}}));
  EXPECT_EQ(marks.ticks[9], (AxisMark{{50, 258}, {54, 258}}));
}

TEST(GraphPixels, CurvePointsRunsAndColumns) {
  const CPixelMap map({50, 8, 1010, 284}, {0, 100, 10}, {0, 100, 10});
  std::vector<PixelPoint> points;
  std::vector<std::size_t> runs;
  const std::vector<float> values = {0, 50, 100, 50, NAN, 0, 100};
  CurvePoints(map, values, {}, {}, points, runs);
  EXPECT_EQ(runs, (std::vector<std::size_t>{0, 4}));
  EXPECT_EQ(points[0], (PixelPoint{50, 283}));
  EXPECT_EQ(points[2], (PixelPoint{69, 8}));
  EXPECT_EQ(points[4], (PixelPoint{98, 283}));

  // f(T): against the temperatures, anew at 0 and at every break.
  const std::vector<float> t = {10, 20, 30, 10, 20, 30};
  const std::vector<std::size_t> breaks = {3};
  CurvePoints(map, Ramp(6, 0, 100), t, breaks, points, runs);
  EXPECT_EQ(runs, (std::vector<std::size_t>{0, 3}));
  ASSERT_EQ(points.size(), 6u);
  EXPECT_EQ(points[3], (PixelPoint{146, 118}));

  // Many samples on one pixel column keep its first, lowest, highest and last.
  const CPixelMap narrow({50, 8, 52, 284}, {0, 1000, 100}, {0, 100, 10});
  std::vector<float> zigzag(1001);
  for (std::size_t i = 0; i < zigzag.size(); ++i) zigzag[i] = float(i % 7) * 10 + 20;
  CurvePoints(narrow, zigzag, {}, {}, points, runs);
  EXPECT_LE(points.size(), 3u * 4u);
  int lowest = INT_MAX, highest = INT_MIN;
  for (const PixelPoint& p : points) lowest = std::min(lowest, p.y), highest = std::max(highest, p.y);
  EXPECT_EQ(lowest, narrow.Y(80));
  EXPECT_EQ(highest, narrow.Y(20));
}

TEST(GraphControls, ZonesRulesAndCaptions) {
  // A panel of 1020 x 300 with its plot top at 8.
  struct Zone {
    int x, y;
    std::optional<AxisEndIndex> want;
  };
  const Zone zones[] = {
      {50, 284, kXMinEnd}, {99, 300, kXMinEnd},  {100, 290, std::nullopt}, {960, 290, kXMaxEnd},
      {1020, 284, kXMaxEnd}, {10, 0, kYMaxEnd}, {50, 28, kYMaxEnd},         {10, 29, std::nullopt},
      {10, 274, kYMinEnd}, {50, 300, kXMinEnd}, {51, 150, std::nullopt},    {500, 283, std::nullopt},
  };
  for (const Zone& z : zones) EXPECT_EQ(AxisZoneAt(z.x, z.y, 1020, 300, 8), z.want) << z.x << "," << z.y;

  EXPECT_TRUE(ViewChoiceAllowed(kModeGraduation, false));
  EXPECT_FALSE(ViewChoiceAllowed(kModeCalibration, false));
  EXPECT_FALSE(ViewChoiceAllowed(kModeTuning, true));
  EXPECT_TRUE(ClearAllowed(false, false));
  EXPECT_FALSE(ClearAllowed(true, false));
  EXPECT_FALSE(ClearAllowed(false, true));

  GraphSettings settings;
  const Rgb k = kGraphBlack, g = kCaptionOff;
  EXPECT_EQ(GraphCaptionColours(settings), (std::array<Rgb, 5>{k, k, k, k, g}));
  settings.view = kGraphViewOfT;
  settings.grid = false;
  settings.gradChar = false;
  EXPECT_EQ(GraphCaptionColours(settings), (std::array<Rgb, 5>{g, g, k, g, k}));

  EXPECT_EQ(QuantityColour(kSeriesD), (Rgb{64, 160, 0}));
  EXPECT_EQ(QuantityColour(kSeriesHeaterPower), (Rgb{144, 0, 0}));
  EXPECT_TRUE(OverlaysCharacteristic(kTypeKvelt, kSeriesD));
  EXPECT_FALSE(OverlaysCharacteristic(kTypeZ5, kSeriesD));
  EXPECT_TRUE(OverlaysCharacteristic(kTypeZ5, kSeriesW));
  EXPECT_TRUE(OverlaysCharacteristic(kTypeZ5, kSeriesR));
}

TEST(GraphData, ReadsTheTableAndOwnsBreaksAndCurves) {
  CDetectorTable table;
  CGraphData data(table);
  HistorySample sample{};
  sample[kSeriesD] = 10000;
  sample[kSeriesT] = 25;
  table.MutableSlot(2).history.Append(sample);
  table.MutableSlot(2).history.Append(sample);
  EXPECT_EQ(data.Samples(2, kSeriesD).size(), 2u);
  EXPECT_EQ(data.Samples(2, kSeriesD).data(), table.Slot(2).history.Series(kSeriesD).data()) << "not copied";
  EXPECT_TRUE(data.Samples(20, kSeriesD).empty());

  data.AddBreak(2, 1);
  EXPECT_EQ(data.Breaks(2).size(), 1u);
  SeriesCharacteristic curves{};
  curves[4].present = true;
  data.SetCharacteristic(2, kSeriesD, curves);
  data.SetCharacteristicAvailable(true);
  ASSERT_NE(data.Characteristic(2, kSeriesD), nullptr);
  EXPECT_EQ(data.Characteristic(2, kSeriesW), nullptr);

  data.ClearSeries(table);
  EXPECT_TRUE(data.Samples(2, kSeriesD).empty());
  EXPECT_TRUE(data.Breaks(2).empty());
  data.ClearCharacteristics();
  EXPECT_FALSE(data.CharacteristicAvailable());
  EXPECT_EQ(data.Characteristic(2, kSeriesD), nullptr);
}

}  // namespace
}  // namespace kvl
