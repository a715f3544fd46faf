#pragma once
// Texts of the detector table's value cells that come from register decoding.
#include "text/language.h"

namespace kvl::txt {

extern const TextEntry kNoValue;     // "---"
extern const TextEntry kNoLatching;  // "No L."
extern const TextEntry kLatching;    // "Latch"
extern const TextEntry kNonFm;       // "Non-FM"
extern const TextEntry kFm;          // "FM"

// Letters of the Z5 flags cell, in the order they are appended:
// calibration (0x08), magnetic (0x20), R (0x10), graduation (0x40).
extern const TextEntry kFlagLetters[4];

// A code or switch value that names nothing known, shown with its number.
inline constexpr const char* kUnknownValueFormat = "? %u";
// The loop current of a KVELT detector whose gas code names no gas.
inline constexpr const char* kUnknownCurrent = "?";

}  // namespace kvl::txt
