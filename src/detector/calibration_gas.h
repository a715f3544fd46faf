#pragma once
// Calibration gas settings: the concentrations the operator feeds for main and
// additional calibration, kept per gas, and the conversion that lets a few
// gases be calibrated with propane instead of the gas itself.
#include <array>
#include <string>
#include <string_view>

#include "text/gas_tables.h"

namespace kvl {

inline constexpr int kPropaneGasCode = 2;
inline constexpr int kCalibrationMode = 1;  // operating mode "Calibration"
inline constexpr int kZ5DetectorType = 4;

// One gas of the gas selector (position g stands for gas code g + 1).
struct GasCalibration {
  bool usePropane = false;
  double coefficient = 1.0;                 // the gas's sensitivity to propane relative to its own
  std::array<std::string, 2> concentration;  // [0] main, [1] additional calibration, vol.%
  std::array<std::string, 2> propaneEntry;   // propane concentrations the operator entered, vol.%

  bool operator==(const GasCalibration&) const = default;
};

using GasCalibrationTable = std::array<GasCalibration, kGasCount>;

// Default first and second calibration concentrations and the lower explosive
// limit (vol.%, "" where none is known) of the gas at a selector position.
struct GasDefaults {
  const char* first;
  const char* second;
  const char* lowerExplosiveLimit;
};
// Positions outside 0..84 give the defaults of an unlisted gas ("1.0", "1.0", "").
const GasDefaults& DefaultGasConcentrations(int position);

// Lower explosive limit by gas code (1..85) in the common numbering, whatever
// the detector type: the text ("" where none), and as a number (0 where none).
const char* LowerExplosiveLimitText(int gasCode);
double LowerExplosiveLimit(int gasCode);

// A fresh table: concentrations from the defaults, no propane, coefficient 1.0, no entries.
GasCalibrationTable DefaultGasCalibrations();

// Cleans what the operator typed into a numeric edit: the leading run of
// "0123456789.," (with "-" too when allowMinus) is kept and "," becomes ".".
// *changed tells the edit to show the cleaned text with the caret at its end.
std::string FilterNumericEdit(std::string_view typed, bool allowMinus, bool* changed = nullptr);

// The number an edit's cleaned text stands for (0 when it holds none), as the
// coefficient, emitter-power target and threshold edits store it.
double EditTextNumber(std::string_view text);

// Whether the "Use propane" box is offered for a gas (only in "Calibration" mode,
// for butane to ethanol, methanol, and for Z5 every gas from hexane on with a
// known lower explosive limit).
bool IsPropaneOffered(int mode, int detectorType, int gasPosition);

// What the gas panel shows for the selected gas.
struct GasPanelView {
  bool propaneOffered = false;         // the "Use propane" box is shown
  bool propaneChecked = false;         // its tick
  bool concentrationsEnabled = true;   // the two concentration edits accept typing
  bool propaneEditsShown = false;      // the two propane entries and the coefficient edit
  std::string coefficientText;         // "%.3f" of the coefficient
};
GasPanelView ViewGasPanel(int mode, int detectorType, int gasPosition, const GasCalibration& gas);

// The gas concentration equivalent to a propane concentration: x / q * L / Lp
// as "%.3f", with L, Lp the lower explosive limits of the gas and of propane.
// "" when that cannot be computed or is 0 (no limit known, coefficient 0, entry 0).
std::string PropaneEquivalent(std::string_view propaneEntry, double coefficient, int gasPosition);

// The operator changed propane entry k (0 or 1) of a gas: the entry is stored
// and concentration k recomputed (emptied when it cannot be computed).
void SetPropaneEntry(GasCalibration& gas, int gasPosition, int k, std::string entry);

// The operator changed the converting coefficient: both concentrations are recomputed.
void SetConvertingCoefficient(GasCalibration& gas, int gasPosition, double coefficient);

}  // namespace kvl
