#pragma once
// Failures a subcommand cannot go on from. main() prints the message to
// stderr with a usage hint and exits with the code.
#include <stdexcept>
#include <string>

namespace kvl::ctl {

// Exit statuses of kvlctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;       // the bus transaction failed (no answer, write refused...)
inline constexpr int kExitUsage = 2;        // bad arguments
inline constexpr int kExitDevice = 3;       // the serial device cannot be opened or configured
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C (SIGINT) or SIGTERM

class CtlError : public std::runtime_error {
 public:
  CtlError(int exitCode, const std::string& message) : std::runtime_error(message), exitCode_(exitCode) {}
  int ExitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

inline CtlError UsageError(const std::string& message) { return CtlError(kExitUsage, message); }
inline CtlError DeviceError(const std::string& message) { return CtlError(kExitDevice, message); }

}  // namespace kvl::ctl
