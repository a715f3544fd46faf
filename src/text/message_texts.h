#pragma once
// Message pieces several operations share. Each stays a piece of its own: the
// operations compose their messages from them.
#include <span>

#include "text/language.h"

namespace kvl::txt {

// Refusals of operator input.
extern const TextEntry kIllegalValue;  // "Illegal value"

// Questions: appended to a question text (kAreYouSure after ",  " and followed by two blanks).
extern const TextEntry kAreYouSure;  // "are you sure?"
extern const TextEntry kContinue;    // "continue?"

// Pieces messages about files and devices are composed from.
extern const TextEntry kFile;                // "File"
extern const TextEntry kFiles;               // "Files"
extern const TextEntry kNotFoundInFile;      // " not found in the file"
extern const TextEntry kFrom1To255;          // " from 1 to 255"
extern const TextEntry kDeviceModbusNumber;  // "Device Modbus #" (the Russian "c" is a Latin letter)
extern const TextEntry kRegister;            // "register"
// After a file's name: a graduation log (same extension) offered as a table file.
extern const TextEntry kGradLogNotTableFile;

// "Imitation" chosen while the line is the built-in simulated bus (kvlgrad
// --demo), where no master sends requests.
extern const TextEntry kImitationWithoutMaster;

// Link report pieces (English and Russian only).
extern const TextEntry kTriedToRecord;  // "tried to record"
extern const TextEntry kReadBack;       // "read"

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllMessageTexts();

}  // namespace kvl::txt
