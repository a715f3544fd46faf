#include "graduation/tab_file.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "text/cp1251.h"
#include "text/format.h"
#include "text/message_texts.h"
#include "text/printable.h"
#include "text/selector_lists.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr int kFirstT = 24, kFirstD = 32, kFirstK1 = 86, kFirstK2 = 102, kFirstK3 = 118;
constexpr int kLastCoefficient = 133;
constexpr std::size_t kBlockWords = 24;

// The value text after a key: leading blanks skipped, up to a blank, comma or
// semicolon; and, since the lines are joined, never past a character that
// cannot belong to a number (the next line's key).
std::string ValueText(const std::string& text, std::size_t from) {
  while (from < text.size() && text[from] == ' ') ++from;
  std::size_t end = text.find_first_of(" ,;", from);
  if (end == std::string::npos) end = text.size();
  const std::size_t alien = text.find_first_not_of("0123456789+-.eE", from);
  if (alien != std::string::npos && alien < end) end = alien;
  return text.substr(from, end - from);
}

// A whole integer (sign, digits, nothing else), saturated far outside 16 bits;
// anything else (empty, "1e3", "12.5") is no integer.
std::optional<long long> WholeInteger(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    v = std::min(v * 10 + (text[i] - '0'), 1LL << 40);
  }
  return negative ? -v : v;
}

// A whole decimal number a float holds.
std::optional<float> WholeCoefficient(const std::string& text) {
  double v = 0;
  std::size_t used = 0;
  if (!ParseDouble(text, &v, &used) || used != text.size()) return std::nullopt;
  if (!(std::fabs(v) <= std::numeric_limits<float>::max())) return std::nullopt;
  return float(v);
}

}  // namespace

std::array<std::uint16_t, 2> FloatWords(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return {std::uint16_t(bits >> 16), std::uint16_t(bits & 0xFFFF)};
}

TableFileResult ParseTableFile(std::string_view bytes, LanguageIndex l) {
  const std::string decoded = DecodeTextBytes(bytes);
  const bool ended = !decoded.empty() && (decoded.back() == '\n' || decoded.back() == '\r');
  std::string text;
  for (std::string_view line : SplitLines(decoded)) text += line;
  TableFileResult out;
  GraduationTable table;
  // The run's log shares the extension; without a table key and with the
  // log's own one it is named for what it is, not for a missing key.
  if (text.find("T[7]=") == std::string::npos && text.find("MODBUS_NUM") != std::string::npos) {
    out.gradLog = true;
    out.refusal = txt::kGradLogNotTableFile(l);
    return out;
  }

  std::size_t pos = std::string::npos;
  for (LanguageIndex lang = 0; lang < 3 && pos == std::string::npos; ++lang) {
    const std::string key = kFileFields[kFieldModbusNumber](lang);
    const std::size_t at = text.find(key);
    if (at != std::string::npos) pos = at + key.size();
  }
  const long long address = pos == std::string::npos ? 0 : WholeInteger(ValueText(text, pos)).value_or(0);
  if (address < 1 || address > 255) {
    out.refusal = std::string(kFileFields[kFieldModbusNumber](l)) + txt::kFrom1To255(l) + txt::kNotFoundInFile(l);
    return out;
  }
  table.address = int(address);

  for (int n = kTablePoints - 1; n >= 0; --n) {
    const std::string keys[5] = {Format("T[%d]=", n), Format("D[%2d]=", n), Format("K3[%2d]=", n),
                                 Format("K2[%2d]=", n), Format("K1[%2d]=", n)};
    for (int k = 0; k < 5; ++k) {
      const std::size_t at = text.find(keys[k], pos);
      if (at == std::string::npos) {
        out.refusal = keys[k] + txt::kNotFoundInFile(l);
        return out;
      }
      pos = at + keys[k].size();
      const std::string value = ValueText(text, pos);
      const std::size_t i = std::size_t(n);
      // A value that runs into the end of a file without its last line end may have been cut.
      const bool cut = !ended && text.find_first_not_of(' ', pos) + value.size() >= text.size();
      const auto integer = k < 2 ? WholeInteger(value) : std::nullopt;
      const auto coefficient = k < 2 ? std::nullopt : WholeCoefficient(value);
      if (cut || (k < 2 ? !integer || *integer < -32768 || *integer > 32767 : !coefficient)) {
        out.refusal = keys[k] + PrintableText(value) + " - " + txt::kIllegalValue(l);
        return out;
      }
      if (k < 2)
        (k == 0 ? table.T : table.D)[i] = std::int16_t(*integer);
      else
        (k == 2 ? table.K3 : k == 3 ? table.K2 : table.K1)[i] = *coefficient;
    }
  }
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
    TableFileResult r = ParseTableFile(bytes, language);
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
