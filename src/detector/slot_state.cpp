#include "detector/slot_state.h"

#include <algorithm>

#include "detector/register_map.h"

namespace kvl {

void CSampleHistory::Append(const HistorySample& sample) {
  // Each series takes the whole bound at once: a history that filled up by
  // doubling grew in steps over the first half hour of a recording (twenty
  // slots, nine series), which looked like memory without end; reserved, a
  // night's run sits flat from its first poll.
  for (auto& series : series_)
    if (series.capacity() < kMaxSamples + 1) series.reserve(kMaxSamples + 1);
  for (int s = 0; s < kHistorySeriesCount; ++s) series_[std::size_t(s)].push_back(sample[std::size_t(s)]);
  if (Size() <= kMaxSamples) return;
  // Series are trimmed together, in one step to what a poll-by-poll trim
  // keeps (the newest kMaxSamples + 1 - kTrimCount): a series of a million
  // file samples is not moved 99 samples at a time. One that is already
  // shorter than the cut (the graph or a file read may have replaced it) is emptied.
  const std::size_t cut = Size() - (kMaxSamples + 1 - kTrimCount);
  for (auto& series : series_) {
    if (series.size() <= cut)
      series.clear();
    else
      series.erase(series.begin(), series.begin() + std::ptrdiff_t(cut));
    // A series a file read made long gives its storage back once it is cut.
    if (series.capacity() > 2 * (kMaxSamples + 1)) {
      std::vector<float> kept;
      kept.reserve(kMaxSamples + 1);
      kept.assign(series.begin(), series.end());
      series.swap(kept);
    }
  }
}

void CSampleHistory::Clear() {
  for (auto& series : series_) series.clear();
}

HistorySample SampleFromImage(int type, ImageView image) {
  const RegisterLayout& layout = LayoutFor(type);
  auto s = [&](int address) { return float(Signed16(image[address])); };
  HistorySample sample{};
  sample[kSeriesConcentration] = float(ConcentrationLel(image));
  sample[kSeriesT] = float(Temperature(type, image));
  sample[kSeriesD] = s(reg::kD);
  sample[kSeriesW] = s(reg::kW);
  sample[kSeriesR] = s(reg::kR);
  sample[kSeriesDm] = s(reg::kDm);
  sample[kSeriesWo] = s(reg::kWo);
  sample[kSeriesRo] = s(reg::kRo);
  sample[kSeriesHeaterPower] = layout.heaterPower >= 0 ? float(image[layout.heaterPower]) : 0.0f;
  return sample;
}

void CountStatusEdges(SlotState& slot, unsigned statusLowByte) {
  const unsigned now = statusLowByte & 0xFFu;
  const unsigned before = slot.previousStatus;
  auto rose = [&](unsigned bit) { return (now & bit) != 0 && (before & bit) == 0; };
  auto fell = [&](unsigned bit) { return (now & bit) == 0 && (before & bit) != 0; };
  if (rose(reg::kStatusLimit1)) ++slot.counters.over1;
  if (rose(reg::kStatusLimit2)) ++slot.counters.over2;
  if (fell(reg::kStatusServiceable)) ++slot.counters.defect;
  slot.previousStatus = std::uint16_t(now);
}

void CountCrossings(SlotState& slot, double x, double minThreshold, double maxThreshold) {
  const bool atMin = x <= minThreshold;
  const bool atMax = x >= maxThreshold;
  if (atMin && !slot.previousMin) ++slot.counters.minCrossing;
  if (atMax && !slot.previousMax) ++slot.counters.maxCrossing;
  slot.previousMin = atMin;
  slot.previousMax = atMax;
}

void CountResult(SlotState& slot, int result) {
  if (result == 1 && slot.previousResult == 0) ++slot.counters.breaks;
  slot.previousResult = result;
}

}  // namespace kvl
