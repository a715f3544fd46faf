#include "detector/detector_kinds.h"

#include <string>

#include "text/ascii_case.h"
#include "text/selector_lists.h"

namespace kvl {
namespace {

constexpr const char* kTypeNames[kDetectorTypeCount] = {"KVELT", "Z", "2", "Z40", "Z5"};

}  // namespace

int DetectorTypeFromName(std::string_view text) {
  for (int type = 0; type < kDetectorTypeCount; ++type)
    if (EqualsIgnoringCase(text, kTypeNames[type])) return type;
  if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + kDetectorTypeCount) return text[0] - '0';
  return -1;
}

int OperatingModeFromName(std::string_view text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + kOperatingModeCount) return text[0] - '0';
  auto folded = [](std::string_view s) {
    std::string out = AsciiLower(std::string(s));
    for (char& c : out)
      if (c == '-' || c == '_') c = ' ';
    return out;
  };
  const std::string want = folded(text);
  for (int m = 0; m < kOperatingModeCount; ++m)
    for (LanguageIndex l : {kEnglish, kRussian})
      if (folded(kOperatingModes[m](l)) == want) return m;
  return -1;
}

const char* DetectorTypeName(int type) { return IsValidDetectorType(type) ? kTypeNames[type] : "?"; }

}  // namespace kvl
