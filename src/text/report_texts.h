#pragma once
// Texts of the graduation report of a sensor and of the batch summary
// (HTML pages, UTF-8, in the interface language).
#include <span>

#include "text/language.h"

namespace kvl::txt {

extern const TextEntry kReportTitle;        // "Graduation report"
extern const TextEntry kReportSerial;       // "Serial number"
extern const TextEntry kReportAddress;      // "Modbus address"
extern const TextEntry kReportType;         // "Type"
extern const TextEntry kReportGas;          // "Gas"
extern const TextEntry kReportDate;         // "Date and time"
extern const TextEntry kReportVersion;      // "Program version"
extern const TextEntry kReportInputFiles;   // "Input files"
extern const TextEntry kReportFile;         // "File"
extern const TextEntry kReportLines;        // "Lines"
extern const TextEntry kReportTimeSpan;     // "Time"
extern const TextEntry kReportTSpan;        // "Temperature"
extern const TextEntry kReportCheck;        // "Check"
extern const TextEntry kReportFilePassed;   // "passed"
extern const TextEntry kReportFileInvalid;  // a value left the display limits
extern const TextEntry kReportFileFailed;   // the temperatures failed the checks
extern const TextEntry kReportCheckText;    // "Check report"
extern const TextEntry kReportTable;        // "Graduation table"
extern const TextEntry kReportTableFrom;    // "from file"
extern const TextEntry kReportPoint;        // "Point"
extern const TextEntry kReportExtrapolated; // "extrapolated"
extern const TextEntry kReportFit;          // "Fit of the table to the data"
extern const TextEntry kReportChannel;      // "Channel"
extern const TextEntry kReportInterval;     // "Interval"
extern const TextEntry kReportSamples;      // "Samples"
extern const TextEntry kReportMaxDiff;      // "Largest difference"
extern const TextEntry kReportRms;          // "RMS difference"
extern const TextEntry kReportWholeRange;   // "whole range"
extern const TextEntry kReportPlot;         // "Samples and table, channel"
extern const TextEntry kReportRegisters;    // "Register blocks"
extern const TextEntry kReportRegister;     // "Register"
extern const TextEntry kReportWords;        // "Words"
extern const TextEntry kReportWriteState;   // "Written to the detector"
extern const TextEntry kReportNotWritten;   // "not written"
extern const TextEntry kReportWriteFailed;  // "write failed"
extern const TextEntry kReportVerified;     // "verified"
extern const TextEntry kReportDiffers;      // "registers read back differ"
extern const TextEntry kReportNotChecked;   // "written, not read back"
extern const TextEntry kReportPending;      // "being written"
extern const TextEntry kSummaryTitle;       // "Graduation summary"
extern const TextEntry kSummaryTable;       // "Table"
extern const TextEntry kSummaryCalculated;  // "calculated"
extern const TextEntry kSummaryNotConfirmed;  // "not calculated (declined)"
extern const TextEntry kSummaryReport;      // "Report"
extern const TextEntry kSummaryWrite;       // "Write"
// The verdict, the deltaDmax judgement, the signature fields, why a write failed.
extern const TextEntry kReportVerdictVerified;
extern const TextEntry kReportVerdictDiffers;
extern const TextEntry kReportVerdictNotChecked;
extern const TextEntry kReportVerdictPending;
extern const TextEntry kReportVerdictNotWritten;
extern const TextEntry kReportVerdictCalculated;
extern const TextEntry kReportVerdictNotCalculated;
extern const TextEntry kReportWithin;
extern const TextEntry kReportBeyond;
extern const TextEntry kReportGasLeftOut;  // "; %zu samples recorded while gas flowed left out"
extern const TextEntry kReportStation;
extern const TextEntry kReportOperator;
extern const TextEntry kReportCalculatedBy;
extern const TextEntry kReportCheckedBy;
extern const TextEntry kReportSignDate;
extern const TextEntry kReportDuration;
extern const TextEntry kReportHours;
extern const TextEntry kReportBelow;
extern const TextEntry kReportAbove;
extern const TextEntry kReportBeyondHead;
extern const TextEntry kReportDiffPlot;
extern const TextEntry kReportReadBack;
extern const TextEntry kReportWrittenWord;
extern const TextEntry kReportReadWord;
// The run a table was calculated at the end of, and the units of its figures.
extern const TextEntry kReportLinesUsed;  // "%zu used, of %zu lines, %zu left out while gas flowed"
extern const TextEntry kReportUnits;      // device units of a T register
extern const TextEntry kReportRunMode;
extern const TextEntry kReportConcentrations;
extern const TextEntry kReportConcValues;  // "medium %s vol.%%, high %s vol.%%"
extern const TextEntry kReportChamberProfile;
extern const TextEntry kReportStabilization;
extern const TextEntry kReportFactorsFrom;
extern const TextEntry kReportFactorsFile;
extern const TextEntry kReportFactorsRow;
extern const TextEntry kReportWrittenAt;
extern const TextEntry kReportNotYet;
extern const TextEntry kReportStages;
extern const TextEntry kReportStage;
extern const TextEntry kReportSetPoint;
extern const TextEntry kReportStep;
extern const TextEntry kReportChamberT;
extern const TextEntry kReportDetectorT;
extern const TextEntry kReportStepTemperature;
extern const TextEntry kReportStepZero;
extern const TextEntry kReportStepHigh;
extern const TextEntry kReportStepMiddle;
extern const TextEntry kReportStepZeroAgain;
extern const TextEntry kReportCaptured;
extern const TextEntry kReportStageC;
extern const TextEntry kReportFailPortClosed;
extern const TextEntry kReportFailNoAnswer;
extern const TextEntry kReportFailException;
extern const TextEntry kReportFailWrongAnswer;
extern const TextEntry kReportFailCheckNoAnswer;
extern const TextEntry kReportFailCheckFailed;
extern const TextEntry kReportFailRefused;
extern const TextEntry kReportFailAt;
extern const TextEntry kReportWhyDeclined;
extern const TextEntry kReportWhyAddress;
extern const TextEntry kReportWhyStopped;
extern const TextEntry kReportWhyFar;  // "%d": deltaDmax; an unattended run holds such a table back
extern const TextEntry kSummaryVerdict;

std::span<const TextEntry* const> AllReportTexts();

}  // namespace kvl::txt
