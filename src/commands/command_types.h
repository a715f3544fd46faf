#pragma once
// What every per-detector command works from and ends in: the row it acts on
// (type, mode, address, register image, language) and its outcome (the
// register writes to queue, or the image words to change in "Imitation", or
// the refusal to show, plus the few things the window must do besides).
//
// The command rules are plain functions from a CommandTarget and the
// operator's answer to a CommandOutcome (command_rules.h). They never talk to
// the link, never open a dialog and never touch the window: the caller asks
// the question (command_prompts.h), calls the rule, then queues the writes as
// one write list, applies the image changes or shows the message.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "detector/detector_kinds.h"
#include "text/language.h"

namespace kvl {

// Every command a row (or the window, for the password) offers.
enum class CommandId : int {
  ModbusAddress,          // "Modbus #" button: poll number, or assign number and baud rate
  SetZero,                // "Set 0"
  SwitchToHart,           // Z5
  GradRecalc,             // Z5 "Grad. recalc."
  FactoryDefaults,        // Z5: "Calibration reset" with three choices
  MainCalibration,
  AdditionalCalibration,
  LelConc,
  Limit1,
  Limit2,
  MagneticCalibration,
  HeatingLimit,
  EmitterPower,           // KVELT: automatic tuning (emitter_tuning.h)
  Serial,                 // right-click on "Serial #"
  Gas,                    // right-click on the gas cell
  ZeroingNegative,        // right-click on "Zeroing conc<0"
  ShowNegative,           // right-click on "Show conc<0" (Z5)
  RelayTest,              // the row's relay test box
  RelayPicture,           // a click on a relay or condition picture
  Latching1,
  Latching2,
  Ru6310,                 // Z40 "RU6310 compl."
  AddressSearch,          // the window's "Search" button
  WorkingFactor,          // right-click on the "W" cell: KUW
  ReferenceFactor,        // right-click on the "R" cell: KUR
  Password,               // the window's "Enter password" button: every detector
};
inline constexpr int kCommandCount = int(CommandId::Password) + 1;

// A stable ASCII name for tools and logs ("limit1", "emitter-power"...), and back.
const char* CommandKey(CommandId id);
std::optional<CommandId> CommandFromKey(const std::string& key);

// One single-register write (function 6).
struct RegisterWrite {
  std::uint8_t slave = 0;
  std::uint16_t reg = 0;  // protocol address
  std::uint16_t value = 0;
  bool operator==(const RegisterWrite&) const = default;
};

// One word of the row's register image changed in "Imitation" mode instead of a write.
struct ImageChange {
  std::uint16_t reg = 0;
  std::uint16_t value = 0;
  bool operator==(const ImageChange&) const = default;
};

// The row a command acts on, as the window's slot holds it.
struct CommandTarget {
  int type = kTypeKvelt;
  int mode = kModeTuning;
  std::uint8_t slave = 0;  // the row's address list entry
  RegisterImage image{};   // the row's register image as last read
  LanguageIndex language = kRussian;

  bool Imitation() const { return mode == kModeImitation; }
};

struct CommandOutcome {
  // One write list to the row's detector (the password: one per detector), in order.
  std::vector<RegisterWrite> writes;
  // "Imitation": image words to set, after which the row is refreshed; nothing is sent.
  std::vector<ImageChange> imageChanges;
  // The answer was refused: nothing is written. `message` (possibly empty,
  // when the command refuses silently) is shown in a box with an OK button.
  bool rejected = false;
  std::string message;

  // ---- What the window does besides ----
  // Calibration: put the focus on the main (0) or additional (1) concentration edit.
  int focusConcentration = -1;
  // Calibration: select this gas list position first (as the operator's own selection would).
  int selectGas = -1;
  // Gas command: remember this gas list position and rebuild the configuration.
  int rememberGas = -1;
  // Relay test: empty the row's latching cells.
  bool emptyLatchingCells = false;
  // Relay test: enable (true) or disable (false) the window's relay test step list.
  std::optional<bool> relayStepListEnabled;
  // Modbus address: the row's address list entry becomes this address
  // (CDetectorTable::SetRowAddress; in "Imitation" the row keeps its image).
  int newListAddress = -1;

  bool Rejected() const { return rejected; }
  bool Writes() const { return !writes.empty(); }
};

// A refusal with its message, composed by the rules.
CommandOutcome Refused(std::string message);

}  // namespace kvl
