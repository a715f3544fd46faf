#pragma once
// The relative drop of the working channel W, in units of 0.01 %, that a run
// without calibration gas assumes at each graduation point: "a" for the
// middle gas mixture (W1), "b" for the high one (W2). Methane (gas code 1)
// has its own pair; every other gas shares one.
#include "graduation/calc_types.h"

namespace kvl {

struct WithoutGasDrops {
  GradPoints middle;  // a
  GradPoints high;    // b
};

const WithoutGasDrops& WithoutGasDropsFor(int gasCode);

}  // namespace kvl
