#pragma once
// Prompts and refusals of the per-detector commands. Messages shared with other
// operations ("Illegal value", ...) are in message_texts.h.
#include <span>

#include "text/language.h"

namespace kvl::txt {

// Modbus address and baud rate (no prompt text in Spanish).
extern const TextEntry kEnterModbusSlaveNumber;  // "Enter new Modbus slave number (1-247):"

// Limits: the prompt is kEnterNewLimit + the limit number ("%d") + kLimitValueRange.
extern const TextEntry kEnterNewLimit;    // "Enter new Limit "
extern const TextEntry kLimitValueRange;  // " value  (1-100  LEL%):"

// LEL_CONC.
extern const TextEntry kEnterLelValue;    // "Enter new LEL value (0.01-655.35 %vol.):" (every type but Z5)
extern const TextEntry kEnterLelValueZ5;  // "Enter new LEL value (0.001-65.535 %vol.):"
extern const TextEntry kIllegalValueAbove655;  // "Illegal value (>655.35)"
extern const TextEntry kIllegalValueAbove65;   // "Illegal value (>65.535)"

// Magnetic calibration.
// "Enter new concentration value for magnetic calibration (0.001-32.767 %vol.):"
extern const TextEntry kEnterMagnConc;
extern const TextEntry kIllegalMagnConc;  // "Illegal concentration value for magnetic calibration"

// Heating limit.
extern const TextEntry kEnterHeatLimit;    // "Enter new heat limit value:"
extern const TextEntry kIllegalHeatLimit;  // "Illegal heat limit value"

// Emitter power.
extern const TextEntry kEnterEmitterCoef;  // "Enter coefficient for emitter power control:"
// "Enter correct coefficient for emitter power control (0-4095):"
extern const TextEntry kEnterCorrectEmitterCoef;
// "Transmitter power tuning:\nthe minimum coefficient = 0 will be recorded" (KVELT automatic tuning)
extern const TextEntry kPowerTuningMin;
// "Transmitter power tuning:\nthe maximum coefficient = 4095 will be recorded"
extern const TextEntry kPowerTuningMax;

// Main and additional calibration: shown, followed by two blanks, when the gas's concentration is unusable.
extern const TextEntry kEnterConcMainCalibration;  // "Enter concentration for main calibration"
extern const TextEntry kEnterConcAddCalibration;   // "Enter concentration for additional calibration"

// Factory defaults of type Z5: dialog title and buttons (the last button is dialog_texts.h kCancel).
extern const TextEntry kCalibrationReset;      // "Calibration reset"
extern const TextEntry kGraduationAndCalconc;  // "Graduation and CALCONC1,2"
extern const TextEntry kMethane;               // "Methane"
extern const TextEntry kPropane;               // "Propane"

// Serial number, gas, channel correction factors.
extern const TextEntry kEnterNewSerial;       // "Enter new serial number:"
extern const TextEntry kSelectNewGas;         // "Select new gas name:"
extern const TextEntry kCorrectionWorking;    // "Setting the correction factor for the working channel:"
extern const TextEntry kCorrectionReference;  // "Setting the correction factor for the reference channel:"

// Imitation: a new concentration for a row.
extern const TextEntry kEnterNewConcentration;  // "Enter new concentration value:"
// "Enter password": a refused text (the dialog stays open), and the
// detectors that took the password (their addresses follow).
extern const TextEntry kPasswordRange;
extern const TextEntry kPasswordTaken;

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllCommandTexts();

}  // namespace kvl::txt
