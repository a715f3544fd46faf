#pragma once
// Ctrl-C and SIGTERM held back while the line is in use: a process killed
// between raising and dropping RTS would leave an RS-485 converter driving
// the bus (the line is configured without hang-up on close). The signals stay
// blocked in every thread made meanwhile (the link's worker inherits the
// mask) and are picked up with Pending(); the previous mask comes back at the
// end of the scope.
#include <signal.h>

namespace kvl::ctl {

class CStopSignals {
 public:
  CStopSignals();
  ~CStopSignals();
  CStopSignals(const CStopSignals&) = delete;
  CStopSignals& operator=(const CStopSignals&) = delete;

  // True once a stop signal has come (it is taken off the pending set, and
  // stays remembered).
  bool Pending();

 private:
  sigset_t set_;
  sigset_t old_;
  bool seen_ = false;
};

}  // namespace kvl::ctl
