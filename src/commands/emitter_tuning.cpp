#include "commands/emitter_tuning.h"

#include <cmath>

#include "detector/register_map.h"
#include "text/command_texts.h"

namespace kvl {

EmitterTuningStep ComputeEmitterTuning(EmitterTuningMemory& memory, double P, int k, double target,
                                       LanguageIndex language) {
  EmitterTuningStep step;
  step.P = P;
  step.k = k;
  if (!memory.firstTuning && k != memory.k0) {
    const double seen = (P - memory.P0) / double(k - memory.k0);
    // A flat or falling slope from noisy readings would send the coefficient
    // far off: never believe less than the least slope.
    step.slope = std::isfinite(seen) && seen >= kEmitterMinSlope ? seen : kEmitterMinSlope;
  }
  memory.firstTuning = false;
  const double k1 = std::floor((target - P) / step.slope + k + 0.5);
  if (!(k1 > 0)) {
    step.k1 = 0;
    step.question = std::string(txt::kPowerTuningMin(language)) + "  ";
  } else if (k1 >= kEmitterMaxCoefficient) {
    step.k1 = kEmitterMaxCoefficient;
    step.question = std::string(txt::kPowerTuningMax(language)) + "  ";
  } else {
    step.k1 = int(k1);
  }
  return step;
}

CommandOutcome CommitEmitterTuning(EmitterTuningMemory& memory, const CommandTarget& target,
                                   const EmitterTuningStep& step) {
  memory.P0 = step.P;
  memory.k0 = step.k;
  CommandOutcome out;
  const int r = LayoutFor(target.type).emitterPower;
  if (r >= 0) out.writes.push_back({target.slave, std::uint16_t(r), std::uint16_t(step.k1)});
  return out;
}

}  // namespace kvl
