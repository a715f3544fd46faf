#include "worker_run.h"

#include "ctl_error.h"
#include "text/format.h"
#include "text/link_texts.h"

namespace kvl::ctl {

CWorkerRun::CWorkerRun(CModbusSlave& link, const CConsoleOperator& op, CStopSignals& signals,
                       const LinkOptions& options, LanguageIndex language)
    : link_(link), op_(op), signals_(signals), options_(options), language_(language) {
  // The worker's only sign of a line it could open but not set up.
  notConfigured_ = std::string(txt::kPortWord(language)) + " " + options.port + " " + txt::kNotConfigured(language) +
                   "  ";
}

void CWorkerRun::Start(const std::vector<std::uint8_t>& devices, const std::string& functionText,
                       const std::string& pauseText, bool masterRole) {
  ApplyLinkOptions(link_, options_);
  link_.StartWorker(&queue_, 0, options_.port, Format("%d", options_.baud), devices, functionText, pauseText, "3",
                    masterRole);
}

bool CWorkerRun::Next(Posted* message) {
  for (;;) {
    if (signals_.Pending()) {
      Stop();
      return false;
    }
    for (const std::string& shown : op_.Shown())
      if (shown == notConfigured_) {
        Stop();
        throw DeviceError(Format("cannot configure %s at %d baud", SerialDevicePath(options_.port).c_str(),
                                 options_.baud));
      }
    if (queue_.Next(message, std::chrono::milliseconds(20))) return true;
  }
}

void CWorkerRun::Stop() {
  if (stopped_) return;
  stopped_ = true;
  queue_.Close();
  link_.StopWorker();
}

void CWorkerRun::FailPort() {
  Stop();
  throw DeviceError(OpenFailureText(options_.port, link_, link_.LastError(), language_));
}

}  // namespace kvl::ctl
