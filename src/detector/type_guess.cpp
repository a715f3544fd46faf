#include "detector/type_guess.h"

#include "detector/register_map.h"

namespace kvl {
namespace {

constexpr int kSettingPoints = 2;  // gas and serial settings: what every layout mirrors
constexpr int kLeastFit = 2 * kSettingPoints;
constexpr unsigned kMinLoopCurrent = 1500, kMaxLoopCurrent = 24000;  // 0.001 mA

}  // namespace

int TypeFitScore(int type, ImageView image) {
  if (!IsValidDetectorType(type)) return 0;
  const RegisterLayout& lay = LayoutFor(type);
  auto word = [&](int address) -> unsigned { return address >= 0 ? image[std::size_t(address)] : 0u; };
  int score = 0;
  const unsigned gas = GasCode(image);
  if (gas >= 1 && gas <= 85 && word(lay.gasSetting) == gas) score += kSettingPoints;
  if (image[reg::SER_NUM] != 0 && word(lay.serialSetting) == image[reg::SER_NUM]) score += kSettingPoints;
  if (word(lay.LEL_CONC) != 0) ++score;
  if (lay.outputCurrent >= 0 && word(lay.outputCurrent) >= kMinLoopCurrent &&
      word(lay.outputCurrent) <= kMaxLoopCurrent)
    ++score;
  if (lay.emitterVoltage1 >= 0 && word(lay.emitterVoltage1) != 0 && word(lay.emitterVoltage2) != 0) ++score;
  if (type == kTypeZ40) {
    const std::uint16_t test = image[std::size_t(lay.relayTest)];
    bool fields = test <= 0x3F;
    for (int shift : {reg::z40::kFieldServiceability, reg::z40::kFieldRelay1, reg::z40::kFieldRelay2})
      fields = fields && reg::z40::RelayField(test, shift) != 0;
    if (fields) score += kSettingPoints;
  }
  return score;
}

int GuessDetectorType(ImageView image) {
  int best = -1, bestScore = kLeastFit - 1;
  for (int type = 0; type < kDetectorTypeCount; ++type) {
    const int s = TypeFitScore(type, image);
    if (s > bestScore) {
      best = type;
      bestScore = s;
    }
  }
  return best;
}

}  // namespace kvl
