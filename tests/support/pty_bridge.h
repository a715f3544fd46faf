#pragma once
// Two serial device paths linked back to back (like a null-modem cable): what
// is written to one is read from the other. Lets two programs that each open
// a serial device by path, the link and an independent peer, talk.
#include <atomic>
#include <string>
#include <thread>

#include "support/pty_pair.h"

namespace kvl::test {

class PtyBridge {
 public:
  PtyBridge();
  ~PtyBridge();

  const std::string& PathA() const { return a_.SlavePath(); }
  const std::string& PathB() const { return b_.SlavePath(); }

 private:
  void Run();

  PtyPair a_, b_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvl::test
