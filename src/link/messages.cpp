#include "link/messages.h"

namespace kvl {

const char* MessageName(unsigned message) {
  switch (message) {
    case WM_USER_CELL_RCLICK: return "WM_USER_CELL_RCLICK";
    case WM_USER_ALARM: return "WM_USER_ALARM";
    case WM_USER_DATA: return "WM_USER_DATA";
    case WM_USER_CLEAR: return "WM_USER_CLEAR";
    case WM_USER_RESULT: return "WM_USER_RESULT";
    case WM_USER_CONFIG: return "WM_USER_CONFIG";
    case WM_USER_CYCLE: return "WM_USER_CYCLE";
    case WM_USER_PORT_OPEN: return "WM_USER_PORT_OPEN";
    case WM_USER_PORT_FAIL: return "WM_USER_PORT_FAIL";
    case WM_USER_REQUEST: return "WM_USER_REQUEST";
    case WM_USER_LINE_LOST: return "WM_USER_LINE_LOST";
    default: return "";
  }
}

}  // namespace kvl
