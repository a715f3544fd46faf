#include "graduation/tab_file.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "text/cp1251.h"
#include "text/format.h"
#include "text/message_texts.h"
#include "text/number_grammar.h"
#include "text/printable.h"
#include "text/reader_texts.h"
#include "text/selector_lists.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr int kFirstT = 24, kFirstD = 32, kFirstK1 = 86, kFirstK2 = 102, kFirstK3 = 118;
constexpr int kLastCoefficient = 133;
constexpr std::size_t kBlockWords = 24;

// The file's lines, each with whether a line end closed it.
struct TabLines {
  std::vector<std::string> text;
  bool lastEnded = true;
};

TabLines SplitTabLines(std::string_view bytes) {
  // A tail of NUL bytes is room a disk gave the file, not text.
  while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
  const std::string decoded = DecodeTextBytes(bytes);
  std::string_view rest = decoded;
  TabLines out;
  while (!rest.empty()) {
    const std::size_t end = rest.find_first_of("\r\n");
    out.text.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) {
      out.lastEnded = false;
      break;
    }
    rest.remove_prefix(end + (rest.compare(end, 2, "\r\n") == 0 ? 2 : 1));
  }
  return out;
}

std::string ValueToken(const std::string& line, std::size_t from) { return std::string(KeyedValueToken(line, from)); }

// Where a key was found: line index and the column after it.
struct KeyAt {
  std::size_t line = 0, column = 0;
};

// The first of `keys` at or after `from` (the earliest in the text).
std::optional<KeyAt> FindKey(const TabLines& lines, KeyAt from, const std::vector<std::string>& keys) {
  for (std::size_t i = from.line; i < lines.text.size(); ++i) {
    std::size_t best = std::string::npos, bestEnd = 0;
    for (const std::string& key : keys) {
      const std::size_t at = lines.text[i].find(key, i == from.line ? from.column : 0);
      if (at < best) best = at, bestEnd = at + key.size();
    }
    if (best != std::string::npos) return KeyAt{i, bestEnd};
  }
  return std::nullopt;
}

std::vector<std::string> ModbusKeys() {
  return {kFileFields[kFieldModbusNumber](kEnglish), kFileFields[kFieldModbusNumber](kRussian),
          kFileFields[kFieldModbusNumber](kSpanish)};
}

// The five keys of point n, in the order the file gives them.
std::vector<std::string> PointKeys(int n) {
  return {Format("T[%d]=", n), Format("D[%2d]=", n), Format("K3[%2d]=", n), Format("K2[%2d]=", n),
          Format("K1[%2d]=", n)};
}

// A key found a second time anywhere in the file: another table's, or a
// stray line; which of the two is meant cannot be told.
std::optional<KeyAt> SecondKey(const TabLines& lines, const std::vector<std::string>& keys) {
  const auto first = FindKey(lines, {}, keys);
  return first ? FindKey(lines, *first, keys) : std::nullopt;
}

// T of the points rises, or falls, from point to point: a point given with
// another's temperature or out of its place is no table.
bool Monotone(const std::array<std::int16_t, kTablePoints>& t) {
  bool up = true, down = true;
  for (std::size_t i = 1; i < t.size(); ++i) {
    up = up && t[i] > t[i - 1];
    down = down && t[i] < t[i - 1];
  }
  return up || down;
}

}  // namespace

std::array<std::uint16_t, 2> FloatWords(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return {std::uint16_t(bits >> 16), std::uint16_t(bits & 0xFFFF)};
}

TableFileResult ParseTableFile(std::string_view bytes, LanguageIndex l, std::string_view name) {
  const TabLines lines = SplitTabLines(bytes);
  TableFileResult out;
  auto refuse = [&](std::size_t line, const std::string& what) {
    out.refusal = PlaceOfLine(name, line, l) + what;
    return out;
  };
  // The run's log shares the extension; without a table key and with the
  // log's own one it is named for what it is, not for a missing key.
  bool tableKey = false, logKey = false;
  for (const std::string& line : lines.text) {
    tableKey = tableKey || line.find("T[7]=") != std::string::npos;
    logKey = logKey || line.find("MODBUS_NUM") != std::string::npos;
  }
  if (!tableKey && logKey) {
    out.gradLog = true;
    out.refusal = txt::kGradLogNotTableFile(l);
    return out;
  }
  if (!lines.lastEnded) return refuse(lines.text.size(), txt::kLastLineUnended(l));
  const std::vector<std::string> modbusKeys = ModbusKeys();
  if (const auto twice = SecondKey(lines, modbusKeys))
    return refuse(twice->line + 1, std::string(kFileFields[kFieldModbusNumber](l)) + " " + txt::kGivenTwice(l));
  for (int n = 0; n < kTablePoints; ++n)
    for (const std::string& key : PointKeys(n))
      if (const auto twice = SecondKey(lines, {key})) return refuse(twice->line + 1, key + " " + txt::kGivenTwice(l));

  GraduationTable table;
  const auto modbus = FindKey(lines, {}, modbusKeys);
  long long address = 0;
  if (!modbus || ParseWholeToken(ValueToken(lines.text[modbus->line], modbus->column), 1, 255, &address) !=
                     TokenVerdict::kGood) {
    const std::string what =
        std::string(kFileFields[kFieldModbusNumber](l)) + txt::kFrom1To255(l) + txt::kNotFoundInFile(l);
    if (!modbus) return refuse(0, what);
    return refuse(modbus->line + 1, what + ": \"" + PrintableText(ValueToken(lines.text[modbus->line], modbus->column)) + "\"");
  }
  table.address = int(address);

  KeyAt pos = *modbus;
  for (int n = kTablePoints - 1; n >= 0; --n) {
    const std::vector<std::string> keys = PointKeys(n);
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const auto at = FindKey(lines, pos, {keys[k]});
      if (!at) return refuse(0, keys[k] + txt::kNotFoundInFile(l));
      pos = *at;
      const std::string value = ValueToken(lines.text[at->line], at->column);
      const std::size_t i = std::size_t(n);
      TokenVerdict verdict;
      if (k < 2) {
        long long v = 0;
        verdict = ParseWholeToken(value, -32768, 32767, &v);
        (k == 0 ? table.T : table.D)[i] = std::int16_t(v);
      } else {
        double v = 0;
        constexpr double kFloatMax = std::numeric_limits<float>::max();
        verdict = ParseDecimalToken(value, -kFloatMax, kFloatMax, &v);
        (k == 2 ? table.K3 : k == 3 ? table.K2 : table.K1)[i] = float(v);
      }
      if (verdict != TokenVerdict::kGood)
        return refuse(at->line + 1, keys[k] + PrintableText(value) + " - " + txt::kIllegalValue(l) + " (" +
                                        TokenWhy(verdict, l) + ")");
    }
  }
  if (!Monotone(table.T)) return refuse(0, txt::kPointsNotRising(l));
  out.table = table;
  return out;
}

std::vector<TableBlockWrite> TableBlockWrites(const GraduationTable& table) {
  const auto slave = std::uint8_t(table.address);
  std::vector<std::uint16_t> td;
  for (std::int16_t t : table.T) td.push_back(std::uint16_t(t));
  for (std::int16_t d : table.D) td.push_back(std::uint16_t(d));
  std::vector<std::uint16_t> k(kLastCoefficient - kFirstK1 + 1);
  auto put = [&](int first, const std::array<float, kTablePoints>& values) {
    for (int n = 0; n < kTablePoints; ++n) {
      const auto w = FloatWords(values[std::size_t(n)]);
      k[std::size_t(first - kFirstK1 + 2 * n)] = w[0];
      k[std::size_t(first - kFirstK1 + 2 * n + 1)] = w[1];
    }
  };
  put(kFirstK1, table.K1);
  put(kFirstK2, table.K2);
  put(kFirstK3, table.K3);
  static_assert(kFirstD == kFirstT + kTablePoints);
  std::vector<TableBlockWrite> out{{slave, std::uint16_t(kFirstT), td}};
  for (std::size_t at = 0; at < k.size(); at += kBlockWords) {
    const std::size_t n = std::min(kBlockWords, k.size() - at);
    out.push_back({slave, std::uint16_t(kFirstK1 + at),
                   std::vector<std::uint16_t>(k.begin() + long(at), k.begin() + long(at + n))});
  }
  return out;
}

TableFilesPlan PlanTableFiles(const std::vector<std::string>& paths, LanguageIndex language) {
  TableFilesPlan plan;
  for (const std::string& path : paths) {
    std::string bytes, error;
    if (ReadFileBytes(path, bytes, std::numeric_limits<std::size_t>::max(), &error) != 0) {
      plan.unreadable.push_back(error);
      continue;
    }
    TableFileResult r = ParseTableFile(bytes, language, NameOf(path));
    if (!r.table) {
      plan.refusal = r.gradLog ? NameOf(path) + r.refusal : r.refusal;
      break;
    }
    for (TableBlockWrite& w : TableBlockWrites(*r.table)) plan.writes.push_back(std::move(w));
    plan.filesQueued.push_back(path);
  }
  return plan;
}

}  // namespace kvl
