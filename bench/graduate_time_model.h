#pragma once
// The least time a simulated graduation can take, step by step, and the
// times a run of `kvlctl graduate` took, read from its step lines.
//
// The ideal steps the simulator's own chamber and detectors at model time
// (no line, no threads) and lets the run's own autopilot rules decide each
// step at the earliest tick its conditions hold. What it assumes:
//  - the chamber takes a set point the moment it is due and moves at its full
//    rate, then settles as its model does; its air is read without noise and
//    without delay (the real run reads it every poll_interval);
//  - every detector is polled every tick and a poll takes no time, so the
//    windows are the profile's, not stretched to a poll cycle;
//  - a valve opens the moment its step begins, and the captures of the last
//    step were written at once (the real run waits for both on the line);
//  - a temperature step may end when the chamber is within tolerance, every
//    housing changed less than steady_temperature_limit over the window (as
//    the register reads it, through the type's conversion) and the
//    stabilization wait has passed; a gas step when the gas has flowed
//    min_gas_flow_time and both signals of every detector changed less than
//    steady_signal_limit over a window that began after the valve opened.
// Wall seconds are model seconds over the speed factor, as kvlsim --speed runs.
//
// What it owns: the ideal run's model and clock, the reading of the step lines.
// What it never does: start a process, open a line, or judge a wall-clock time.
#include <array>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "chamber/profiles.h"
#include "detector/detector_kinds.h"
#include "graduation/graduation_run_stages.h"

namespace kvl::bench {

// A stage's steps: 0 temperature, 1 zero gas, 2 high, 3 middle, 4 zero again.
inline constexpr int kStageSteps = 5;
// Seconds of each step, [stage - 1][step]; negative where unknown.
using StepSeconds = std::array<std::array<double, kStageSteps>, kGraduationStages>;

struct IdealSetup {
  ChamberProfile chamber;
  double speed = 300;          // model seconds per wall second (kvlsim --speed)
  double stabilizationS = 5;   // kvlctl graduate --stabilization
  int type = kTypeZ5;
  int count = 4;
  double startC = 20;          // kvlsim --temp: the chamber's air at the start
  double conc1 = 0.5, conc2 = 1.0;  // kvlctl graduate --conc, vol.%
  std::uint64_t seed = 1;      // kvlsim --seed
  double tickS = 0.01;         // wall seconds between the model's steps and polls
  double giveUpS = 3600;       // a step that never ends within this is reported so
  // Windows to judge by instead of the profile's (the ones the run stretched
  // its own to, say); 0 keeps the profile's.
  double temperatureWindowS = 0, signalWindowS = 0;
};

// When each condition of an ideal temperature step last held it back, seconds
// into the step (0: never): what the step's ideal time is made of.
struct HeldBy {
  double chamber = 0;   // the air outside the tolerance
  double housings = 0;  // some housing not steady over the window
  double wait = 0;      // the stabilization wait
};

struct IdealRun {
  StepSeconds steps{};
  std::array<HeldBy, kGraduationStages> temperatureStep{};
  bool complete = false;
  std::string why;  // when not complete: the step that did not end
};

IdealRun ComputeIdealRun(const IdealSetup& setup);

struct MeasuredRun {
  StepSeconds steps{};
  bool complete = false;           // the run reached its end (stage 9's line)
  std::vector<std::string> notes;  // the run's own lines on its windows and poll cycle
  // The windows the run last said it judges by, seconds; 0 when it said none.
  double temperatureWindowS = 0, signalWindowS = 0;
};

// Lines "dd.mm.yyyy hh:mm:ss stage N step K: ...", each optionally led by
// the epoch second it arrived at ("1765300000.123456 "), which is taken
// before kvlctl's whole-second stamp.
MeasuredRun ParseGraduateLog(std::istream& in);

}  // namespace kvl::bench
