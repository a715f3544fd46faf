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
// kvlctl's own diagnostics on stderr.
extern const TextEntry kCtlInterrupted;         // "interrupted"
extern const TextEntry kCtlReadFailed;          // "slave %u: read of %d registers from %d: %s (result %d)"
extern const TextEntry kCtlCannotRead;          // "cannot read %s"
extern const TextEntry kCtlHeldFar;             // a table held back for samples beyond deltaDmax
extern const TextEntry kCtlNotAllAnswer;        // "not every detector of --addr answers"
extern const TextEntry kCtlNothingToResume;     // "nothing to resume in %s"
extern const TextEntry kCtlDropHint;            // " (--drop %d takes the run up without it)"
extern const TextEntry kCtlOtherDetectors;      // "the saved run polled other detectors"
extern const TextEntry kCtlCapturesFailed;      // "%d detector write list(s) of the run failed"
extern const TextEntry kCtlNotEveryWritten;     // "not every detector's table was calculated, written and verified"
extern const TextEntry kCtlNotEveryCalculated;  // "not every detector's table was calculated"
extern const TextEntry kCtlLineBack;            // "%s is back; polling goes on"
extern const TextEntry kCtlNoneAnswered;        // "no detector answered"
extern const TextEntry kCtlPassedOver;          // "%s: passed over"
extern const TextEntry kCtlRecorded;            // "%u tick(s) recorded, series %d, %llu failed write(s)"
extern const TextEntry kCtlLastFailure;         // "; last: %s"
extern const TextEntry kCtlHistoryNone;     // "nothing on record for %s in %s"
extern const TextEntry kCtlHistoryReport;   // "report"
extern const TextEntry kCtlHistoryWrite;    // "write"
extern const TextEntry kCtlHistoryHead;     // column heads of kvlctl history

std::span<const TextEntry* const> AllCtlTexts();

}  // namespace kvl::txt
