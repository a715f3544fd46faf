#pragma once
// Runs the built kvlctl as a child process with its stdout and stderr captured.
#include <sys/types.h>

#include <string>
#include <vector>

namespace kvl::test {

// Path of the built kvlctl ($KVL_BUILD_DIR/tools/kvlctl).
std::string KvlctlPath();

struct KvlctlResult {
  int exitCode = -1;  // 128 + signal when killed
  std::string out;
  std::string err;
  bool timedOut = false;
};

class KvlctlProcess {
 public:
  explicit KvlctlProcess(const std::vector<std::string>& args);
  ~KvlctlProcess();
  KvlctlProcess(const KvlctlProcess&) = delete;
  KvlctlProcess& operator=(const KvlctlProcess&) = delete;

  // Collects output until stdout contains `needle`; false on time-out or exit.
  bool WaitForOut(const std::string& needle, int timeoutMs);
  void Signal(int sig);
  // Collects the rest of the output and the exit status; kills the child
  // after timeoutMs.
  KvlctlResult Finish(int timeoutMs);

 private:
  // Reads what is available, waiting up to waitMs; false once both pipes ended.
  bool Pump(int waitMs);

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  KvlctlResult result_;
};

// Runs kvlctl with these arguments to the end.
KvlctlResult RunKvlctl(const std::vector<std::string>& args, int timeoutMs = 10000);

}  // namespace kvl::test
