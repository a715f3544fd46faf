// Graduation table fit. The reference evaluation and the fast one share the
// descent (Descend) and differ only in how a trial step is judged.
#include "graduation/calc_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include "graduation/calc_checks.h"

namespace kvl {
namespace {

constexpr double kUnitRoundoff = 1.0 / 9007199254740992.0;  // 2^-53
// What a table value can be and still reach the detector as the register word
// it stands for, read signed or unsigned. The descent keeps every point in it:
// a point beyond it could only be written wrapped. It also bounds the descent
// where few samples leave a valley in which E keeps falling by rounding's
// worth for millions of steps.
constexpr int kWordMin = -32768;
constexpr int kWordMax = 65535;

int ToWordRange(std::int64_t v) { return int(std::clamp<std::int64_t>(v, kWordMin, kWordMax)); }

// Largest i in 0..6 with T > T[i]; 0 if none.
inline int IntervalOf(double t, const GradPoints& T) {
  for (int i = 6; i > 0; --i)
    if (t > double(T[std::size_t(i)])) return i;
  return 0;
}

inline int Effective(int e, bool low, bool high) {
  if (low && e == 0) return 1;
  if (high && e == 6) return 5;
  return e;
}

// The curve at t on interval e, exactly as the reference computes it.
inline double Curve(double t, int e, const GradPoints& T, const GradPoints& D) {
  const std::size_t k = std::size_t(e);
  // Differences in double: exact for every int, and no overflow on absurd inputs.
  return (t - double(T[k])) * (double(D[k + 1]) - double(D[k])) / (double(T[k + 1]) - double(T[k])) + double(D[k]);
}

// Per effective interval: moments of the samples that use it.
struct Moments {
  double n = 0;
  double sx = 0, sxx = 0, sv = 0, svv = 0, sxv = 0;  // v = t - T[e]
  double ax = 0, av = 0, axv = 0;                    // sums of absolute values
};

inline void Add(Moments& m, double x, double v) {
  m.n += 1;
  m.sx += x;
  m.sxx += x * x;
  m.sv += v;
  m.svv += v * v;
  m.sxv += x * v;
  m.ax += std::fabs(x);
  m.av += std::fabs(v);
  m.axv += std::fabs(x * v);
}

inline Moments Sum(const Moments& a, const Moments& b) {
  return {a.n + b.n, a.sx + b.sx, a.sxx + b.sxx, a.sv + b.sv, a.svv + b.svv, a.sxv + b.sxv,
          a.ax + b.ax, a.av + b.av, a.axv + b.axv};
}

// Judges trial steps from moments with a bound on the distance to the reference sum.
class CFastError {
 public:
  // One pass over the samples: counts per interval, and moments per interval
  // both as the interval's own and, for the end intervals, as the neighbour
  // interval an extrapolation switch hands them to.
  CFastError(const FitSamples& s, const GradPoints& T) : samples_(s), T_(T) {
    bool ascending = true;
    for (std::size_t i = 1; i < 7; ++i) ascending = ascending && T[i] >= T[i - 1];
    const double T1 = T[1], T2 = T[2], T3 = T[3], T4 = T[4], T5 = T[5], T6 = T[6];
    for (std::size_t k = 0; k < s.t.size(); ++k) {
      const double t = double(s.t[k]);
      // With ascending points the largest i with t > T[i] is the number of points 1..6 below t.
      const int e = ascending ? int(t > T1) + int(t > T2) + int(t > T3) + int(t > T4) + int(t > T5) + int(t > T6)
                              : IntervalOf(t, T);
      ++counts_[std::size_t(e)];
      const double xv = double(s.x[k]);
      Add(own_[std::size_t(e)], xv, t - double(T[std::size_t(e)]));
      if (e == 0) Add(lowMoved_, xv, t - double(T[1]));
      if (e == 6) Add(highMoved_, xv, t - double(T[5]));
    }
    count_ = double(s.t.size());
    m_ = own_;
  }

  const IntervalCounts& Counts() const { return counts_; }

  void SetSwitches(Extrapolation x) {
    x_ = x;
    m_ = own_;
    if (x.low) {
      m_[1] = Sum(m_[1], lowMoved_);
      m_[0] = Moments();
    }
    if (x.high) {
      m_[5] = Sum(m_[5], highMoved_);
      m_[6] = Moments();
    }
  }

  struct Value {
    double f = 0;  // moment-based E
    double b = 0;  // |reference E - f| <= b
    bool usable = false;
  };

  Value Evaluate(const GradPoints& D) const {
    Value r;
    double f = 0, mag = 0;
    for (std::size_t j = 0; j < 7; ++j) {
      const Moments& m = m_[j];
      if (m.n == 0) continue;
      const double a = double(D[j]);
      const double c = (double(D[j + 1]) - double(D[j])) / (double(T_[j + 1]) - double(T_[j]));
      f += m.sxx - 2 * a * m.sx - 2 * c * m.sxv + m.n * a * a + 2 * a * c * m.sv + c * c * m.svv;
      const double aa = std::fabs(a), ac = std::fabs(c);
      mag += m.sxx + ac * ac * m.svv + m.n * aa * aa + 2 * ac * m.axv + 2 * aa * m.ax + 2 * ac * aa * m.av;
    }
    // Both the reference sum and f are within (n + 16) u * mag of the exact
    // sum of the model; the factor covers both plus the rounding of mag itself.
    r.f = f;
    r.b = 2.1 * (count_ + 32) * kUnitRoundoff * mag + 1e-300;
    r.usable = std::isfinite(r.f) && std::isfinite(r.b);
    return r;
  }

  // Whether some sample's curve value depends on D[i].
  bool Depends(int i) const {
    return (i >= 1 && m_[std::size_t(i - 1)].n > 0) || (i <= 6 && m_[std::size_t(i)].n > 0);
  }

  double Reference(const GradPoints& D) const { return ErrorFunction(samples_, T_, D, x_.low, x_.high); }

 private:
  const FitSamples& samples_;
  const GradPoints& T_;
  Extrapolation x_;
  IntervalCounts counts_{};
  std::array<Moments, 7> own_{}, m_{};
  Moments lowMoved_, highMoved_;
  double count_ = 0;
};

// One trial state inside a sweep position.
struct Trial {
  GradPoints D{};
  CFastError::Value fast;
  std::optional<double> reference;
};

// The descent: passes of step 100, 10, 1; in a sweep, each point tries its two
// steps and keeps the strictly best. `less(trial, best, i)` judges a trial.
template <class Less, class Eval>
void Descend(GradPoints& D, Eval&& eval, Less&& less, std::size_t& trials) {
  static constexpr int kSteps[3] = {100, 10, 1};
  for (int step : kSteps) {
    for (;;) {
      bool changed = false;
      for (int i = 0; i < kGradPoints; ++i) {
        auto best = eval(D);
        int bestStep = 0;
        for (int s : {-step, step}) {
          const int to = D[std::size_t(i)] + s;
          if (to < kWordMin || to > kWordMax) continue;
          D[std::size_t(i)] += s;
          auto t = eval(D);
          ++trials;
          if (less(t, best, i)) {
            best = std::move(t);
            bestStep = s;
          }
          D[std::size_t(i)] -= s;
        }
        if (bestStep != 0) {
          D[std::size_t(i)] += bestStep;
          changed = true;
        }
      }
      if (!changed) break;
    }
  }
}

}  // namespace

int CalcChannelCount(int type) { return type == kTypeZ5 ? 2 : 1; }

int FittedQuantity(int type, int channel) {
  if (type == kTypeZ5) return channel == 0 ? kQR : kQW;
  return kQD;
}

FitSamples SegmentSamples(const CalcSensor& sensor, const FileSegment& seg, int quantity) {
  FitSamples out;
  const float* t = sensor.samples[kQT].data();
  const float* wo = sensor.samples[kQWo].data();
  const float* ro = sensor.samples[kQRo].data();
  const float* x = sensor.samples[std::size_t(quantity)].data();
  out.t.reserve(seg.end - seg.begin);
  out.x.reserve(seg.end - seg.begin);
  for (std::size_t i = seg.begin; i < seg.end; ++i) {
    if (!UsableSample(t[i], wo[i], ro[i])) continue;
    out.t.push_back(t[i]);
    out.x.push_back(x[i]);
  }
  return out;
}

FitRange SampleRange(const FitSamples& s) {
  const auto [tmin, tmax] = std::minmax_element(s.t.begin(), s.t.end());
  const auto [xmin, xmax] = std::minmax_element(s.x.begin(), s.x.end());
  FitRange r;
  r.tlo = TruncatedInt(*tmin);
  r.thi = TruncatedInt(*tmax);
  r.dlo = TruncatedInt(std::clamp(std::floor(double(*xmin)), -65535.0, 65535.0));
  r.dhi = TruncatedInt(std::clamp(std::ceil(double(*xmax)), -65535.0, 65535.0));
  return r;
}

GradPoints TemperaturePoints(int type, const FitRange& r, const CalcSettings& settings) {
  GradPoints T{};
  if (type == kTypeZ5) {
    const GradPoints& typ = kTypicalZ5Temperatures;
    const double s = (double(r.tlo) - double(r.thi)) / double(typ[0] - typ[7]);
    const double o = double(r.tlo) - double(typ[0]) * s;
    T[0] = r.tlo;
    T[7] = r.thi;
    for (std::size_t i = 1; i <= 6; ++i) T[i] = TruncatedInt(std::trunc(double(typ[i]) * s + o + 0.5));
    return T;
  }
  const std::size_t f = type == kTypeKvelt ? 0 : 1;
  const int a = settings.checkRecords[kCheckT0][f];
  const int b = settings.checkRecords[kCheckT7][f];
  for (int i = 0; i < kGradPoints; ++i) T[std::size_t(i)] = int(std::trunc(double(b - a) * i / 7 + 0.5)) + a;
  return T;
}

GradPoints StartValues(int type, const GradPoints& T, const FitRange& r, const CalcSettings& settings) {
  GradPoints D{};
  if (r.thi == r.tlo) {
    D.fill(ToWordRange(r.dlo));
    return D;
  }
  const std::int64_t rr = settings.checkRecords[kCheckT0][std::size_t(type)];
  const std::int64_t span = std::int64_t(r.dhi) - r.dlo, width = std::int64_t(r.thi) - r.tlo;
  for (std::size_t i = 0; i < 8; ++i) {
    const std::int64_t q = span * (std::int64_t(T[i]) - rr) / width;
    // Only a run over a few degrees reaches the limits (the descent stays inside them).
    D[i] = ToWordRange(type == kTypeZ || type == kTypeZ40 ? q + r.dlo : r.dhi - q);
  }
  return D;
}

int TableInterval(double t, const GradPoints& T) { return IntervalOf(t, T); }

double TableCurve(double t, const GradPoints& T, const GradPoints& D) { return Curve(t, IntervalOf(t, T), T, D); }

double ErrorFunction(const FitSamples& s, const GradPoints& T, const GradPoints& D, bool low, bool high,
                     IntervalCounts* counts) {
  double sum = 0;
  for (std::size_t k = 0; k < s.t.size(); ++k) {
    const double t = double(s.t[k]);
    const int e = IntervalOf(t, T);
    if (counts) ++(*counts)[std::size_t(e)];
    const double d = double(s.x[k]) - Curve(t, Effective(e, low, high), T, D);
    sum += d * d;
  }
  return sum;
}

Extrapolation ExtrapolationSwitches(const IntervalCounts& counts, const GradPoints& T, const FitRange& r) {
  Extrapolation x;
  x.low = counts[0] < 10 || (double(r.tlo) - T[1]) / (double(T[0]) - T[1]) < 0.1;
  x.high = counts[6] < 10 || (double(r.thi) - T[6]) / (double(T[7]) - T[6]) < 0.1;
  return x;
}

void ExtrapolateEnds(GradPoints& D, const GradPoints& T, Extrapolation x) {
  // An end that would leave the register word is written as the word's limit, not wrapped.
  if (x.low && T[2] != T[1])
    D[0] = ToWordRange((std::int64_t(D[1]) - D[2]) * (std::int64_t(T[1]) - T[0]) / (std::int64_t(T[2]) - T[1]) + D[1]);
  if (x.high && T[6] != T[5])
    D[7] = ToWordRange(D[6] - (std::int64_t(D[5]) - D[6]) * (std::int64_t(T[7]) - T[6]) / (std::int64_t(T[6]) - T[5]));
}

ChannelFit FitChannel(const FitSamples& samples, const GradPoints& T, const GradPoints& start, const FitRange& range,
                      FitMethod method) {
  ChannelFit out;
  GradPoints D = start;
  if (method == FitMethod::Reference) {
    IntervalCounts counts{};
    ErrorFunction(samples, T, start, false, false, &counts);
    const Extrapolation x = ExtrapolationSwitches(counts, T, range);
    out.extrapolation = x;
    auto eval = [&](const GradPoints& d) { return ErrorFunction(samples, T, d, x.low, x.high); };
    auto less = [](double t, double best, int) { return t < best; };
    Descend(D, eval, less, out.trials);
  } else {
    CFastError fast(samples, T);
    const Extrapolation x = ExtrapolationSwitches(fast.Counts(), T, range);
    out.extrapolation = x;
    fast.SetSwitches(x);
    auto eval = [&](const GradPoints& d) {
      Trial t;
      t.D = d;
      t.fast = fast.Evaluate(d);
      return t;
    };
    auto less = [&](Trial& t, Trial& best, int i) {
      // No sample depends on the point: every term, and so the sum, is the same.
      if (!fast.Depends(i)) return false;
      if (t.fast.usable && best.fast.usable) {
        if (t.fast.f + t.fast.b < best.fast.f - best.fast.b) return true;
        if (t.fast.f - t.fast.b >= best.fast.f + best.fast.b) return false;
      }
      ++out.fallbacks;
      if (!t.reference) t.reference = fast.Reference(t.D);
      if (!best.reference) best.reference = fast.Reference(best.D);
      return *t.reference < *best.reference;
    };
    Descend(D, eval, less, out.trials);
  }
  ExtrapolateEnds(D, T, out.extrapolation);
  out.D = D;
  return out;
}

SegmentTable FitSegment(const CalcSensor& sensor, std::size_t segment, const CalcSettings& settings,
                        FitMethod method) {
  SegmentTable table;
  table.segment = segment;
  table.channels = 0;
  const FileSegment& seg = sensor.segments[segment];
  const int channels = CalcChannelCount(settings.type);
  for (int c = 0; c < channels; ++c) {
    const FitSamples s = SegmentSamples(sensor, seg, FittedQuantity(settings.type, c));
    if (s.t.empty()) return SegmentTable{segment, {}, 0, {}, {}, {}};
    const FitRange r = SampleRange(s);
    const GradPoints T = TemperaturePoints(settings.type, r, settings);
    const GradPoints start = StartValues(settings.type, T, r, settings);
    const ChannelFit fit = FitChannel(s, T, start, r, method);
    table.T = T;
    table.D[std::size_t(c)] = fit.D;
    table.lowExtrapolation[std::size_t(c)] = fit.extrapolation.low;
    table.highExtrapolation[std::size_t(c)] = fit.extrapolation.high;
    table.channels = c + 1;
  }
  return table;
}

SensorTables FitSensor(const CalcSensor& sensor, const CalcSettings& settings, FitMethod method) {
  SensorTables out;
  int firstGood = -1;
  for (std::size_t k = 0; k < sensor.segments.size(); ++k) {
    const FileSegment& seg = sensor.segments[k];
    if (!seg.valid) continue;
    SegmentTable t = FitSegment(sensor, k, settings, method);
    if (t.channels == 0) continue;
    if (seg.good && (firstGood < 0)) firstGood = int(out.tables.size());
    out.tables.push_back(t);
  }
  out.written = firstGood;
  return out;
}

}  // namespace kvl
