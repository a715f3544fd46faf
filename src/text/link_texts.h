#pragma once
// Texts the detector link composes its reports from (two columns: only the
// English and Russian indices reach the link).
#include "text/language.h"

namespace kvl::txt {

extern const TextEntry kPortWord;         // "Port"
extern const TextEntry kNotOpen;          // "is not open"
extern const TextEntry kNotConfigured;    // "is not adjusted"
extern const TextEntry kLineBusy;         // "%s is in use by another program"
extern const TextEntry kLineBusyBy;       // "%s is in use by another program (%s, process %lu)"
extern const TextEntry kRecorded;         // "Recorded" (link form)
extern const TextEntry kWriteFailed;      // "Record is not executed"
extern const TextEntry kWriteException;   // "Record is not executed, error number ="
extern const TextEntry kWriteNoAnswer;    // "Record is not executed, no answer from device"
extern const TextEntry kCheckNoAnswer;    // "Check reading is not executed, no answer from device"
extern const TextEntry kCheckFailed;      // same English text, short Russian form
extern const TextEntry kDeviceWord;       // "Modbus #"
// A block's check read differs from what was written: the first line, then one
// line per register (printf format of register, value written, value read).
extern const TextEntry kReadBackDiffers;
extern const TextEntry kReadBackRegister;

// The identity check before a file's content is written (printf formats).
extern const TextEntry kIdentityDiffers;       // file, its serial, address, serial found there
extern const TextEntry kIdentityElsewhere;     // the file's serial, the address it answers at
extern const TextEntry kIdentityNoAnswer;      // file, its serial, address
extern const TextEntry kIdentityNoAnswerAt;    // file, address (a file that names no serial)
extern const TextEntry kIdentityAsk;           // file, address, serial found there
extern const TextEntry kIdentityNotConfirmed;  // file, serial found, address
extern const TextEntry kIdentityNoAddress;     // file, its serial: the file names no address (or 0)

// The line's own state, told to the operator (printf formats of the device path).
extern const TextEntry kWaitingForDevice;  // "Waiting for %s to come back"
extern const TextEntry kEchoHeard;         // the line echoes while the echo option is off
extern const TextEntry kEchoMissing;       // the echo option is on but the echo did not come back

// Modbus exception text for an exception code; codes outside 1..11, and 9, give "".
const char* ExceptionText(unsigned code, LanguageIndex lang);

}  // namespace kvl::txt
