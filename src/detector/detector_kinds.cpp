#include "detector/detector_kinds.h"

#include <algorithm>
#include <cctype>

namespace kvl {
namespace {

constexpr const char* kTypeNames[kDetectorTypeCount] = {"KVELT", "Z", "2", "Z40", "Z5"};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

int DetectorTypeFromName(std::string_view text) {
  for (int type = 0; type < kDetectorTypeCount; ++type)
    if (EqualsIgnoringCase(text, kTypeNames[type])) return type;
  if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + kDetectorTypeCount) return text[0] - '0';
  return -1;
}

const char* DetectorTypeName(int type) { return IsValidDetectorType(type) ? kTypeNames[type] : "?"; }

}  // namespace kvl
