#pragma once
// Automatic emitter-power tuning of KVELT detectors: the coefficient that
// brings the computed emitter power to the window's target, from the slope
// seen between the last tuning and now. Two steps so that the window can ask
// its OK/Cancel question between them:
//
//   // P: SlotValues::emitterPower; k: SlotValues::emitterPowerWord (register 55)
//   EmitterTuningStep step = ComputeEmitterTuning(memory[s], P, k, target, lang);
//   if (!step.question.empty() && !operator.AskOkCancel(step.question)) return;
//   CommandOutcome out = CommitEmitterTuning(memory[s], row, step);   // queue out.writes
//
// Never talks to the link or the window.
#include <string>

#include "commands/command_types.h"

namespace kvl {

// What the window keeps per row between tunings.
struct EmitterTuningMemory {
  bool firstTuning = true;  // set for every row when an address search starts
  double P0 = 0;            // computed power at the last tuning
  int k0 = 0;               // coefficient at the last tuning
};

// Slope (power per coefficient step) of a fresh detector, and the least slope
// believed from two tunings.
inline constexpr double kEmitterDefaultSlope = 0.00015323322096230462;
inline constexpr double kEmitterMinSlope = 0.00005;
inline constexpr int kEmitterMaxCoefficient = 4095;

struct EmitterTuningStep {
  double P = 0;  // the row's computed power now
  int k = 0;     // its coefficient now (register 55 as last read)
  int k1 = 0;    // the coefficient to write, held to 0..4095
  double slope = kEmitterDefaultSlope;
  std::string question;  // non-empty: ask it with OK and Cancel; Cancel ends the command
};

// Step 1: the new coefficient. Clears the first-tuning flag (also when the
// question is then cancelled).
EmitterTuningStep ComputeEmitterTuning(EmitterTuningMemory& memory, double P, int k, double target,
                                       LanguageIndex language);

// Step 2, after OK (or without a question): remembers P0 = P and k0 = k and
// gives the write of k1 to register 55 of `target`'s detector.
CommandOutcome CommitEmitterTuning(EmitterTuningMemory& memory, const CommandTarget& target,
                                   const EmitterTuningStep& step);

}  // namespace kvl
