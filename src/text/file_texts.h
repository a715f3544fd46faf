#pragma once
// Texts of the run data files and the settings files, and the messages about
// them. The language-dependent keys ("Device=", ...) are kFileFields in
// selector_lists.h.
#include <span>

#include "text/language.h"

namespace kvl::txt {

// Run data files: column captions after the nine quantities (kQuantities) of the header block.
extern const TextEntry kCurrent;       // "Current"
extern const TextEntry kBreaks;        // "Breaks"
extern const TextEntry kOver1;         // "Over1"
extern const TextEntry kOver2;         // "Over2"
extern const TextEntry kDefect;        // "Defect"
extern const TextEntry kAtOrBelowMin;  // "<=min" (Running-in only; also the crossing threshold's name)
extern const TextEntry kAtOrAboveMax;  // ">=max"

// Data folder and recording.
extern const TextEntry kSelectDataFolder;  // " Select data folder"
extern const TextEntry kRecordingFailed;   // "Recording failed"

// Settings files.
extern const TextEntry kSelectSetOrTabFile;  // " Select .set or .tab file for recording to device"
// "The following registers are 0, record the file?" (followed by kHexListNote and the list)
extern const TextEntry kRegistersAreZero;
extern const TextEntry kHexListNote;        // "\n(hex)"
extern const TextEntry kErrorInLine;        // "Error in line"
extern const TextEntry kMoreThan1000Lines;  // "more than 1000 lines" (a settings file too long to be one)
extern const TextEntry kSerialNotFound;     // "Serial number not found"
extern const TextEntry kSerialIncorrect;    // "Serial number is incorrect"
extern const TextEntry kSerialsDifferent;   // "Serial numbers are different"
extern const TextEntry kGasTypeNotFound;    // "Gas type not found"
extern const TextEntry kGasTypesDifferent;  // "Gas types are different"
extern const TextEntry kSettingsEqual;      // "Settings are equal"
extern const TextEntry kSettingsNotEqual;   // "Settings aren't equal"

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllFileTexts();

}  // namespace kvl::txt
