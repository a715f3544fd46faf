#include "ui/main_window/window_fonts.h"

#include <algorithm>
#include <array>

#include "ui/controls/fixed_font.h"

namespace kvl {

const QFont& WindowFont(int charWidth) {
  static const std::array<QFont, kMaxFontWidth - kMinFontWidth + 1> fonts = [] {
    std::array<QFont, kMaxFontWidth - kMinFontWidth + 1> made;
    for (int w = kMinFontWidth; w <= kMaxFontWidth; ++w) made[std::size_t(w - kMinFontWidth)] = FixedFont(w);
    return made;
  }();
  return fonts[std::size_t(std::clamp(charWidth, kMinFontWidth, kMaxFontWidth) - kMinFontWidth)];
}

}  // namespace kvl
