#pragma once
// What the main window keeps per detector slot besides the row's widgets:
// which detector sits in the row, its register image, the event counters,
// the state their edges are counted against, and the sample history the
// graph and the graduation read.
#include <array>
#include <cstdint>
#include <vector>

#include "detector/detector_kinds.h"
#include "detector/slot_values.h"

namespace kvl {

// The nine recorded quantities, in the order of their column identifiers.
enum HistorySeries : int {
  kSeriesConcentration = 0,  // %LEL
  kSeriesT = 1,
  kSeriesD = 2,
  kSeriesW = 3,
  kSeriesR = 4,
  kSeriesDm = 5,
  kSeriesWo = 6,
  kSeriesRo = 7,
  kSeriesHeaterPower = 8,
};
inline constexpr int kHistorySeriesCount = 9;
using HistorySample = std::array<float, kHistorySeriesCount>;

class CSampleHistory {
 public:
  // Once the T series grows past this many samples, the oldest kTrimCount go.
  static constexpr std::size_t kMaxSamples = 1000;
  static constexpr std::size_t kTrimCount = 99;

  void Append(const HistorySample& sample);
  void Clear();
  const std::vector<float>& Series(int series) const { return series_[std::size_t(series)]; }
  std::vector<float>& Series(int series) { return series_[std::size_t(series)]; }
  std::size_t Size() const { return series_[kSeriesT].size(); }

 private:
  std::array<std::vector<float>, kHistorySeriesCount> series_;
};

// One history sample from a register image: concentration x 0.1, T in the
// type's unit, the channels and initial values as signed words, the heater
// power as an unsigned word (0 for a type without one).
HistorySample SampleFromImage(int type, ImageView image);

struct SlotCounters {
  std::uint32_t breaks = 0;       // "Disconnections": answer -> no answer
  std::uint32_t over1 = 0;        // rising edges of status bit 0x02
  std::uint32_t over2 = 0;        // rising edges of status bit 0x04
  std::uint32_t defect = 0;       // falling edges of status bit 0x01
  std::uint32_t minCrossing = 0;  // entries into the <= min band
  std::uint32_t maxCrossing = 0;  // entries into the >= max band
};

struct SlotState {
  int address = -1;  // Modbus address of the row's detector; -1 = none
  RegisterImage image{};
  std::uint16_t previousStatus = 0xFFFF;  // status low byte at the last refresh; 0xFFFF = never refreshed
  int previousResult = 0;                 // last read result reported for this position
  bool previousMin = false;
  bool previousMax = false;
  SlotCounters counters;
  bool stageSeen = false;  // refreshed during the current graduation stage
  CSampleHistory history;
  SlotValues values;  // values the commands, files and graduation read back

  bool HasDetector() const { return address >= 0; }
};

// Counts the status edges of a new status low byte against the previous one
// and stores it. Starting from 0xFFFF, a detector already over a limit is not
// counted until the bit falls and rises again, while one found in fault
// counts one defect at once.
void CountStatusEdges(SlotState& slot, unsigned statusLowByte);

// Counts entries into the <= min and >= max bands of concentration x and
// stores the band flags.
void CountCrossings(SlotState& slot, double x, double minThreshold, double maxThreshold);

// Counts a read result of this slot's position: "no answer" straight after a
// good answer is one break. Stores the result.
void CountResult(SlotState& slot, int result);

}  // namespace kvl
