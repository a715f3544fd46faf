// Geometry of the detector table: which columns the mode and type show, in
// which order, how wide, and a row pitch that fits twenty rows above the
// graph panel.
#include <QCheckBox>
#include <QFontMetrics>
#include <QScrollArea>
#include <QStyle>
#include <QStringList>
#include <algorithm>

#include "ui/controls/color_static_st.h"
#include "ui/controls/fixed_font.h"
#include "detector/poll_sets.h"
#include "text/selector_lists.h"
#include "ui/main_window/column_widths.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/main_window/table_placement.h"
#include "ui/main_window/window_fonts.h"

namespace kvl {

namespace {

using C = Column;

// Identity first, then the measured values, the derived values and
// counters, the relay block, and the command buttons at the right.
constexpr C kDisplayOrder[] = {
    C::ModbusNumber, C::Imitation,     C::Serial,     C::Firmware,     C::Gas,
    C::Lel,          C::T,             C::D,          C::W,            C::R,
    C::Dm,           C::Wo,            C::Ro,         C::HeaterPower,  C::ZeroShift,
    C::VolumePercent, C::Milliamps,    C::Kur,        C::Kuw,          C::Cv,
    C::CvVol,        C::BadGraduation, C::Flags,      C::Disconnections, C::MinCrosses,
    C::MaxCrosses,   C::ZeroingNegative, C::ShowNegative, C::SensorTemperature, C::Ru6310,
    C::FlowSpeed,    C::Relay1,        C::Relay1Image, C::Relay2,      C::Relay2Image,
    C::ConditionImage, C::Latching1,   C::Latching2,  C::RelayTest,    C::LelConc,
    C::SetZero,      C::MainCalibr,    C::AddCalibr,  C::MagnCalibr,   C::FactoryDefaults,
    C::Limit1,       C::Limit2,        C::PEmitter,   C::HeatingLimit, C::FlowLimit,
    C::SwitchToHart, C::GradRecalc,    C::SettToFile, C::SettFromFile, C::CompareSett,
};
static_assert(std::size(kDisplayOrder) == kColumnCount, "every column has its place");

// Value cells pick their font by the length of their text (the core's
// FitFont): four characters in the widest font, five or six in a narrower
// one, more in the narrowest. A cell as wide as the widest of those shows
// every value whole.
int ValueWidth() {
  static const int width = [] {
    const int four = QFontMetrics(WindowFont(7)).horizontalAdvance(QStringLiteral("0000"));
    const int six = QFontMetrics(WindowFont(5)).horizontalAdvance(QStringLiteral("-0.000"));
    const int seven = QFontMetrics(WindowFont(4)).horizontalAdvance(QStringLiteral("0000000"));
    return std::max({four, six, seven}) + kCellTextPadding;
  }();
  return width;
}

ColumnNeed ContentNeed(C c, LanguageIndex language) {
  switch (ColumnOf(c).kind) {
    case ColumnKind::PushButton:
      // "Modbus #" shows an address of at most three digits.
      return c == C::ModbusNumber ? ColumnNeed{44, 34} : ColumnNeed{26, 22};
    case ColumnKind::Image: return {20, 17};
    case ColumnKind::ThreeStateCheck:
    case ColumnKind::Check: return {22, 18};
    default: break;
  }
  // A 32-bit serial number reads up to ten digits.
  if (c == C::Serial) {
    const int digits = std::max(ValueWidth(), QFontMetrics(WindowFont(4)).horizontalAdvance(QStringLiteral("4294967295")) + kCellTextPadding);
    return {digits + 10, digits};
  }
  // Gas names run longer than numbers ("Cyclo- pentane").
  if (c == C::Gas) {
    const int name = QFontMetrics(WindowFont(4)).horizontalAdvance(QStringLiteral("Cyclo- pentane")) + 6;
    return {name + 12, name};
  }
  // The switch cells read "enable" or "disable" in the window's language.
  if (c == C::ZeroingNegative || c == C::ShowNegative) {
    int word = 0;
    for (const TextEntry& e : kSwitchesLower)
      word = std::max(word, QFontMetrics(WindowFont(4)).horizontalAdvance(QString::fromUtf8(e(language))) + kCellTextPadding);
    return {std::max(word, ValueWidth()) + 10, std::max(word, ValueWidth())};
  }
  return {ValueWidth() + 10, ValueWidth()};
}

}  // namespace

// ---------------------------------------------------------------------------

const QFont& HeaderFont(int level) {
  // The fixed fonts of widths 6, 5 and 4, then width 4 in smaller sizes for
  // the long single words (mostly Russian ones) of a crowded table.
  static const std::array<QFont, kHeaderFontLevels> fonts = [] {
    std::array<QFont, kHeaderFontLevels> made{WindowFont(6), WindowFont(5), WindowFont(4), WindowFont(4),
                                              WindowFont(4)};
    made[3].setPixelSize(12);
    made[4].setPixelSize(11);
    return made;
  }();
  return fonts[std::size_t(std::clamp(level, 0, kHeaderFontLevels - 1))];
}

int HeaderWidth(const QString& text, int level, int height) {
  const QFontMetrics fm(HeaderFont(level));
  int widest = 0;
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
    widest = std::max(widest, fm.horizontalAdvance(word));
  // Room on both sides (the header labels' margins), so that neighbouring
  // headers never run into each other.
  constexpr int kPadding = 2 * kHeaderSideMargin;
  for (int w = widest; w < 600; w += 2) {
    const QRect r = fm.boundingRect(QRect(0, 0, w, 1000), Qt::TextWordWrap | Qt::AlignHCenter, text);
    if (r.height() <= height + 2 && r.width() <= w) return w + kPadding;
  }
  return 600;
}

int HeaderFontFor(const QString& text, int width, int height) {
  for (int level = 0; level < kHeaderFontLevels - 1; ++level)
    if (HeaderWidth(text, level, height) <= width) return level;
  return kHeaderFontLevels - 1;
}

int HeaderLineHeight() { return QFontMetrics(WindowFont(kDefaultFontWidth)).lineSpacing(); }

std::vector<Column> HeaderGroup(Column column) {
  if (column == C::Relay1) return {C::Relay1, C::Relay1Image};
  if (column == C::Relay2) return {C::Relay2, C::Relay2Image};
  return {column};
}

const std::array<Column, kColumnCount>& DisplayOrder() {
  static const std::array<Column, kColumnCount> order = [] {
    std::array<Column, kColumnCount> o{};
    std::copy(std::begin(kDisplayOrder), std::end(kDisplayOrder), o.begin());
    return o;
  }();
  return order;
}

namespace {
// The graph top right under twenty rows of this pitch.
int TopBelowRows(int rowsTop, int pitch) {
  return rowsTop + kSlotCount * pitch + kGraphMargin + kGraphControlsHeight + 4;
}
}  // namespace

int RowPitchFor(int rowsTop, int graphTop) {
  const int fit = (graphTop - 4 - kGraphMargin - kGraphControlsHeight - rowsTop) / kSlotCount;
  return std::clamp(fit, kLeastRowPitch, kMaxRowPitch);
}

int GraphTopFor(int rowsTop, int modeGraphTop, int height) {
  const int floor = std::clamp(height - kPlotBottomMargin - kMinPlotHeight, TopBelowRows(rowsTop, kLeastRowPitch),
                               TopBelowRows(rowsTop, kMinRowPitch));
  return std::max(floor, std::min(modeGraphTop, height - kPlotBottomMargin - kWantedPlotHeight));
}

// ---------------------------------------------------------------------------

namespace {

// The header band and which columns the mode and type show.
TableGeometry PlacedColumns(const TableLayout& layout, int tableTop) {
  TableGeometry g;
  g.headerTop = tableTop;
  // Room for three lines of header text; the relay test shares it with "On".
  g.headerHeight = 3 * HeaderLineHeight() + 4;
  g.rowsTop = g.headerTop + g.headerHeight + 2;
  for (const ColumnInfo& info : Columns()) g.placed[size_t(info.column)] = ColumnShown(info.column, layout, false);
  return g;
}

std::array<ColumnNeed, kColumnCount> ContentNeeds(const TableGeometry& g, LanguageIndex language) {
  std::array<ColumnNeed, kColumnCount> need{};
  for (const ColumnInfo& info : Columns())
    if (g.placed[size_t(info.column)]) need[size_t(info.column)] = ContentNeed(info.column, language);
  return need;
}

// The placed columns in display order (into `order`) and their needs.
std::vector<ColumnNeed> NeedsInDisplayOrder(const TableGeometry& g,
                                            const std::array<ColumnNeed, kColumnCount>& need,
                                            std::vector<Column>& order) {
  std::vector<ColumnNeed> needs;
  for (Column c : DisplayOrder())
    if (g.placed[size_t(c)]) {
      needs.push_back(need[size_t(c)]);
      order.push_back(c);
    }
  return needs;
}

void SumTableWidths(TableGeometry& g, const std::vector<ColumnNeed>& needs) {
  g.naturalRight = g.leastRight = kTableMargin;
  for (const ColumnNeed& n : needs) {
    g.naturalRight += n.natural + 1;
    g.leastRight += n.least + 1;
  }
}

}  // namespace

void CKvlDlg::LayOutTable() {
  TableGeometry g = PlacedColumns(table_.Layout(), tableTop_);
  // What each placed column needs, headers included.
  std::array<ColumnNeed, kColumnCount> need = ContentNeeds(g, config_.language);
  AddHeaderNeeds(g, need);
  std::vector<Column> order;
  const std::vector<ColumnNeed> needs = NeedsInDisplayOrder(g, need, order);
  SumTableWidths(g, needs);
  FitRowsAboveGraph(g);
  ShareCanvasWidth(g, needs, order);
  geometry_ = g;
  PlaceCells(g);
  PlaceHeaders(g);
  KeepIdentityInView();
  PlaceGraphControls();
  PlaceStagePrompt();
  c_.separator->setGeometry(kTableMargin, tableTop_ - 5, canvas_->width() - 2 * kTableMargin, 2);
  canvas_->update();
}

void CKvlDlg::AddHeaderNeeds(const TableGeometry& g, std::array<ColumnNeed, kColumnCount>& need) const {
  const int lineHeight = HeaderLineHeight();
  for (int h = 0; h < kHeaderCount; ++h) {
    const HeaderInfo& header = Headers()[size_t(h)];
    const QString text = c_.headers[size_t(h)]->text();
    const bool split = header.column == C::RelayTest;
    const int height = split ? g.headerHeight - lineHeight - 2 : g.headerHeight - 2;
    // A header may wrap onto more lines, but its font never gets narrower
    // than width 5 to make a column fit: a squeezed table scrolls instead.
    ColumnNeed headerNeed{HeaderWidth(text, 0, height), HeaderWidth(text, kLeastHeaderFontLevel, height)};
    ColumnNeed members{};
    Column first = header.column;
    bool any = false;
    for (Column c : HeaderGroup(header.column)) {
      if (!g.placed[size_t(c)]) continue;
      if (!any) first = c;
      any = true;
      members.natural += need[size_t(c)].natural;
      members.least += need[size_t(c)].least;
    }
    if (!any) continue;
    need[size_t(first)].natural += std::max(0, headerNeed.natural - members.natural);
    need[size_t(first)].least += std::max(0, headerNeed.least - members.least);
  }
}

void CKvlDlg::FitRowsAboveGraph(TableGeometry& g) {
  // Twenty readable rows come first: where the mode's graph top leaves too
  // little room for them, the graph starts below the table instead; a low
  // screen moves it up, closing the rows, so that the graph keeps its room
  // in the view (above the scroll bar a table wider than the view needs).
  const int wantedTop = GraphTopFor(g.rowsTop, ModeGraphTop(config_.mode), ViewHeight(g.leastRight + kTableMargin));
  g.pitch = RowPitchFor(g.rowsTop, wantedTop);
  g.cellHeight = g.pitch - 1;
  graphTop_ = std::max(wantedTop, TopBelowRows(g.rowsTop, g.pitch));
}

void CKvlDlg::ShareCanvasWidth(TableGeometry& g, const std::vector<ColumnNeed>& needs,
                               const std::vector<Column>& order) const {
  const int available = canvas_->width() - 2 * kTableMargin - int(order.size());
  const std::vector<int> widths = ShareColumnWidths(needs, available);
  int x = kTableMargin;
  for (std::size_t i = 0; i < order.size(); ++i) {
    g.x[size_t(order[i])] = x;
    g.width[size_t(order[i])] = widths[i];
    x += widths[i] + 1;
  }
  g.right = x;
}

void CKvlDlg::PlaceCells(const TableGeometry& g) {
  for (const ColumnInfo& info : Columns()) {
    const size_t col = size_t(info.column);
    for (int r = 0; r < kSlotCount; ++r) {
      QWidget* w = c_.cells[col][size_t(r)];
      CellState& state = c_.cellState[col][size_t(r)];
      if (!g.placed[col]) {
        if (state.visible != 0) {
          w->setVisible(false);
          state.visible = 0;
        }
        continue;
      }
      w->setGeometry(g.x[col], g.rowsTop + r * g.pitch, g.width[col], g.cellHeight);
    }
  }
}

void CKvlDlg::PlaceHeaders(const TableGeometry& g) {
  const int lineHeight = HeaderLineHeight();
  for (int h = 0; h < kHeaderCount; ++h) {
    const HeaderInfo& header = Headers()[size_t(h)];
    CColorStaticST* label = c_.headers[size_t(h)];
    int left = -1, right = -1;
    for (Column c : HeaderGroup(header.column)) {
      if (!g.placed[size_t(c)]) continue;
      if (left < 0) left = g.x[size_t(c)];
      right = g.x[size_t(c)] + g.width[size_t(c)];
    }
    if (left < 0) {
      label->setVisible(false);
      continue;
    }
    int top = g.headerTop, height = g.headerHeight;
    if (header.column == C::RelayTest) {
      const bool onLine = header.id != ColumnOf(C::RelayTest).headerId;
      height = onLine ? lineHeight : g.headerHeight - lineHeight;
      top = onLine ? g.headerTop + g.headerHeight - lineHeight : g.headerTop;
    }
    label->setGeometry(left, top, right - left, height);
    const int font = HeaderFontFor(label->text(), right - left, height - 2);
    if (c_.headerFont[size_t(h)] != font) {
      label->setFont(HeaderFont(font));
      c_.headerFont[size_t(h)] = std::int8_t(font);
    }
    label->setVisible(true);
  }
}

int CKvlDlg::ViewHeight(int canvasWidth) const {
  const QSize view = scroll_->maximumViewportSize();
  const int bar = canvasWidth > view.width() ? scroll_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
  return view.height() - bar;
}

void CKvlDlg::FitCanvas() {
  // The controls above the table reach the language selector's right edge.
  const int least = std::max({kMinWindowWidth, geometry_.leastRight + kTableMargin});
  const QSize view = scroll_->maximumViewportSize();
  const int w = std::max(view.width(), least);
  const int h = std::max(ViewHeight(w), graphTop_ + kMinPlotHeight);
  if (canvas_->size() != QSize(w, h)) canvas_->resize(w, h);
}

void CKvlDlg::FitWindowToTable() {
  if (fitting_) return;
  const int need = std::max(kMinWindowWidth, geometry_.naturalRight + kTableMargin);
  if (isWindow() && width() < need) {
    // Grown as far as the screen allows, moved left where the right edge would leave it.
    const QRect frame = frameGeometry();
    frameChecked_ = false;
    PlaceFrame(frame.x(), frame.y(), need, height());
  }
  FitCanvas();
}

void CKvlDlg::LayOutTableIfChanged() {
  const TableLayout& layout = table_.Layout();
  tableTop_ = std::max(kTableTopMin, TopControlsBottom() + 8);
  const TablePlacementKey key{tableTop_,
                              layout.type,
                              layout.mode,
                              layout.kurView,
                              layout.rawView,
                              layout.pollSetEcho == kPollSetAddressSearch,
                              int(config_.language),
                              canvas_->width(),
                              scroll_->maximumViewportSize().height()};
  if (key == placementKey_) return;
  // What the table shows changed (not only the room it has): the window may need to grow.
  TablePlacementKey shown = key, before = placementKey_;
  shown.width = before.width = 0;
  shown.height = before.height = 0;
  shown.tableTop = before.tableTop = 0;
  placementKey_ = key;
  LayOutTable();
  if (shown != before)
    FitWindowToTable();
  else
    FitCanvas();
}

}  // namespace kvl
