#pragma once
// Identifiers of the input dialogs' controls (each control's object name is
// its identifier in decimal). Buttons 1 and 2 are kIdOk and kIdCancel of
// dialog_results.h. Some identifiers mean different controls in different
// templates; the names say which.
namespace kvl::dlg {

inline constexpr int kPrompt = 1152;  // the caller's prompt
inline constexpr int kLabel1 = 1153;  // a field's label
inline constexpr int kLabel2 = 1154;
inline constexpr int kValue = 1015;  // the value edit
inline constexpr int kPollButton = 1000;
inline constexpr int kSetButton = 1001;
inline constexpr int kSetOneButton = 1003;
inline constexpr int kBaudList = 1004;
inline constexpr int kGasList = 1006;
inline constexpr int kManualRadio = 1008;
inline constexpr int kAutoRadio = 1009;
inline constexpr int kAxisValue = 1010;
inline constexpr int kEnableRadio = 1013;
inline constexpr int kDisableRadio = 1014;
inline constexpr int kHeatingGroup = 1016;
inline constexpr int kHeatValue = 1017;
inline constexpr int kFirstList = 1018;
inline constexpr int kSecondList = 1019;
inline constexpr int kAsInGraduationRadio = 1021;
inline constexpr int kProportionRadio = 1022;
inline constexpr int kIrrespectiveRadio = 1023;
inline constexpr int kFourButtonFirst = 1024;  // 1024..1027
inline constexpr int kMediumValue = 1028;      // concentrations dialog
inline constexpr int kHighValue = 1029;        // concentrations dialog
inline constexpr int kFirstCheck = 1029;       // check boxes of the other templates
inline constexpr int kSecondCheck = 1030;

// Recording schedule grid, stage j (0..2), end k (0 start, 1 stop).
inline constexpr int kScheduleDate = 39865;     // + 2j + k
inline constexpr int kScheduleTime = 39965;     // + 2j + k
inline constexpr int kScheduleStage = 39835;    // + j
inline constexpr int kScheduleDash = 39845;     // + j
inline constexpr int kScheduleCaption = 39855;  // + k

}  // namespace kvl::dlg
