#pragma once
// The built kvlctl as a child process with its stdout and stderr captured.
#include <string>
#include <vector>

#include "support/child_process.h"

namespace kvl::test {

using KvlctlResult = ProcessResult;

inline std::string KvlctlPath() { return BuiltToolPath("kvlctl"); }

class KvlctlProcess : public ChildProcess {
 public:
  explicit KvlctlProcess(const std::vector<std::string>& args);
};

// Runs kvlctl with these arguments to the end.
KvlctlResult RunKvlctl(const std::vector<std::string>& args, int timeoutMs = 10000);

}  // namespace kvl::test
