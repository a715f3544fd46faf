#include <windows.h>

#include <atomic>

#include "platform/stop_signals.h"

namespace kvl::platform {
namespace {

// The console calls the handler on a thread of its own; one instance at a
// time holds it, so the state is the process's.
std::atomic<bool> gStopRequested{false};
HANDLE gStopEvent = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  gStopRequested.store(true);
  if (gStopEvent) SetEvent(gStopEvent);
  // Closing the console, logging off or shutting down ends the process as
  // soon as the handler returns: give the program's own ending (dropping
  // RTS, closing files) the few seconds the system allows.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(4000);
  return TRUE;
}

}  // namespace

struct CStopRequests::State {
  bool seen = false;
};

CStopRequests::CStopRequests() : state_(new State) {
  gStopRequested.store(false);
  if (!gStopEvent) gStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(gStopEvent);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

CStopRequests::~CStopRequests() { SetConsoleCtrlHandler(OnConsoleEvent, FALSE); }

bool CStopRequests::Pending() {
  if (gStopRequested.load()) state_->seen = true;
  return state_->seen;
}

bool CStopRequests::WaitFor(int ms) {
  if (Pending()) return true;
  WaitForSingleObject(gStopEvent, DWORD(ms));
  return Pending();
}

}  // namespace kvl::platform
