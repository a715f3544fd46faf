#pragma once
// Ctrl-C and SIGTERM held back while the line is in use: a process killed
// between raising and dropping RTS would leave an RS-485 converter driving
// the bus (the line is configured without hang-up on close). The signals stay
// held back (in every thread made meanwhile) and are picked up with
// Pending(); the previous handling comes back at the end of the scope.
#include <chrono>
#include <future>
#include <utility>

#include "link/serial_port.h"
#include "platform/stop_signals.h"

namespace kvl::ctl {

class CStopSignals : public platform::CStopRequests {};

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
