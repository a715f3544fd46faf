#pragma once
// Fixed measures of the main window's table and graph panel, and the helpers
// the table's layout is computed with.
#include <QFont>
#include <QString>
#include <array>
#include <vector>

#include "detector/detector_kinds.h"
#include "detector/table_columns.h"

namespace kvl {

// The column headers start below the lowest control shown above them, never higher than this.
inline constexpr int kTableTopMin = 100;
inline constexpr int kTableMargin = 3;
// The graph panel starts this far above its plot.
inline constexpr int kGraphMargin = 8;
// A row needs room for a 16-pixel font and a button frame; a wider pitch
// than this only spreads the table thin.
inline constexpr int kMinRowPitch = 20;
// A low screen closes the rows down to this pitch before the graph loses its least height.
inline constexpr int kLeastRowPitch = 18;
inline constexpr int kMaxRowPitch = 26;
inline constexpr int kMinWindowWidth = 1020;
inline constexpr int kMinWindowHeight = 400;
// Below the table the graph keeps at least this much height; a lower window scrolls.
inline constexpr int kMinPlotHeight = 100;
// A screen too low for the mode's graph top gives the graph this much
// before the rows get closer together.
inline constexpr int kWantedPlotHeight = 220;
// The graph's five controls stand in a row of this height above the plot,
// clear of the y labels in its left margin.
inline constexpr int kGraphControlsHeight = 20;

// Top of the graph's plot by operating mode.
inline constexpr std::array<int, kOperatingModeCount> kModeGraphTops = {674, 529, 423, 503, 478, 405, 328};
constexpr int ModeGraphTop(int mode) {
  return mode >= 0 && mode < kOperatingModeCount ? kModeGraphTops[std::size_t(mode)] : kModeGraphTops[0];
}

// The pitch that fits twenty rows from rowsTop to the graph's controls
// above the graph top, within the readable range.
int RowPitchFor(int rowsTop, int graphTop);
// The graph top for a view `height` pixels high: the mode's, or higher where
// the mode's would leave the graph less than kWantedPlotHeight, as far as
// twenty rows at kMinRowPitch allow; on a view too low for those and
// kMinPlotHeight, the rows close up to kLeastRowPitch.
int GraphTopFor(int rowsTop, int modeGraphTop, int height);

// The columns from left to right.
const std::array<Column, kColumnCount>& DisplayOrder();
// The columns a header stands over ("Relay 1" and "Relay 2" also over their pictures).
std::vector<Column> HeaderGroup(Column column);

// Header fonts from the widest (0, the controls' width-6 font) to the
// narrowest, kHeaderFontLevels - 1.
inline constexpr int kHeaderFontLevels = 5;
// The narrowest header font a column is made narrow enough for (width 5).
inline constexpr int kLeastHeaderFontLevel = 1;
// A value cell's text keeps half this from either edge of its cell.
inline constexpr int kCellTextPadding = 6;
// A header's text keeps this far from either edge of its label.
inline constexpr int kHeaderSideMargin = 3;
const QFont& HeaderFont(int level);
// Least width (padding included) at which a header text fits `height`
// pixels in header font `level`, wrapped at blanks.
int HeaderWidth(const QString& text, int level, int height);
// The widest header font in which the text fits; the narrowest when none does.
int HeaderFontFor(const QString& text, int width, int height);
int HeaderLineHeight();

// What the table's placement depends on; placed again when it changes.
struct TablePlacementKey {
  int tableTop = 0;
  int type = -1;
  int mode = -1;
  bool kurView = false;
  bool rawView = false;
  bool searchData = false;
  int language = -1;
  int width = 0;
  int height = 0;  // of the view: it decides the graph top on a low screen
  bool operator==(const TablePlacementKey&) const = default;
};

}  // namespace kvl
