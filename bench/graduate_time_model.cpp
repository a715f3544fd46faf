// The ideal run and the reading of kvlctl graduate's step lines; see the
// header for what the ideal assumes.
#include "graduate_time_model.h"

#include <chrono>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <memory>

#include "chamber/chamber_protocol.h"
#include "detector/register_map.h"
#include "graduation/graduation_autopilot.h"
#include "link/modbus_frames.h"
#include "sim/sim_bus.h"
#include "sim/sim_chamber.h"
#include "text/format.h"

namespace kvl::bench {
namespace {

using Nanos = std::chrono::nanoseconds;

// The simulator's world as the ideal run steps it: the bus without a line,
// frozen (time scale 0), so only Tick moves it.
class CIdealWorld {
 public:
  explicit CIdealWorld(const IdealSetup& s) : s_(s), bus_(s.seed) {
    bus_.SetChamberTemperature(s.startC);
    bus_.SetTimeScale(0);
    for (int a = 1; a <= s.count; ++a) {
      SimDetectorSetup d = DefaultSimSetup(s.type, std::uint8_t(a), s.seed);
      d.temperature = s.startC + 2;  // as kvlsim powers its detectors up
      bus_.AddDetector(d);
    }
    WriteConcentrations();
    chamber_ = std::make_unique<CSimChamber>(s.chamber, bus_, s.seed);
  }

  void Tick(double wallS) {
    chamber_->Advance(wallS * s_.speed);
    bus_.Advance(wallS * s_.speed);
  }

  // What the chamber link would send for a set point.
  void SetPoint(double c) {
    if (s_.chamber.protocol == ChamberProtocol::kAscii) {
      chamber_->AnswerAscii(FormatSetCommand(s_.chamber.ascii, c));
      return;
    }
    const ModbusChamberRegisters& m = s_.chamber.modbus;
    chamber_->AnswerModbus(BuildWriteSingle(std::uint8_t(m.address), 6, std::uint16_t(m.setPointRegister),
                                            TemperatureWord(m, c).value_or(0)));
  }

  ChamberReading Chamber(SteadyTime now) const {
    ChamberReading r;
    r.answered = true;
    r.measured = chamber_->Air();
    r.setPoint = chamber_->SetPointC();
    r.at = now;
    return r;
  }

  // Each detector's registers as a poll would read them.
  DetectorReading Reading(int address, SteadyTime now) const {
    const RegisterImage image = *bus_.Registers(address);
    DetectorReading r;
    r.at = now;
    r.temperature = NominalCelsius(s_.type, Temperature(s_.type, ImageView(image)));
    r.temperatureStep = CountsInDeviceUnits(s_.type)                ? 1.0 / DeviceUnitsPerDegree(s_.type)
                        : LayoutFor(s_.type).temperatureInTenths ? 0.1
                                                                  : 1.0;
    r.r = Signed16(image[reg::kR]);
    r.w = Signed16(image[reg::kW]);
    return r;
  }

  // The gas the relay module lets through for a step: clean air while closed.
  void Feed(int step) {
    const GasValve v = CGraduationAutopilot::StepValve(step);
    if (v == GasValve::kClosed) bus_.SetGasVolume(0, 0);
    else bus_.FeedGraduationGas(0, v == GasValve::kZero ? 0 : v == GasValve::kMiddle ? 1 : 2);
  }

 private:
  // The run writes GRAD_CONC1/2 from its concentrations and each LEL_CONC.
  void WriteConcentrations() {
    if (s_.type != kTypeZ5) return;
    for (int a = 1; a <= s_.count; ++a) {
      const double lel = bus_.Registers(a)->at(reg::z5::LEL_CONC);
      if (lel <= 0) continue;
      const auto word = [&](double c) { return std::uint16_t(std::clamp(std::floor(c / lel * 1e6 + 0.5), 1.0, 65535.0)); };
      bus_.HandleRequest(BuildWriteSingle(std::uint8_t(a), 6, reg::z5::GRAD_CONC1, word(s_.conc1)));
      bus_.HandleRequest(BuildWriteSingle(std::uint8_t(a), 6, reg::z5::GRAD_CONC2, word(s_.conc2)));
    }
  }

  const IdealSetup& s_;
  CSimBus bus_;
  std::unique_ptr<CSimChamber> chamber_;
};

}  // namespace

// Stage by stage, step by step: the autopilot is asked at every tick, the
// chamber gets its set points as the autopilot sends them, and the step
// ends at the first tick it confirms.
IdealRun ComputeIdealRun(const IdealSetup& s) {
  IdealRun out;
  for (auto& stage : out.steps) stage.fill(-1);
  CIdealWorld world(s);
  AutopilotRules rules = RulesFromProfile(s.chamber);
  if (s.temperatureWindowS > 0) rules.temperatureWindow = AutopilotRules::Seconds(std::llround(s.temperatureWindowS));
  if (s.signalWindowS > 0) rules.signalWindow = AutopilotRules::Seconds(std::llround(s.signalWindowS));
  CGraduationAutopilot pilot(rules);
  const auto tick = Nanos(std::llround(s.tickS * 1e9));
  const SteadyTime origin{};
  SteadyTime now = origin + std::chrono::hours(1);  // room for the autopilot's look back
  auto poll = [&] {
    for (int a = 1; a <= s.count; ++a) pilot.OnReading(a - 1, world.Reading(a, now));
  };
  poll();
  for (int stage = 1; stage <= kGraduationStages; ++stage) {
    for (int step = 0; step < kStageSteps; ++step) {
      const SteadyTime start = now;
      world.Feed(step);
      AutopilotInput in;
      in.stage = stage;
      in.step = step;
      in.stageTemperature = StageTemperature(s.type, stage, -50, 85);
      for (int a = 1; a <= s.count; ++a) in.listed.push_back(a - 1), in.addresses.push_back(a);
      in.valves = {true, CGraduationAutopilot::StepValve(step), start, ""};
      for (;;) {
        in.now = now;
        in.chamber = world.Chamber(now);
        const std::chrono::duration<double> inStep = now - start;
        in.runGate = step > 0 || inStep.count() >= s.stabilizationS - 1e-9;
        const AutopilotDecision d = pilot.Decide(in);
        if (d.setPoint) world.SetPoint(*d.setPoint);
        if (d.confirm) break;
        HeldBy& held = out.temperatureStep[std::size_t(stage - 1)];
        const double next = inStep.count() + s.tickS;
        if (step == 0 && d.chamberAway) held.chamber = next;
        if (step == 0 && !d.unsteady.empty()) held.housings = next;
        if (step == 0 && d.gateClosed) held.wait = next;
        if (inStep.count() > s.giveUpS) {
          out.why = Format("stage %d step %d did not end within %.0f s", stage, step, s.giveUpS);
          return out;
        }
        world.Tick(s.tickS);
        now += tick;
        poll();
      }
      out.steps[std::size_t(stage - 1)][std::size_t(step)] = std::chrono::duration<double>(now - start).count();
    }
  }
  out.complete = true;
  return out;
}

namespace {

// *v untouched unless the whole text is the number.
bool ParseDouble(std::string_view text, double* v) {
  double d = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  *v = d;
  return true;
}

// Seconds since the epoch (UTC taken as local: only differences matter) of
// "dd.mm.yyyy hh:mm:ss".
bool StampSeconds(std::string_view t, double* s) {
  int d, mo, y, h, mi, se;
  if (t.size() != 19 || std::sscanf(std::string(t).c_str(), "%2d.%2d.%4d %2d:%2d:%2d", &d, &mo, &y, &h, &mi, &se) != 6)
    return false;
  using namespace std::chrono;
  const year_month_day day{year(y), month(unsigned(mo)), std::chrono::day(unsigned(d))};
  if (!day.ok()) return false;
  *s = double(sys_days(day).time_since_epoch().count()) * 86400 + h * 3600 + mi * 60 + se;
  return true;
}

}  // namespace

MeasuredRun ParseGraduateLog(std::istream& in) {
  MeasuredRun out;
  for (auto& stage : out.steps) stage.fill(-1);
  struct Event {
    int stage, step;
    double at;
  };
  std::vector<Event> events;
  std::string line;
  while (std::getline(in, line)) {
    std::string_view v(line);
    double arrived = -1;
    if (const auto sp = v.find(' '); sp != std::string_view::npos && v.substr(0, sp).find('.') != std::string_view::npos &&
                                     ParseDouble(v.substr(0, sp), &arrived))
      v.remove_prefix(sp + 1);
    if (const auto at = v.find("poll cycle"); at != std::string_view::npos) {
      out.notes.emplace_back(v.substr(at));
      double cycle = 0;
      int detectors = 0, t = 0, w = 0;
      if (std::sscanf(out.notes.back().c_str(),
                      "poll cycle %lf s over %d detector(s): steadiness judged over %d s (temperature), %d s (signal)",
                      &cycle, &detectors, &t, &w) == 4)
        out.temperatureWindowS = t, out.signalWindowS = w;
    }
    double stamp = 0;
    int stage = 0, step = 0;
    if (v.size() < 20 || !StampSeconds(v.substr(0, 19), &stamp) ||
        std::sscanf(std::string(v.substr(20)).c_str(), "stage %d step %d:", &stage, &step) != 2)
      continue;
    events.push_back({stage, step, arrived >= 0 ? arrived : stamp});
  }
  for (std::size_t i = 0; i + 1 < events.size(); ++i) {
    const Event& e = events[i];
    if (e.stage >= 1 && e.stage <= kGraduationStages && e.step >= 0 && e.step < kStageSteps)
      out.steps[std::size_t(e.stage - 1)][std::size_t(e.step)] = events[i + 1].at - e.at;
  }
  out.complete = !events.empty() && events.back().stage == kGraduationStages + 1;
  return out;
}

}  // namespace kvl::bench
