#include "detector/slot_values.h"

#include "detector/register_map.h"

namespace kvl {

void UpdateSlotValues(SlotValues& values, ImageView image, const DecodeContext& context) {
  const int type = context.type;
  values.gasNameText = GasNameText(type, GasCode(image), context.language);

  if (!context.fromAddressSearch || context.mode == kModeImitation)
    values.concentrationLel = ConcentrationLel(image);
  if (context.fromAddressSearch || !IsValidDetectorType(type)) return;

  const RegisterLayout& layout = LayoutFor(type);
  values.emitterPowerWord = image[layout.emitterPower];
  values.KUR = image[layout.KUR];
  values.KUW = image[layout.KUW];
  if (type == kTypeKvelt)
    values.emitterPower = KveltEmitterPower(image[layout.emitterVoltage1], image[layout.emitterVoltage2]);
}

}  // namespace kvl
