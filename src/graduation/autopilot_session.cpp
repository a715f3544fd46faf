#include "graduation/autopilot_session.h"

#include <algorithm>

#include "detector/register_map.h"
#include "graduation/graduation_run_stages.h"
#include "platform/files.h"

namespace kvl {

CAutopilotSession::CAutopilotSession(IChamberControl& chamber, IValveControl* valves, AutopilotRules limits)
    : chamber_(chamber), valves_(valves), pilot_(limits) {}

void CAutopilotSession::OnPoll(const CDetectorTable& table, int slot, int type, SteadyTime now) {
  if (slot < 0 || slot >= kSlotCount || !table.Slot(slot).HasDetector()) return;
  const ImageView image = table.Slot(slot).image;
  DetectorReading r;
  r.at = now;
  // The profile speaks degrees; a detector counting device units is weighed
  // through its type's conversion, one unit being its smallest step.
  r.temperature = NominalCelsius(type, Temperature(type, image));
  r.temperatureStep = CountsInDeviceUnits(type)            ? 1.0 / DeviceUnitsPerDegree(type)
                      : LayoutFor(type).temperatureInTenths ? 0.1
                                                            : 1.0;
  r.r = Signed16(image[reg::kR]);
  r.w = Signed16(image[reg::kW]);
  pilot_.OnReading(slot, r);
}

AutopilotTick CAutopilotSession::Tick(const CGraduationRun& run, const RunEnvironment& env, SteadyTime now) {
  AutopilotTick tick;
  if (run.Stage() < 1 || run.Stage() > kGraduationStages || !env.table) return tick;
  AutopilotInput in;
  in.now = now;
  in.stage = run.Stage();
  in.step = run.Step();
  in.withoutGas = run.WithoutGas() || !valves_;
  in.stageTemperature = StageTemperature(env.type, run.Stage(), env.tLow, env.tHigh);
  in.runGate = run.DoneEnabled();
  for (int s = 0; s < kSlotCount; ++s)
    if (run.InRun(s)) {
      in.listed.push_back(s);
      in.addresses.push_back(run.RunAddress(s));
    }
  in.chamber = chamber_.Last();
  if (valves_) in.valves = valves_->Last();
  in.capturesPending = pending_.load();
  for (const std::string* lost : {&detectorLineLost_, &in.chamber.lineLost, &in.valves.lineLost})
    if (!lost->empty()) in.linesLost.push_back(*lost);
  in.folderFailure = FolderFailure();
  tick.decision = pilot_.Decide(in);
  if (tick.decision.setPoint) chamber_.SetPoint(*tick.decision.setPoint);
  if (tick.decision.openValve && valves_) valves_->Open(*tick.decision.openValve);
  tick.confirm = tick.decision.confirm;
  return tick;
}

void CAutopilotSession::TakeActions(RunActions& actions, WriteOrigin& origin) {
  for (RunLogAppend& log : actions.logs) heldLogs_.push_back(std::move(log));
  actions.logs.clear();
  if (actions.writes.empty()) return;
  // One list per detector: count the detectors these writes go to.
  std::vector<std::uint8_t> slaves;
  for (const RunWrite& w : actions.writes)
    if (std::find(slaves.begin(), slaves.end(), w.slave) == slaves.end()) slaves.push_back(w.slave);
  pending_.fetch_add(int(slaves.size()));
  origin.done = [this, previous = origin.done](const LinkWriteList& list) {
    if (!list.AllWritten()) failed_.fetch_add(1);
    pending_.fetch_sub(1);
    if (previous) previous(list);
  };
}

std::vector<RunLogAppend> CAutopilotSession::TakeSettledLogs() {
  std::vector<RunLogAppend> logs;
  if (Settled()) logs.swap(heldLogs_);
  return logs;
}

int CAutopilotSession::AppendSettledLogs(const std::function<int(const RunLogAppend&)>& append) {
  if (!Settled()) return 0;
  std::size_t done = 0;
  int error = 0;
  while (done < heldLogs_.size() && (error = append(heldLogs_[done])) == 0) ++done;
  heldLogs_.erase(heldLogs_.begin(), heldLogs_.begin() + std::ptrdiff_t(done));
  if (done > 0 || error != 0) FolderWrite(FolderWriter::kGradLog, error);
  return error;
}

std::string CAutopilotSession::FolderFailure() const {
  for (int error : folderErrors_)
    if (error != 0)
      return (folder_.empty() ? std::string("./") : folder_) + ": " + platform::ErrorText(error);
  return {};
}

void CAutopilotSession::Finish() {
  if (valves_) valves_->Open(GasValve::kClosed);
  chamber_.Park();
}

}  // namespace kvl
