#include "graduation/graduation_run_stages.h"

#include "detector/detector_kinds.h"

namespace kvl {

int StageTemperature(int type, int stage, int tLow, int tHigh) {
  static constexpr int kZ5[kGraduationStages] = {85, 65, 45, 22, 0, -20, -40, -60};
  if (stage < 1) stage = 1;
  if (stage > kGraduationStages) stage = kGraduationStages;
  if (type == kTypeZ5) return kZ5[stage - 1];
  // Rounded by adding 0.5 and truncating.
  return tLow + int(double(kGraduationStages - stage) * (tHigh - tLow) / 7 + 0.5);
}

}  // namespace kvl
