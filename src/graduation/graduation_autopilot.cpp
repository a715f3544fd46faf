#include "graduation/graduation_autopilot.h"

#include <algorithm>
#include <cmath>

#include "text/autopilot_texts.h"
#include "text/format.h"
#include "platform/clock.h"

namespace kvl {
namespace {

using Seconds = AutopilotRules::Seconds;

std::string AddressList(const std::vector<int>& addresses) {
  std::string s;
  for (int a : addresses) s += (s.empty() ? "" : ", ") + Format("%d", a);
  return s;
}

bool Fresh(SteadyTime at, SteadyTime now, Seconds staleAfter) { return now - at <= staleAfter; }

}  // namespace

AutopilotRules RulesFromProfile(const ChamberProfile& p) {
  auto seconds = [](double s) { return Seconds(static_cast<long long>(std::llround(s))); };
  AutopilotRules r;
  r.chamberTolerance = p.tolerance;
  r.temperatureSteadiness = p.autopilot.steadyTemperatureLimitC;
  r.temperatureWindow = seconds(p.autopilot.steadyTemperatureWindowS);
  r.signalSteadiness = p.autopilot.steadySignalLimit;
  r.signalWindow = seconds(p.autopilot.steadySignalWindowS);
  r.minGasFlow = seconds(p.autopilot.minGasFlowS);
  r.setPointTimeout = seconds(p.autopilot.setPointReachTimeoutS);
  r.lostAfterPolls = p.autopilot.lostAfterPolls;
  r.dropAfter = seconds(p.autopilot.dropAfterS);
  r.staleAfter = std::max(Seconds(30), Seconds(3 * p.pollSeconds));
  return r;
}

GasValve CGraduationAutopilot::StepValve(int step) {
  switch (step) {
    case 1:
    case 4: return GasValve::kZero;
    case 2: return GasValve::kHigh;
    case 3: return GasValve::kMiddle;
    default: return GasValve::kClosed;
  }
}

CGraduationAutopilot::CGraduationAutopilot(AutopilotRules limits) : limits_(limits) {
  windows_.temperature = limits_.temperatureWindow;
  windows_.signal = limits_.signalWindow;
}

// The longest window and, at its start, the poll before it, with room for a late one.
Seconds CGraduationAutopilot::Keep() const {
  const auto cycle = Seconds(static_cast<long long>(std::ceil(2 * windows_.cycleS)));
  return std::max(windows_.temperature, windows_.signal) + std::max(limits_.staleAfter, cycle);
}

void CGraduationAutopilot::OnReading(int slot, const DetectorReading& reading) {
  if (slot < 0 || slot >= kSlotCount) return;
  auto& kept = readings_[std::size_t(slot)];
  kept.push_back(reading);
  lastAnswer_[std::size_t(slot)] = reading.at;
  missed_[std::size_t(slot)] = 0;
  const Seconds keep = Keep();
  while (!kept.empty() && reading.at - kept.front().at > keep) kept.pop_front();
}

void CGraduationAutopilot::OnMissedPoll(int slot) {
  if (slot >= 0 && slot < kSlotCount) ++missed_[std::size_t(slot)];
}

// Each detector's mean time between answered polls over what is kept; the
// slowest sets the cycle, and the windows stretch to hold windowPolls of it
// (and half a cycle more, so a late poll does not leave a window one short).
void CGraduationAutopilot::MeasureCycle(const AutopilotInput& in, AutopilotDecision& out) {
  double cycle = 0;
  bool known = !in.listed.empty();
  for (int slot : in.listed) {
    const auto& kept = readings_[std::size_t(slot)];
    if (kept.size() < 2) {
      known = false;
      continue;
    }
    const std::chrono::duration<double> span = kept.back().at - kept.front().at;
    cycle = std::max(cycle, span.count() / double(kept.size() - 1));
  }
  if (!known) return;
  auto stretch = [&](Seconds base) {
    const double polls = (limits_.windowPolls + 0.5) * cycle;
    return std::max(base, Seconds(static_cast<long long>(std::ceil(polls))));
  };
  windows_ = {cycle, int(in.listed.size()), stretch(limits_.temperatureWindow), stretch(limits_.signalWindow)};
  auto far = [](Seconds a, Seconds b) { return 4 * std::chrono::abs(a - b) >= b; };
  if (announced_.detectors == 0 || announced_.detectors != windows_.detectors ||
      far(windows_.temperature, announced_.temperature) || far(windows_.signal, announced_.signal)) {
    announced_ = windows_;
    out.windowsChanged = windows_;
  }
}

void CGraduationAutopilot::EnterStep(const AutopilotInput& in) {
  if (in.stage == stage_ && in.step == step_) return;
  if (in.stage != stage_) setPointSent_.reset();
  stage_ = in.stage;
  step_ = in.step;
  stepStart_ = in.now;
  freshSince_.reset();
  confirmed_ = false;
}

void CGraduationAutopilot::CommandChamber(const AutopilotInput& in, AutopilotDecision& out) {
  const double target = in.stageTemperature;
  const bool sameTarget = setPointSent_ && std::fabs(*setPointSent_ - target) < 0.05;
  const bool taken = in.chamber.answered && std::fabs(in.chamber.setPoint - target) < 0.05;
  if (!sameTarget) {
    out.setPoint = target;
    setPointSent_ = target;
    setPointFirstAt_ = setPointLastAt_ = in.now;
  } else if (!taken && in.now - setPointLastAt_ >= limits_.resendAfter) {
    out.setPoint = target;
    setPointLastAt_ = in.now;
  }
}

void CGraduationAutopilot::CommandValves(const AutopilotInput& in, AutopilotDecision& out) {
  if (in.withoutGas) return;
  // The next gas waits for the capture writes of the last one: the gas that is
  // being captured keeps flowing until every detector has taken its point.
  if (in.capturesPending > 0) return;
  const GasValve wanted = StepValve(in.step);
  // A step's gas opens only in a chamber at the stage's set point: a run taken
  // up at a gas step, or a chamber that drifted off before the valve moved,
  // waits for the air first with the valves closed (gas already flowing for
  // this step is left as it is).
  const bool airReady = in.chamber.answered && std::fabs(in.chamber.measured - in.stageTemperature) <=
                                                   limits_.chamberTolerance;
  if (valveSent_ != wanted && wanted != GasValve::kClosed && !airReady) {
    if (valveSent_ != GasValve::kClosed) {  // whatever a run cut off left open
      out.openValve = GasValve::kClosed;
      valveSent_ = GasValve::kClosed;
      valveSentAt_ = in.now;
    }
    return;
  }
  const bool taken = in.valves.answered && in.valves.open == wanted;
  if (valveSent_ != wanted || (!taken && in.now - valveSentAt_ >= limits_.resendAfter)) {
    out.openValve = wanted;
    valveSent_ = wanted;
    valveSentAt_ = in.now;
  }
}

void CGraduationAutopilot::Hold(HoldCause cause, bool active, SteadyTime now, std::string detail,
                                AutopilotDecision& out) {
  auto& since = holdSince_[std::size_t(cause)];
  if (!active) {
    since.reset();
    return;
  }
  if (!since) since = now;
  out.holds.push_back({cause, *since, std::move(detail)});
}

void CGraduationAutopilot::CollectHolds(const AutopilotInput& in, AutopilotDecision& out) {
  const ChamberReading& c = in.chamber;
  const bool chamberSilent = !c.answered || !Fresh(c.at, in.now, limits_.staleAfter);
  Hold(HoldCause::kChamberSilent, chamberSilent, in.now, c.answered ? std::string() : c.reason, out);

  const bool reached = !chamberSilent && std::fabs(c.measured - in.stageTemperature) <= limits_.chamberTolerance;
  const bool late = in.step == 0 && setPointSent_ && !reached && in.now - setPointFirstAt_ > limits_.setPointTimeout;
  Hold(HoldCause::kSetPointTimeout, late, in.now, Format("%.1f °C", in.stageTemperature), out);

  const bool valvesSilent = !in.withoutGas && in.step >= 1 && !in.valves.answered;
  Hold(HoldCause::kValvesSilent, valvesSilent, in.now, in.valves.reason, out);

  // A gap in the step's data: once it ends, the step is taken again from there.
  const bool gapBefore =
      holdSince_[std::size_t(HoldCause::kLineLost)] || holdSince_[std::size_t(HoldCause::kFolderFails)];
  std::string lines;
  for (const std::string& d : in.linesLost) lines += (lines.empty() ? "" : ", ") + d;
  if (holdSince_[std::size_t(HoldCause::kLineLost)] && lines.empty()) lineBackAt_ = in.now;
  Hold(HoldCause::kLineLost, !lines.empty(), in.now, lines, out);
  Hold(HoldCause::kFolderFails, !in.folderFailure.empty(), in.now, in.folderFailure, out);
  const bool gapNow = !lines.empty() || !in.folderFailure.empty();
  if (gapBefore && !gapNow) freshSince_ = in.now;

  CollectSilent(in, out);
}

// A detector is lost after lostAfterPolls missed polls in a row, or when no
// poll of it has been answered for as long as that many cycles take (a line
// with no polls at all). Lost ones are named; one lost for dropAfter is let
// go, but only while another detector answers: when none does, the fault is
// the line's, and no detector is to blame.
void CGraduationAutopilot::CollectSilent(const AutopilotInput& in, AutopilotDecision& out) {
  const auto cycles = std::chrono::duration<double>(windows_.cycleS * (limits_.lostAfterPolls + 1));
  const auto quiet = std::max<std::chrono::duration<double>>(limits_.staleAfter, cycles);
  std::vector<int> silent;
  std::vector<std::pair<int, SteadyTime>> lost;
  bool someAnswer = false;
  for (std::size_t i = 0; i < in.listed.size(); ++i) {
    const auto slot = std::size_t(in.listed[i]);
    if (!listedSince_[slot]) listedSince_[slot] = in.now;
    // A lost line silenced everyone: each detector's silence counts from its return.
    const SteadyTime last =
        std::max(lastAnswer_[slot] ? *lastAnswer_[slot] : *listedSince_[slot], lineBackAt_.value_or(SteadyTime{}));
    if (missed_[slot] < limits_.lostAfterPolls && in.now - last <= quiet) {
      someAnswer = true;
      continue;
    }
    silent.push_back(in.addresses[i]);
    lost.emplace_back(int(slot), last);
  }
  Hold(HoldCause::kDetectorsSilent, !silent.empty(), in.now, AddressList(silent), out);
  if (!someAnswer || holdSince_[std::size_t(HoldCause::kLineLost)]) return;
  for (const auto& [slot, last] : lost)
    if (in.now - last >= limits_.dropAfter) out.drop.push_back({slot, last});
}

// Every detector's temperature (or both signals) changed less than the limit
// over the window, all of it after `floor`; the unsteady ones go into `out`.
bool CGraduationAutopilot::Steady(const AutopilotInput& in, SteadyTime floor, bool temperature,
                                  AutopilotDecision& out) const {
  const Seconds window = temperature ? windows_.temperature : windows_.signal;
  const double limit = temperature ? limits_.temperatureSteadiness : limits_.signalSteadiness;
  const SteadyTime from = in.now - window;
  out.unsteadyTemperature = temperature;
  out.window = window;
  for (std::size_t i = 0; i < in.listed.size(); ++i) {
    const auto& kept = readings_[std::size_t(in.listed[i])];
    // Covered: the window lies after the floor and a reading stands at its
    // start (the last one before it), so the change is over the whole window,
    // not over the readings that happen to fall in it.
    auto first = std::find_if(kept.begin(), kept.end(), [&](const DetectorReading& r) { return r.at >= floor; });
    auto start = std::find_if(first, kept.end(), [&](const DetectorReading& r) { return r.at > from; });
    const bool covered =
        from >= floor && start != first && std::distance(start, kept.end()) >= limits_.windowPolls;
    if (start != first) --start;
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    double allowed = limit;
    for (auto it = start; it != kept.end(); ++it) {
      if (temperature) allowed = std::max(allowed, it->temperatureStep * 1.001);
      const double v[2] = {temperature ? it->temperature : it->r, temperature ? it->temperature : it->w};
      for (int k = 0; k < 2; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
    }
    const double change = lo[0] > hi[0] ? 0 : std::max(hi[0] - lo[0], hi[1] - lo[1]);
    if (covered && change < allowed) continue;
    out.unsteady.push_back(in.addresses[i]);
    out.worstChange = std::max(out.worstChange, change);
  }
  return out.unsteady.empty();
}

AutopilotDecision CGraduationAutopilot::Decide(const AutopilotInput& in) {
  AutopilotDecision out;
  if (in.stage < 1 || in.stage > 8) return out;
  EnterStep(in);
  out.stepSince = stepStart_;
  out.capturesPending = in.capturesPending;
  MeasureCycle(in, out);
  CommandChamber(in, out);
  CommandValves(in, out);
  CollectHolds(in, out);

  const ChamberReading& c = in.chamber;
  out.chamberMeasured = c.measured;
  out.chamberTarget = in.stageTemperature;
  // A silent chamber is a hold of its own; away is what an answer says.
  out.chamberAway = c.answered && std::fabs(c.measured - in.stageTemperature) > limits_.chamberTolerance;
  out.gateClosed = !in.runGate;
  bool ready = c.answered && !out.chamberAway && in.runGate && in.capturesPending == 0;
  const SteadyTime fresh = freshSince_ ? std::max(stepStart_, *freshSince_) : stepStart_;
  if (in.step == 0) {
    ready = Steady(in, fresh, true, out) && ready;
  } else {
    SteadyTime floor = fresh;
    if (!in.withoutGas) {
      const GasValve wanted = StepValve(in.step);
      out.valveMoving = in.capturesPending > 0 || !in.valves.answered || in.valves.open != wanted;
      if (!out.valveMoving) {
        floor = std::max(floor, in.valves.since);
        const SteadyTime flowFrom = freshSince_ ? std::max(in.valves.since, *freshSince_) : in.valves.since;
        const auto flowed = std::chrono::duration_cast<Seconds>(in.now - flowFrom);
        out.flowLeft = std::max(Seconds(0), limits_.minGasFlow - flowed);
      }
      ready = ready && !out.valveMoving && out.flowLeft == Seconds(0);
    }
    ready = Steady(in, floor, false, out) && ready;
  }
  out.confirm = ready && out.holds.empty() && !confirmed_;
  if (out.confirm) confirmed_ = true;
  return out;
}

std::string WallClockText(SteadyTime at, SteadyTime now, std::chrono::system_clock::time_point wallNow) {
  using namespace std::chrono;
  const auto wall = floor<seconds>(wallNow - duration_cast<system_clock::duration>(now - at));
  const std::tm tm = platform::LocalTime(system_clock::to_time_t(wall));
  return Format("%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
}

std::string AutopilotStatus(const AutopilotDecision& d, SteadyTime now,
                            std::chrono::system_clock::time_point wallNow, LanguageIndex l) {
  auto clock = [&](SteadyTime at) { return WallClockText(at, now, wallNow); };
  std::vector<std::string> parts;
  for (const AutopilotHold& h : d.holds) {
    std::string what;
    switch (h.cause) {
      case HoldCause::kChamberSilent: what = txt::kApChamberSilent(l); break;
      case HoldCause::kSetPointTimeout: what = txt::kApSetPointTimeout(l); break;
      case HoldCause::kValvesSilent: what = txt::kApValvesSilent(l); break;
      case HoldCause::kDetectorsSilent: what = Format(txt::kApDetectorsSilent(l), h.detail.c_str()); break;
      case HoldCause::kLineLost:
        what = Format(txt::kApLineLost(l), h.detail.c_str());
        break;
      case HoldCause::kFolderFails:
        what = Format(txt::kApFolderFails(l), h.detail.c_str());
        break;
    }
    const bool named = h.cause == HoldCause::kDetectorsSilent || h.cause == HoldCause::kLineLost ||
                       h.cause == HoldCause::kFolderFails;
    if (!named && !h.detail.empty()) what += " (" + h.detail + ")";
    parts.push_back(Format(txt::kApHold(l), clock(h.since).c_str(), what.c_str()));
  }
  if (d.chamberAway) parts.push_back(Format(txt::kApChamber(l), d.chamberMeasured, d.chamberTarget));
  if (!d.unsteady.empty()) {
    const long long s = d.window.count();
    const std::string window = s >= 120 && s % 60 == 0 ? Format(txt::kApMinutes(l), int(s / 60))
                                                       : Format(txt::kApSeconds(l), int(s));
    parts.push_back(Format(d.unsteadyTemperature ? txt::kApNotSteadyT(l) : txt::kApNotSteadySignal(l),
                           AddressList(d.unsteady).c_str(), d.worstChange, window.c_str()));
  }
  if (d.capturesPending > 0) parts.push_back(Format(txt::kApCaptures(l), d.capturesPending));
  else if (d.valveMoving) parts.push_back(txt::kApValveMoving(l));
  if (d.flowLeft.count() > 0)
    parts.push_back(Format(txt::kApGasFlow(l), int(d.flowLeft.count() / 60), int(d.flowLeft.count() % 60)));
  if (d.gateClosed) parts.push_back(txt::kApGateClosed(l));
  const long long inStep = std::chrono::duration_cast<std::chrono::seconds>(now - d.stepSince).count();
  parts.push_back(Format(txt::kApStepSince(l), clock(d.stepSince).c_str(),
                         Format("%lld:%02lld:%02lld", inStep / 3600, inStep / 60 % 60, inStep % 60).c_str()));
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : "; ") + p;
  return s;
}

}  // namespace kvl
