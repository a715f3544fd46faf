// Taking up a saved run: the run's state as its start would have left it at
// the saved stage and step, so that every later event behaves as in a run
// that never stopped.
#include <algorithm>

#include "detector/decoding.h"
#include "detector/register_map.h"
#include "graduation/graduation_run.h"

namespace kvl {

void CGraduationRun::SnapshotInto(SavedRun& saved) const {
  saved.stage = stage_;
  saved.step = step_;
  saved.valveMode = valveMode_;
  saved.withoutGas = withoutGas_;
  for (std::size_t s = 0; s < saved.logHeaderOwed.size(); ++s) saved.logHeaderOwed[s] = logHeader_[s];
  saved.gasSpans = gasSpans_;
  saved.firstStage = firstStage_;
}

RunActions CGraduationRun::Resume(const SavedRun& saved, const RunEnvironment& env, bool* taken) {
  RunActions out;
  *taken = false;
  if (stage_ != 0 || !env.table) return out;
  const CDetectorTable& t = *env.table;
  std::vector<int> listed;
  for (std::uint8_t a : t.AddressList()) listed.push_back(a);
  if (listed != saved.addresses) return out;
  *taken = true;
  stage_ = std::clamp(saved.stage, 1, kGraduationStages);
  step_ = std::clamp(saved.step, 0, 4);
  valveMode_ = saved.valveMode == 1 ? 1 : 0;
  withoutGas_ = saved.withoutGas;
  withoutDelay_ = false;
  for (std::size_t s = 0; s < logHeader_.size(); ++s) logHeader_[s] = saved.logHeaderOwed[s];
  gasSpans_ = saved.gasSpans;
  firstStage_ = std::clamp(saved.firstStage, 1, stage_);
  // Cut off at a temperature step: the gas was off, whenever the cut came.
  if (step_ == 0 && !gasSpans_.empty() && gasSpans_.back().to < gasSpans_.back().from)
    gasSpans_.back().to = CalendarSeconds(env.now);
  int firstSlot = -1;
  for (int s = 0; s < kSlotCount; ++s)
    if (t.Slot(s).HasDetector()) {
      if (firstSlot < 0) firstSlot = s;
      out.writes.push_back({std::uint8_t(t.Slot(s).address), std::uint16_t(reg::kPassword), kGraduationPasswordCode});
    }
  if (firstSlot >= 0) out.gas = RunGasSelection{int(GasCode(t.Slot(firstSlot).image)), saved.high, saved.medium};
  out.valveSelector = valveMode_;
  out.hideValveSelector = true;
  out.recording = true;  // into the saved series
  out.clearSeen = true;
  shown_ = Shown::Step;
  doneVisible_ = true;
  doneEnabled_ = false;
  if (step_ == 0) {
    out.startStabilizationMs = stabilizationMs_;
    timerEverStarted_ = true;
  }
  return out;
}

}  // namespace kvl
