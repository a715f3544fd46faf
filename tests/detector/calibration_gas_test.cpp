#include "detector/calibration_gas.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kvl {
namespace {

constexpr int kTuning = 0;
constexpr int kGraduation = 2;
constexpr int kTypeKvelt = 0;
constexpr int kTypeZ40 = 3;
constexpr int kTypeZ5 = 4;

TEST(CalibrationGasTest, LowerExplosiveLimitsByGasCode) {
  EXPECT_STREQ(LowerExplosiveLimitText(1), "4.4");    // methane
  EXPECT_STREQ(LowerExplosiveLimitText(2), "1.7");    // propane
  EXPECT_STREQ(LowerExplosiveLimitText(11), "5.5");   // methanol
  EXPECT_STREQ(LowerExplosiveLimitText(76), "13.0");  // methyl chloride
  EXPECT_STREQ(LowerExplosiveLimitText(83), "0.8");   // octane
  EXPECT_STREQ(LowerExplosiveLimitText(85), "1.7");
  EXPECT_STREQ(LowerExplosiveLimitText(9), "");
  EXPECT_STREQ(LowerExplosiveLimitText(0), "");
  EXPECT_STREQ(LowerExplosiveLimitText(86), "");
  EXPECT_DOUBLE_EQ(LowerExplosiveLimit(75), 7.6);
  EXPECT_EQ(LowerExplosiveLimit(9), 0.0);

  int known = 0;
  for (int code = 1; code <= kGasCount; ++code) known += *LowerExplosiveLimitText(code) != '\0';
  EXPECT_EQ(known, 44);
}

TEST(CalibrationGasTest, DefaultConcentrationsByPosition) {
  EXPECT_STREQ(DefaultGasConcentrations(0).first, "4.15");
  EXPECT_STREQ(DefaultGasConcentrations(0).second, "2.2");
  EXPECT_STREQ(DefaultGasConcentrations(4).second, "0.3");
  EXPECT_STREQ(DefaultGasConcentrations(10).first, "2.47");
  EXPECT_STREQ(DefaultGasConcentrations(84).second, "0.9");
  for (int p : {8, 9, 13, 50, 82, -1, 85}) {
    EXPECT_STREQ(DefaultGasConcentrations(p).first, "1.0") << p;
    EXPECT_STREQ(DefaultGasConcentrations(p).second, "1.0") << p;
  }
  const GasCalibrationTable table = DefaultGasCalibrations();
  EXPECT_EQ(table[7].concentration[0], "0.7");
  EXPECT_EQ(table[7].concentration[1], "0.39");
  EXPECT_EQ(table[7].coefficient, 1.0);
  EXPECT_FALSE(table[7].usePropane);
}

TEST(CalibrationGasTest, EditFilterKeepsTheLeadingNumberAndTurnsCommasIntoPoints) {
  bool changed = false;
  EXPECT_EQ(FilterNumericEdit("1,5a", false, &changed), "1.5");
  EXPECT_TRUE(changed);
  EXPECT_EQ(FilterNumericEdit("2.25", false, &changed), "2.25");
  EXPECT_FALSE(changed);
  EXPECT_EQ(FilterNumericEdit("-2,5", false, &changed), "");
  EXPECT_TRUE(changed);
  EXPECT_EQ(FilterNumericEdit("-2,5", true, &changed), "-2.5");
  EXPECT_EQ(FilterNumericEdit("3 4", true), "3");
  EXPECT_EQ(FilterNumericEdit("", true, &changed), "");
  EXPECT_FALSE(changed);
}

TEST(CalibrationGasTest, PropaneEntryConvertsThroughTheExplosiveLimits) {
  GasCalibration butane;
  SetPropaneEntry(butane, 3, 0, "1.7");
  EXPECT_EQ(butane.propaneEntry[0], "1.7");
  EXPECT_EQ(butane.concentration[0], "1.400");  // 1.7 / 1.0 * 1.4 / 1.7

  GasCalibration methane;
  methane.coefficient = 2.0;
  SetPropaneEntry(methane, 0, 1, "0.85");
  EXPECT_EQ(methane.concentration[1], "1.100");  // 0.85 / 2 * 4.4 / 1.7
  EXPECT_EQ(methane.concentration[0], "");        // the other one is left alone

  // Recalculation starts from empty: nothing computable leaves nothing behind.
  methane.concentration[1] = "9.9";
  SetPropaneEntry(methane, 0, 1, "");
  EXPECT_EQ(methane.concentration[1], "");
  GasCalibration unknownLimit;
  unknownLimit.concentration[0] = "1.0";
  SetPropaneEntry(unknownLimit, 20, 0, "1.5");
  EXPECT_EQ(unknownLimit.concentration[0], "");
}

TEST(CalibrationGasTest, CoefficientChangeRecomputesBothEntries) {
  GasCalibration pentane;  // position 5, limit 1.4
  SetPropaneEntry(pentane, 5, 0, "1.7");
  SetPropaneEntry(pentane, 5, 1, "0.85");
  SetConvertingCoefficient(pentane, 5, 0.5);
  EXPECT_EQ(pentane.coefficient, 0.5);
  EXPECT_EQ(pentane.concentration[0], "2.800");
  EXPECT_EQ(pentane.concentration[1], "1.400");

  SetConvertingCoefficient(pentane, 5, 0.0);
  EXPECT_EQ(pentane.concentration[0], "");
  EXPECT_EQ(pentane.concentration[1], "");
  SetPropaneEntry(pentane, 5, 0, "1.7");
  EXPECT_EQ(pentane.concentration[0], "");
}

TEST(CalibrationGasTest, UsePropaneIsOfferedOnlyInCalibrationForTheListedGases) {
  for (int g = 0; g < kGasCount; ++g) {
    EXPECT_FALSE(IsPropaneOffered(kTuning, kTypeKvelt, g));
    EXPECT_FALSE(IsPropaneOffered(kGraduation, kTypeZ5, g));
  }
  for (int g = 3; g <= 7; ++g) EXPECT_TRUE(IsPropaneOffered(kCalibrationMode, kTypeKvelt, g)) << g;
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeKvelt, 0));
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeKvelt, 2));
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeKvelt, 13));
  EXPECT_TRUE(IsPropaneOffered(kCalibrationMode, kTypeKvelt, 10));
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeZ40, 10));
  EXPECT_TRUE(IsPropaneOffered(kCalibrationMode, kTypeZ40, 9));
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeKvelt, 9));
  // Z5: every gas from position 2 with a known limit.
  EXPECT_TRUE(IsPropaneOffered(kCalibrationMode, kTypeZ5, 2));
  EXPECT_TRUE(IsPropaneOffered(kCalibrationMode, kTypeZ5, 13));
  EXPECT_TRUE(IsPropaneOffered(kCalibrationMode, kTypeZ5, 84));
  EXPECT_TRUE(IsPropaneOffered(kCalibrationMode, kTypeZ5, 10));
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeZ5, 1));
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeZ5, 20));
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeZ5, 85));
  EXPECT_FALSE(IsPropaneOffered(kCalibrationMode, kTypeZ5, -1));
}

TEST(CalibrationGasTest, GasPanelFollowsTheFlagOnlyWhereTheBoxIsOffered) {
  GasCalibration gas;
  gas.usePropane = true;
  gas.coefficient = 1.25;
  GasPanelView view = ViewGasPanel(kCalibrationMode, kTypeKvelt, 4, gas);
  EXPECT_TRUE(view.propaneOffered);
  EXPECT_TRUE(view.propaneChecked);
  EXPECT_FALSE(view.concentrationsEnabled);
  EXPECT_TRUE(view.propaneEditsShown);
  EXPECT_EQ(view.coefficientText, "1.250");

  view = ViewGasPanel(kTuning, kTypeKvelt, 4, gas);
  EXPECT_FALSE(view.propaneOffered);
  EXPECT_TRUE(view.concentrationsEnabled);
  EXPECT_FALSE(view.propaneEditsShown);

  gas.usePropane = false;
  view = ViewGasPanel(kCalibrationMode, kTypeKvelt, 4, gas);
  EXPECT_TRUE(view.propaneOffered);
  EXPECT_FALSE(view.propaneChecked);
  EXPECT_TRUE(view.concentrationsEnabled);
}

}  // namespace
}  // namespace kvl
