#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>

#include "ui/controls/fixed_font.h"

namespace kvl {
namespace {

// A line of mixed text, as the cells show.
const QString kSample = QStringLiteral("Concentration 0123456789 LEL% Vol.%");

TEST(FixedFont, ArialSixteenPixelCell) {
  const QFont font = FixedFont();
  EXPECT_EQ(font.pixelSize(), kFixedFontPixelSize);
  EXPECT_EQ(font.weight(), QFont::Normal);
  EXPECT_FALSE(font.underline());
  EXPECT_TRUE(FixedFont(6, true).underline());
  // fonts-liberation stands in for Arial with the same glyph widths.
  const QString family = QFontInfo(font).family();
  EXPECT_TRUE(family.contains(QStringLiteral("Liberation Sans")) || family.contains(QStringLiteral("Arial")))
      << family.toStdString();
  const QFontMetricsF metrics(font);
  EXPECT_NEAR(metrics.ascent() + metrics.descent(), kFixedFontCellHeight, 1.5);
}

TEST(FixedFont, CharacterWidthsAreDrawnProportionally) {
  // Measured: if the stretch did not reach the glyphs, all widths would be equal.
  std::vector<double> widths;
  for (int w = kMinFontWidth; w <= kMaxFontWidth; ++w)
    widths.push_back(QFontMetricsF(FixedFont(w)).horizontalAdvance(kSample) / kSample.size());
  for (std::size_t i = 1; i < widths.size(); ++i) EXPECT_GT(widths[i], widths[i - 1]) << "width " << i + 4;
  EXPECT_NEAR(widths.back() / widths.front(), 9.0 / 4.0, 0.15);
  // Outside 4..9 the nearest width is used.
  EXPECT_EQ(FixedFontStretch(2), FixedFontStretch(4));
  EXPECT_EQ(FixedFontStretch(12), FixedFontStretch(9));
}

}  // namespace
}  // namespace kvl
