#pragma once
// Notes and refusals that keep the operator's flows free of dead ends: what
// the window shows while it is in a state the operator must leave by hand,
// and why a step was refused or undone. Never texts of the detectors' own
// messages (command_texts.h) or of the file formats (file_texts.h).
#include <span>

#include "text/language.h"

namespace kvl::txt {

// Stage field while the rows show the sensors of data files and polling waits.
extern const TextEntry kRowsShowFileData;
// Removing the only row of the table is refused: one address is always polled.
extern const TextEntry kLastRowStays;
// Entering "Imitation" switched recording off.
extern const TextEntry kRecordingStoppedForImitation;
// The exit question while a graduation runs (its stage): exiting stops it.
extern const TextEntry kExitDuringRun;
// An Auto run that ended with no run data file to calculate from.
extern const TextEntry kAutoEndNoFiles;

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllFlowTexts();

}  // namespace kvl::txt
