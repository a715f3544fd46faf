#include "kvlctl_process.h"

namespace kvl::test {
namespace {

std::vector<std::string> WithProgram(const std::vector<std::string>& args) {
  std::vector<std::string> argv{KvlctlPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

}  // namespace

KvlctlProcess::KvlctlProcess(const std::vector<std::string>& args) : ChildProcess(WithProgram(args)) {}

KvlctlResult RunKvlctl(const std::vector<std::string>& args, int timeoutMs) {
  KvlctlProcess p(args);
  return p.Finish(timeoutMs);
}

}  // namespace kvl::test
