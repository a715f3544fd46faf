#pragma once
// Captions, notes, column headers and menu items of the main window.
// Texts of the detector table cells that come from register decoding are in
// decoding_texts.h; the selectors' item lists are in selector_lists.h.
#include <span>

#include "text/language.h"

namespace kvl::txt {

// Window caption.
extern const TextEntry kWindowTitle;  // "KVELT  graduation & calibration"

// Notes of the serial line, run and selector controls.
extern const TextEntry kPortCom;           // "Port COM"
extern const TextEntry kBaudRate;          // "Baud rate"
extern const TextEntry kPauseMs;           // "Pause,ms"
extern const TextEntry kMode;              // "Mode"
extern const TextEntry kKveltType;         // "KVELT type"
extern const TextEntry kPeriodSec;         // "Period, sec"
extern const TextEntry kResponses;         // "Responses" (counter note outside Imitation)
extern const TextEntry kRequests;          // "  Requests" (counter note in Imitation)
extern const TextEntry kRecordedCount;     // "Recorded" (note of the recorded-ticks counter)
extern const TextEntry kStepForRelayTest;  // "Step for relay test"

// Buttons and captions of the run controls.
// "Enter password" (the dialog prompt is dialog_texts.h kEnterPasswordPrompt)
extern const TextEntry kEnterPasswordButton;
extern const TextEntry kTuning;        // "Tuning"
extern const TextEntry kStage;         // "Stage" (followed by the stage number, "%s %d")
extern const TextEntry kDone;          // "   Done"
extern const TextEntry kReadFromFile;  // "   Read from file"
extern const TextEntry kReadFromTab;   // "Read from tab"
extern const TextEntry kDataFolder;    // "   Data folder"
extern const TextEntry kSensors;       // "Sensors" (equipment caption of the detector line)
extern const TextEntry kChamber;       // "Chamber" (equipment caption of the climate chamber line)
extern const TextEntry kValves;        // "Valves"
extern const TextEntry kHart;          // "HART"

// Gas panel.
extern const TextEntry kUsePropane;      // "Use propane"
extern const TextEntry kVolPercentUnit;  // "vol.%"
extern const TextEntry kConvertingCoef;  // "Converting coef."
extern const TextEntry kLimits;          // "Limits" (the unit after it is kQuantities[0], "LEL%")
extern const TextEntry kTEquals;         // "T="

// Column headers of the detector table (the nine value columns use kQuantities).
extern const TextEntry kModbusNumber;     // "Modbus #"
extern const TextEntry kSerialNumber;     // "Serial #"
extern const TextEntry kFirmware;         // "Firmware"
extern const TextEntry kGas;              // "Gas"
extern const TextEntry kDisconnections;   // "Disconnections"
extern const TextEntry kMinCrosses;       // "Min crosses"
extern const TextEntry kMaxCrosses;       // "Max crosses"
extern const TextEntry kFlags;            // "Flags"
extern const TextEntry kBadGraduation;    // "Bad graduation"
extern const TextEntry kZeroShift;        // "Zero shift"
extern const TextEntry kVolumePercent;    // "Volume %"
extern const TextEntry kMilliamps;        // "mA"
extern const TextEntry kLelVol;           // "LEL / Vol%"
extern const TextEntry kSetZero;          // "Set 0"
extern const TextEntry kMainCalibr;       // "Main calibr."
extern const TextEntry kAddCalibr;        // "Add. calibr."
extern const TextEntry kMagnCalibr;       // "Magn. calibr."
extern const TextEntry kFactoryDefaults;  // "Factory defaults"
extern const TextEntry kSwitchToHart;     // "Switch to HART"
extern const TextEntry kGradRecalc;       // "Grad. recalc."
extern const TextEntry kSettToFile;       // "Sett. to file"
extern const TextEntry kSettFromFile;     // "Sett. from file"
extern const TextEntry kCompareSett;      // "Compare sett."
extern const TextEntry kLimit1;           // "Limit 1"
extern const TextEntry kLimit2;           // "Limit 2"
extern const TextEntry kPEmitter;         // "P emitter"
extern const TextEntry kHeatingLimit;     // "Heating limit"
extern const TextEntry kFlowLimit;        // "Flow limit"
extern const TextEntry kZeroingNegConc;   // "Zeroing conc<0"
extern const TextEntry kKur;              // "KUR"
extern const TextEntry kKuw;              // "KUW"
extern const TextEntry kRu6310Compl;      // "RU6310 compl."
extern const TextEntry kFlowSpeed;        // "Flow speed"
extern const TextEntry kRelay1;           // "Relay 1"
extern const TextEntry kRelay2;           // "Relay 2"
extern const TextEntry kCondition;        // "Condition"
extern const TextEntry kLatching1;        // "Latching 1"
extern const TextEntry kLatching2;        // "Latching 2"
extern const TextEntry kCv;               // "CV"
extern const TextEntry kCvVol;            // "CV_VOL"
extern const TextEntry kShowNegConc;      // "Show conc<0"
extern const TextEntry kDegreesC;         // "°C"
extern const TextEntry kRelayTest;        // "Relay test"
extern const TextEntry kRelayTestOn;      // "On" (header over the relay test boxes)

// An on/off pair whose Russian cells are empty.
extern const TextEntry kOnShort;   // "On"
extern const TextEntry kOffShort;  // "Off"

// Graph panel controls.
extern const TextEntry kGradChar;  // "GradChar"
extern const TextEntry kGrid;      // "Grid"
extern const TextEntry kClear;     // "Clear"
extern const TextEntry kFOfN;      // "f(N)"
extern const TextEntry kFOfT;      // "f(T)"

// System menu items (English and Russian only).
extern const TextEntry kMenuClose;     // "Close"
extern const TextEntry kMenuMove;      // "Move"
extern const TextEntry kMenuMinimize;  // "Minimize"
extern const TextEntry kMenuMaximize;  // "Maximize"
extern const TextEntry kMenuRestore;   // "Restore"
extern const TextEntry kMenuSize;      // "Size"
extern const TextEntry kMenuAbout;     // "About..."
extern const TextEntry kScheduleTip;   // "Recording schedule..." (the schedule button's tooltip)

// Shown after two blanks when a detector's gas name is not among the gas selector's items.
extern const TextEntry kUnknownGas;  // "Unknown gas"

// Every entry above, for checks that must cover them all.
std::span<const TextEntry* const> AllMainWindowTexts();

}  // namespace kvl::txt
