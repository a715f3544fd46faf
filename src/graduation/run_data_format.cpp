#include "graduation/run_data_format.h"

#include "text/cp1251.h"
#include "text/file_texts.h"
#include "text/format.h"

namespace kvl {
namespace {

constexpr int kDashesRunningIn = 131;
constexpr int kDashesOther = 115;

// printf's "%<width>s" on the Windows-1251 bytes, so a Russian caption pads
// by its letters as the file shows them.
std::string Pad(const std::string& cp1251, std::size_t width) {
  if (cp1251.size() >= width) return cp1251;
  return std::string(width - cp1251.size(), ' ') + cp1251;
}

std::string Field(const std::string& utf8, std::size_t width) { return " " + Pad(FileBytes(utf8), width); }

std::string Counter(std::uint32_t value) { return Format(" %7u", unsigned(value)); }

std::string NoBlanks(std::string text) {
  std::erase(text, ' ');
  return text;
}

std::string DashLine(int mode) {
  return "*" + std::string(mode == kModeRunningIn ? kDashesRunningIn : kDashesOther, '-') + "\r\n";
}

std::string Date(const std::tm& now) { return Format("%02d.%02d.%04d", now.tm_mday, now.tm_mon + 1, now.tm_year + 1900); }

// Header line 2 (UTF-8, without its line end); `continuation` adds Power/KUR/KUW where they belong.
std::string KeyLine(const RunDataRow& row, const RunDataContext& c, const std::tm& now, bool continuation) {
  const LanguageIndex l = c.language;
  const char* typeName = IsValidDetectorType(c.type) ? kDetectorTypes[c.type](l) : "";
  std::string line = "*" + Date(now) + "  " + kFileFields[kFieldDevice](l) + typeName + ", " +
                     kFileFields[kFieldSerialNumber](l) + row.serial + ", " + kFileFields[kFieldGas](l) +
                     row.gasName + ", " + kFileFields[kFieldModbusNumber](l) + row.modbusNumber;
  if (continuation && c.type == kTypeZ5 && c.mode == kModeGraduation)
    line += std::string(", ") + kFileFields[kFieldPower](l) + row.power + ", " + kFileFields[kFieldKur](l) + row.kur +
            ", " + kFileFields[kFieldKuw](l) + row.kuw;
  return line;
}

}  // namespace

std::string FileBytes(const std::string& utf8) {
  std::string out;
  EncodeCp1251(utf8, out);
  return out;
}

RunDataRow RunDataRowFromView(const RowView& view, const SlotState& slot) {
  RunDataRow row;
  row.serial = view[Column::Serial].text;
  row.modbusNumber = view[Column::ModbusNumber].text;
  row.gasCell = view[Column::Gas].text;
  row.gasName = slot.values.gasNameText;
  for (int q = 0; q < kQuantityCount; ++q) row.values[std::size_t(q)] = view[Column(int(Column::Lel) + q)].text;
  row.current = view[Column::Milliamps].text;
  row.counters = slot.counters;
  row.power = view[Column::PEmitter].text;
  row.kur = view[Column::Kur].text;
  row.kuw = view[Column::Kuw].text;
  return row;
}

bool IsCompleteRunDataRow(const RunDataRow& row) {
  if (row.serial.empty() || row.modbusNumber.empty() || row.gasCell.empty()) return false;
  for (const std::string& v : row.values)
    if (v.empty()) return false;
  return true;
}

std::string RunDataFileName(const std::string& folder, const std::string& serial, int series, int mode) {
  return folder + serial + Format("_%d.", series) + (mode == kModeRunningIn ? "mon" : "grad");
}

std::string RunDataHeaderKey(const RunDataRow& row, const RunDataContext& c, const std::tm& now) {
  return DashLine(c.mode) + FileBytes(KeyLine(row, c, now, false)) + "\r\n";
}

std::string RunDataHeaderBlock(const RunDataRow& row, const RunDataContext& c, const std::tm& now) {
  const LanguageIndex l = c.language;
  std::string captions = "*        ";
  for (int q = 0; q < kQuantityCount; ++q) captions += Field(NoBlanks(kQuantities[q](l)), q < 2 ? 7 : 6);
  if (c.mode != kModeGraduationZ5)
    for (const TextEntry* t : {&txt::kCurrent, &txt::kBreaks, &txt::kOver1, &txt::kOver2, &txt::kDefect})
      captions += Field((*t)(l), 7);
  if (c.mode == kModeRunningIn) captions += Field(txt::kAtOrBelowMin(l), 7) + Field(txt::kAtOrAboveMax(l), 7);
  const std::string dashes = DashLine(c.mode);
  return dashes + FileBytes(KeyLine(row, c, now, true)) + "\r\n" + dashes + captions + "\r\n" + dashes;
}

std::string RunDataLine(const RunDataRow& row, const RunDataContext& c, const std::tm& now) {
  std::string line = Format("%02d:%02d:%02d ", now.tm_hour, now.tm_min, now.tm_sec);
  for (int q = 0; q < kQuantityCount; ++q) line += Field(row.values[std::size_t(q)], q < 2 ? 7 : 6);
  if (c.mode != kModeGraduationZ5) {
    line += Field(row.current, 7);
    line += Counter(row.counters.breaks) + Counter(row.counters.over1) + Counter(row.counters.over2) +
            Counter(row.counters.defect);
  }
  if (c.mode == kModeRunningIn) line += Counter(row.counters.minCrossing) + Counter(row.counters.maxCrossing);
  return line + "\r\n";
}

}  // namespace kvl
