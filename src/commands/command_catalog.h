#pragma once
// When each per-detector command is available, and what its dialog asks. The
// window and kvlctl both decide availability and word their questions here,
// so a command is offered and asked the same way on screen and on the
// command line. Never decides what a command writes (command_rules.h).
#include <array>
#include <string>

#include "commands/command_types.h"
#include "detector/detector_table.h"

namespace kvl {

// What decides whether a command may run now.
struct CommandContext {
  int type = kTypeKvelt;
  int mode = kModeTuning;
  bool rowInList = false;    // the row's slot lies inside the address list
  bool rowHasDetector = false;  // the slot holds a detector (slot address not -1)
  bool tableWriting = false;    // a graduation table or settings file is being processed
  bool lineOpen = false;
  bool searching = false;       // an address search runs
  bool relayTestOn = false;     // the row's relay test box is on
  bool kurView = false;         // the window's "KUR" push button is pressed
  int pollSetEcho = 0;          // poll set the row's data were read in
};

// The context of a row of the table (slot 0..19), with the table's own state.
CommandContext ContextOfRow(const CDetectorTable& table, int slot);

// Whether the command may run: its mode and type, the visibility of its
// button or cell, "the row has a detector", the table-writing block, the row
// inside the address list; for the window-wide commands (address search,
// password) only the line state.
bool CommandAvailable(CommandId id, const CommandContext& context);

// Whether a row's settings file button ("Sett. to file", "Sett. from file",
// "Compare sett.": Column::SettToFile, SettFromFile, CompareSett) takes a
// click: the button is shown for the type and mode, the row lies inside the
// address list and holds a detector, and no table or settings file is being
// processed. False for any other column.
bool SettingsButtonAvailable(Column column, const CommandContext& context);

// The prompt of the command's dialog in the language ("" for a command
// without a dialog, or where the language has no text). The limit prompts
// carry their limit number; FactoryDefaults gives the Z5 dialog's title.
std::string CommandPrompt(CommandId id, int type, LanguageIndex language);

// The four buttons of the Z5 "Calibration reset" dialog, in order:
// "Graduation and CALCONC1,2", "Methane", "Propane", "Cancel".
std::array<std::string, 4> CalibrationResetButtons(LanguageIndex language);

// The addresses the password goes to: the list entries of the rows holding a detector.
std::vector<std::uint8_t> PasswordSlaves(const CDetectorTable& table);

// The row as a command sees it: type, mode and language of the table, the
// row's address list entry and register image. Nothing when the slot is not
// inside the address list (commands then do nothing).
std::optional<CommandTarget> TargetOfRow(const CDetectorTable& table, int slot);

}  // namespace kvl
