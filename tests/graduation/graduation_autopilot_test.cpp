// The autopilot's decisions on recorded readings: steady, not steady, stale,
// a set point not reached in time, a hold that ends by itself, and the gas
// steps' flow time and capture writes.
#include "graduation/graduation_autopilot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

namespace kvl {
namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::seconds;

const SteadyTime kT0 = SteadyTime() + 100h;

AutopilotRules TestRules() {
  AutopilotRules l;
  l.chamberTolerance = 0.5;
  l.temperatureSteadiness = 0.3;
  l.temperatureWindow = 600s;
  l.signalSteadiness = 30;
  l.signalWindow = 180s;
  l.minGasFlow = 300s;
  l.setPointTimeout = 3600s;
  l.staleAfter = 30s;
  l.resendAfter = 20s;
  return l;
}

struct Case {
  const char* name;
  int step;
  Seconds length;       // readings every 5 s from the step's start to here
  Seconds silentLast;   // detector 2 stopped answering this long before the end
  std::function<DetectorReading(int slot, Seconds t)> reading;
  double chamberMeasured;
  bool chamberAnswered;
  Seconds valveOpenAt;  // since the step's start
  bool gate;
  int capturesPending;
  bool confirm;
  std::vector<HoldCause> holds;
  std::vector<int> unsteady;  // addresses
  Seconds temperatureWindow = 600s;
};

DetectorReading Flat(int, Seconds) { return {{}, 45.0, 2300, 2000}; }
DetectorReading Drifting(int slot, Seconds t) {  // detector 2 warms 0.1 degC a minute
  return {{}, 45.0 + (slot == 1 ? t.count() / 600.0 : 0), 2300, 2000};
}
DetectorReading Flipping(int, Seconds t) {  // a type without tenths, at the edge of a degree
  return {{}, t.count() % 10 ? 45.0 : 46.0, 2300, 2000, 1.0};
}
DetectorReading Plunging(int slot, Seconds t) {  // detector 2 reaches the air only at the last poll
  return {{}, slot == 1 && t < 900s ? 50.0 : 45.0, 2300, 2000};
}
DetectorReading SignalFalling(int slot, Seconds t) {  // detector 1's W falls 20 a minute
  return {{}, 45.0, 2300, 2000 - (slot == 0 ? t.count() / 3.0 : 0)};
}

TEST(GraduationAutopilot, DecisionsOnRecordedReadings) {
  using H = HoldCause;
  const Case cases[] = {
      {"steady temperature", 0, 900s, 0s, Flat, 45.1, true, 0s, true, 0, true, {}, {}},
      {"window not yet covered", 0, 400s, 0s, Flat, 45.1, true, 0s, true, 0, false, {}, {1, 2}},
      {"stabilisation wait not over", 0, 900s, 0s, Flat, 45.1, true, 0s, false, 0, false, {}, {}},
      {"chamber still away", 0, 900s, 0s, Flat, 44.2, true, 0s, true, 0, false, {}, {}},
      {"detector lags the air", 0, 900s, 0s, Drifting, 45.0, true, 0s, true, 0, false, {}, {2}},
      // The change is over the whole window: from the poll before it, not only the one in it.
      {"a window shorter than the polls", 0, 900s, 0s, Plunging, 45.0, true, 0s, true, 0, false, {}, {2}, 4s},
      {"whole degrees flip by one", 0, 900s, 0s, Flipping, 45.0, true, 0s, true, 0, true, {}, {}},
      {"stale detector", 0, 900s, 45s, Flat, 45.0, true, 0s, true, 0, false, {H::kDetectorsSilent}, {}},
      {"chamber silent", 0, 900s, 0s, Flat, 45.0, false, 0s, true, 0, false, {H::kChamberSilent}, {}},
      {"set point not reached in time", 0, 3700s, 0s, Flat, 40.0, true, 0s, true, 0, false,
       {H::kSetPointTimeout}, {}},
      {"gas steady and flowed long enough", 2, 600s, 0s, Flat, 45.0, true, 60s, true, 0, true, {}, {}},
      {"gas flowed too short", 2, 600s, 0s, Flat, 45.0, true, 400s, true, 0, false, {}, {}},
      {"signal still falling", 3, 600s, 0s, SignalFalling, 45.0, true, 10s, true, 0, false, {}, {1}},
      {"seen flags not all set", 1, 600s, 0s, Flat, 45.0, true, 10s, false, 0, false, {}, {}},
      {"capture writes pending", 4, 600s, 0s, Flat, 45.0, true, 10s, true, 1, false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AutopilotRules rules = TestRules();
    rules.temperatureWindow = c.temperatureWindow;
    CGraduationAutopilot pilot(rules);
    AutopilotInput in;
    in.stage = 3;
    in.step = c.step;
    in.stageTemperature = 45;
    in.listed = {0, 1};
    in.addresses = {1, 2};
    in.runGate = c.gate;
    in.capturesPending = c.capturesPending;
    in.now = kT0;
    in.chamber = {true, 45, 45, kT0, ""};
    const AutopilotDecision first = pilot.Decide(in);
    if (c.step == 0) {
      EXPECT_EQ(first.setPoint, 45.0);
    }
    for (Seconds t = 0s; t <= c.length; t += 5s)
      for (int slot = 0; slot < 2; ++slot) {
        if (slot == 1 && t > c.length - c.silentLast) continue;
        DetectorReading r = c.reading(slot, t);
        r.at = kT0 + t;
        pilot.OnReading(slot, r);
      }
    in.now = kT0 + c.length;
    in.chamber = {c.chamberAnswered, c.chamberMeasured, 45, in.now - 2s, c.chamberAnswered ? "" : "timeout"};
    const GasValve gas = CGraduationAutopilot::StepValve(c.step);
    in.valves = {true, gas, kT0 + c.valveOpenAt, ""};
    const AutopilotDecision d = pilot.Decide(in);
    EXPECT_EQ(d.confirm, c.confirm);
    std::vector<HoldCause> holds;
    for (const AutopilotHold& h : d.holds) holds.push_back(h.cause);
    EXPECT_EQ(holds, c.holds);
    if (!c.unsteady.empty() || c.confirm) {
      EXPECT_EQ(d.unsteady, c.unsteady);
    }
    // A step is confirmed once; the next decision waits for the run to move on.
    if (c.confirm) {
      EXPECT_FALSE(pilot.Decide(in).confirm);
    }
    // While capture writes run, the next gas is not commanded.
    if (c.capturesPending > 0) {
      EXPECT_FALSE(first.openValve.has_value());
    }
    if (c.step > 0 && c.capturesPending == 0) {
      EXPECT_EQ(first.openValve, gas);
    }
  }
}

// A chamber that falls silent holds the step from that moment; the hold ends
// and the step is confirmed by itself once it answers again.
TEST(GraduationAutopilot, HoldEndsByItselfAndNamesItsStart) {
  CGraduationAutopilot pilot(TestRules());
  AutopilotInput in;
  in.stage = 5;
  in.step = 0;
  in.stageTemperature = 0;
  in.listed = {0};
  in.addresses = {7};
  in.runGate = true;
  for (Seconds t = 0s; t <= 1200s; t += 5s) {
    pilot.OnReading(0, {kT0 + t, 0.1, 2300, 2000});
    in.now = kT0 + t;
    const bool silent = t >= 500s && t < 900s;
    in.chamber = {!silent, 0.2, 0, silent ? kT0 + 495s : in.now, silent ? "no answer" : ""};
    const AutopilotDecision d = pilot.Decide(in);
    if (t == 800s) {
      ASSERT_EQ(d.holds.size(), 1u);
      EXPECT_EQ(d.holds[0].since, kT0 + 500s);
      EXPECT_EQ(d.holds[0].detail, "no answer");
      EXPECT_FALSE(d.confirm);
      // The hold's start reads the same at every look, however the second is split.
      const auto wall = std::chrono::system_clock::from_time_t(36000) + std::chrono::milliseconds(700);
      const std::string status = AutopilotStatus(d, in.now, wall, kEnglish);
      EXPECT_NE(status.find("HOLD since"), std::string::npos) << status;
      for (int ms = 100; ms < 3000; ms += 100) {
        const std::string later = AutopilotStatus(d, in.now + std::chrono::milliseconds(ms),
                                                  wall + std::chrono::milliseconds(ms), kEnglish);
        EXPECT_EQ(later.substr(0, later.find(';')), status.substr(0, status.find(';'))) << ms;
      }
    }
    if (t < 900s) {
      EXPECT_FALSE(d.confirm) << t.count();
    }
    if (t == 900s) {
      EXPECT_TRUE(d.holds.empty());
      EXPECT_TRUE(d.confirm);
    }
  }
}

// A bus of twenty polled one after another, a detector every half second:
// each detector's window must hold its own polls, however short the
// profile's; a detector that stops answering is named after lostAfterPolls
// missed polls and let go after dropAfter, but only while others answer.
struct BusCase {
  const char* name;
  std::function<bool(int slot, Seconds t)> answers;
  Seconds length;
  bool confirm;
  std::vector<int> silent;   // addresses named in the hold at the end
  std::vector<int> dropped;  // slots let go by the end
};

TEST(GraduationAutopilot, AFullBusIsJudgedOnEachDetectorsOwnPolls) {
  auto all = [](int, Seconds) { return true; };
  auto sixDies = [](int slot, Seconds t) { return slot != 5 || t < 100s; };
  auto lineDies = [](int, Seconds t) { return t < 100s; };
  auto twoMisses = [](int slot, Seconds t) { return slot != 5 || t < 100s || t >= 120s; };
  const BusCase cases[] = {
      {"every detector steady over its own polls", all, 200s, true, {}, {}},
      {"one silent: named, not yet let go", sixDies, 200s, false, {6}, {}},
      {"one silent past dropAfter: let go, the rest confirm", sixDies, 400s, true, {}, {5}},
      {"the whole line silent: nobody to blame", lineDies, 400s, false,
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}, {}},
      {"two missed polls are no loss", twoMisses, 200s, true, {}, {}},
  };
  for (const BusCase& c : cases) {
    SCOPED_TRACE(c.name);
    AutopilotRules rules = TestRules();
    rules.temperatureWindow = 3s;  // a simulator's profile: shorter than one round of the bus
    rules.lostAfterPolls = 3;
    rules.dropAfter = 120s;
    CGraduationAutopilot pilot(rules);
    AutopilotInput in;
    in.stage = 1;
    in.step = 0;
    in.stageTemperature = 85;
    for (int s = 0; s < 20; ++s) {
      in.listed.push_back(s);
      in.addresses.push_back(s + 1);
    }
    AutopilotDecision d;
    bool confirmed = false;
    std::optional<AutopilotWindows> told;
    for (auto t = std::chrono::milliseconds(0); t <= c.length; t += 500ms) {
      const int slot = int(t.count() / 500 % 20);
      if (c.answers(slot, std::chrono::duration_cast<Seconds>(t)))
        pilot.OnReading(slot, {kT0 + t, 85.0, 2300, 2000, 1 / 3.7});
      else
        pilot.OnMissedPoll(slot);
      in.now = kT0 + t;
      in.chamber = {true, 85, 85, in.now, ""};
      in.runGate = t >= 130s;  // the stabilisation wait outlasts the first misses
      d = pilot.Decide(in);
      if (d.windowsChanged) told = d.windowsChanged;
      confirmed = confirmed || d.confirm;
      for (const auto& drop : d.drop) {
        EXPECT_EQ(drop.since, kT0 + std::chrono::milliseconds(500 * 5 + 10000 * 9)) << "the last answer";
        const auto at = std::find(in.listed.begin(), in.listed.end(), drop.slot) - in.listed.begin();
        in.listed.erase(in.listed.begin() + at);
        in.addresses.erase(in.addresses.begin() + at);
      }
    }
    EXPECT_EQ(confirmed, c.confirm);
    ASSERT_TRUE(told.has_value()) << "the run says which windows the poll cycle gives";
    EXPECT_NEAR(told->cycleS, 10, 0.01);
    EXPECT_GE(told->temperature, 15s);
    std::vector<int> silent;
    for (const AutopilotHold& h : d.holds)
      if (h.cause == HoldCause::kDetectorsSilent) silent.push_back(0);
    EXPECT_EQ(silent.empty(), c.silent.empty());
    if (!c.silent.empty()) {
      ASSERT_FALSE(d.holds.empty());
      std::string named;
      for (int a : c.silent) named += (named.empty() ? "" : ", ") + std::to_string(a);
      EXPECT_EQ(d.holds.back().detail, named);
    }
    std::vector<int> dropped;
    for (int s = 0; s < 20; ++s)
      if (std::find(in.listed.begin(), in.listed.end(), s) == in.listed.end()) dropped.push_back(s);
    EXPECT_EQ(dropped, c.dropped);
  }
}

// Taken up at a gas step after the chamber lost its air, the run sets the
// chamber first and opens the step's gas only once the air is back.
TEST(GraduationAutopilot, AResumedGasStepWaitsForTheAirBeforeTheGas) {
  CGraduationAutopilot pilot(TestRules());
  AutopilotInput in;
  in.stage = 2;
  in.step = 2;
  in.stageTemperature = 65;
  in.listed = {0};
  in.addresses = {1};
  std::optional<GasValve> opened;
  for (Seconds t = 0s; t <= 600s; t += 10s) {
    in.now = kT0 + t;
    in.chamber = {true, std::min(65.0, 22.0 + t.count() / 10.0), 65, in.now, ""};
    in.valves = {true, opened.value_or(GasValve::kClosed), kT0, ""};
    const AutopilotDecision d = pilot.Decide(in);
    if (t == 0s) {
      EXPECT_EQ(d.setPoint, 65.0);
    }
    if (t == 0s) {
      EXPECT_EQ(d.openValve, GasValve::kClosed) << "what the cut-off run left open closes first";
    } else if (d.openValve) {
      EXPECT_GE(in.chamber.measured, 64.5) << "gas into air still warming, at " << t.count();
      opened = d.openValve;
    }
  }
  EXPECT_EQ(opened, GasValve::kHigh);
}


// A lost line or a data folder that refuses the run's data holds the step,
// naming the device or the folder; once it is over the step is taken afresh:
// its window and its gas time count from the end of the gap, so the samples
// a confirmation rests on were all recorded.
TEST(GraduationAutopilot, AGapInTheDataHoldsAndTakesTheStepAfresh) {
  const struct {
    const char* name;
    int step;
    std::vector<std::string> lines;  // lost during the gap
    std::string folder;              // failing during the gap
    Seconds gapFrom, gapTo;
    Seconds confirmAt;  // the first confirmation
    HoldCause cause;
    const char* status;  // in the stage field during the gap
  } cases[] = {
      {"no gap", 0, {}, "", 0s, 0s, 600s, HoldCause::kLineLost, ""},
      {"detector line lost at a temperature step",
       0,
       {"/dev/ttyUSB0"},
       "",
       300s,
       500s,
       1100s,
       HoldCause::kLineLost,
       "line of /dev/ttyUSB0 lost, waiting for it to come back"},
      {"valve line lost while gas flows",
       2,
       {"/dev/ttyUSB2"},
       "",
       100s,
       200s,
       500s,
       HoldCause::kLineLost,
       "line of /dev/ttyUSB2 lost"},
      {"two lines lost",
       1,
       {"/dev/ttyUSB0", "/dev/ttyUSB1"},
       "",
       20s,
       40s,
       340s,
       HoldCause::kLineLost,
       "line of /dev/ttyUSB0, /dev/ttyUSB1 lost"},
      {"data folder full",
       3,
       {},
       "/data/: No space left on device",
       50s,
       400s,
       700s,
       HoldCause::kFolderFails,
       "data cannot be written: /data/: No space left on device"},
      {"folder fails before the window is full",
       0,
       {},
       "/data/: Read-only file system",
       400s,
       405s,
       1005s,
       HoldCause::kFolderFails,
       "data cannot be written: /data/: Read-only file system"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CGraduationAutopilot pilot(TestRules());
    AutopilotInput in;
    in.stage = 4;
    in.step = c.step;
    in.stageTemperature = 45;
    in.listed = {0};
    in.addresses = {1};
    in.runGate = true;
    std::optional<Seconds> confirmed;
    bool heldAll = true;
    for (Seconds t = 0s; t <= 2000s && !confirmed; t += 5s) {
      const bool gap = t >= c.gapFrom && t < c.gapTo;
      if (!gap || c.lines.empty()) pilot.OnReading(0, {kT0 + t, 45.0, 2300, 2000});
      in.now = kT0 + t;
      in.chamber = {true, 45, 45, in.now, ""};
      in.valves = {true, CGraduationAutopilot::StepValve(c.step), kT0 + 10s, ""};
      in.linesLost = gap ? c.lines : std::vector<std::string>{};
      in.folderFailure = gap ? c.folder : "";
      const AutopilotDecision d = pilot.Decide(in);
      if (d.confirm) confirmed = t;
      if (!gap) continue;
      const bool held = std::any_of(d.holds.begin(), d.holds.end(), [&](const AutopilotHold& h) {
        return h.cause == c.cause && h.since == kT0 + c.gapFrom;
      });
      heldAll = heldAll && held && !d.confirm;
      const std::string status = AutopilotStatus(d, in.now, std::chrono::system_clock::now(), kEnglish);
      EXPECT_NE(status.find(c.status), std::string::npos) << status;
      EXPECT_NE(AutopilotStatus(d, in.now, std::chrono::system_clock::now(), kRussian)
                    .find(c.lines.empty() ? "данные не записываются" : "потеряна"),
                std::string::npos);
    }
    EXPECT_TRUE(heldAll);
    EXPECT_EQ(confirmed, c.confirmAt);
  }
}

}  // namespace
}  // namespace kvl
