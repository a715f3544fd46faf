#pragma once
// The window's fixed fonts: "Arial" (fontconfig gives Liberation Sans, which
// has the same glyph widths), cell height 16 px, normal weight, in one of the
// character widths 4 to 9 the cells pick from.
//
// The old platform chose a font by average character width; Qt cannot, so the
// width becomes a horizontal stretch. A cell height of 16 px is an em of
// 16 * 2048 / 2288 = 14.3 px for Arial's metrics (ascent 1854 + descent 434
// units of 2048), taken as pixel size 14. Arial's average character width is
// 904/2048 em, 6.18 px at 14 px, so width w is drawn at stretch
// 100 * w / 6.18 percent: 4 -> 65, 5 -> 81, 6 -> 97, 7 -> 113, 8 -> 129, 9 -> 146.
// The character set of the old fonts (ANSI or Cyrillic) has no meaning with
// Unicode text and is not modelled.
#include <QFont>

namespace kvl {

inline constexpr int kFixedFontCellHeight = 16;
inline constexpr int kFixedFontPixelSize = 14;
inline constexpr int kMinFontWidth = 4;
inline constexpr int kMaxFontWidth = 9;
inline constexpr int kDefaultFontWidth = 6;

// Stretch percentage of character width w (clamped to 4..9).
int FixedFontStretch(int charWidth);

// The fixed font of character width `charWidth` (clamped to 4..9), underlined
// on request (the window's second width-6 font).
QFont FixedFont(int charWidth = kDefaultFontWidth, bool underline = false);

}  // namespace kvl
