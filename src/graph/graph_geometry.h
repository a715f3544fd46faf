#pragma once
// The graph panel without its window: what is plotted (selection, view, grid,
// characteristic and axis-end settings), where the data come from (a source
// interface over the slots' sample histories), and every number the painting
// needs (axis ranges and steps, pixel mapping, labels, grid lines and ticks,
// curve points with their breaks, the right-click zones, the captions'
// colours). The widget only draws what these functions return; it never
// decides a range or a position itself.
//
// Coordinates are the panel's client coordinates: the plot runs from x = 50
// to width - 10 and from y = graphTop to height - 16.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "detector/detector_kinds.h"
#include "detector/slot_state.h"

namespace kvl {

inline constexpr int kGraphViewOfN = 1;  // against the sample number, "f(N)"
inline constexpr int kGraphViewOfT = 2;  // against the slot's temperature, "f(T)"

enum AxisEndIndex : int { kXMinEnd = 0, kXMaxEnd = 1, kYMinEnd = 2, kYMaxEnd = 3 };
inline constexpr int kAxisEndCount = 4;

struct AxisEnd {
  bool manual = false;
  int value = 0;  // used while manual
  bool operator==(const AxisEnd&) const = default;
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The pen of quantity q (0..8, "LEL%" .. "P heat"); black outside.
Rgb QuantityColour(int quantity);
inline constexpr Rgb kGraphBlack{0, 0, 0};
inline constexpr Rgb kCharacteristicRed{240, 0, 0};  // the fifth characteristic curve
inline constexpr Rgb kGridGrey{180, 180, 180};
inline constexpr Rgb kCaptionOff{150, 150, 150};  // a control caption whose setting is off

using GraphSelection = std::array<std::array<bool, kHistorySeriesCount>, kSlotCount>;

struct GraphSettings {
  int view = kGraphViewOfN;
  bool grid = true;
  bool gradChar = true;  // overlay the graduation characteristic
  std::array<AxisEnd, kAxisEndCount> ends{{{false, 400}, {false, 1100}, {false, 9000}, {false, 11000}}};
  GraphSelection selected{};

  bool AnySelected() const;
  bool SlotSelected(int slot) const;  // any quantity of the slot
};

// What the window decides the graph by besides the panel's own settings.
struct GraphContext {
  int mode = kModeTuning;
  int type = kTypeKvelt;
  // The temperature axis of the characteristic: the T[0] and T[7] check
  // records of the current type.
  int t0 = 450;
  int t7 = 1100;
  bool operator==(const GraphContext&) const = default;
};

// ---- The graduation characteristic ----
inline constexpr int kCharacteristicPoints = 8;
inline constexpr int kCharacteristicCurves = 5;
struct CharacteristicCurve {
  bool present = false;
  std::array<int, kCharacteristicPoints> t{};
  std::array<int, kCharacteristicPoints> value{};
};
using SeriesCharacteristic = std::array<CharacteristicCurve, kCharacteristicCurves>;

// The quantities a type's characteristic is fitted to: "D", or "W" and "R"
// for a Z5.
bool OverlaysCharacteristic(int type, int quantity);

// ---- Where the samples come from ----
// The window holds the slots' histories; the panel reads them through this
// interface on every paint, so nothing is copied per frame.
class CGraphSource {
 public:
  virtual ~CGraphSource() = default;
  // Quantity q (0..8) of slot s (0..19), oldest first. The T series is the
  // slot's temperature axis in the f(T) view.
  virtual std::span<const float> Samples(int slot, int quantity) const = 0;
  // Sample indices at which the slot's f(T) curve starts anew (ascending).
  virtual std::span<const std::size_t> Breaks(int slot) const;
  // Whether the graduation calculation has a characteristic to show.
  virtual bool CharacteristicAvailable() const;
  // The characteristic of slot s fitted to quantity q; null when none.
  virtual const SeriesCharacteristic* Characteristic(int slot, int quantity) const;
};

// ---- Axes ----
struct Axis {
  std::int64_t min = 0;
  std::int64_t max = 0;
  std::int64_t step = 1;
  bool operator==(const Axis&) const = default;
};

// The label step for an axis span d: 1, 2, 5, 10, ... the first whose limit
// (15 x the step) d does not exceed.
std::int64_t AxisStep(double span);
// Picks the step for min..max, rounds max up and min down to it, and widens
// a range no larger than one step by a step on each side. A max below min
// is taken as min.
Axis RoundAxis(double min, double max);

struct GraphAxes {
  Axis x;
  Axis y;
  bool overlay = false;  // the characteristic is drawn
};

// Whether the characteristic overlay applies to the settings and context.
bool OverlayApplies(const CGraphSource& source, const GraphSettings& settings, const GraphContext& context);
// The automatic ranges over the selected series, the minimum x span, the
// manual ends, then the steps.
GraphAxes ComputeAxes(const CGraphSource& source, const GraphSettings& settings, const GraphContext& context);

// ---- Pixels ----
inline constexpr int kPlotLeft = 50;
inline constexpr int kPlotRightMargin = 10;
inline constexpr int kPlotBottomMargin = 16;
inline constexpr int kGraphPanelMargin = 8;  // the panel starts this far above the plot
// Level to level, y labels (16 pixels high) keep at least this distance.
inline constexpr int kYLabelPitch = 18;

struct PlotRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool Empty() const { return right <= left || bottom - 1 <= top; }
  bool operator==(const PlotRect&) const = default;
};
PlotRect PlotRectFor(int clientWidth, int clientHeight, int graphTop);

struct PixelPoint {
  int x = 0, y = 0;
  bool operator==(const PixelPoint&) const = default;
};

class CPixelMap {
 public:
  CPixelMap(const PlotRect& plot, const Axis& x, const Axis& y);
  // Value to pixel, rounded to the nearest pixel (clamped far outside the
  // plot). Called for every sample of every curve: kept inline.
  int X(double v) const { return ToPixel(xOrigin_ + (v - xMin_) * xScale_); }
  int Y(double v) const { return ToPixel(yOrigin_ - (v - yMin_) * yScale_); }
  const PlotRect& Plot() const { return plot_; }
  const Axis& XAxis() const { return x_; }
  const Axis& YAxis() const { return y_; }

 private:
  // Pixels far outside the plot are clipped anyway; keeping them bounded
  // keeps the painter's arithmetic in range for a zoomed-in axis.
  static constexpr double kPixelBound = 1 << 20;
  static int ToPixel(double v) {
    v = v < -kPixelBound ? -kPixelBound : (v > kPixelBound ? kPixelBound : v);
    // Halves away from zero, as lround.
    return v >= 0 ? int(v + 0.5) : -int(0.5 - v);
  }

  PlotRect plot_;
  Axis x_, y_;
  double xOrigin_, xMin_, xScale_, yOrigin_, yMin_, yScale_;
};

enum class LabelAlign { Left, Centre, Right };
struct AxisLabel {
  std::string text;
  int x = 0;  // the text's left edge, centre or right edge by `align`
  int top = 0;
  LabelAlign align = LabelAlign::Centre;
  bool underlined = false;  // an axis end in manual mode
  bool operator==(const AxisLabel&) const = default;
};
struct AxisMark {
  PixelPoint from, to;
  bool operator==(const AxisMark&) const = default;
};
struct AxisDrawing {
  std::vector<AxisLabel> labels;  // x labels first, then y labels, each from the minimum up
  std::vector<AxisMark> gridLines;
  std::vector<AxisMark> ticks;
};
// Labels, grid lines (grid on) or ticks (grid off) of both axes; nothing
// when no series is selected. Where the steps lie closer than kYLabelPitch,
// the inner y labels are written at every few steps only (grid and ticks stay).
AxisDrawing AxisMarks(const CPixelMap& map, const GraphSettings& settings);

// The points of one curve: `values` against their index (`xValues` empty) or
// against `xValues` (f(T)). A new run starts at 0, at every break and after a
// sample that is not a number. Points falling on one pixel column in a row
// are kept as its first, lowest, highest and last, which draws the same
// pixels. The vectors are cleared and refilled (their storage is reused).
void CurvePoints(const CPixelMap& map, std::span<const float> values, std::span<const float> xValues,
                 std::span<const std::size_t> breaks, std::vector<PixelPoint>& points,
                 std::vector<std::size_t>& runStarts);

// ---- Controls and mouse ----
// The axis end whose right-click zone holds (x, y); none outside them.
std::optional<AxisEndIndex> AxisZoneAt(int x, int y, int clientWidth, int clientHeight, int graphTop);
// "f(N)" and "f(T)" are refused in "Calibration" and during an address search.
bool ViewChoiceAllowed(int mode, bool searching);
// "Clear" is refused during an address search and while the graduation
// calculation works.
bool ClearAllowed(bool searching, bool calculating);
// Caption colours of "GradChar", "Grid", "Clear", "f(N)", "f(T)" (in the
// order of their identifiers): black when on, grey when off.
std::array<Rgb, 5> GraphCaptionColours(const GraphSettings& settings);

}  // namespace kvl
