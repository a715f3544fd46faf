#include "graph/graph_geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "text/format.h"

namespace kvl {

namespace {

constexpr std::array<Rgb, kHistorySeriesCount> kQuantityColours = {{
    {180, 160, 0},   // LEL%
    {240, 10, 10},   // T
    {64, 160, 0},    // D
    {0, 160, 192},   // W
    {0, 0, 240},     // R
    {240, 128, 0},   // Dm
    {140, 140, 140}, // Wo
    {240, 0, 240},   // Ro
    {144, 0, 0},     // P heat
}};

// The minimum x span of each view: short series still get a readable axis.
constexpr double kMinXMaxOfN = 500;
constexpr double kMinXMaxOfT = 100;

double ClipToInt32(double v) { return std::clamp(v, double(INT_MIN), double(INT_MAX)); }

struct Extent {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  bool Any() const { return lo <= hi; }
  void Take(double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  void Take(std::span<const float> values) {
    for (float v : values) Take(double(v));
  }
};

}  // namespace

Rgb QuantityColour(int quantity) {
  if (quantity < 0 || quantity >= kHistorySeriesCount) return kGraphBlack;
  return kQuantityColours[std::size_t(quantity)];
}

bool GraphSettings::AnySelected() const {
  for (int s = 0; s < kSlotCount; ++s)
    if (SlotSelected(s)) return true;
  return false;
}

bool GraphSettings::SlotSelected(int slot) const {
  if (slot < 0 || slot >= kSlotCount) return false;
  const auto& row = selected[std::size_t(slot)];
  return std::any_of(row.begin(), row.end(), [](bool on) { return on; });
}

bool OverlaysCharacteristic(int type, int quantity) {
  if (type == kTypeZ5) return quantity == kSeriesW || quantity == kSeriesR;
  return quantity == kSeriesD;
}

std::span<const std::size_t> CGraphSource::Breaks(int) const { return {}; }
bool CGraphSource::CharacteristicAvailable() const { return false; }
const SeriesCharacteristic* CGraphSource::Characteristic(int, int) const { return nullptr; }

std::int64_t AxisStep(double span) {
  // 1, 2, 5, 10, 20, 50, ...: each step serves spans up to 15 times itself.
  std::int64_t step = 1;
  for (int k = 0; span > 15.0 * double(step) && step < (std::int64_t(1) << 60); ++k)
    step = (k % 3 == 1) ? step / 2 * 5 : step * 2;
  return step;
}

Axis RoundAxis(double min, double max) {
  if (!(max >= min)) max = min;
  const std::int64_t step = AxisStep(max - min);
  const double s = double(step);
  Axis axis;
  axis.step = step;
  axis.max = std::int64_t(std::ceil(max / s)) * step;
  axis.min = std::int64_t(std::floor(min / s)) * step;
  if (step >= axis.max - axis.min) {
    axis.min -= step;
    axis.max += step;
  }
  return axis;
}

bool OverlayApplies(const CGraphSource& source, const GraphSettings& settings, const GraphContext& context) {
  return settings.view == kGraphViewOfT && settings.gradChar && context.mode == kModeGraduation &&
         source.CharacteristicAvailable();
}

GraphAxes ComputeAxes(const CGraphSource& source, const GraphSettings& settings, const GraphContext& context) {
  GraphAxes out;
  out.overlay = OverlayApplies(source, settings, context);
  Extent x, y;
  std::size_t longest = 0;
  for (int s = 0; s < kSlotCount; ++s) {
    if (!settings.SlotSelected(s)) continue;
    for (int q = 0; q < kHistorySeriesCount; ++q) {
      if (!settings.selected[std::size_t(s)][std::size_t(q)]) continue;
      const std::span<const float> samples = source.Samples(s, q);
      longest = std::max(longest, samples.size());
      y.Take(samples);
      if (!out.overlay || !OverlaysCharacteristic(context.type, q)) continue;
      if (const SeriesCharacteristic* c = source.Characteristic(s, q))
        for (const CharacteristicCurve& curve : *c)
          if (curve.present)
            for (int v : curve.value) y.Take(double(v));
    }
    if (settings.view == kGraphViewOfT) x.Take(source.Samples(s, kSeriesT));
  }

  double xLo = 0, xHi = 0;
  if (settings.view == kGraphViewOfT) {
    if (out.overlay) {
      x.Take(double(context.t0));
      x.Take(double(context.t7));
    }
    if (x.Any()) xLo = ClipToInt32(x.lo), xHi = ClipToInt32(x.hi);
    xHi = std::max(xHi, kMinXMaxOfT);
  } else {
    xHi = std::max(double(longest) - 1.0, kMinXMaxOfN);
  }
  double yLo = 0, yHi = 0;
  if (y.Any()) yLo = ClipToInt32(std::floor(y.lo)), yHi = ClipToInt32(std::ceil(y.hi));

  const auto& e = settings.ends;
  if (e[kXMinEnd].manual) xLo = e[kXMinEnd].value;
  if (e[kXMaxEnd].manual) xHi = e[kXMaxEnd].value;
  if (e[kYMinEnd].manual) yLo = e[kYMinEnd].value;
  if (e[kYMaxEnd].manual) yHi = e[kYMaxEnd].value;
  out.x = RoundAxis(xLo, xHi);
  out.y = RoundAxis(yLo, yHi);
  return out;
}

PlotRect PlotRectFor(int clientWidth, int clientHeight, int graphTop) {
  return {kPlotLeft, graphTop, clientWidth - kPlotRightMargin, clientHeight - kPlotBottomMargin};
}

CPixelMap::CPixelMap(const PlotRect& plot, const Axis& x, const Axis& y) : plot_(plot), x_(x), y_(y) {
  // A zero span (only a hand-made axis has one) maps everything to the origin.
  const double xSpan = double(x.max - x.min), ySpan = double(y.max - y.min);
  xOrigin_ = plot.left;
  xMin_ = double(x.min);
  xScale_ = xSpan != 0 ? double(plot.right - plot.left) / xSpan : 0.0;
  yOrigin_ = plot.bottom - 1;
  yMin_ = double(y.min);
  yScale_ = ySpan != 0 ? double(plot.bottom - 1 - plot.top) / ySpan : 0.0;
}

AxisDrawing AxisMarks(const CPixelMap& map, const GraphSettings& settings) {
  AxisDrawing out;
  if (!settings.AnySelected()) return out;
  const PlotRect& p = map.Plot();
  const auto& ends = settings.ends;
  constexpr int kTick = 4;  // a tick covers 5 pixels

  const Axis& xa = map.XAxis();
  for (std::int64_t v = xa.min; v <= xa.max; v += xa.step) {
    const bool first = v == xa.min, last = v + xa.step > xa.max;
    const int px = map.X(double(v));
    AxisLabel label{Format("%lld", static_cast<long long>(v)), px, p.bottom, LabelAlign::Centre, false};
    if (first) label.align = LabelAlign::Left, label.underlined = ends[kXMinEnd].manual;
    if (last) label.align = LabelAlign::Right, label.x = px + 7, label.underlined = ends[kXMaxEnd].manual;
    out.labels.push_back(std::move(label));
    if (first || last) continue;
    if (settings.grid)
      out.gridLines.push_back({{px, p.top}, {px, p.bottom - 1}});
    else
      out.ticks.push_back({{px, p.bottom - 1}, {px, p.bottom - 1 - kTick}});
  }

  const Axis& ya = map.YAxis();
  // A low plot has less than a label's height between steps: the inner
  // labels are then written at every few steps only, clear of both ends'.
  const int spacing = ya.step > 0 ? map.Y(double(ya.min)) - map.Y(double(ya.min + ya.step)) : kYLabelPitch;
  const std::int64_t stride = spacing >= kYLabelPitch ? 1 : (kYLabelPitch + spacing - 1) / std::max(1, spacing);
  std::int64_t lastY = ya.min;
  while (lastY + ya.step <= ya.max) lastY += ya.step;
  for (std::int64_t v = ya.min, k = 0; v <= ya.max; v += ya.step, ++k) {
    const bool first = v == ya.min, last = v + ya.step > ya.max;
    const int py = map.Y(double(v));
    const bool underlined = (first && ends[kYMinEnd].manual) || (last && ends[kYMaxEnd].manual);
    const bool written = first || last ||
                         (k % stride == 0 && map.Y(double(ya.min)) - py >= kYLabelPitch &&
                          py - map.Y(double(lastY)) >= kYLabelPitch);
    if (written)
      out.labels.push_back(
          {Format("%lld", static_cast<long long>(v)), p.left - 2, py - 8, LabelAlign::Right, underlined});
    if (first || last) continue;
    if (settings.grid)
      out.gridLines.push_back({{p.left, py}, {p.right - 1, py}});
    else
      out.ticks.push_back({{p.left, py}, {p.left + kTick, py}});
  }
  return out;
}

void CurvePoints(const CPixelMap& map, std::span<const float> values, std::span<const float> xValues,
                 std::span<const std::size_t> breaks, std::vector<PixelPoint>& points,
                 std::vector<std::size_t>& runStarts) {
  points.clear();
  runStarts.clear();
  const bool ofIndex = xValues.empty();
  const std::size_t n = ofIndex ? values.size() : std::min(values.size(), xValues.size());
  points.reserve(n);

  // One pixel column of the current run: its first, lowest, highest and last y.
  bool open = false;
  int colX = 0, first = 0, lo = 0, hi = 0, last = 0;
  auto push = [&](int x, int y) {
    if (points.size() > runStarts.back() && points.back() == PixelPoint{x, y}) return;
    points.push_back({x, y});
  };
  auto flush = [&] {
    if (!open) return;
    open = false;
    if (lo == hi) {  // the usual column: one sample, or one pixel
      push(colX, first);
      return;
    }
    push(colX, first);
    push(colX, lo);
    push(colX, hi);
    push(colX, last);
  };
  bool inRun = false;
  std::size_t b = 0;
  for (std::size_t i = 0; i < n; ++i) {
    while (b < breaks.size() && breaks[b] < i) ++b;
    const bool breakHere = b < breaks.size() && breaks[b] == i;
    const double v = values[i];
    const double xv = ofIndex ? double(i) : double(xValues[i]);
    if (!std::isfinite(v) || !std::isfinite(xv)) {
      flush();
      inRun = false;
      continue;
    }
    if (breakHere || !inRun) {
      flush();
      runStarts.push_back(points.size());
      inRun = true;
    }
    const int px = map.X(xv), py = map.Y(v);
    if (open && px == colX) {
      lo = std::min(lo, py);
      hi = std::max(hi, py);
      last = py;
      continue;
    }
    flush();
    open = true;
    colX = px;
    first = lo = hi = last = py;
  }
  flush();
}

std::optional<AxisEndIndex> AxisZoneAt(int x, int y, int clientWidth, int clientHeight, int graphTop) {
  const int w = clientWidth, h = clientHeight;
  if (x >= 50 && x <= 99 && y >= h - 16 && y <= h) return kXMinEnd;
  if (x >= w - 60 && x <= w && y >= h - 16 && y <= h) return kXMaxEnd;
  if (x <= 50 && y >= graphTop - 10 && y <= graphTop + 20) return kYMaxEnd;
  if (x <= 50 && y >= h - 26 && y <= h) return kYMinEnd;
  return std::nullopt;
}

bool ViewChoiceAllowed(int mode, bool searching) { return mode != kModeCalibration && !searching; }

bool ClearAllowed(bool searching, bool calculating) { return !searching && !calculating; }

std::array<Rgb, 5> GraphCaptionColours(const GraphSettings& settings) {
  auto on = [](bool set) { return set ? kGraphBlack : kCaptionOff; };
  return {on(settings.gradChar), on(settings.grid), kGraphBlack, on(settings.view == kGraphViewOfN),
          on(settings.view == kGraphViewOfT)};
}

}  // namespace kvl
