#pragma once
// Texts of the climate chamber and gas valve lines: profile refusals, the
// reasons the "T=" field shows while the chamber says nothing, and the
// outcomes the chamber and valve links tell.
#include <span>

#include "text/language.h"

namespace kvl::txt {

// Profile refusals: "<file>, line <n>: <reason>: '<token>'".
extern const TextEntry kProfileLine;          // "line"
extern const TextEntry kProfileNoEquals;      // "expected key = value"
extern const TextEntry kProfileUnknownKey;    // "unknown key"
extern const TextEntry kProfileRepeatedKey;   // "key given twice"
extern const TextEntry kProfileNotANumber;    // "not a number"
extern const TextEntry kProfileNotWhole;      // "not a whole number"
extern const TextEntry kProfileOutOfRange;    // "out of range"
extern const TextEntry kProfileNotAChoice;    // "not one of"
extern const TextEntry kProfileBadText;       // "bad quoted text"
extern const TextEntry kProfileMissingKey;    // "missing key"
extern const TextEntry kProfileConflict;      // "does not agree with"
extern const TextEntry kProfileCannotRead;    // "cannot read the profile"

// Chamber and valve line states.
extern const TextEntry kChamberNoAnswer;      // "no answer"
extern const TextEntry kChamberNotANumber;    // "reply is not a number"
extern const TextEntry kChamberRefused;       // "the device refused"
extern const TextEntry kChamberPortFailed;    // "cannot open the port"
extern const TextEntry kChamberNoProfile;     // "no chamber profile"
extern const TextEntry kChamberOutOfRange;    // "set point outside the profile's range"
extern const TextEntry kChamberOff;           // "line closed"
extern const TextEntry kValvesSeveralOpen;    // "more than one valve open"
extern const TextEntry kValvesReadBackDiffers;  // "the module reads back \"%s\", not \"%s\""
extern const TextEntry kSelectChamberProfile; // " Select the chamber profile"
extern const TextEntry kSelectValveProfile;   // " Select the valve profile"

std::span<const TextEntry* const> AllChamberTexts();

}  // namespace kvl::txt
