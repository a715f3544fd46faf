#include "detector_options.h"

#include "ctl_error.h"
#include "detector/detector_kinds.h"
#include "text/ascii_case.h"
#include "text/selector_lists.h"

namespace kvl::ctl {

int ParseType(const std::string& text) {
  const int type = DetectorTypeFromName(text);
  if (type >= 0) return type;
  throw UsageError("--type: '" + text + "' is not KVELT, Z, Z40, Z5 or 0..4");
}

int ParseMode(const std::string& text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] < char('0' + kOperatingModeCount)) return text[0] - '0';
  std::string want = AsciiLower(text);
  for (char& c : want)
    if (c == '-' || c == '_') c = ' ';
  for (int m = 0; m < kOperatingModeCount; ++m)
    if (AsciiLower(kOperatingModes[m](kEnglish)) == want) return m;
  throw UsageError("--mode: '" + text + "' is not a mode (0..6 or Tuning, Calibration, Graduation, Graduation-Z5, "
                   "Running-in, Save settings, Imitation)");
}

LanguageIndex ParseLanguage(const std::string& text, const std::string& option) {
  if (text == "en") return kEnglish;
  if (text == "ru") return kRussian;
  throw UsageError(option + ": '" + text + "' is neither en nor ru");
}

}  // namespace kvl::ctl
