#include "ui/main_window/graph_panel.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "ui/controls/fixed_font.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/dialogs/enter_axis.h"
#include "ui/main_window/window_fonts.h"

namespace kvl {

namespace {

QColor ToQColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

// One pixel wide whatever the device: the raster engine draws such a pen
// with its fast line path instead of stroking a width-1 outline.
QPen OnePixelPen(const QColor& colour) {
  QPen pen(colour, 0);
  pen.setCosmetic(true);
  return pen;
}

const QFont& UnderlinedFont() {
  static const QFont font = FixedFont(kDefaultFontWidth, true);
  return font;
}

bool ValidSeries(int slot, int quantity) {
  return slot >= 0 && slot < kSlotCount && quantity >= 0 && quantity < kHistorySeriesCount;
}

// The curves are thousands of short one-pixel segments per frame: drawn
// straight into the off-screen picture, they cost a fraction of what the
// painter's per-segment set-up does. `clip` bounds are inclusive.
class CCurvePen {
 public:
  CCurvePen(QImage& image, const QRect& clip)
      : bits_(image.bits()), stride_(image.bytesPerLine()), clip_(clip.intersected(image.rect())) {}

  void SetColour(const QColor& colour) { colour_ = colour.rgb(); }

  void Polyline(const PixelPoint* points, std::size_t count) {
    // A run that fell on one pixel (a steady detector in f(T), a lone sample
    // after a break) still shows as that pixel.
    if (count == 1) Line(points[0], points[0]);
    for (std::size_t i = 1; i < count; ++i) Line(points[i - 1], points[i]);
  }

 private:
  bool Inside(PixelPoint p) const {
    return p.x >= clip_.left() && p.x <= clip_.right() && p.y >= clip_.top() && p.y <= clip_.bottom();
  }

  void Line(PixelPoint a, PixelPoint b) {
    if (Inside(a) && Inside(b)) return Bresenham(a.x, a.y, b.x, b.y);
    if (clip_.isEmpty()) return;
    // Cut the segment to the clip rectangle first (Liang-Barsky), so a point
    // far off the plot costs no more than one on it.
    const double x0 = a.x, y0 = a.y, dx = b.x - x0, dy = b.y - y0;
    double t0 = 0, t1 = 1;
    auto edge = [&](double p, double q) {
      if (p == 0) return q >= 0;
      const double r = q / p;
      if (p < 0) {
        if (r > t1) return false;
        t0 = std::max(t0, r);
      } else {
        if (r < t0) return false;
        t1 = std::min(t1, r);
      }
      return true;
    };
    if (!edge(-dx, x0 - clip_.left()) || !edge(dx, clip_.right() - x0) || !edge(-dy, y0 - clip_.top()) ||
        !edge(dy, clip_.bottom() - y0))
      return;
    auto cut = [&](double t, int lo, int hi, double origin, double d) {
      return std::clamp(int(std::lround(origin + t * d)), lo, hi);
    };
    Bresenham(cut(t0, clip_.left(), clip_.right(), x0, dx), cut(t0, clip_.top(), clip_.bottom(), y0, dy),
              cut(t1, clip_.left(), clip_.right(), x0, dx), cut(t1, clip_.top(), clip_.bottom(), y0, dy));
  }

  // Between two points inside the clip.
  void Bresenham(int ax, int ay, int bx, int by) {
    const int ddx = std::abs(bx - ax), sx = ax < bx ? 1 : -1;
    const int ddy = -std::abs(by - ay), sy = ay < by ? 1 : -1;
    int err = ddx + ddy;
    for (;;) {
      reinterpret_cast<QRgb*>(bits_ + qsizetype(ay) * stride_)[ax] = colour_;
      if (ax == bx && ay == by) break;
      const int e2 = 2 * err;
      if (e2 >= ddy) err += ddy, ax += sx;
      if (e2 <= ddx) err += ddx, ay += sy;
    }
  }

  uchar* bits_;
  qsizetype stride_;
  QRect clip_;
  QRgb colour_ = 0;
};

const QFont& LabelFont(const AxisLabel& label) {
  return label.underlined ? UnderlinedFont() : WindowFont(kDefaultFontWidth);
}

QString LabelText(const AxisLabel& label) {
  return QString::fromLatin1(label.text.data(), qsizetype(label.text.size()));
}

// Where a label's text goes, by its anchor and alignment.
QRect LabelRect(const AxisLabel& label) {
  const int w = QFontMetrics(LabelFont(label)).horizontalAdvance(LabelText(label));
  int left = label.x;
  if (label.align == LabelAlign::Centre) left -= w / 2;
  if (label.align == LabelAlign::Right) left -= w;
  return QRect(left, label.top, w + 1, kFixedFontCellHeight);
}

void DrawLabel(QPainter& p, const AxisLabel& label) {
  p.setFont(LabelFont(label));
  p.drawText(LabelRect(label), Qt::AlignLeft | Qt::AlignVCenter, LabelText(label));
}

}  // namespace

CGraphPanel::CGraphPanel(const CGraphSource& source, DialogRunner runDialog, QWidget* parent)
    : QWidget(parent), source_(source), runDialog_(std::move(runDialog)) {
  // Every pixel comes from the off-screen picture.
  setAttribute(Qt::WA_OpaquePaintEvent);
  growthTimer_.setSingleShot(true);
  growthTimer_.setInterval(kGrowthRepaintMs);
  connect(&growthTimer_, &QTimer::timeout, this, [this] {
    grew_ = true;
    update();
  });
}

QRect CGraphPanel::PanelGeometry(int clientWidth, int clientHeight, int graphTop) {
  const int top = graphTop - kGraphPanelMargin;
  return QRect(0, top, std::max(0, clientWidth), std::max(0, clientHeight - top));
}

QColor CGraphPanel::QuantityColor(int quantity) { return ToQColor(QuantityColour(quantity)); }

void CGraphPanel::SetContext(const GraphContext& context) {
  if (context == context_) return;
  context_ = context;
  Changed();
}

void CGraphPanel::SamplesChanged() { Changed(); }

void CGraphPanel::SamplesGrew() {
  if (settings_.AnySelected() && !growthTimer_.isActive()) growthTimer_.start();
}

bool CGraphPanel::ToggleSeries(int slot, int quantity) {
  if (!ValidSeries(slot, quantity)) return false;
  const bool on = !settings_.selected[std::size_t(slot)][std::size_t(quantity)];
  SelectSeries(slot, quantity, on);
  return on;
}

void CGraphPanel::SelectSeries(int slot, int quantity, bool on) {
  if (!ValidSeries(slot, quantity)) return;
  bool& flag = settings_.selected[std::size_t(slot)][std::size_t(quantity)];
  if (flag == on) return;
  flag = on;
  Changed();
}

bool CGraphPanel::SeriesSelected(int slot, int quantity) const {
  return ValidSeries(slot, quantity) && settings_.selected[std::size_t(slot)][std::size_t(quantity)];
}

void CGraphPanel::ClearSelection() {
  settings_.selected = {};
  Changed();
}

bool CGraphPanel::ChooseView(int view) {
  if (view != kGraphViewOfN && view != kGraphViewOfT) return false;
  settings_.view = view;
  Changed();
  return true;
}

void CGraphPanel::ToggleGrid() {
  settings_.grid = !settings_.grid;
  Changed();
}

void CGraphPanel::ToggleGradChar() {
  settings_.gradChar = !settings_.gradChar;
  Changed();
}

void CGraphPanel::SetAxisEnd(AxisEndIndex end, const AxisEnd& value) {
  if (end < 0 || end >= kAxisEndCount) return;
  settings_.ends[std::size_t(end)] = value;
  Changed();
}

std::array<QColor, 5> CGraphPanel::CaptionColors() const {
  const std::array<Rgb, 5> colours = GraphCaptionColours(settings_);
  std::array<QColor, 5> out;
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = ToQColor(colours[i]);
  return out;
}

PlotRect CGraphPanel::Plot() const { return PlotRectFor(width(), height(), kGraphPanelMargin); }

GraphAxes CGraphPanel::Axes() const { return ComputeAxes(source_, settings_, context_); }

std::vector<QRect> CGraphPanel::LabelRects() const {
  std::vector<QRect> rects;
  const PlotRect plot = Plot();
  if (plot.Empty() || !settings_.AnySelected()) return rects;
  const GraphAxes axes = Axes();
  // The text's own width, without the spare pixel its drawing gets.
  for (const AxisLabel& label : AxisMarks(CPixelMap(plot, axes.x, axes.y), settings_).labels)
    rects.push_back(LabelRect(label).adjusted(0, 0, -1, 0));
  return rects;
}

void CGraphPanel::Changed() {
  growthTimer_.stop();  // this repaint shows the growth too
  dirty_ = true;
  update();
}

void CGraphPanel::Render(QImage& image) const {
  if (image.size() != size() || image.format() != QImage::Format_RGB32)
    image = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  image.fill(palette().color(QPalette::Window));
  const PlotRect plot = Plot();
  if (plot.Empty()) return;
  QPainter p(&image);
  const QRect plotRect(plot.left, plot.top, plot.right - plot.left, plot.bottom - plot.top);
  p.fillRect(plotRect, Qt::white);
  if (!settings_.AnySelected()) return;

  const GraphAxes axes = ComputeAxes(source_, settings_, context_);
  drawnAxes_ = axes;
  const CPixelMap map(plot, axes.x, axes.y);
  const AxisDrawing marks = AxisMarks(map, settings_);
  auto line = [&](const AxisMark& m) { p.drawLine(m.from.x, m.from.y, m.to.x, m.to.y); };
  p.setPen(OnePixelPen(ToQColor(kGridGrey)));
  for (const AxisMark& m : marks.gridLines) line(m);
  p.setPen(OnePixelPen(ToQColor(kGraphBlack)));
  for (const AxisMark& m : marks.ticks) line(m);

  // The last point of an f(N) curve lies on the right edge: keep its column.
  p.setClipRect(plotRect.adjusted(0, 0, 1, 0));
  CCurvePen pen(image, plotRect.adjusted(0, 0, 1, 0));
  const bool ofT = settings_.view == kGraphViewOfT;
  for (int s = 0; s < kSlotCount; ++s) {
    if (!settings_.SlotSelected(s)) continue;
    const std::span<const float> t = ofT ? source_.Samples(s, kSeriesT) : std::span<const float>();
    const std::span<const std::size_t> breaks = ofT ? source_.Breaks(s) : std::span<const std::size_t>();
    for (int q = 0; q < kHistorySeriesCount; ++q) {
      if (!settings_.selected[std::size_t(s)][std::size_t(q)]) continue;
      const std::span<const float> values = source_.Samples(s, q);
      drawnCounts_[std::size_t(s)][std::size_t(q)] = ofT ? std::min(values.size(), t.size()) : values.size();
      if (ofT && t.empty()) continue;
      CurvePoints(map, values, t, breaks, points_, runs_);
      pen.SetColour(QuantityColor(q));
      for (std::size_t r = 0; r < runs_.size(); ++r) {
        const std::size_t end = r + 1 < runs_.size() ? runs_[r + 1] : points_.size();
        pen.Polyline(points_.data() + runs_[r], end - runs_[r]);
      }
    }
  }

  if (axes.overlay) {
    for (int s = 0; s < kSlotCount; ++s)
      for (int q = 0; q < kHistorySeriesCount; ++q) {
        if (!settings_.selected[std::size_t(s)][std::size_t(q)] || !OverlaysCharacteristic(context_.type, q)) continue;
        const SeriesCharacteristic* curves = source_.Characteristic(s, q);
        if (!curves) continue;
        for (int c = 0; c < kCharacteristicCurves; ++c) {
          const CharacteristicCurve& curve = (*curves)[std::size_t(c)];
          if (!curve.present) continue;
          p.setPen(OnePixelPen(ToQColor(c == kCharacteristicCurves - 1 ? kCharacteristicRed : kGraphBlack)));
          QPoint prev;
          for (int j = 0; j < kCharacteristicPoints; ++j) {
            const QPoint pt(map.X(curve.t[std::size_t(j)]), map.Y(curve.value[std::size_t(j)]));
            p.drawLine(pt.x(), pt.y() - 5, pt.x(), pt.y() + 6);
            if (j > 0) p.drawLine(prev, pt);
            prev = pt;
          }
        }
      }
  }

  p.setClipping(false);
  p.setPen(Qt::black);
  for (const AxisLabel& label : marks.labels) DrawLabel(p, label);
}

bool CGraphPanel::ExtendRender(QImage& image) const {
  const PlotRect plot = Plot();
  if (plot.Empty() || !settings_.AnySelected() || drawnAxes_.overlay || image.size() != size()) return false;
  const bool ofT = settings_.view == kGraphViewOfT;
  const auto& e = settings_.ends;
  auto inside = [](const Axis& a, double v, const AxisEnd& lo, const AxisEnd& hi) {
    return (lo.manual || v >= double(a.min)) && (hi.manual || v <= double(a.max));
  };
  struct Growth {
    int slot, quantity;
    std::size_t from, to;
  };
  std::vector<Growth> grown;
  for (int s = 0; s < kSlotCount; ++s) {
    if (!settings_.SlotSelected(s)) continue;
    const std::span<const float> t = ofT ? source_.Samples(s, kSeriesT) : std::span<const float>();
    if (ofT && !source_.Breaks(s).empty()) return false;
    for (int q = 0; q < kHistorySeriesCount; ++q) {
      if (!settings_.selected[std::size_t(s)][std::size_t(q)]) continue;
      const std::span<const float> values = source_.Samples(s, q);
      const std::size_t n = ofT ? std::min(values.size(), t.size()) : values.size();
      const std::size_t drawn = drawnCounts_[std::size_t(s)][std::size_t(q)];
      if (n < drawn) return false;  // cut at its start or cleared: every point moved
      for (std::size_t i = drawn; i < n; ++i) {
        const double v = values[i], x = ofT ? double(t[i]) : double(i);
        if (!std::isfinite(v) || !std::isfinite(x)) continue;
        if (!inside(drawnAxes_.y, v, e[kYMinEnd], e[kYMaxEnd]) || !inside(drawnAxes_.x, x, e[kXMinEnd], e[kXMaxEnd]))
          return false;
      }
      if (n > drawn) grown.push_back({s, q, drawn, n});
    }
  }
  const QRect plotRect(plot.left, plot.top, plot.right - plot.left, plot.bottom - plot.top);
  const CPixelMap map(plot, drawnAxes_.x, drawnAxes_.y);
  CCurvePen pen(image, plotRect.adjusted(0, 0, 1, 0));
  for (const Growth& g : grown) {
    const std::span<const float> values = source_.Samples(g.slot, g.quantity);
    const std::span<const float> t = ofT ? source_.Samples(g.slot, kSeriesT) : std::span<const float>();
    pen.SetColour(QuantityColor(g.quantity));
    // From the last point drawn on, as the whole picture joins them.
    std::optional<PixelPoint> previous;
    for (std::size_t i = g.from > 0 ? g.from - 1 : 0; i < g.to; ++i) {
      const double v = values[i], x = ofT ? double(t[i]) : double(i);
      if (!std::isfinite(v) || !std::isfinite(x)) {
        previous.reset();
        continue;
      }
      const PixelPoint p{map.X(x), map.Y(v)};
      const PixelPoint segment[2] = {previous.value_or(p), p};
      if (i >= g.from) pen.Polyline(segment, previous ? 2 : 1);
      previous = p;
    }
    drawnCounts_[std::size_t(g.slot)][std::size_t(g.quantity)] = g.to;
  }
  return true;
}

void CGraphPanel::paintEvent(QPaintEvent* event) {
  // A poll's growth is added to the picture; anything else makes it anew.
  if (dirty_ || buffer_.size() != size() || (grew_ && !ExtendRender(buffer_))) Render(buffer_);
  dirty_ = grew_ = false;
  // Only what the window asks for: a cell repainted above the panel costs no copy of it all.
  QPainter(this).drawImage(event->rect(), buffer_, event->rect());
}

void CGraphPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  dirty_ = true;
}

void CGraphPanel::mousePressEvent(QMouseEvent* event) {
  swallowContextMenu_ = false;
  if (event->button() == Qt::RightButton && window()->isMaximized()) {
    const QPoint at = event->position().toPoint();
    if (const auto end = AxisZoneAt(at.x(), at.y(), width(), height(), kGraphPanelMargin)) {
      swallowContextMenu_ = true;
      event->accept();
      OpenAxisDialog(*end);
      return;
    }
  }
  QWidget::mousePressEvent(event);
}

void CGraphPanel::contextMenuEvent(QContextMenuEvent* event) {
  // A press that opened the axis dialog is not also the window's menu.
  if (swallowContextMenu_ && event->reason() == QContextMenuEvent::Mouse) {
    swallowContextMenu_ = false;
    event->accept();
    return;
  }
  event->ignore();
}

void CGraphPanel::OpenAxisDialog(AxisEndIndex end) {
  const AxisEnd& now = settings_.ends[std::size_t(end)];
  CEnterAxis dialog(now.manual, now.value, language_, this, end);
  const int result = runDialog_ ? runDialog_(dialog) : dialog.exec();
  if (result != kIdSet) return;
  settings_.ends[std::size_t(end)] = {dialog.Manual(), dialog.Value()};
  Changed();
  emit AxisEndChanged(end);
}

}  // namespace kvl
