#pragma once
// Values kept with a slot's register image besides its cell texts: what the
// commands, the settings files and the graduation read back later.
#include <cstdint>
#include <string>

#include "detector/decoding.h"

namespace kvl {

struct SlotValues {
  std::string gasNameText;             // gas name without "- ", for files and messages
  double emitterPower = 0;             // computed power, type KVELT only
  std::uint16_t emitterPowerWord = 0;  // last value of the emitter-power register
  std::uint16_t KUR = 0;               // last reference channel correction factor
  std::uint16_t KUW = 0;               // last working channel correction factor
  double concentrationLel = 0;         // last concentration in %LEL (limit crossings)
};

// Updates `values` from a freshly refreshed image. The gas name text always
// follows the status word (in the normal view's wording, also while the raw
// view is on); the measured values are kept from the last poll that read
// them when the data come from the address search's poll set (only the
// concentration, as in the table, still follows in "Imitation").
void UpdateSlotValues(SlotValues& values, ImageView image, const DecodeContext& context);

}  // namespace kvl
