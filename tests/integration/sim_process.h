#pragma once
// kvlsim as a child process: standard input and output are pipes, so a test
// can send it commands, read its replies, and end it by closing its input.
#include <string>
#include <vector>

#include "support/child_process.h"

namespace kvl::test {

inline std::string KvlsimPath() { return BuiltToolPath("kvlsim"); }

class SimProcess {
 public:
  // Starts kvlsim with these arguments (after the program path).
  explicit SimProcess(const std::vector<std::string>& args);

  bool Started() const { return child_.Started(); }
  // One line of its standard output, without the newline; false on time-out or end.
  bool ReadLine(std::string* line, int timeoutMs = 5000) { return child_.ReadLine(line, timeoutMs); }
  // Sends one command line and returns the first line of the reply.
  std::string Command(const std::string& line);
  // Closes its standard input and waits for it to end; the exit status, or
  // -1 when it had to be killed after timeoutMs.
  int CloseInputAndWait(int timeoutMs = 5000);
  // Sends a signal and waits; the exit status, or -1 when killed after timeoutMs.
  int SignalAndWait(int sig, int timeoutMs = 5000);

 private:
  int Wait(int timeoutMs);

  ChildProcess child_;
};

}  // namespace kvl::test
