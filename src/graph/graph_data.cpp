#include "graph/graph_data.h"

namespace kvl {

namespace {
bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
bool ValidQuantity(int q) { return q >= 0 && q < kHistorySeriesCount; }
}  // namespace

std::span<const float> CGraphData::Samples(int slot, int quantity) const {
  if (!ValidSlot(slot) || !ValidQuantity(quantity)) return {};
  return table_.Slot(slot).history.Series(quantity);
}

std::span<const std::size_t> CGraphData::Breaks(int slot) const {
  if (!ValidSlot(slot)) return {};
  return breaks_[std::size_t(slot)];
}

const SeriesCharacteristic* CGraphData::Characteristic(int slot, int quantity) const {
  if (!ValidSlot(slot) || !ValidQuantity(quantity) || !hasCurves_[std::size_t(slot)][std::size_t(quantity)])
    return nullptr;
  return &curves_[std::size_t(slot)][std::size_t(quantity)];
}

void CGraphData::AddBreak(int slot, std::size_t index) {
  if (ValidSlot(slot)) breaks_[std::size_t(slot)].push_back(index);
}

void CGraphData::ClearBreaks() {
  for (auto& b : breaks_) b.clear();
}

void CGraphData::SetCharacteristic(int slot, int quantity, const SeriesCharacteristic& curves) {
  if (!ValidSlot(slot) || !ValidQuantity(quantity)) return;
  curves_[std::size_t(slot)][std::size_t(quantity)] = curves;
  hasCurves_[std::size_t(slot)][std::size_t(quantity)] = true;
}

void CGraphData::ClearCharacteristics() {
  for (auto& row : hasCurves_) row.fill(false);
  characteristicAvailable_ = false;
}

void CGraphData::ClearSeries(CDetectorTable& table) {
  for (int s = 0; s < kSlotCount; ++s) table.MutableSlot(s).history.Clear();
  ClearBreaks();
}

}  // namespace kvl
