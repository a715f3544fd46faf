#include "detector/detector_kinds.h"

#include "text/ascii_case.h"

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

const char* DetectorTypeName(int type) { return IsValidDetectorType(type) ? kTypeNames[type] : "?"; }

}  // namespace kvl
