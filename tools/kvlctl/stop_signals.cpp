#include "stop_signals.h"

#include <ctime>

namespace kvl::ctl {

CStopSignals::CStopSignals() {
  sigemptyset(&set_);
  sigaddset(&set_, SIGINT);
  sigaddset(&set_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set_, &old_);
}

CStopSignals::~CStopSignals() {
  // A signal still pending would be delivered on unblocking and kill the
  // process before the caller's exit status: consume it first.
  Pending();
  pthread_sigmask(SIG_SETMASK, &old_, nullptr);
}

bool CStopSignals::Pending() {
  timespec zero{0, 0};
  while (sigtimedwait(&set_, nullptr, &zero) > 0) seen_ = true;
  return seen_;
}

bool CStopSignals::WaitFor(int ms) {
  if (seen_) return true;
  timespec wait{ms / 1000, (ms % 1000) * 1000000L};
  if (sigtimedwait(&set_, nullptr, &wait) > 0) seen_ = true;
  return seen_;
}

}  // namespace kvl::ctl
