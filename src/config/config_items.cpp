// Selector items and default values the configuration lines are read against.
#include <algorithm>

#include "config/configuration.h"
#include "text/ascii_case.h"

namespace kvl {
namespace {

// Start and end rate of each serial line's baud selector.
constexpr int kBaudRange[kSerialLineCount][2] = {{1200, 19200}, {4800, 19200}, {1200, 19200}, {1200, 1200}};

// Display limit defaults of types 0 to 3 (type 4 has 0, 0 throughout).
constexpr DisplayLimits kDisplayLimitDefaults[kQuantityCount] = {
    {-7, 32767},      // LEL%
    {-32768, 32767},  // T
    {9000, 11000},    // D
    {1000, 5000},     // W
    {1000, 5000},     // R
    {-32768, 32767},  // Dm
    {-32768, 32767},  // Wo
    {-32768, 32767},  // Ro
    {0, 100},         // P heat
};

const CheckRecord kCheckRecordDefaults[kCheckRecordCount] = {
    {450, -60, -60, -60, 450},    // Tmin min
    {550, -40, -40, -40, 650},    // Tmin max
    {1000, 75, 75, 75, 950},      // Tmax min
    {1100, 95, 95, 95, 1200},     // Tmax max
    {450, -50, -50, -50, 561},    // T[0]
    {1100, 85, 85, 85, 1071},     // T[7]
};

}  // namespace

const char* const kRelayTestSteps[11] = {"+20", "+10", "+5", "+2", "+1", "  0", "-1", "-2", "-5", "-10", "-20"};

std::vector<std::string> BaudItems(int line) {
  std::vector<std::string> items;
  if (line < 0 || line >= kSerialLineCount) return items;
  for (int rate = kBaudRange[line][0]; rate <= kBaudRange[line][1]; rate *= 2) items.push_back(std::to_string(rate));
  return items;
}

std::string MatchItem(std::string_view text, const std::vector<std::string>& items, std::string_view fallback) {
  for (const std::string& item : items) {
    if (EqualsIgnoringCase(item, text)) return item;
  }
  for (const std::string& item : items) {
    if (EqualsIgnoringCase(item, fallback)) return item;
  }
  return {};
}

DisplayLimits DefaultDisplayLimits(int detectorType, int quantity) {
  if (detectorType == kTypeZ5 || quantity < 0 || quantity >= kQuantityCount) return {0, 0};
  return kDisplayLimitDefaults[quantity];
}

const CheckRecord& DefaultCheckRecord(int record) {
  return kCheckRecordDefaults[std::clamp(record, 0, kCheckRecordCount - 1)];
}

}  // namespace kvl
