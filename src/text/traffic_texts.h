#pragma once
// Captions, buttons and column headers of the traffic window (English and
// Russian only). Its frame lines are the link's own plain ASCII and are not here.
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

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllTrafficTexts();

}  // namespace kvl::txt
