#include "sim/sim_run_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "graduation/run_data_format.h"
#include "sim/sim_random.h"
#include "text/format.h"
#include "text/selector_lists.h"

namespace kvl {
namespace {

// Seconds of a "%H:%M:%S" text.
long SecondsOf(const std::string& t) {
  int h = 0, m = 0, s = 0;
  if (std::sscanf(t.c_str(), "%d:%d:%d", &h, &m, &s) != 3) return -1;
  return h * 3600L + m * 60L + s;
}

std::string NextDate(const std::string& date) {
  int d = 1, m = 1, y = 2026;
  std::sscanf(date.c_str(), "%d.%d.%d", &d, &m, &y);
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  const int days = m == 2 && leap ? 29 : kDays[m - 1];
  if (++d > days) {
    d = 1;
    if (++m > 12) m = 1, ++y;
  }
  return Format("%02d.%02d.%d", d, m, y);
}

}  // namespace

namespace {

RunDataRow RowOf(const SimRunHeader& h, const SimRunRow* data) {
  RunDataRow row;
  row.serial = h.serial;
  row.modbusNumber = h.modbus;
  row.gasCell = row.gasName = h.gas;
  row.power = h.power, row.kur = h.kur, row.kuw = h.kuw;
  row.current = "4.00";
  if (data) row.values = data->values;
  return row;
}

RunDataContext ContextOf(const SimRunHeader& h) {
  RunDataContext c{h.type, h.mode, h.language};
  // Without Power/KUR/KUW the header must not carry even their keys.
  if (h.power.empty() && h.kur.empty() && h.kuw.empty() && c.mode == kModeGraduation) c.mode = kModeTuning;
  return c;
}

std::tm TimeOf(const std::string& date, const std::string& time) {
  std::tm t{};
  t.tm_mday = 1;
  std::sscanf(date.c_str(), "%d.%d.%d", &t.tm_mday, &t.tm_mon, &t.tm_year);
  t.tm_mon -= 1;
  t.tm_year -= 1900;
  std::sscanf(time.c_str(), "%d:%d:%d", &t.tm_hour, &t.tm_min, &t.tm_sec);
  return t;
}

}  // namespace

std::string SimRunHeaderBlock(const SimRunHeader& h) {
  return RunDataHeaderBlock(RowOf(h, nullptr), ContextOf(h), TimeOf(h.date, "00:00:00"));
}

std::string SimRunLine(const SimRunHeader& h, const SimRunRow& row) {
  return RunDataLine(RowOf(h, &row), RunDataContext{h.type, h.mode, h.language}, TimeOf(h.date, row.time));
}

std::string SimRunFile(const SimRunHeader& header, const std::vector<SimRunRow>& rows) {
  SimRunHeader h = header;
  std::string out = SimRunHeaderBlock(h);
  out.reserve(rows.size() * 110 + 1000);
  long last = -1;
  for (const SimRunRow& r : rows) {
    const long s = SecondsOf(r.time);
    if (s >= 0 && last >= 0 && s < last) {
      h.date = NextDate(h.date);
      out += SimRunHeaderBlock(h);
    }
    if (s >= 0) last = s;
    out += SimRunLine(h, r);
  }
  return out;
}

std::vector<SimRunRow> SimulatedRunRows(const SimRunSetup& s) {
  std::vector<SimRunRow> rows;
  rows.reserve(s.lines);
  CSimRandom rng(s.seed);
  // Per-detector spread of the signal shapes.
  const double gainR = 1 + rng.Noise(0.03), gainW = 1 + rng.Noise(0.03);
  const double curveD = 0.9 + 0.2 * rng.Uniform();
  const std::size_t perStage = std::max<std::size_t>(1, s.lines / 8);
  double housing = s.hotC + 2;  // starts warm, settled at the first stage
  // The housing settles well within a stage, as the stage's stabilisation wait intends.
  const double lag = std::min(600.0, double(perStage) / 6);
  for (std::size_t k = 0; k < s.lines; ++k) {
    const std::size_t stage = std::min<std::size_t>(k / perStage, 7);
    const double chamber = s.hotC - (s.hotC - s.coldC) * double(stage) / 7.0;
    housing += (chamber + 2 - housing) * (1 - std::exp(-1.0 / lag));
    const double t = housing + rng.Noise(0.03);
    const double dt = (t - 20) * s.sensitivity;
    const double r = 2300 * gainR * (1 - 0.0021 * dt) + rng.Noise(1.5);
    const double w = 2200 * gainW * (1 - 0.0026 * dt + 0.000004 * dt * dt) + rng.Noise(1.5);
    const double d = 10000 * (1 + curveD * (0.0005 * dt - 0.000006 * dt * dt)) + rng.Noise(3);
    const double units = SimTemperatureUnits(s.type, t);
    SimRunRow row;
    const long sec = long(s.startSeconds) + long(k);
    row.time = Format("%02ld:%02ld:%02ld", (sec / 3600) % 24, (sec / 60) % 60, sec % 60);
    row.values = {Format("%.1f", rng.Noise(0.2)),
                  s.type == kTypeZ || s.type == kTypeZ40 ? Format("%.1f", units) : Format("%d", int(std::lround(units))),
                  Format("%d", int(std::lround(d))),
                  Format("%d", int(std::lround(w))),
                  Format("%d", int(std::lround(r))),
                  Format("%d", int(std::lround(10000 - d))),
                  Format("%d", int(std::lround(w * 1.01))),
                  Format("%d", int(std::lround(r * 1.01))),
                  "0"};
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace kvl
