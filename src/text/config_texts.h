#pragma once
// Language-dependent comments inside the configuration file (the display limit
// lines name their quantity from the quantity list of selector_lists.h).
#include "text/language.h"

namespace kvl::txt {

// Comment of the extrapolation flag line; the Spanish column is empty.
extern const TextEntry kExtrapolationComment;  // "deltaDmax depends from extrapolated D[i] values"

}  // namespace kvl::txt
