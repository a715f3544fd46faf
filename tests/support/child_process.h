#pragma once
// Runs another program as a test peer or as the program under test: its
// standard output is read through a pipe, and it is ended when the object goes.
#include <sys/types.h>

#include <string>
#include <vector>

namespace kvl::test {

class ChildProcess {
 public:
  // argv[0] is the program path. Standard error is inherited.
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  // One line of standard output (without the newline); false on time-out or end.
  bool ReadLine(std::string* line, int timeoutMs);
  // Sends SIGTERM and waits; returns the exit status (or 128 + signal).
  int Stop();

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffer_;
};

}  // namespace kvl::test
