#pragma once
// CGraphPanel: the graph below the detector table. It owns the graph's
// settings (view, grid, characteristic, axis ends, which series are shown)
// and draws the slots' sample histories, which it reads through a
// CGraphSource on every paint without copying them. Ranges, steps, labels
// and pixel positions come from graph/graph_geometry.h; this widget only
// paints them (into an off-screen image, copied to the screen in one step)
// and turns a right-click of a maximised window into the axis dialog. It
// never changes the histories, and never decides whether a control may act
// while a search or a calculation runs (the window asks the core).
//
// How the main window uses it:
//   - construction: CGraphPanel(source, runDialog, canvas); place it with
//     PanelGeometry(canvas width, canvas height, graph top) on every layout,
//     the five graph controls stand in a row above it;
//   - SetContext() on a mode, type or configuration change, SetLanguage() on
//     a language change;
//   - SamplesGrew() after a poll added samples, SamplesChanged() after
//     anything else changed the histories (emptied, read from files);
//   - a left click on value cell (slot r, quantity q): ToggleSeries(r, q),
//     and colour the cell with QuantityColor(q) when it returns true, black
//     otherwise; ClearSelection() when an address search starts;
//   - the controls: ChooseView() for "f(N)"/"f(T)" (after ViewChoiceAllowed),
//     ToggleGrid(), ToggleGradChar(); "Clear" empties the histories through
//     CGraphData::ClearSeries (after ClearAllowed) and calls SamplesChanged();
//     afterwards CaptionColors() gives the five controls' text colours.
#include <QDialog>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "graph/graph_geometry.h"
#include "text/language.h"

namespace kvl {

class CGraphPanel : public QWidget {
  Q_OBJECT

 public:
  // Runs the axis dialog and returns its result; null = exec().
  using DialogRunner = std::function<int(QDialog&)>;

  // `source` must outlive the panel.
  explicit CGraphPanel(const CGraphSource& source, DialogRunner runDialog = {}, QWidget* parent = nullptr);

  // Where the panel sits on a client area of this size: from 8 pixels above
  // the graph top down to the bottom, across the whole width.
  static QRect PanelGeometry(int clientWidth, int clientHeight, int graphTop);
  // The pen of quantity q.
  static QColor QuantityColor(int quantity);

  // ---- What the window tells it ----
  void SetContext(const GraphContext& context);
  void SetLanguage(LanguageIndex language) { language_ = language; }
  // The histories changed: repaint.
  void SamplesChanged();
  // The histories grew by a poll: repaint within kGrowthRepaintMs, once for
  // all the polls meanwhile; nothing while no series is selected, whose
  // picture the samples do not change.
  static constexpr int kGrowthRepaintMs = 250;
  void SamplesGrew();

  // ---- Series selection (value cell clicks) ----
  // Toggles slot s, quantity q; the new state. Out of range: false, nothing changes.
  bool ToggleSeries(int slot, int quantity);
  void SelectSeries(int slot, int quantity, bool on);
  bool SeriesSelected(int slot, int quantity) const;
  void ClearSelection();

  // ---- The graph controls ----
  // kGraphViewOfN or kGraphViewOfT; false for anything else.
  bool ChooseView(int view);
  void ToggleGrid();
  void ToggleGradChar();
  void SetAxisEnd(AxisEndIndex end, const AxisEnd& value);
  // Text colours of "GradChar", "Grid", "Clear", "f(N)", "f(T)".
  std::array<QColor, 5> CaptionColors() const;

  const GraphSettings& Settings() const { return settings_; }
  const GraphContext& Context() const { return context_; }
  // The plot rectangle in panel coordinates.
  PlotRect Plot() const;
  // The axes as the last paint computed them (for the window's tests).
  GraphAxes Axes() const;
  // Where the axis labels are written, in panel coordinates.
  std::vector<QRect> LabelRects() const;

  // Paints the whole panel at its current size into `image` (resized to
  // fit). paintEvent copies the same picture to the screen.
  void Render(QImage& image) const;
  // Adds to the last picture Render made what the selected histories grew
  // by since, when that picture's axes still hold every new sample: the
  // cost of a poll's repaint does not grow with the histories' length.
  // False, with nothing drawn, when the whole picture must be made again
  // (a history cut or cleared, a sample beyond the axes, the overlay shown).
  bool ExtendRender(QImage& image) const;

 signals:
  // The operator set an axis end through the dialog.
  void AxisEndChanged(int end);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Changed();
  void OpenAxisDialog(AxisEndIndex end);

  const CGraphSource& source_;
  DialogRunner runDialog_;
  GraphSettings settings_;
  GraphContext context_;
  LanguageIndex language_ = kRussian;
  QImage buffer_;
  bool dirty_ = true;
  bool grew_ = false;  // the histories grew since the picture was made
  QTimer growthTimer_;
  // What the last full picture was drawn with, and how far each series is drawn.
  mutable GraphAxes drawnAxes_;
  mutable std::array<std::array<std::size_t, kHistorySeriesCount>, kSlotCount> drawnCounts_{};
  bool swallowContextMenu_ = false;
  // Reused by every paint: no allocation per frame once grown.
  mutable std::vector<PixelPoint> points_;
  mutable std::vector<std::size_t> runs_;
};

}  // namespace kvl
