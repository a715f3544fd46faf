// The report's plots as inline SVG: a channel's samples under its table's
// lines and points, and under it each sample's difference from the table
// with the +-deltaDmax band. Well-formed XML, no script.
#include <algorithm>
#include <cmath>

#include "graduation/grad_report.h"
#include "text/format.h"

namespace kvl {
namespace {

// Plot geometry (SVG user units = CSS pixels).
struct Frame {
  double width, height, left, right, top, bottom;
};
constexpr Frame kMain{660, 250, 62, 648, 12, 212};
constexpr Frame kDiff{660, 175, 62, 648, 8, 137};

// A step of 1, 2 or 5 x 10^k that cuts the range into about five parts.
double TickStep(double range) {
  if (!(range > 0)) return 1;
  const double raw = range / 5, p = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / p;
  return (m < 1.5 ? 1 : m < 3.5 ? 2 : m < 7.5 ? 5 : 10) * p;
}

struct Axis {
  double lo = 0, hi = 1;
  bool empty = true;
  void Take(double v) {
    if (!std::isfinite(v)) return;
    if (empty) lo = hi = v;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    empty = false;
  }
  void Pad() {
    const double pad = hi > lo ? (hi - lo) * 0.04 : 1;
    lo -= pad;
    hi += pad;
  }
};

struct Scale {
  Frame f;
  Axis x, y;
  double X(double t) const { return f.left + (t - x.lo) / (x.hi - x.lo) * (f.right - f.left); }
  double Y(double v) const { return f.bottom - (v - y.lo) / (y.hi - y.lo) * (f.bottom - f.top); }
};

// The frame, grid, tick labels and axis names; the caller adds the marks and closes </svg>.
std::string Open(const Scale& s, const std::string& yName) {
  const Frame& f = s.f;
  std::string out = Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%g\" height=\"%g\" viewBox=\"0 0 %g %g\" "
                           "font-family=\"Arial,Helvetica,sans-serif\" font-size=\"11\">",
                           f.width, f.height, f.width, f.height);
  out += Format("<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"#fff\" stroke=\"#444\"/>", f.left, f.top,
                f.right - f.left, f.bottom - f.top);
  const double xs = TickStep(s.x.hi - s.x.lo), ys = TickStep(s.y.hi - s.y.lo);
  for (double t = std::ceil(s.x.lo / xs) * xs; t <= s.x.hi; t += xs) {
    out += Format("<line x1=\"%.1f\" y1=\"%g\" x2=\"%.1f\" y2=\"%g\" stroke=\"#ddd\"/>", s.X(t), f.top, s.X(t), f.bottom);
    out += Format("<text x=\"%.1f\" y=\"%g\" text-anchor=\"middle\">%g</text>", s.X(t), f.bottom + 14, t);
  }
  for (double v = std::ceil(s.y.lo / ys) * ys; v <= s.y.hi; v += ys) {
    out += Format("<line x1=\"%g\" y1=\"%.1f\" x2=\"%g\" y2=\"%.1f\" stroke=\"#ddd\"/>", f.left, s.Y(v), f.right, s.Y(v));
    out += Format("<text x=\"%g\" y=\"%.1f\" text-anchor=\"end\">%g</text>", f.left - 4, s.Y(v) + 4, v);
  }
  out += Format("<text x=\"%g\" y=\"%g\" text-anchor=\"middle\" font-weight=\"bold\">T</text>", (f.left + f.right) / 2,
                f.bottom + 32);
  out += Format("<text x=\"14\" y=\"%g\" text-anchor=\"middle\" font-weight=\"bold\" transform=\"rotate(-90 14 %g)\">",
                (f.top + f.bottom) / 2, (f.top + f.bottom) / 2) +
         HtmlEscape(yName) + "</text>";
  return out;
}

// Points as round dots: one path of zero-length strokes.
std::string Dots(const Scale& s, const std::vector<std::pair<float, float>>& points, const char* colour) {
  if (points.empty()) return {};
  std::string out = Format("<path fill=\"none\" stroke=\"%s\" stroke-opacity=\"0.6\" stroke-width=\"3\" "
                           "stroke-linecap=\"round\" d=\"",
                           colour);
  for (const auto& [t, v] : points) out += Format("M%.1f %.1fh0", s.X(t), s.Y(v));
  return out + "\"/>";
}

}  // namespace

std::string ReportPlotSvg(const ReportChannel& ch, const GradPoints& T) {
  Scale s{kMain, {}, {}};
  for (const auto& [t, v] : ch.plot) {
    s.x.Take(t);
    s.y.Take(v);
  }
  for (std::size_t i = 0; i < T.size(); ++i) {
    s.x.Take(T[i]);
    s.y.Take(ch.D[i]);
  }
  s.x.Pad();
  s.y.Pad();
  std::string out = Open(s, ch.name) + Dots(s, ch.plot, "#5b8fd6");
  // The table over the samples, so dense data never hides it.
  out += "<polyline fill=\"none\" stroke=\"#c0392b\" stroke-width=\"1.8\" points=\"";
  for (std::size_t i = 0; i < T.size(); ++i) out += Format(i ? " %.1f,%.1f" : "%.1f,%.1f", s.X(T[i]), s.Y(ch.D[i]));
  out += "\"/>";
  for (std::size_t i = 0; i < T.size(); ++i)
    out += Format("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3.5\" fill=\"#c0392b\"/>", s.X(T[i]), s.Y(ch.D[i]));
  return out + "</svg>";
}

std::string ReportDiffSvg(const ReportChannel& ch, const GradPoints& T, int deltaDmax) {
  Scale s{kDiff, {}, {}};
  // The band is always in sight, and so is the farthest sample.
  s.y.Take(-double(deltaDmax));
  s.y.Take(double(deltaDmax));
  for (const auto& [t, d] : ch.diffPlot) {
    s.x.Take(t);
    s.y.Take(d);
  }
  s.x.Take(T[0]);
  s.x.Take(T[7]);
  s.x.Pad();
  const double m = std::max(std::fabs(s.y.lo), std::fabs(s.y.hi)) * 1.08 + 1e-9;
  s.y.lo = -m;
  s.y.hi = m;
  std::string out = Open(s, "\u0394" + ch.name);
  const Frame& f = s.f;
  out += Format("<rect x=\"%g\" y=\"%.1f\" width=\"%g\" height=\"%.1f\" fill=\"#2e8b57\" fill-opacity=\"0.15\" "
                "stroke=\"#2e8b57\" stroke-dasharray=\"4 3\"/>",
                f.left, s.Y(deltaDmax), f.right - f.left, s.Y(-deltaDmax) - s.Y(deltaDmax));
  out += Format("<line x1=\"%g\" y1=\"%.1f\" x2=\"%g\" y2=\"%.1f\" stroke=\"#c0392b\" stroke-width=\"1.2\"/>", f.left,
                s.Y(0), f.right, s.Y(0));
  for (int t : T)
    out += Format("<line x1=\"%.1f\" y1=\"%g\" x2=\"%.1f\" y2=\"%g\" stroke=\"#c0392b\" stroke-opacity=\"0.4\"/>", s.X(t),
                  f.top, s.X(t), f.bottom);
  return out + Dots(s, ch.diffPlot, "#5b8fd6") + "</svg>";
}

}  // namespace kvl
