#pragma once
// What a graduation run may ask of the climate chamber and of the gas valves,
// and what it may know of them. The chamber and valve links implement these;
// the run's autopilot and its tests hold only these, so a run can be driven
// by the real links, by the simulator's, or by recorded readings.
//
// What it owns: the vocabulary (a reading, its age, the valve positions).
// What it never does: open a line, parse a profile, or decide a step.
#include <chrono>
#include <string>

namespace kvl {

using SteadyTime = std::chrono::steady_clock::time_point;

// The last thing the chamber said, or why it said nothing.
struct ChamberReading {
  bool answered = false;  // false: no answer yet, no answer lately, or a reply that was no number
  double measured = 0;    // air temperature, degrees Celsius
  double setPoint = 0;    // the set point the chamber reports
  SteadyTime at{};        // when this reading was taken (answered) or refused
  std::string reason;     // while !answered: what went wrong, in the operator's language
  std::string lineLost = {};  // the line's device while it is gone and waited for; "" while open
};

class IChamberControl {
 public:
  virtual ~IChamberControl() = default;
  // Queues a set point; the link sends it, journals it and reports by the next reading.
  // False (and nothing sent) when the temperature is outside the profile's range.
  virtual bool SetPoint(double celsius) = 0;
  // Sets the profile's park temperature (and its stop command, if any).
  virtual void Park() = 0;
  virtual ChamberReading Last() const = 0;
};

// The rest state is all closed; at most one gas flows at a time.
enum class GasValve { kClosed, kZero, kMiddle, kHigh };

struct ValveState {
  bool answered = false;         // the module confirmed the last change
  GasValve open = GasValve::kClosed;
  SteadyTime since{};            // when the module confirmed `open`
  std::string reason;            // while !answered: what went wrong
  std::string lineLost = {};     // its own line's device while gone and waited for; "" otherwise
};

class IValveControl {
 public:
  virtual ~IValveControl() = default;
  // Closes the others first, then opens this one; kClosed closes all.
  virtual void Open(GasValve valve) = 0;
  virtual ValveState Last() const = 0;
};

}  // namespace kvl
