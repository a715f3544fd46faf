#pragma once
// Lists whose positions carry the meaning: a selector shows element k at
// position k, and the code stores the position, never the text.
#include "text/language.h"

namespace kvl {

// Detector types by type index: "KVELT", "Z", (2: empty, never selectable), "Z40", "Z5".
extern const TextEntry kDetectorTypes[5];
// Operating modes by mode index: "Tuning" ... "Imitation".
extern const TextEntry kOperatingModes[7];
// Language names by language index; the same word in every column, since the
// language selector and the configuration file match them as they stand.
extern const TextEntry kLanguageNames[3];
// Valve (stage) control of the graduation run: 0 "Manually", 1 "Auto".
extern const TextEntry kStageControl[2];
// Two-state button captions, position = state: 0 idle caption, 1 running caption.
extern const TextEntry kSearchButton[2];      // "Search", "Stop"
extern const TextEntry kRecordingButton[2];   // "Start recording", "Stop recording"
extern const TextEntry kGraduationButton[2];  // "   Start graduation", "   Stop graduation"
// 0 "Main conc.", 1 "Add. conc.".
extern const TextEntry kConcentrationKinds[2];
// 0 "Min", 1 "Max".
extern const TextEntry kLimitKinds[2];
// Off/on switches: lower case for decoded cells, capitalised for the heating
// dialog's two choices. Position = register value.
extern const TextEntry kSwitchesLower[2];  // "disable", "enable"
extern const TextEntry kSwitchesUpper[2];  // "Disable", "Enable"
// Gas mixtures named in comparisons: "nul", "med", "max".
extern const TextEntry kGasMixtures[3];
// Graph axis range: 0 "Auto", 1 "Manual".
extern const TextEntry kAxisModes[2];
// Ends of a schedule entry: 0 "Start", 1 "Stop".
extern const TextEntry kScheduleEnds[2];
// The nine per-detector quantities: "LEL%", "T", "D", "W", "R", "Dm", "Wo", "Ro", "P heat".
inline constexpr int kQuantityCount = 9;
extern const TextEntry kQuantities[kQuantityCount];
// Graduation stage prompts, printf formats taking the signed stage temperature ("%+d").
// Index = 2 * kind + (automatic ? 1 : 0), kind 0 set temperature, 1 zero, 2 high, 3 middle
// gas mixture; the even entry asks the operator to act, the odd one reports the system acting.
inline constexpr int kStagePromptCount = 8;
extern const TextEntry kStagePrompts[kStagePromptCount];
// Elapsed-time formats: "%lu", "%lu:%lu", "%lu:%lu:%lu", "%lu:%lu:%lu:%lu:%lu".
extern const TextEntry kElapsedFormats[4];
// Language-dependent keys of data, table and settings files.
enum FileField : int {
  kFieldDevice,
  kFieldSerialNumber,
  kFieldModbusNumber,
  kFieldGas,
  kFieldPower,
  kFieldKur,
  kFieldKuw
};
inline constexpr int kFileFieldCount = 7;
extern const TextEntry kFileFields[kFileFieldCount];  // "Device=", "Serial_number=", ...

TextList DetectorTypes();
TextList OperatingModes();
TextList LanguageNames();
TextList StageControl();
TextList SearchButton();
TextList RecordingButton();
TextList GraduationButton();
TextList ConcentrationKinds();
TextList LimitKinds();
TextList SwitchesLower();
TextList SwitchesUpper();
TextList GasMixtures();
TextList AxisModes();
TextList ScheduleEnds();
TextList Quantities();
TextList StagePrompts();
TextList ElapsedFormats();
TextList FileFields();

// Index into kStagePrompts for a graduation step (0 set temperature, 1 zero, 2 high, 3 middle,
// 4 zero again) and the valve control (automatic or by hand).
int StagePromptIndex(int step, bool automatic);

}  // namespace kvl
