#pragma once
// Ctrl-C and SIGTERM held back while the line is in use: a process killed
// between raising and dropping RTS would leave an RS-485 converter driving
// the bus (the line is configured without hang-up on close). The signals stay
// blocked in every thread made meanwhile (the link's worker inherits the
// mask) and are picked up with Pending(); the previous mask comes back at the
// end of the scope.
#include <signal.h>

#include <future>
#include <utility>

#include "link/serial_port.h"

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
  // Waits up to ms for a stop signal; true once one has come.
  bool WaitFor(int ms);

 private:
  sigset_t set_;
  sigset_t old_;
  bool seen_ = false;
};

// Runs one transaction of the line on its own thread and cuts its waits short
// as soon as a stop signal comes, so Ctrl-C ends even a slow read or a write's
// retries within a few milliseconds at any baud rate; the transaction still
// ends through its own code, which drops RTS.
template <class Transaction>
auto RunInterruptible(CSerialPort& line, CStopSignals& signals, Transaction transaction) {
  auto running = std::async(std::launch::async, std::move(transaction));
  while (running.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
    if (signals.WaitFor(5)) {
      line.RequestAbort();
      break;
    }
  }
  return running.get();
}

}  // namespace kvl::ctl
