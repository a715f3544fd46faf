#pragma once
// Results the dialogs end with, numbered as the old framework numbered them
// (callers and tests compare against these). The buttons that end a dialog
// with a result carry that number as their object name.
namespace kvl {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;  // Escape or the close box
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// The input dialogs' own results.
inline constexpr int kIdPollNumber = 7;  // "Poll number" of the Modbus address dialog (same value as No)
inline constexpr int kIdSet = 8;         // the setting button ("Set", "OK" style "Set", "Assign ...")
inline constexpr int kIdSetOne = 9;      // "Set 1" of the channel correction factor dialog
// The four buttons of the four-button dialog, left to right, top to bottom.
inline constexpr int kIdButton1 = 11;
inline constexpr int kIdButton2 = 12;
inline constexpr int kIdButton3 = 13;
inline constexpr int kIdButton4 = 14;

}  // namespace kvl
