#include "graduation/grad_log.h"

#include <algorithm>
#include <optional>

#include "detector/register_map.h"
#include "graduation/run_data_format.h"
#include "text/format.h"
#include "text/number_grammar.h"
#include "text/selector_lists.h"
#include "text/text_file.h"

namespace kvl {
namespace {

struct NamedRegister {
  const char* name;
  int address;
};
// The settings the run record lists, in the log's order.
constexpr NamedRegister kLoggedRegisters[] = {
    {"SER_NUM", reg::SER_NUM},       {"GAS", reg::z5::GAS},
    {"LEL_CONC", reg::z5::LEL_CONC}, {"GRAD_CONC1", reg::z5::GRAD_CONC1},
    {"GRAD_CONC2", reg::z5::GRAD_CONC2}, {"GRAD_KUR", reg::z5::GRAD_KUR},
    {"GRAD_KUW", reg::z5::GRAD_KUW}, {"GRAD_POWER", reg::z5::GRAD_POWER},
};

}  // namespace

std::string GradLogPath(const std::string& folder, const std::string& serial) { return folder + serial + ".tab"; }

std::string BlankZeroSign(std::string text) {
  static const std::string from = "+0°", to = " 0°";
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::string GradLogRunHeader(int type, int modbusAddress, ImageView image, const std::tm& now) {
  const std::string date = Format("%02d.%02d.%04d", now.tm_mday, now.tm_mon + 1, now.tm_year + 1900);
  const std::string time = Format("%02d:%02d:%02d", now.tm_hour, now.tm_min, now.tm_sec);
  std::string out = Format("DATE%12s\r\nTIME%12s\r\n", date.c_str(), time.c_str());
  out += Format("MODBUS_NUM%6u\r\n", unsigned(modbusAddress));
  for (const NamedRegister& r : kLoggedRegisters) {
    const unsigned value = r.address == reg::SER_NUM ? SerialNumber(type, image) : image[std::size_t(r.address)];
    out += Format("%-10s %5u\r\n", r.name, value);
  }
  out += "\r\n*n    Tn   R0n   W0n   R1n   W1n   R2n   W2n\r\n";
  return out;
}

GradPointValues GradPointFromTable(ImageView image, int point) {
  GradPointValues v{};
  for (int column = 0; column < reg::z5::kGradTableColumns; ++column)
    v[std::size_t(column)] = image[std::size_t(reg::z5::GradTableAddress(point, column))];
  return v;
}

std::string GradLogPointLine(int point, const GradPointValues& v, int stageTemperature, bool withoutGas,
                             bool lastStage) {
  std::string line;
  if (withoutGas) {
    line = Format("G%d %5u %5u %5u %5u %5u %5u %5u", point, unsigned(v[0]), unsigned(v[1]), unsigned(v[2]),
                  unsigned(v[3]), unsigned(v[4]), unsigned(v[5]), unsigned(v[6]));
  } else {
    line = Format("G%d %5d", point, Signed16(v[0]));
    for (int k = 1; k < 7; k += 2) line += Format(" %5d %5d", Signed16(v[std::size_t(k)]), Signed16(v[std::size_t(k + 1)]));
  }
  line += BlankZeroSign(Format("  %+3d°\r\n", stageTemperature));
  if (lastStage) line += "\r\n";
  return FileBytes(line);
}

std::string GradLogReportHeader(const std::string& serial, const std::string& modbusNumber,
                                const std::string& gasName, LanguageIndex l, const std::tm& now) {
  const std::string when = Format("%02d.%02d.%04d   %02d:%02d:%02d", now.tm_mday, now.tm_mon + 1,
                                  now.tm_year + 1900, now.tm_hour, now.tm_min, now.tm_sec);
  return FileBytes(std::string(kFileFields[kFieldSerialNumber](l)) + serial + "   " +
                   kFileFields[kFieldModbusNumber](l) + modbusNumber + "   " + kFileFields[kFieldGas](l) + gasName +
                   "   " + when + "\r\n");
}

namespace {

// "G3 1100 -20 ... +45°": the point, seven values and the stage temperature.
std::optional<GradLogPoint> PointLine(std::string_view line) {
  if (line.size() < 2 || line[0] != 'G' || line[1] < '0' || line[1] > '7') return std::nullopt;
  std::vector<std::string_view> t;
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t end = std::min(line.find_first_of(" \t", i), line.size());
    if (end > i) t.push_back(line.substr(i, end - i));
    i = end;
  }
  GradLogPoint p;
  long long v = 0;
  if (t.size() != 9 || ParseWholeToken(t[0].substr(1), 0, 7, &v) != TokenVerdict::kGood) return std::nullopt;
  p.point = int(v);
  for (std::size_t k = 0; k < 7; ++k) {
    if (ParseWholeToken(t[k + 1], -32768, 65535, &v) != TokenVerdict::kGood) return std::nullopt;
    p.values[k] = int(v);
  }
  // The degree sign (Windows-1251 or UTF-8) ends the temperature.
  std::string_view temp = t[8];
  while (!temp.empty() && (temp.back() < '0' || temp.back() > '9')) temp.remove_suffix(1);
  if (ParseWholeToken(temp, -100, 200, &v) != TokenVerdict::kGood) return std::nullopt;
  p.stageTemperature = int(v);
  return p;
}

}  // namespace

std::vector<GradLogPoint> LastRunPoints(std::string_view bytes) {
  std::vector<GradLogPoint> points;
  for (std::string_view line : SplitLines(bytes)) {
    if (line.substr(0, 2) == "*n") points.clear();
    if (const std::optional<GradLogPoint> p = PointLine(line)) points.push_back(*p);
  }
  return points;
}

int AppendGradLog(const std::string& path, const std::string& bytes, std::string* error) {
  return AppendRecord(path, bytes, error);
}

}  // namespace kvl
