#pragma once
// The per-detector commands: from the row (CommandTarget) and the operator's
// answer to the writes, image changes or refusal (CommandOutcome). Every
// check, normalisation, rounding and range of the commands lives here; the
// window and kvlctl only ask the questions and carry out the outcome.
//
// Call CommandAvailable (command_catalog.h) first: the rules assume the
// command is offered for the row. A rule never writes anything when it
// refuses. Types without the register a command needs get an empty outcome.
//
// Register values are protocol addresses (the image index); every write of
// one outcome goes to target.slave, in order, as one write list (the password
// is the one command that addresses several detectors).
//
// The window's side of a command on row s, in order:
//   if (!CommandAvailable(id, ContextOfRow(table, s))) return;
//   auto row = TargetOfRow(table, s);            // nothing: the row is outside the list
//   ask CommandPrompt(id, type, lang) in the command's dialog (Cancel: stop);
//   CommandOutcome out = <Rule>(*row, answer...);
//   apply selectGas (calibration: the gas is selected also when its concentration is refused);
//   if (out.Rejected()) { if (!out.message.empty()) show it with OK; apply focusConcentration; return; }
//   queue out.writes as one write list
//   (QueueWritesTo for the password), or set out.imageChanges in the slot's image and
//   refresh the row; then rememberGas, emptyLatchingCells, relayStepListEnabled and
//   newListAddress (CDetectorTable::SetRowAddress, then hand its list to the link).
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_types.h"
#include "detector/calibration_gas.h"
#include "detector/decoding.h"

namespace kvl {

// ---- One-shot commands (no dialog) ----
CommandOutcome SetZeroCommand(const CommandTarget& t);       // register 1 := 0
CommandOutcome SwitchToHartCommand(const CommandTarget& t);  // Z5: 37 := 1
CommandOutcome GradRecalcCommand(const CommandTarget& t);    // Z5: 94 := 1

// Factory defaults: register 4 := 1 for every type but Z5, which asks first
// ("Calibration reset", CalibrationResetButtons) and writes 47 := 5, 10 or 20.
enum class CalibrationReset : int { Graduation = 0, Methane = 1, Propane = 2, Cancel = 3 };
CommandOutcome FactoryDefaultsCommand(const CommandTarget& t, CalibrationReset choice = CalibrationReset::Cancel);

// ---- Modbus address and baud rate: "Assign number && baud rate" ----
// `number` is the dialog's number text, `baudText` its baud list text
// ("1200".."19200"; anything else is 9600). A number outside 1..247 does
// nothing. Register 0 of the present address := number x 256 + baud code,
// and newListAddress is set (Imitation: the image word instead).
// "Poll number" writes nothing: CDetectorTable::PollNumber.
CommandOutcome AssignAddressCommand(const CommandTarget& t, std::string_view number, std::string_view baudText);
// The baud code of a baud list text: 1200 -> 1, 2400 -> 2, 4800 -> 4, 19200 -> 16, else 8.
std::uint16_t BaudCodeOfText(std::string_view baudText);

// ---- Value commands (CEnterLimit-style answers) ----
// LEL_CONC: "," and "/" read as "."; x 100 (Z5: x 1000), rounded.
CommandOutcome LelConcCommand(const CommandTarget& t, std::string_view answer);
// Limit 1 or 2: a whole number 1..100 to register 5 or 6 (Imitation: the
// high or low byte of image word 3).
CommandOutcome LimitCommand(const CommandTarget& t, int limit, std::string_view answer);
// Magnetic calibration: x 1000, rounded, 1..32767.
CommandOutcome MagneticCalibrationCommand(const CommandTarget& t, std::string_view answer);
// Serial number: blanks and leading "+" and "0" dropped; 1.. 16 or 32 bits by
// type and firmware. 32-bit: register 51 := low word, then 79 := high word.
CommandOutcome SerialCommand(const CommandTarget& t, std::string_view answer);
// Password to every detector: a whole number 0..65535 to register 32 of each
// of `slaves` (the addresses of the rows holding a detector), one write list.
// Any other answer is refused with "Illegal value", which never repeats the
// answer: what was typed may be a password.
CommandOutcome PasswordCommand(std::string_view answer, const std::vector<std::uint8_t>& slaves,
                               LanguageIndex language);

// ---- Heating limit (CEnterHeatLimit) ----
// `state` 1 enable, 0 disable, anything else leaves the switch as it is.
// The on/off write (when the switch changes) comes first, then the value
// (when given and changed). A refused value writes nothing at all.
CommandOutcome HeatingLimitCommand(const CommandTarget& t, int state, std::string_view valueText);

// ---- Emitter power, every type but KVELT (CEnter1Edit1Checkbox) ----
// With `asInGraduation` (Z5's box) the value is GRAD_POWER (register 98).
// Otherwise a whole number that reads back as typed, 0..4095 (Z5: 0..65535).
CommandOutcome EmitterPowerCommand(const CommandTarget& t, std::string_view answer, bool asInGraduation);

// ---- Gas (CEnterGasName) ----
// Position 0..84 of the type's gas list = gas code - 1. Z5: 21 := code, then
// 22 := LEL x 1000 from the lower explosive limit table (0 where none).
// rememberGas tells the window to remember the position and rebuild the
// configuration. A position outside 0..84 (nothing selected) does nothing.
CommandOutcome GasCommand(const CommandTarget& t, int position);

// ---- Switches (a click, no dialog) ----
CommandOutcome ZeroingNegativeCommand(const CommandTarget& t);  // 0 <-> 1; Z40 has none
CommandOutcome ShowNegativeCommand(const CommandTarget& t);     // Z5: 36, 0 <-> 1
// Latching 1 or 2: Z40 flips bit 0x02 / 0x04 of register 91; Z5 toggles 34 / 35.
CommandOutcome LatchingCommand(const CommandTarget& t, int relay);
// Z40: 92 := 1 while bit 0 is clear, else the switch-off code 41257.
CommandOutcome Ru6310Command(const CommandTarget& t);

// Relay test box switched on (with the window's step list text) or off. Z40:
// 89 := 21 or 63. Other types, on: step list disabled and, when the step text
// is given, step (16-bit two's complement) to the step register, then 1 to
// the test register; off: 0 to the test register, step list enabled. The
// latching cells are emptied either way.
CommandOutcome RelayTestCommand(const CommandTarget& t, bool on, std::string_view stepText);
// What a click makes of the three-state box: off turns on; on and mixed turn off.
constexpr bool RelayTestClickTurnsOn(RelayTestBox before) { return before == RelayTestBox::Off; }

// A click on a relay or condition picture. Imitation: the status bit flips in
// the image. Z40 in "Tuning": with the relay test on, the picture's field of
// register 89 goes 1 -> 2, anything else -> 1; with it off, a relay picture
// writes 0xFFFF (normal operation) and the condition picture nothing.
enum class RelayPicture : int { Relay1, Relay2, Condition };
CommandOutcome RelayPictureCommand(const CommandTarget& t, RelayPicture picture, bool relayTestOn);

// ---- Main and additional calibration ----
// `gasText` is the row's gas name text (SlotValues::gasNameText: the gas cell
// without "- "); it is looked up among the window's gas list (the type's
// table in the language, "- " removed; the last equal entry wins). The gas's
// concentration text (blanks and "+" before it dropped, "," read as ".")
// x 1000 must be 1..65535 vol.%/1000. selectGas asks the window to select the
// gas first when `selectedGas` differs; a refused concentration sets
// focusConcentration.
CommandOutcome CalibrationCommand(const CommandTarget& t, bool main, std::string_view gasText,
                                  const GasCalibrationTable& gases, int selectedGas);
// Position of a gas name text in the window's gas list for the type and
// language, or -1.
int GasListPosition(int type, LanguageIndex language, std::string_view gasText);

// ---- Channel correction factors (CEnterWorkRefer) ----
// The kinds the dialog offers: "Set 1" (button), "As in graduation" and "In
// proportion to graduation" (Z5), "Irrespective of graduation" (a level).
enum class FactorKind : int { SetOne, AsInGraduation, InProportion, Irrespective };
// `reference` picks KUR (the "R" cell) rather than KUW (the "W" cell).
// Irrespective: `level` is the wanted channel reading L (1..65535); with n
// the channel's present reading (1..65535) and f the present factor the
// factor becomes floor(L / n x f + 0.5), held to 0..65535. Out-of-range
// levels or readings write nothing, silently.
CommandOutcome CorrectionFactorCommand(const CommandTarget& t, bool reference, FactorKind kind,
                                       std::string_view level);

}  // namespace kvl
