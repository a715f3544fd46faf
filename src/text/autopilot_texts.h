#pragma once
// Texts of a run that confirms its own steps: what it waits for, why it
// holds, and the lines kvlctl graduate prints.
#include <span>

#include "text/language.h"

namespace kvl::txt {

extern const TextEntry kApChamber;             // "chamber %.1f -> %.1f °C"
extern const TextEntry kApNotSteadyT;          // "detectors %s not steady: dT %.1f °C over %s"
extern const TextEntry kApNotSteadySignal;     // "detectors %s not steady: signal changed %.0f over %s"
extern const TextEntry kApMinutes;             // "%d min"
extern const TextEntry kApSeconds;             // "%d s"
extern const TextEntry kApGasFlow;             // "gas flows %d:%02d more"
extern const TextEntry kApValveMoving;         // "valve not confirmed yet"
extern const TextEntry kApGateClosed;          // "stabilisation wait or an answer of every detector"
extern const TextEntry kApCaptures;            // "writes to %d detector(s) not done yet"
extern const TextEntry kApStepSince;           // "step since %s (%s)"
extern const TextEntry kApHold;                // "HOLD since %s: %s"
extern const TextEntry kApChamberSilent;       // "chamber does not answer"
extern const TextEntry kApSetPointTimeout;     // "set point not reached in time"
extern const TextEntry kApValvesSilent;        // "valve module does not answer"
extern const TextEntry kApDetectorsSilent;     // "detectors %s do not answer"
extern const TextEntry kApLineLost;            // "line of %s lost, waiting for it to come back"
extern const TextEntry kApFolderFails;         // "data cannot be written: %s"
extern const TextEntry kApResumeQuestion;      // "An unfinished graduation ... resume it?"
extern const TextEntry kApStepWords;           // "stage %d, step %d"
extern const TextEntry kApWindows;             // "poll cycle %.1f s over %d detector(s): steadiness ..."
extern const TextEntry kApDropped;             // "detector %d (%s) not graduated: left out of the run at ..."
extern const TextEntry kApNoAnswerSince;       // "no answer since %s"
extern const TextEntry kApDropAsked;           // "left out at the resume, as asked"
extern const TextEntry kApResumeOther;         // "address %d: the saved run's detector is %s, the bus answers %s"
extern const TextEntry kApResumeSilent;        // "address %d: the saved run's detector %s does not answer"
extern const TextEntry kApResumeType;          // "the saved run graduated type %s, not %s"
extern const TextEntry kApResumeDropped;       // "detector %d (%s) was left out of the saved run: it stays out"
extern const TextEntry kApResumeWithout;       // "%s.\nTake the run up without this detector? ..."

std::span<const TextEntry* const> AllAutopilotTexts();

}  // namespace kvl::txt
