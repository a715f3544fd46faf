// Result texts and register blocks of a calculated table.
#include "graduation/calc_result.h"

#include <cmath>

#include "graduation/without_gas_tables.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"
#include "text/number_grammar.h"

namespace kvl {
namespace {

std::uint16_t Word(int v) { return static_cast<std::uint16_t>(v); }

}  // namespace

std::string SegmentResultText(const CalcSensor& sensor, const SegmentTable& t, int type, LanguageIndex lang) {
  const std::string file = t.segment < sensor.segments.size() ? sensor.segments[t.segment].file : std::string();
  std::string out = Format("%s %s,  %s %s:\r\n", txt::kSensor(lang), sensor.serial.c_str(), txt::kFile(lang), file.c_str());
  if (type == kTypeZ5) {
    out += Format("%3s %6s %7s %8s\r\n", "n", "T", "W", "R");
    for (int n = 0; n < kGradPoints; ++n) {
      const std::size_t p = std::size_t(7 - n);
      out += Format("%3d %6d %6d %6d\r\n", n, t.T[p], t.D[1][p], t.D[0][p]);
    }
    if (t.T[0] < 537 || t.T[0] > 571) out += std::string("\r\n") + txt::kMinTemperatureFar(lang) + "\r\n";
    if (t.T[7] < 1040 || t.T[7] > 1116) out += std::string("\r\n") + txt::kMaxTemperatureFar(lang) + "\r\n";
  } else {
    out += Format("%3s %6s %7s\r\n", "n", "T", "D");
    for (int n = 0; n < kGradPoints; ++n) out += Format("%3d %6d %6d\r\n", n, t.T[std::size_t(n)], t.D[0][std::size_t(n)]);
  }
  return out;
}

std::string ResultText(const CalcSensor& sensor, const SensorTables& tables, int type, LanguageIndex lang) {
  std::string out;
  if (tables.written >= 0) out += SegmentResultText(sensor, tables.tables[std::size_t(tables.written)], type, lang) + "\r\n";
  for (std::size_t k = 0; k < tables.tables.size(); ++k)
    if (int(k) != tables.written) out += SegmentResultText(sensor, tables.tables[k], type, lang) + "\r\n";
  return out;
}

std::vector<RegisterBlock> RegisterBlocks(const CalcSensor& sensor, const SegmentTable& t, int type) {
  std::vector<RegisterBlock> blocks;
  if (t.channels == 0) return blocks;
  if (type == kTypeZ5) {
    const bool methane = sensor.gasPosition == 0;
    if (sensor.power && sensor.kur && sensor.kuw) {
      blocks.push_back({96, {Word(methane ? 500 : 511), Word(methane ? 943 : 909), Word(*sensor.power), Word(*sensor.kur),
                             Word(*sensor.kuw)}, false});
    }
    RegisterBlock b2{104, std::vector<std::uint16_t>(24), false};
    RegisterBlock b3{128, std::vector<std::uint16_t>(32), true};
    const WithoutGasDrops& drops = WithoutGasDropsFor(methane ? 1 : 2);
    for (std::size_t i = 0; i < 8; ++i) {
      const int r = t.D[0][i], w = t.D[1][i];
      b2.words[7 - i] = Word(t.T[i]);
      b2.words[15 - i] = Word(r);
      b2.words[23 - i] = Word(w);
      b3.words[7 - i] = Word(r);
      b3.words[23 - i] = Word(r);
      b3.words[15 - i] = Word(int(std::trunc(w * (1 - drops.middle[7 - i] * 0.0001) + 0.5)));
      b3.words[31 - i] = Word(int(std::trunc(w * (1 - drops.high[7 - i] * 0.0001) + 0.5)));
    }
    blocks.push_back(std::move(b2));
    blocks.push_back(std::move(b3));
    return blocks;
  }
  RegisterBlock b{24, std::vector<std::uint16_t>(16), true};
  for (std::size_t i = 0; i < 8; ++i) {
    if (type == kTypeKvelt) {
      b.words[7 - i] = Word(t.T[i]);
      b.words[15 - i] = Word(t.D[0][i]);
    } else {
      b.words[i] = Word(t.T[i] * 10);
      b.words[8 + i] = Word(t.D[0][i]);
    }
  }
  blocks.push_back(std::move(b));
  return blocks;
}

void ClearTableRegisters(int type, RegisterImage& image) {
  auto clear = [&](std::size_t first, std::size_t last) {
    for (std::size_t k = first; k <= last; ++k) image[k] = 0;
  };
  if (type == kTypeKvelt) {
    clear(24, 55);
    clear(58, 63);
  } else if (type == kTypeZ5) {
    clear(96, 100);
    clear(104, 159);
  }
}

std::optional<std::uint32_t> SensorSerialNumber(const CalcSensor& sensor) {
  long long serial = 0;
  if (ParseWholeToken(sensor.serial, 1, 0xFFFFFFFFLL, &serial) != TokenVerdict::kGood) return std::nullopt;
  return std::uint32_t(serial);
}

}  // namespace kvl
