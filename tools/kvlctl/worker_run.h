#pragma once
// The link's own worker run by a tool (poll, scan, imitate): its messages come to the
// tool's main thread through a queue, Ctrl-C stops it cleanly, and a line
// that opens but cannot be configured ends the run with a device error.
#include <string>
#include <vector>

#include "console_operator.h"
#include "link_options.h"
#include "posted_queue.h"
#include "stop_signals.h"

namespace kvl::ctl {

class CWorkerRun {
 public:
  // `op` must be the link's operator: the worker's boxes tell of a line it
  // could not configure.
  CWorkerRun(CModbusSlave& link, const CConsoleOperator& op, CStopSignals& signals, const LinkOptions& options,
             LanguageIndex language);
  ~CWorkerRun() { Stop(); }

  // `masterRole` false runs the worker in slave role (imitate).
  void Start(const std::vector<std::uint8_t>& devices, const std::string& functionText,
             const std::string& pauseText, bool masterRole = true);
  // The next message. False once a stop signal came (the worker is stopped
  // by then); throws DeviceError for a line that cannot be configured.
  bool Next(Posted* message);
  // Closes the queue and stops the worker; again is harmless.
  void Stop();
  // Stops the worker and throws the device error of a line that failed.
  [[noreturn]] void FailPort();

 private:
  CModbusSlave& link_;
  const CConsoleOperator& op_;
  CStopSignals& signals_;
  LinkOptions options_;
  LanguageIndex language_;
  std::string notConfigured_;
  CPostedQueue queue_;
  bool stopped_ = false;
};

}  // namespace kvl::ctl
