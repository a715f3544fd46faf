#include "detector/calibration_gas.h"

#include <cmath>
#include <utility>

#include "text/format.h"

namespace kvl {
namespace {

// First and second default calibration concentration and lower explosive
// limit, vol.%, by selector position (gas code - 1, common numbering).
constexpr GasDefaults kGasDefaults[kGasCount] = {
    {"4.15", "2.2", "4.4"},      // 0 Methane
    {"1.54", "0.85", "1.7"},     // 1 Propane
    {"0.47", "0.25", "1.0"},     // 2 Hexane
    {"0.65", "0.35", "1.4"},     // 3 Butane
    {"0.55", "0.3", "1.3"},      // 4 Isobutane
    {"0.63", "0.35", "1.4"},     // 5 Pentane
    {"0.63", "0.35", "1.4"},     // 6 Cyclopentane
    {"0.7", "0.39", "3.1"},      // 7 Ethanol
    {"1.0", "1.0", ""},          // 8
    {"1.0", "1.0", ""},          // 9
    {"2.47", "1.38", "5.5"},     // 10 Methanol
    {"1.0", "1.0", ""},          // 11
    {"1.0", "1.0", ""},          // 12
    {"1.0", "1.0", "2.3"},       // 13 Ethylene
    {"1.0", "1.0", "1.2"},       // 14 Benzene
    {"1.0", "1.0", ""},          // 15
    {"1.0", "1.0", ""},          // 16
    {"1.0", "1.0", ""},          // 17
    {"1.0", "1.0", ""},          // 18
    {"1.0", "1.0", ""},          // 19
    {"1.0", "1.0", ""},          // 20
    {"1.0", "1.0", ""},          // 21
    {"1.0", "1.0", ""},          // 22
    {"1.0", "1.0", ""},          // 23
    {"1.0", "1.0", ""},          // 24
    {"1.0", "1.0", ""},          // 25
    {"1.0", "1.0", ""},          // 26
    {"1.0", "1.0", ""},          // 27
    {"1.0", "1.0", "2.5"},       // 28 Ethane
    {"1.0", "1.0", "2.5"},       // 29 Acetone
    {"1.0", "1.0", "1.1"},       // 30 Toluene
    {"1.0", "1.0", "1.5"},       // 31 MTBE
    {"1.0", "1.0", ""},          // 32
    {"1.0", "1.0", ""},          // 33
    {"1.0", "1.0", ""},          // 34
    {"1.0", "1.0", ""},          // 35
    {"1.0", "1.0", "2.0"},       // 36 Propylene
    {"1.0", "1.0", "1.2"},       // 37 Oil
    {"1.0", "1.0", "4.4"},       // 38 Natural gas
    {"1.0", "1.0", "1.0"},       // 39 Gasoline
    {"1.0", "1.0", "1.5"},       // 40 Kerosene
    {"1.0", "1.0", "1.4"},       // 41 White spirit
    {"1.0", "1.0", "2.0"},       // 42 Diesel oil
    {"1.0", "1.0", "1.0"},       // 43 Petrochemical
    {"1.0", "1.0", "7.0"},       // 44 Formaldehyde
    {"1.0", "1.0", "2.6"},       // 45 Vinyl acetate
    {"1.0", "1.0", "1.1"},       // 46 Heptane
    {"1.0", "1.0", "1.0"},       // 47 Orthoxylol
    {"1.0", "1.0", "1.1"},       // 48 Paraxylol
    {"1.0", "1.0", "2.0"},       // 49 Isopropanol
    {"1.0", "1.0", "1.2"},       // 50 Cyclohexane
    {"1.0", "1.0", "1.0"},       // 51 Ethylbenzene
    {"1.0", "1.0", ""},          // 52
    {"1.0", "1.0", ""},          // 53
    {"1.0", "1.0", ""},          // 54
    {"1.0", "1.0", ""},          // 55
    {"1.0", "1.0", ""},          // 56
    {"1.0", "1.0", ""},          // 57
    {"1.0", "1.0", ""},          // 58
    {"1.0", "1.0", ""},          // 59
    {"1.0", "1.0", ""},          // 60
    {"1.0", "1.0", ""},          // 61
    {"1.0", "1.0", ""},          // 62
    {"1.0", "1.0", ""},          // 63
    {"1.0", "1.0", ""},          // 64
    {"1.0", "1.0", ""},          // 65
    {"1.0", "1.0", ""},          // 66
    {"1.0", "1.0", ""},          // 67
    {"1.0", "1.0", ""},          // 68
    {"1.0", "1.0", ""},          // 69
    {"1.0", "1.0", ""},          // 70
    {"1.0", "1.0", ""},          // 71
    {"1.0", "1.0", "1.4"},       // 72 Butadiene
    {"1.0", "1.0", "1.1"},       // 73 Styrene
    {"1.0", "1.0", "7.6"},       // 74 Methyl chloride
    {"1.0", "1.0", "13.0"},      // 75 Methylene chloride
    {"1.0", "1.0", "1.3"},       // 76 Butyl acetate
    {"1.0", "1.0", "2.2"},       // 77 Ethyl acetate
    {"1.0", "1.0", "1.8"},       // 78 Butanone
    {"1.0", "1.0", "1.0"},       // 79 Cyclohexanone
    {"1.0", "1.0", "2.2"},       // 80 Propanol
    {"1.0", "1.0", "1.7"},       // 81 Butanol
    {"1.0", "1.0", "0.8"},       // 82 Octane
    {"2.6", "1.4", "2.6"},       // 83 Ethylene oxide
    {"1.7", "0.9", "1.7"},       // 84 Diethylamine
};

constexpr GasDefaults kUnlistedGas = {"1.0", "1.0", ""};

bool IsPosition(int gasPosition) { return gasPosition >= 0 && gasPosition < kGasCount; }

}  // namespace

double EditTextNumber(std::string_view text) {
  double value = 0.0;
  if (!ParseDouble(std::string(text), &value) || !std::isfinite(value)) return 0.0;
  return value;
}

const GasDefaults& DefaultGasConcentrations(int position) {
  return IsPosition(position) ? kGasDefaults[position] : kUnlistedGas;
}

const char* LowerExplosiveLimitText(int gasCode) {
  return DefaultGasConcentrations(gasCode - 1).lowerExplosiveLimit;
}

double LowerExplosiveLimit(int gasCode) { return EditTextNumber(LowerExplosiveLimitText(gasCode)); }

GasCalibrationTable DefaultGasCalibrations() {
  GasCalibrationTable table;
  for (int g = 0; g < kGasCount; ++g) {
    table[g].concentration = {kGasDefaults[g].first, kGasDefaults[g].second};
  }
  return table;
}

std::string FilterNumericEdit(std::string_view typed, bool allowMinus, bool* changed) {
  std::string cleaned;
  for (char c : typed) {
    const bool accepted = (c >= '0' && c <= '9') || c == '.' || c == ',' || (allowMinus && c == '-');
    if (!accepted) break;
    cleaned.push_back(c == ',' ? '.' : c);
  }
  if (changed) *changed = cleaned != typed;
  return cleaned;
}

bool IsPropaneOffered(int mode, int detectorType, int gasPosition) {
  if (mode != kCalibrationMode || !IsPosition(gasPosition)) return false;
  if (gasPosition >= 3 && gasPosition <= 7) return true;
  if (gasPosition == 10 && detectorType != kZ40DetectorType) return true;
  if (gasPosition == 9 && detectorType == kZ40DetectorType) return true;
  return detectorType == kZ5DetectorType && gasPosition >= 2 && *LowerExplosiveLimitText(gasPosition + 1) != '\0';
}

GasPanelView ViewGasPanel(int mode, int detectorType, int gasPosition, const GasCalibration& gas) {
  GasPanelView view;
  view.propaneOffered = IsPropaneOffered(mode, detectorType, gasPosition);
  view.propaneChecked = view.propaneOffered && gas.usePropane;
  // A flag the operator cannot see must not lock the concentration edits: it
  // only takes effect where the box is offered and can be cleared again.
  view.concentrationsEnabled = !view.propaneChecked;
  view.propaneEditsShown = view.propaneChecked;
  view.coefficientText = Format("%.3f", gas.coefficient);
  return view;
}

std::string PropaneEquivalent(std::string_view propaneEntry, double coefficient, int gasPosition) {
  const double lel = LowerExplosiveLimit(gasPosition + 1);
  const double propaneLel = LowerExplosiveLimit(kPropaneGasCode);
  if (coefficient * propaneLel == 0.0) return {};
  const double value = EditTextNumber(propaneEntry) / coefficient * lel / propaneLel;
  if (value == 0.0 || !std::isfinite(value)) return {};
  return Format("%.3f", value);
}

void SetPropaneEntry(GasCalibration& gas, int gasPosition, int k, std::string entry) {
  if (k < 0 || k > 1) return;
  gas.propaneEntry[k] = std::move(entry);
  gas.concentration[k] = PropaneEquivalent(gas.propaneEntry[k], gas.coefficient, gasPosition);
}

void SetConvertingCoefficient(GasCalibration& gas, int gasPosition, double coefficient) {
  gas.coefficient = coefficient;
  for (int k = 0; k < 2; ++k) gas.concentration[k] = PropaneEquivalent(gas.propaneEntry[k], coefficient, gasPosition);
}

}  // namespace kvl
