#include "detector_options.h"

#include "ctl_error.h"
#include "detector/poll_sets.h"
#include "stop_signals.h"
#include "text/ascii_case.h"
#include "text/selector_lists.h"

namespace kvl::ctl {

int ParseTypeOption(const std::string& text) {
  const int type = DetectorTypeFromName(text);
  if (type >= 0) return type;
  throw UsageError("--type: '" + text + "' is not KVELT, Z, Z40, Z5 or 0..4");
}

int ParseModeOption(const std::string& text) {
  const int mode = OperatingModeFromName(text);
  if (mode >= 0) return mode;
  throw UsageError("--mode: '" + text + "' is not a mode (0..6 or Tuning, Calibration, Graduation, Graduation-Z5, "
                   "Running-in, Save settings, Imitation)");
}

LanguageIndex ParseLanguageOption(const std::string& text, const std::string& option) {
  if (text == "en") return kEnglish;
  if (text == "ru") return kRussian;
  throw UsageError(option + ": '" + text + "' is neither en nor ru");
}

PollSetRead ReadPollSet(CModbusSlave& link, std::uint8_t slave, int pollSet, RegisterImage& image,
                        CStopSignals& signals) {
  PollSetRead out;
  for (int i : PollSetRequests(pollSet)) {
    const PollRequest& r = kPollRequests[std::size_t(i)];
    out.result = link.ReadRegisters(slave, link.ReadFunction(), r.first, r.count, image.data() + r.offset);
    out.interrupted = signals.Pending();
    if (out.result != 0 || out.interrupted) {
      out.failedFirst = r.first;
      out.failedCount = r.count;
      break;
    }
  }
  return out;
}

}  // namespace kvl::ctl
