// Taking up a saved run: the run's state as its start would have left it at
// the saved stage and step, and the detectors' registers as its start wrote
// them, so that every later event behaves as in a run that never stopped.
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
  saved.serials.clear();
  saved.dropped.clear();
  for (int s = 0; s < kSlotCount && RunAddress(s) >= 0; ++s) {
    saved.serials.push_back(RunSerial(s));
    if (WasDropped(s)) saved.dropped.push_back(RunAddress(s));
  }
  saved.captures = captures_;
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
  // Every register the start wrote is written again: a detector that lost
  // power lost its concentrations with its password, and a point captured
  // without them is off. Values that no longer pass take nothing up.
  RestoreRoster(saved);  // the saved run's detectors, those it let go aside
  bool retype = false;
  std::string refusal;
  if (!StartWrites(t, saved.medium, saved.high, env.language, out.writes, refusal, retype)) {
    out.messages.push_back(refusal);
    return out;
  }
  *taken = true;
  seriesOwed_ = false;  // into the saved series
  stage_ = std::clamp(saved.stage, 1, kGraduationStages);
  step_ = std::clamp(saved.step, 0, 4);
  valveMode_ = saved.valveMode == 1 ? 1 : 0;
  withoutGas_ = saved.withoutGas;
  withoutDelay_ = false;
  for (std::size_t s = 0; s < logHeader_.size(); ++s) logHeader_[s] = saved.logHeaderOwed[s];
  gasSpans_ = saved.gasSpans;
  captures_ = saved.captures;
  firstStage_ = std::clamp(saved.firstStage, 1, stage_);
  // Cut off at a temperature step: the gas was off, whenever the cut came.
  if (step_ == 0 && !gasSpans_.empty() && gasSpans_.back().to < gasSpans_.back().from)
    gasSpans_.back().to = CalendarSeconds(env.now);
  int firstSlot = -1;
  for (int s = 0; s < kSlotCount && firstSlot < 0; ++s)
    if (InRun(s) && t.Slot(s).HasDetector()) firstSlot = s;
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
