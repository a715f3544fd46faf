#pragma once
// The graph's data as the main window holds them: the slots' sample
// histories (read from the detector table, never copied), the series breaks
// the graduation calculation appends while it reads data files into the
// histories, and the characteristic it marks as available. It never draws
// and never decides a range (graph_geometry.h does).
#include <array>
#include <cstddef>
#include <vector>

#include "detector/detector_table.h"
#include "graph/graph_geometry.h"

namespace kvl {

class CGraphData : public CGraphSource {
 public:
  explicit CGraphData(const CDetectorTable& table) : table_(table) {}

  std::span<const float> Samples(int slot, int quantity) const override;
  std::span<const std::size_t> Breaks(int slot) const override;
  bool CharacteristicAvailable() const override { return characteristicAvailable_; }
  const SeriesCharacteristic* Characteristic(int slot, int quantity) const override;

  // The slot's f(T) curve starts anew at sample `index` (the end of a file's
  // samples); indices must come in ascending order. Ignored outside 0..19.
  void AddBreak(int slot, std::size_t index);
  // Rows reset by the calculation or the table-file writer.
  void ClearBreaks();

  void SetCharacteristicAvailable(bool available) { characteristicAvailable_ = available; }
  // The characteristic of slot s fitted to quantity q (see OverlaysCharacteristic).
  void SetCharacteristic(int slot, int quantity, const SeriesCharacteristic& curves);
  void ClearCharacteristics();

  // "Clear": empties all 180 series of the table and, since their indices
  // then name samples that are gone, the breaks.
  void ClearSeries(CDetectorTable& table);

 private:
  const CDetectorTable& table_;
  std::array<std::vector<std::size_t>, kSlotCount> breaks_;
  bool characteristicAvailable_ = false;
  std::array<std::array<SeriesCharacteristic, kHistorySeriesCount>, kSlotCount> curves_{};
  std::array<std::array<bool, kHistorySeriesCount>, kSlotCount> hasCurves_{};
};

}  // namespace kvl
