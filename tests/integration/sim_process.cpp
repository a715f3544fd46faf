#include "sim_process.h"

namespace kvl::test {
namespace {

std::vector<std::string> WithProgram(const std::vector<std::string>& args) {
  std::vector<std::string> argv{KvlsimPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& args)
    : child_(WithProgram(args), ProcessOptions{.pipeInput = true, .captureError = false}) {}

std::string SimProcess::Command(const std::string& line) {
  if (!child_.WriteInput(line + "\n")) return "";
  std::string reply;
  child_.ReadLine(&reply, 5000);
  return reply;
}

int SimProcess::Wait(int timeoutMs) {
  const ProcessResult r = child_.Finish(timeoutMs);
  return r.timedOut ? -1 : r.exitCode;
}

int SimProcess::CloseInputAndWait(int timeoutMs) {
  child_.CloseInput();
  return Wait(timeoutMs);
}

int SimProcess::SignalAndWait(int sig, int timeoutMs) {
  child_.Signal(sig);
  return Wait(timeoutMs);
}

}  // namespace kvl::test
