#include "text/config_texts.h"

namespace kvl::txt {

const TextEntry kExtrapolationComment = {
    {"deltaDmax depends from extrapolated D[i] values", "учёт экстраполированных D[i] при расчёте deltaDmax", ""}};

}  // namespace kvl::txt
