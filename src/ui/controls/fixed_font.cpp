#include "ui/controls/fixed_font.h"

#include <algorithm>

namespace kvl {

namespace {
constexpr int kArialAverageWidthUnits = 904;  // of 2048 per em
constexpr int kUnitsPerEm = 2048;
}  // namespace

int FixedFontStretch(int charWidth) {
  const int w = std::clamp(charWidth, kMinFontWidth, kMaxFontWidth);
  const double natural = double(kFixedFontPixelSize) * kArialAverageWidthUnits / kUnitsPerEm;
  return int(100.0 * w / natural + 0.5);
}

QFont FixedFont(int charWidth, bool underline) {
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);  // "family swiss"
  font.setPixelSize(kFixedFontPixelSize);
  font.setWeight(QFont::Normal);
  font.setStretch(FixedFontStretch(charWidth));
  font.setUnderline(underline);
  return font;
}

}  // namespace kvl
