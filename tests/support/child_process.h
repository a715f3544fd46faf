#pragma once
// Runs another program as a test peer or as the program under test: its
// standard output (and standard error, unless inherited) is read through
// pipes, its standard input can be a pipe too, and it is ended when the
// object goes.
#include <sys/types.h>

#include <string>
#include <vector>

namespace kvl::test {

// A program built by this project: $KVL_BUILD_DIR/tools/<name> (CTest sets
// the variable; the build folder this test was configured in otherwise).
std::string BuiltToolPath(const std::string& name);

struct ProcessResult {
  int exitCode = -1;  // 128 + signal when it was killed
  std::string out;    // everything it wrote to standard output
  std::string err;
  bool timedOut = false;
};

struct ProcessOptions {
  bool pipeInput = false;    // standard input from WriteInput(); else none (/dev/null)
  bool captureError = true;  // standard error into the result; else inherited
};

class ChildProcess {
 public:
  // argv[0] is the program path.
  explicit ChildProcess(const std::vector<std::string>& argv, ProcessOptions options = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  // The next line of standard output (without the newline); false on time-out or end.
  bool ReadLine(std::string* line, int timeoutMs);
  // Reads until standard output contains `needle`; false on time-out or end.
  bool WaitForOut(const std::string& needle, int timeoutMs);
  bool WriteInput(const std::string& text);
  void CloseInput();
  void Signal(int sig);
  // Collects the rest of the output and the exit status; kills the program
  // after timeoutMs (timedOut is then set).
  ProcessResult Finish(int timeoutMs);
  // SIGTERM, then Finish.
  ProcessResult Stop(int timeoutMs = 3000);

 private:
  // Reads what is available, waiting up to waitMs; false once the pipes ended.
  bool Pump(int waitMs, bool* readSome = nullptr);

  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::size_t lineCursor_ = 0;
  ProcessResult result_;
};

}  // namespace kvl::test
