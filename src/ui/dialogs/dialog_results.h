#pragma once
// Results the dialogs end with, numbered as the old framework numbered them
// (callers and tests compare against these). The buttons that end a dialog
// with a result carry that number as their object name.
namespace kvl {

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;  // Escape or the close box
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

}  // namespace kvl
