#pragma once
// Gas names by the gas code a detector reports and accepts (1 to 85; code 0
// has no name). "- " inside a name marks where a narrow table cell may break it.
#include <string>
#include <string_view>

#include "text/language.h"

namespace kvl {

inline constexpr int kGasCount = 85;
inline constexpr int kZ40DetectorType = 3;

extern const TextEntry kCommonGasTable[kGasCount];  // entry p names gas code p + 1
extern const TextEntry kZ40GasTable[kGasCount];     // the same for Z40 detectors

// Z40 detectors number their gases their own way; every other type uses the common table.
TextList GasTable(int detectorType);

// The name as a selector list shows it: every "- " removed ("Природ- ный газ" -> "Природный газ").
std::string SelectorGasName(std::string_view name);

}  // namespace kvl
