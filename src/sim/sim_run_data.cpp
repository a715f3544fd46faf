#include "sim/sim_run_data.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/sim_random.h"
#include "text/cp1251.h"
#include "text/file_texts.h"
#include "text/format.h"
#include "text/selector_lists.h"

namespace kvl {
namespace {

std::string Cp1251(const std::string& utf8) {
  std::string out;
  EncodeCp1251(utf8, out);
  return out;
}

std::string NoSpaces(std::string s) {
  std::string out;
  for (char c : s)
    if (c != ' ') out += c;
  return out;
}

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

std::string SimRunHeaderBlock(const SimRunHeader& h) {
  const LanguageIndex L = h.language;
  const std::string dashes = "*" + std::string(115, '-') + "\r\n";
  std::string line2 = "*" + h.date + "  " + kFileFields[kFieldDevice](L) + kDetectorTypes[h.type](L) + ", " +
                      kFileFields[kFieldSerialNumber](L) + h.serial + ", " + kFileFields[kFieldGas](L) + h.gas + ", " +
                      kFileFields[kFieldModbusNumber](L) + h.modbus;
  if (!h.power.empty() || !h.kur.empty() || !h.kuw.empty())
    line2 += std::string(", ") + kFileFields[kFieldPower](L) + h.power + ", " + kFileFields[kFieldKur](L) + h.kur +
             ", " + kFileFields[kFieldKuw](L) + h.kuw;
  std::string captions = "*        ";
  for (int q = 0; q < 9; ++q) captions += Format(q < 2 ? " %7s" : " %6s", NoSpaces(kQuantities[q](L)).c_str());
  if (!h.graduationZ5Mode)
    captions += Format(" %7s %7s %7s %7s %7s", txt::kCurrent(L), txt::kBreaks(L), txt::kOver1(L), txt::kOver2(L),
                       txt::kDefect(L));
  return Cp1251(dashes + line2 + "\r\n" + dashes + captions + "\r\n" + dashes);
}

std::string SimRunLine(const SimRunHeader& h, const SimRunRow& row) {
  std::string line = row.time + " ";
  for (int q = 0; q < 9; ++q) line += Format(q < 2 ? " %7s" : " %6s", row.values[std::size_t(q)].c_str());
  if (!h.graduationZ5Mode) line += Format(" %7s %7u %7u %7u %7u", "4.00", 0u, 0u, 0u, 0u);
  return Cp1251(line) + "\r\n";
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

double SimTemperatureUnits(int type, double c) {
  switch (type) {
    case kTypeZ5: return 536 + (c + 60) * (1075.0 - 536.0) / 145.0;  // about the typical table
    case kTypeKvelt: return 460 + (c + 60) * (1090.0 - 460.0) / 145.0;
    default: return c;
  }
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
