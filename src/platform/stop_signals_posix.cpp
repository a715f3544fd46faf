#include <signal.h>

#include <ctime>

#include "platform/stop_signals.h"

namespace kvl::platform {

// Ctrl-C and SIGTERM stay blocked in every thread made meanwhile (a worker
// inherits the mask) and are taken with sigtimedwait.
struct CStopRequests::State {
  sigset_t set;
  sigset_t old;
  bool seen = false;
};

CStopRequests::CStopRequests() : state_(new State) {
  sigemptyset(&state_->set);
  sigaddset(&state_->set, SIGINT);
  sigaddset(&state_->set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &state_->set, &state_->old);
}

CStopRequests::~CStopRequests() {
  // A signal still pending would be delivered on unblocking and kill the
  // process before the caller's exit status: consume it first.
  Pending();
  pthread_sigmask(SIG_SETMASK, &state_->old, nullptr);
}

bool CStopRequests::Pending() {
  timespec zero{0, 0};
  while (sigtimedwait(&state_->set, nullptr, &zero) > 0) state_->seen = true;
  return state_->seen;
}

bool CStopRequests::WaitFor(int ms) {
  if (state_->seen) return true;
  timespec wait{ms / 1000, (ms % 1000) * 1000000L};
  if (sigtimedwait(&state_->set, nullptr, &wait) > 0) state_->seen = true;
  return state_->seen;
}

}  // namespace kvl::platform
