// The graduation-time bench's own checks: the step lines read as kvlctl
// graduate prints them, and an ideal run no shorter than what its rules
// plainly demand, nor longer where nothing but a rule holds it.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "graduate_time_model.h"
#include "sim/sim_chamber.h"

namespace kvl::bench {
namespace {

TEST(GraduateTimeLog, StepTimesFromArrivalOrStamp) {
  struct Case {
    const char* name;
    const char* log;
    bool complete;
    double stage1Step0, stage1Step1, stage8Step4;
    std::size_t notes;
    double temperatureWindow, signalWindow;
  };
  const Case cases[] = {
      {"arrival stamps win over whole seconds",
       "1000.25 09.12.2026 17:50:00 stage 1 step 0: set 85\n"
       "1000.50 09.12.2026 17:50:00 poll cycle 3.2 s over 4 detector(s): steadiness judged over 5 s (temperature), "
       "6 s (signal)\n"
       "1012.75 09.12.2026 17:50:12   chamber 80.0 -> 85.0\n"
       "1020.00 09.12.2026 17:50:20 stage 1 step 1: zero\n"
       "1023.50 09.12.2026 17:50:23 stage 1 step 2: high\n"
       "1030.00 09.12.2026 17:50:30 stage 8 step 4: zero\n"
       "1034.00 09.12.2026 17:50:34 stage 9 step 0: completed\n",
       true, 19.75, 3.5, 4.0, 1, 5, 6},
      {"whole-second stamps across midnight",
       "31.12.2026 23:59:50 stage 1 step 0: set 85\n"
       "01.01.2027 00:00:05 stage 1 step 1: zero\n"
       "01.01.2027 00:00:09 stage 1 step 2: high\n",
       false, 15, 4, -1, 0, 0, 0},
      {"lines that are not step lines",
       "kvlctl graduate: something\n"
       "09.12.2026 17:50:00 stage x step 0: no number\n"
       "1.5 not a stamp stage 1 step 0:\n",
       false, -1, -1, -1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    std::istringstream in(c.log);
    const MeasuredRun run = ParseGraduateLog(in);
    EXPECT_EQ(run.complete, c.complete) << c.name;
    EXPECT_DOUBLE_EQ(run.steps[0][0], c.stage1Step0) << c.name;
    EXPECT_DOUBLE_EQ(run.steps[0][1], c.stage1Step1) << c.name;
    EXPECT_DOUBLE_EQ(run.steps[7][4], c.stage8Step4) << c.name;
    EXPECT_EQ(run.notes.size(), c.notes) << c.name;
    EXPECT_EQ(run.temperatureWindowS, c.temperatureWindow) << c.name;
    EXPECT_EQ(run.signalWindowS, c.signalWindow) << c.name;
  }
}

IdealSetup DemoSetup(double stabilizationS) {
  IdealSetup s;
  std::string why;
  EXPECT_TRUE(LoadChamberProfile(std::string(KVL_SOURCE_DIR_PATH) + "/profiles/demo-ascii.chamber", kEnglish,
                                 &s.chamber, &why))
      << why;
  s.stabilizationS = stabilizationS;
  s.tickS = 0.02;
  return s;
}

// A temperature step lasts at least the chamber's travel at its full rate,
// the window and the wait; a gas step at least the gas flow time and the
// signal window, and hardly more: the gas cell settles in a fraction of a
// second of wall time at speed 300.
TEST(GraduateTimeIdeal, NoShorterThanItsRulesAndNoLongerForGas) {
  const IdealSetup s = DemoSetup(5);
  const IdealRun ideal = ComputeIdealRun(s);
  ASSERT_TRUE(ideal.complete) << ideal.why;
  const auto& a = s.chamber.autopilot;
  const double degreesPerWallS = CSimChamber::kMaxRateCPerMin / 60 * s.speed;
  double from = s.startC;
  for (int stage = 1; stage <= kGraduationStages; ++stage) {
    const auto& steps = ideal.steps[std::size_t(stage - 1)];
    const double to = StageTemperature(s.type, stage, -50, 85);
    const double travel = (std::fabs(to - from) - s.chamber.tolerance) / degreesPerWallS;
    EXPECT_GE(steps[0], travel) << "stage " << stage;
    EXPECT_GE(steps[0], std::max(s.stabilizationS, a.steadyTemperatureWindowS)) << "stage " << stage;
    for (int k = 1; k < kStageSteps; ++k) {
      const double least = std::max(a.minGasFlowS, a.steadySignalWindowS);
      EXPECT_GE(steps[std::size_t(k)], least) << "stage " << stage << " step " << k;
      EXPECT_LT(steps[std::size_t(k)], least + 0.5) << "stage " << stage << " step " << k;
    }
    from = to;
  }
}

// The run's stretched windows, given instead of the profile's, lengthen
// every gas step to the signal window and no temperature step below its own.
TEST(GraduateTimeIdeal, WindowsGivenInsteadOfTheProfiles) {
  IdealSetup s = DemoSetup(5);
  s.temperatureWindowS = 9;
  s.signalWindowS = 7;
  const IdealRun ideal = ComputeIdealRun(s);
  ASSERT_TRUE(ideal.complete) << ideal.why;
  for (int stage = 1; stage <= kGraduationStages; ++stage) {
    const auto& steps = ideal.steps[std::size_t(stage - 1)];
    EXPECT_GE(steps[0], 9) << "stage " << stage;
    for (int k = 1; k < kStageSteps; ++k) {
      EXPECT_GE(steps[std::size_t(k)], 7) << "stage " << stage << " step " << k;
      EXPECT_LT(steps[std::size_t(k)], 7.5) << "stage " << stage << " step " << k;
    }
  }
}

// Wall seconds are model seconds over the speed: at half the speed the
// chamber needs twice the wall time to come within tolerance.
TEST(GraduateTimeIdeal, HalfTheSpeedTwiceTheChambersTravel) {
  IdealSetup fast = DemoSetup(5), slow = DemoSetup(5);
  slow.speed = fast.speed / 2;
  const IdealRun a = ComputeIdealRun(fast), b = ComputeIdealRun(slow);
  ASSERT_TRUE(a.complete && b.complete) << a.why << b.why;
  for (int stage = 1; stage <= kGraduationStages; ++stage) {
    const double fastS = a.temperatureStep[std::size_t(stage - 1)].chamber;
    const double slowS = b.temperatureStep[std::size_t(stage - 1)].chamber;
    EXPECT_GT(fastS, 0) << "stage " << stage;
    EXPECT_NEAR(slowS, 2 * fastS, 3 * fast.tickS) << "stage " << stage;
  }
}

// With a long wait every temperature step ends with it, one tick late at most:
// the chamber and the housings were steady long before.
TEST(GraduateTimeIdeal, LongStabilizationWaitSetsEveryTemperatureStep) {
  const IdealSetup s = DemoSetup(120);
  const IdealRun ideal = ComputeIdealRun(s);
  ASSERT_TRUE(ideal.complete) << ideal.why;
  for (int stage = 1; stage <= kGraduationStages; ++stage) {
    EXPECT_GE(ideal.steps[std::size_t(stage - 1)][0], 120) << "stage " << stage;
    EXPECT_LE(ideal.steps[std::size_t(stage - 1)][0], 120 + 2 * s.tickS) << "stage " << stage;
  }
}

}  // namespace
}  // namespace kvl::bench
