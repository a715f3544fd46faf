#pragma once
// The decisions of a run that confirms its own steps: what the chamber and
// the valves should be told, and whether the current step may be confirmed,
// from the chamber's last reading, the valves' last state and the detectors'
// own recent readings. It is one more source of the run's "   Done": whoever
// drives the run (the window, kvlctl graduate) feeds it readings, asks
// Decide() now and then, carries out the commands and, on `confirm`, calls the
// run's OnDone.
//
// What it owns: each detector's readings over the longest window, when each
// command was last sent, since when each fault has lasted.
// What it never does: touch a line, a file or the run; guess. A missing,
// stale or unreadable reading holds the step (naming why and since when),
// never confirms it, and the hold ends by itself when the reading is back.
#include <array>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "chamber/chamber_control.h"
#include "detector/detector_kinds.h"
#include "graduation/autopilot_rules.h"
#include "text/language.h"

namespace kvl {

// One answered poll of a detector, as the autopilot weighs it.
struct DetectorReading {
  SteadyTime at{};
  // degC, through the type's conversion where the detector counts in device
  // units: the profile's limits speak degrees.
  double temperature = 0;
  double r = 0, w = 0;     // the two channel signals, register counts
  // The smallest change the detector can report, in degC (a tenth, a whole
  // degree, or one device unit): a reading that flips by one step is as
  // steady as it can be.
  double temperatureStep = 0.1;
};

struct AutopilotInput {
  SteadyTime now{};
  int stage = 0;  // the run's; 1..8 while it runs
  int step = 0;   // 0 temperature, 1 zero, 2 high, 3 middle, 4 zero again
  bool withoutGas = false;
  double stageTemperature = 0;
  // The run's own gate for "   Done": the stabilisation wait has passed
  // (step 0), every detector has answered since the last confirmation (gas steps).
  bool runGate = false;
  // The run's detectors still in it, answering or not: a silent one stays
  // listed, so it is named, never passed over.
  std::vector<int> listed;     // slots
  std::vector<int> addresses;  // their Modbus addresses, for naming them
  ChamberReading chamber;
  ValveState valves;  // not looked at without gas
  int capturesPending = 0;  // detectors whose capture writes of the last confirmation have not run
  // The devices of the lines (detector, chamber, valve module) that are gone
  // and waited for: nothing said over them counts, nothing is confirmed.
  std::vector<std::string> linesLost;
  // The data folder refuses the run's data, logs or state ("folder: reason");
  // empty while everything written lately was written.
  std::string folderFailure;
};

enum class HoldCause {
  kChamberSilent,
  kSetPointTimeout,
  kValvesSilent,
  kDetectorsSilent,
  kLineLost,     // detail: the lost lines' devices
  kFolderFails,  // detail: the folder and the system's reason
};
inline constexpr int kHoldCauses = 6;

struct AutopilotHold {
  HoldCause cause = HoldCause::kChamberSilent;
  SteadyTime since{};
  std::string detail;     // the chamber's or the valves' reason, the silent detectors' addresses
};

// The windows the run judges steadiness by, once the poll cycle is known.
struct AutopilotWindows {
  double cycleS = 0;  // the slowest detector's mean time between its answered polls
  int detectors = 0;
  AutopilotRules::Seconds temperature{0}, signal{0};
};

struct AutopilotDecision {
  std::optional<double> setPoint;    // send the chamber this set point
  std::optional<GasValve> openValve;  // move the valves to this
  bool confirm = false;               // the step is done: call the run's OnDone
  std::vector<AutopilotHold> holds;   // empty: not holding
  // Detectors silent for the rules' dropAfter while others answer: the run
  // goes on without them.
  struct Silent {
    int slot = -1;
    SteadyTime since{};  // the last answer (or when the run first listed it)
  };
  std::vector<Silent> drop;
  // The poll cycle measured and the windows it gives, when first known and
  // whenever they change by a quarter or more: worth saying once.
  std::optional<AutopilotWindows> windowsChanged;

  // What the step still waits for (empty when it waits for nothing).
  bool chamberAway = false;  // measured temperature outside the tolerance
  double chamberMeasured = 0, chamberTarget = 0;
  std::vector<int> unsteady;  // addresses of detectors not steady yet
  bool unsteadyTemperature = false;  // true: their temperature, false: their signal
  double worstChange = 0;             // the largest change among them over the window
  AutopilotRules::Seconds window{0};
  AutopilotRules::Seconds flowLeft{0};  // the gas has to flow this much longer
  bool valveMoving = false;              // the valves have not confirmed the step's gas yet
  bool gateClosed = false;               // the run's stabilisation wait or seen flags
  int capturesPending = 0;
  SteadyTime stepSince{};
};

class CGraduationAutopilot {
 public:
  explicit CGraduationAutopilot(AutopilotRules limits = {});

  const AutopilotRules& Limits() const { return limits_; }
  // A detector's answered poll. Readings older than the longest window go.
  void OnReading(int slot, const DetectorReading& reading);
  // A poll of the detector that got no valid answer.
  void OnMissedPoll(int slot);
  // The windows in use now (the profile's, stretched to the poll cycle).
  AutopilotWindows Windows() const { return windows_; }
  AutopilotDecision Decide(const AutopilotInput& in);
  // The valve a step feeds: zero for 1 and 4, high for 2, middle for 3, none for 0.
  static GasValve StepValve(int step);

 private:
  void EnterStep(const AutopilotInput& in);
  void CommandChamber(const AutopilotInput& in, AutopilotDecision& out);
  void CommandValves(const AutopilotInput& in, AutopilotDecision& out);
  void CollectHolds(const AutopilotInput& in, AutopilotDecision& out);
  void CollectSilent(const AutopilotInput& in, AutopilotDecision& out);
  void MeasureCycle(const AutopilotInput& in, AutopilotDecision& out);
  AutopilotRules::Seconds Keep() const;
  bool Steady(const AutopilotInput& in, SteadyTime floor, bool temperature, AutopilotDecision& out) const;
  void Hold(HoldCause cause, bool active, SteadyTime now, std::string detail, AutopilotDecision& out);

  AutopilotRules limits_;
  std::array<std::deque<DetectorReading>, kSlotCount> readings_;
  std::array<std::optional<SteadyTime>, kSlotCount> lastAnswer_;
  std::array<std::optional<SteadyTime>, kSlotCount> listedSince_;
  std::array<int, kSlotCount> missed_{};  // polls missed in a row
  AutopilotWindows windows_, announced_;
  std::array<std::optional<SteadyTime>, kHoldCauses> holdSince_;
  int stage_ = 0, step_ = -1;
  SteadyTime stepStart_{};
  // Since a lost line or a refusing folder last let go: the step's readings
  // and recorded samples before it have a gap, so its windows and its gas
  // time count from here.
  std::optional<SteadyTime> freshSince_;
  std::optional<SteadyTime> lineBackAt_;  // when a lost line last came back
  bool confirmed_ = false;  // this step was confirmed; wait for the run to move on
  std::optional<double> setPointSent_;
  SteadyTime setPointFirstAt_{}, setPointLastAt_{};
  std::optional<GasValve> valveSent_;
  SteadyTime valveSentAt_{};
};

// The stage field's line: the holds with their start, what the step waits
// for, and since when it runs ("chamber 64.2 -> 65.0 °C; detectors 3, 7 not
// steady: dT 0.6 °C over 10 min; step since 10:32:05 (0:12:40)"). Wall-clock
// times from `wallNow`, the moment that is `d.`'s `now`, to the sub-second:
// a start shown from whole seconds would step back and forth by one.
// "hh:mm:ss" of the wall clock at the steady moment `at`, `wallNow` being `now`.
std::string WallClockText(SteadyTime at, SteadyTime now, std::chrono::system_clock::time_point wallNow);

std::string AutopilotStatus(const AutopilotDecision& d, SteadyTime now,
                            std::chrono::system_clock::time_point wallNow, LanguageIndex language);

}  // namespace kvl
