#pragma once
// Window messages the link and the alarms post to the main window, and the
// one interface through which they do it. The Qt side turns a Post into a
// queued event; tests collect them in a queue.
#include <cstdint>

namespace kvl {

inline constexpr unsigned WM_USER = 1024;
inline constexpr unsigned WM_USER_CELL_RCLICK = WM_USER + 1;  // 1025
inline constexpr unsigned WM_USER_ALARM = WM_USER + 2;        // 1026
inline constexpr unsigned WM_USER_DATA = WM_USER + 100;       // 1124
inline constexpr unsigned WM_USER_CLEAR = WM_USER + 101;      // 1125
inline constexpr unsigned WM_USER_RESULT = WM_USER + 102;     // 1126
inline constexpr unsigned WM_USER_CONFIG = WM_USER + 103;     // 1127
inline constexpr unsigned WM_USER_CYCLE = WM_USER + 104;      // 1128
inline constexpr unsigned WM_USER_PORT_OPEN = WM_USER + 105;  // 1129
inline constexpr unsigned WM_USER_PORT_FAIL = WM_USER + 106;  // 1130
inline constexpr unsigned WM_USER_REQUEST = WM_USER + 107;    // 1131
// The open line's device went away; the line is closed and its device looked
// for until it comes back (WM_USER_PORT_OPEN) or the line is closed by hand.
inline constexpr unsigned WM_USER_LINE_LOST = WM_USER + 108;  // 1132

// Name of a message id as the tools print it ("WM_USER_DATA"), or "" if unknown.
const char* MessageName(unsigned message);

class CMessageTarget {
 public:
  virtual ~CMessageTarget() = default;
  // Must be callable from any thread and must never block for long.
  virtual void Post(unsigned message, std::intptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace kvl
