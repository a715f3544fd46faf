#pragma once
// Captions, buttons and column headers of the traffic window, and the plain
// words its frame lines read (English and Russian only).
#include <span>

#include "text/language.h"

namespace kvl::txt {

extern const TextEntry kTrafficMenu;     // "Traffic..." (main window context menu, Ctrl+T)
extern const TextEntry kTrafficTitle;    // "Line traffic"
extern const TextEntry kTrafficFilter;   // "Addresses"
extern const TextEntry kTrafficFilterHint;  // "all, or e.g. 1,3-5"
extern const TextEntry kTrafficPause;    // "Pause"
extern const TextEntry kTrafficResume;   // "Resume"
extern const TextEntry kTrafficSave;     // "Save..."
extern const TextEntry kTrafficSaveTitle;   // "Save the traffic"
extern const TextEntry kTrafficFrames;   // "Frames" (followed by the count)
extern const TextEntry kTrafficDropped;  // "missed" (frames the view fell behind on)
extern const TextEntry kTrafficPaused;   // "paused"

// Columns of the per-detector figures.
extern const TextEntry kStatsAddress;       // "Address"
extern const TextEntry kStatsRequests;      // "Requests"
extern const TextEntry kStatsAnswers;       // "Answers"
extern const TextEntry kStatsMinMs;         // "Min, ms"
extern const TextEntry kStatsMeanMs;        // "Mean, ms"
extern const TextEntry kStatsMaxMs;         // "Max, ms"
extern const TextEntry kStatsNoAnswer;      // "No answer"
extern const TextEntry kStatsCrc;           // "CRC"
extern const TextEntry kStatsShort;         // "Short"
extern const TextEntry kStatsException;     // "Exception"
extern const TextEntry kStatsWrongAddress;  // "Wrong address"
extern const TextEntry kStatsOther;         // "Other"

// The plain words of a frame line (printf formats where they take numbers).
extern const TextEntry kFrameAddress;      // "addr %u: "
extern const TextEntry kFrameBroadcast;    // "broadcast: "
extern const TextEntry kFrameReadHolding;  // "read holding "
extern const TextEntry kFrameReadInput;    // "read input "
extern const TextEntry kFrameWords;        // "%u words "
extern const TextEntry kFrameWrite;        // "write "
extern const TextEntry kFrameWrote;        // "wrote "
extern const TextEntry kFrameNone;         // "(none)": a read or write of no register
extern const TextEntry kFrameException;    // "exception %u (%s) to function %u"
extern const TextEntry kFrameFunction;     // "function %u, %zu data bytes"
extern const TextEntry kFrameMalformed;    // "function %u, malformed (%zu bytes)"
extern const TextEntry kFrameCrcWrong;     // "CRC wrong"
extern const TextEntry kFrameTooShort;     // "too short (%zu bytes)"
extern const TextEntry kFrameNothing;      // "nothing"
extern const TextEntry kFrameNoAnswer;     // "(no answer)"
extern const TextEntry kFrameNothingSent;  // "(nothing)"
extern const TextEntry kFrameResult;       // "  [result %d]"
// Modbus exception codes 1 to 6, and any other.
extern const TextEntry kExceptionIllegalFunction;
extern const TextEntry kExceptionIllegalAddress;
extern const TextEntry kExceptionIllegalValue;
extern const TextEntry kExceptionDeviceFailure;
extern const TextEntry kExceptionAcknowledge;
extern const TextEntry kExceptionBusy;
extern const TextEntry kExceptionUnknown;

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllTrafficTexts();

}  // namespace kvl::txt
