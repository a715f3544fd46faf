#pragma once
// The operator's stop requests to a console program (Ctrl-C, a termination
// request, closing the console) held back while an instance lives and picked
// up by polling, so the program ends through its own code. Owns the system's
// handler or signal mask for its lifetime and restores the previous one.
#include <memory>

namespace kvl::platform {

class CStopRequests {
 public:
  CStopRequests();
  ~CStopRequests();
  CStopRequests(const CStopRequests&) = delete;
  CStopRequests& operator=(const CStopRequests&) = delete;

  // True once a stop has been requested (remembered).
  bool Pending();
  // Waits up to ms for a stop request; true once one has come.
  bool WaitFor(int ms);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kvl::platform
