#pragma once
// Texts kvlctl prints on its own (the lines around the core's texts), in the
// language its --lang chose.
#include <span>

#include "text/language.h"

namespace kvl::txt {

extern const TextEntry kCtlRegister;        // "register %u:"
extern const TextEntry kCtlWrittenTo;       // "written to %d: %s"
extern const TextEntry kCtlReportFile;      // "report %s: %s"
extern const TextEntry kCtlSummaryFile;     // "summary: %s"
extern const TextEntry kCtlReadingStopped;  // "(reading stopped after %zu data lines)"
extern const TextEntry kCtlNoTable;         // "no table calculated"
extern const TextEntry kCtlTableWritten;    // "%s: table written"
extern const TextEntry kCtlTableNotWritten; // "%s: table not written"
extern const TextEntry kCtlGiveSerial;      // a table file named otherwise than a serial number
extern const TextEntry kCtlNotAccepted;     // "nothing written: the answer is not accepted"
extern const TextEntry kCtlFound;           // "found %zu detector(s) in %.1f s"
extern const TextEntry kCtlScanLine;        // "%3u  serial %-10u firmware %-7s type %s"
extern const TextEntry kCtlSecondRead;      // "  (second read: %s)"
// A read's result codes 0..4, and any other.
extern const TextEntry kCtlResultValid;
extern const TextEntry kCtlResultNoAnswer;
extern const TextEntry kCtlResultShort;
extern const TextEntry kCtlResultCrc;
extern const TextEntry kCtlResultHeader;
extern const TextEntry kCtlResultUnknown;
extern const TextEntry kCtlHistoryNone;     // "nothing on record for %s in %s"
extern const TextEntry kCtlHistoryReport;   // "report"
extern const TextEntry kCtlHistoryWrite;    // "write"
extern const TextEntry kCtlHistoryHead;     // column heads of kvlctl history

std::span<const TextEntry* const> AllCtlTexts();

}  // namespace kvl::txt
