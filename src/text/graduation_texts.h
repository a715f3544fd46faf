#pragma once
// Texts of the graduation run, the graduation table calculation and the writing
// of table files. The stage prompts and button captions are lists in
// selector_lists.h; pieces shared with other operations are in message_texts.h.
#include <span>

#include "text/language.h"

namespace kvl::txt {

// Starting and stopping a run. The start prompt is kStartGraduationPrompt + ",\n" + kAreYouSure + two blanks.
// "Start graduation from the specified temperature\nin the specified mode"
extern const TextEntry kStartGraduationPrompt;
extern const TextEntry kBegin;                // "Begin"
extern const TextEntry kWithoutGas;           // "Without gas"
extern const TextEntry kWithoutDelay;         // "Without delay"
extern const TextEntry kOneGasForGraduation;  // "For graduation all sensors should have one type of gas"
// "Illegal concentration\nor LELCONC register value in devices:" (followed by the device list)
extern const TextEntry kIllegalConcOrLelConc;
extern const TextEntry kFactorsWillBeRecorded;  // "The following factors will be recorded:\n"

// Stage message field.
extern const TextEntry kGraduationCompleted;  // "Graduation is completed"
extern const TextEntry k35MinutesElapsed;     // "35 minutes have elapsed"
extern const TextEntry kRecordingToDevice;    // "Recording to device . . . . ."

// Table calculation: file dialog title, summary and result texts.
extern const TextEntry kSelectDataFiles;          // " Select data file(s) for graduation"
extern const TextEntry kTooManySerials;           // "Too many serial numbers are selected, max="
extern const TextEntry kSensor;                   // "Sensor"
extern const TextEntry kNorm;                     // "norm"
extern const TextEntry kDataAreNormal;            // "data are normal"
extern const TextEntry kPowerNotFound;            // "Power value not found"
extern const TextEntry kKurNotFound;              // "KUR value not found"
extern const TextEntry kKuwNotFound;              // "KUW value not found"
extern const TextEntry kDataNotFoundInFile;       // "Data not found in the file"
extern const TextEntry kValidGasNotFound;         // "Valid gas type not found in the file"
extern const TextEntry kCalculateTableForSensor;  // "Calculate graduation table for sensor"
extern const TextEntry kWriteTableToDevice;       // "Write the graduation table to device? "
extern const TextEntry kMinTemperatureFar;  // "Minimum temperature in cu\nis far from its typical value."
extern const TextEntry kMaxTemperatureFar;  // "Maximum temperature in cu\nis far from its typical value."

// Writing table files.
extern const TextEntry kSelectTabFile;  // " Select .tab file for recording to device"

// One run per data folder (printf formats: folder, process id, host; the last also the lock file).
extern const TextEntry kFolderInUse;       // another run holds the folder
extern const TextEntry kFolderTakenOver;   // the lock of a run that has ended is taken over
extern const TextEntry kFolderOtherHost;   // a lock file of another computer's run
extern const TextEntry kFolderNotLocked;   // "cannot lock the data folder %s: %s"

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllGraduationTexts();

}  // namespace kvl::txt
