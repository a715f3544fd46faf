// What a table rests on: an inner point without samples on either side
// refuses the segment; samples far from the table are found with their time.
#include "graduation/calc_coverage.h"

#include <gtest/gtest.h>

#include "calc_test_support.h"
#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/grad_file_reader.h"

namespace kvl::testing {
namespace {

// A type Z run of 400 lines a stage whose T is `lo`..`hi` stage by stage (each pair a stage's span).
CalcRead ReadStages(const std::vector<std::pair<double, double>>& stages, const CalcSettings& settings,
                    std::size_t spike = SIZE_MAX) {
  std::vector<SimRunRow> rows;
  for (const auto& [lo, hi] : stages)
    for (int k = 0; k < 400; ++k) {
      const double t = lo + (hi - lo) * k / 399;
      const std::size_t n = rows.size();
      rows.push_back(Row(TimeOf(n), t, n == spike ? 10900 : 10000 + 5 * t));
    }
  CalcRead read = ReadGradBytes({{"3_0.grad", SimRunFile(Header(kTypeZ, "3"), rows)}}, settings, 1);
  CheckSegments(read, settings);
  return read;
}

// Points of type Z with the fresh check records: -50, -31, -11, 8, 27, 46, 66, 85.
TEST(CalcCoverage, APointWithoutSamplesBesideItRefusesTheSegment) {
  const CalcSettings settings = FreshSettings(kTypeZ);
  const struct {
    const char* name;
    std::vector<std::pair<double, double>> stages;
    const char* report;  // "" when the segment is good
  } rows[] = {
      {"whole sweep", {{-50, 85}}, ""},
      {"hottest and coldest stages only", {{-50, -45}, {80, 85}}, "File 3_0.grad: no sample between T=-31 and T=8"},
      {"middle stages missing", {{-50, -15}, {50, 85}}, "no sample between T=-11 and T=27"},
      {"a stage at each point", {{-50, -50}, {-31, -31}, {-11, -11}, {8, 8}, {27, 27}, {46, 46}, {66, 66}, {85, 85}}, ""},
      // The end intervals keep the extrapolation rule: they may be empty.
      {"ends empty", {{-30, 65}, {-45, -45}, {80, 80}}, ""},
  };
  for (const auto& r : rows) {
    const CalcRead read = ReadStages(r.stages, settings);
    const CalcSensor& s = read.sensors.at(0);
    EXPECT_EQ(s.goodSegments, *r.report ? 0 : 1) << r.name << ": " << s.check;
    if (*r.report) {
      EXPECT_NE(s.check.find(r.report), std::string::npos) << r.name << ": " << s.check;
    }
    EXPECT_EQ(BuildSummary(read, kEnglish).calculable.empty(), *r.report != 0) << r.name;
  }
}

// The stages a run went through (type Z, T[0] -50 and T[7] 85: 85, 66, 46,
// 27, 8, -11, -31, -50): each needs a clean-air sample of its own, however
// well the ramps around a lost stage cover the table's intervals.
TEST(CalcCoverage, ARunStageWithoutSamplesRefusesTheSensorNamingIt) {
  using Span = std::pair<double, double>;
  const std::vector<Span> everyStage = {{85, 85},   {85, 66},   {66, 66},   {66, 46},   {46, 46},
                                        {46, 27},   {27, 27},   {27, 8},    {8, 8},     {8, -11},
                                        {-11, -11}, {-11, -31}, {-31, -31}, {-31, -50}, {-50, -50}};
  // The folder refused from the ramp into stage 5 to the ramp out of it.
  std::vector<Span> lostStage5 = everyStage;
  lostStage5.erase(lostStage5.begin() + 7, lostStage5.begin() + 10);
  lostStage5.insert(lostStage5.begin() + 7, {{27, 15}, {-5, -11}});
  const struct {
    const char* name;
    std::vector<Span> samples;
    std::string stages;  // as kvlctl calc's --stages
    const char* report;  // "" when calculated
  } rows[] = {
      {"every stage recorded", everyStage, "1:85,2:66,3:46,4:27,5:8,6:-11,7:-31,8:-50", ""},
      {"stage 5 lost, its ramps kept", lostStage5, "1:85,2:66,3:46,4:27,5:8,6:-11,7:-31,8:-50",
       "stage 5 (+8°C) of the run has no clean-air sample"},
      {"files without a run's stages", lostStage5, "", ""},
      {"a detector a few degrees off its stages",
       {{89, 89}, {70, 70}, {50, 50}, {31, 31}, {12, 12}, {-7, -7}, {-27, -27}, {-46, -46}},
       "1:85,2:66,3:46,4:27,5:8,6:-11,7:-31,8:-50",
       ""},
      {"a run begun at stage 4", lostStage5, "4:27,5:8,6:-11,7:-31,8:-50", "stage 5 (+8°C)"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    CalcSettings settings = FreshSettings(kTypeZ);
    std::string bad;
    ASSERT_TRUE(ParseRunStages(r.stages, &settings.runStages, &bad)) << bad;
    EXPECT_EQ(ComposeRunStages(settings.runStages), r.stages);
    const CalcRead read = ReadStages(r.samples, settings);
    const CalcSensor& s = read.sensors.at(0);
    EXPECT_EQ(s.goodSegments, *r.report ? 0 : 1) << s.check;
    if (*r.report) {
      EXPECT_NE(s.check.find(r.report), std::string::npos) << s.check;
    }
    EXPECT_EQ(BuildSummary(read, kEnglish).calculable.empty(), *r.report != 0);
  }
  std::vector<RunStage> stages;
  std::string bad;
  for (const char* wrong : {"9:10", "1-85", "1:85,,2:66", "1:8.5", "x:1"}) {
    EXPECT_FALSE(ParseRunStages(wrong, &stages, &bad)) << wrong;
  }
  EXPECT_EQ(bad, "x:1");
}

TEST(CalcCoverage, OutliersAreSamplesFartherThanDeltaDmaxWithTheirTime) {
  CalcSettings settings = FreshSettings(kTypeZ);
  const CalcRead read = ReadStages({{-50, 85}}, settings, 20);
  const SensorTables tables = FitSensor(read.sensors[0], settings);
  ASSERT_GE(tables.written, 0);
  const SegmentTable& table = tables.tables[std::size_t(tables.written)];
  // Exactly the spike of sample 20 (08:00:20), the straight line fits the rest.
  const std::vector<Outlier> far = FindOutliers(read.sensors[0], table, settings);
  ASSERT_EQ(far.size(), 1u);
  EXPECT_EQ(far[0].time, 8 * 3600 + 20);
  EXPECT_EQ(far[0].value, 10900.0f);
  EXPECT_GT(far[0].difference, settings.deltaDmax);
  EXPECT_EQ(OutliersText(far, settings).rfind("1 samples lie farther than deltaDmax=100 from the table:\n08:00:20 D=10900", 0),
            0u)
      << OutliersText(far, settings);
  settings.deltaDmax = 2000;
  EXPECT_TRUE(FindOutliers(read.sensors[0], table, settings).empty());
}

}  // namespace
}  // namespace kvl::testing
