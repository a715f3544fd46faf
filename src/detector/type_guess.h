#pragma once
// Which detector type a register image most likely comes from, for tools that
// find detectors without being told their type (kvlctl scan). A guess from the
// settings that each layout mirrors: the gas setting equals the status word's
// gas code, the serial setting equals the serial number's low word, LEL_CONC
// is set, the output current is a loop current, and the type's own
// registers hold values of their kind. Never used to decode a row.
#include "detector/detector_kinds.h"

namespace kvl {

// How well the image fits the type's layout (higher fits better; 0 nothing).
int TypeFitScore(int type, ImageView image);

// The type whose layout fits best, or -1 when none fits both the gas and the
// serial setting. Ties go to the lower type number.
int GuessDetectorType(ImageView image);

}  // namespace kvl
