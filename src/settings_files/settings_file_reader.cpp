#include "settings_files/settings_file.h"

#include <cstdlib>

#include "detector/register_map.h"
#include "settings_files/settings_save.h"
#include "text/cp1251.h"
#include "text/file_texts.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"
#include "text/printable.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr SettingsKeyInfo kKeys[kSettingsKeyCount] = {
    {"SER_NUM", reg::SER_NUM, 4294967295u},       {"GAS", reg::z5::GAS, 65535},
    {"LEL_CONC", reg::z5::LEL_CONC, 65535},       {"GRAD_CONC1", reg::z5::GRAD_CONC1, 65535},
    {"GRAD_CONC2", reg::z5::GRAD_CONC2, 65535},   {"GRAD_KUR", reg::z5::GRAD_KUR, 65535},
    {"GRAD_KUW", reg::z5::GRAD_KUW, 65535},       {"GRAD_POWER", reg::z5::GRAD_POWER, 65535},
};

// Header lines of a saved file: identify it, carry nothing to write.
constexpr std::string_view kHeaderWords[] = {"DATE", "TIME", "MODBUS_NUM"};

// The longest register line a file can mean: every register of the image.
constexpr int kLastAddress = kImageWords - 1;

std::vector<std::string_view> Tokens(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

// A whole decimal number that prints back as typed, 0..maximum.
std::optional<std::uint32_t> Decimal(std::string_view token, std::uint32_t maximum) {
  if (token.empty() || token.size() > 10) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + std::uint64_t(c - '0');
  }
  if (v > maximum || Format("%llu", static_cast<unsigned long long>(v)) != token) return std::nullopt;
  return std::uint32_t(v);
}

// A graduation table value: a decimal 0..65535 or -32768..-1 (its 16-bit pattern).
std::optional<std::uint32_t> TableValue(std::string_view token) {
  if (!token.empty() && token[0] == '-') {
    const auto v = Decimal(token.substr(1), 32768);
    if (!v || *v == 0) return std::nullopt;  // "-0" does not print back
    return std::uint32_t(65536 - *v);
  }
  return Decimal(token, 65535);
}

// Hexadecimal with leading zeros dropped; the rest prints back in one case. All zeros is 0.
std::optional<std::uint32_t> Hex(std::string_view token, std::uint32_t maximum) {
  if (token.empty()) return std::nullopt;
  std::size_t z = 0;
  while (z < token.size() && token[z] == '0') ++z;
  const std::string_view rest = token.substr(z);
  if (rest.empty()) return 0;
  if (rest.size() > 8) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : rest) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else
      return std::nullopt;
    v = v * 16 + std::uint64_t(d);
  }
  if (v > maximum) return std::nullopt;
  const unsigned u = unsigned(v);
  if (Format("%X", u) != rest && Format("%x", u) != rest) return std::nullopt;
  return std::uint32_t(v);
}

// A register value in the type's notation.
std::optional<std::uint32_t> Number(std::string_view token, int type, std::uint32_t maximum) {
  return type == kTypeKvelt ? Hex(token, maximum) : Decimal(token, maximum);
}

// A register label: decimal labels lose their leading zeros first ("R097").
std::optional<std::uint32_t> Label(std::string_view digits, int type) {
  if (type == kTypeKvelt) return Hex(digits, kImageWords - 1);
  std::size_t z = 0;
  while (z < digits.size() && digits[z] == '0') ++z;
  return Decimal(digits.substr(z), kImageWords - 1);
}

// A line of the file and whether a line end (CR LF, LF or a lone CR) closed it.
struct FileLine {
  std::string_view text;
  bool ended = false;
};

std::vector<FileLine> FileLines(std::string_view bytes) {
  std::vector<FileLine> out;
  while (!bytes.empty()) {
    const std::size_t end = bytes.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      out.push_back({bytes, false});
      break;
    }
    out.push_back({bytes.substr(0, end), true});
    bytes.remove_prefix(end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1));
  }
  return out;
}

// A register line the saver wrote starts a block, carries all of it and ends
// with its line end; one that starts a block with fewer words, or the file's
// last line without its end, was cut short.
bool CutShort(const SettingsRegisterLine& r, int type, bool ended) {
  if (!ended) return true;
  for (const SettingsBlock& b : SettingsBlocks(type))
    if (b.first == r.first) return r.words.size() < std::size_t(b.last - b.first + 1);
  return false;
}

bool ReadLine(const FileLine& fileLine, int type, SettingsFileContent& out) {
  const std::string_view line = fileLine.text;
  const std::vector<std::string_view> t = Tokens(line);
  if (t.empty() || t[0][0] == '*') return true;
  for (std::string_view h : kHeaderWords)
    if (t[0] == h) return true;
  for (int k = 0; k < kSettingsKeyCount; ++k) {
    if (t[0] != kKeys[k].name) continue;
    if (t.size() < 2) return false;
    const auto v = Decimal(t[1], kKeys[k].maximum);
    if (!v) return false;
    const auto key = SettingsKey(k);
    if (key == SettingsKey::SerNum) out.serial = *v;
    if (key == SettingsKey::Gas) out.gas = *v;
    out.pairs.push_back({key, kKeys[k].z5Register, *v});
    return true;
  }
  if (t[0].size() == 2 && t[0][0] == 'G' && t[0][1] >= '0' && t[0][1] <= '7') {
    if (t.size() < 1 + std::size_t(reg::z5::kGradTableColumns)) return false;
    const int lineNo = t[0][1] - '0';
    std::vector<SettingsPair> pairs;
    for (int j = 0; j < reg::z5::kGradTableColumns; ++j) {
      const auto v = TableValue(t[std::size_t(1 + j)]);
      if (!v) return false;
      pairs.push_back({std::nullopt, reg::z5::GradTableAddress(lineNo, j), *v});
    }
    out.pairs.insert(out.pairs.end(), pairs.begin(), pairs.end());
    return true;
  }
  if (t[0][0] == 'R') {
    const auto label = Label(t[0].substr(1), type);
    if (!label || *label < 1) return false;
    SettingsRegisterLine r;
    r.first = int(*label) - 1;
    for (std::size_t i = 1; i < t.size(); ++i) {
      if (r.first + int(r.words.size()) > kLastAddress) return false;
      const auto v = Number(t[i], type, 0xFFFF);
      if (!v) return false;
      r.words.push_back(std::uint16_t(*v));
    }
    if (CutShort(r, type, fileLine.ended)) return false;
    if (!r.words.empty()) out.registerLines.push_back(std::move(r));
    return true;
  }
  return false;
}

SettingsFileRead Refused(std::string_view line, LanguageIndex language) {
  SettingsFileRead r;
  // A line past the bound is shown by its start only.
  constexpr std::size_t kShown = 100;
  r.message = std::string(txt::kErrorInLine(language)) + "\r\n" + PrintableText(line, kShown);
  return r;
}

}  // namespace

const SettingsKeyInfo& KeyInfo(SettingsKey key) { return kKeys[int(key)]; }

SettingsFileRead ReadSettingsText(std::string_view bytes, int type, LanguageIndex language) {
  SettingsFileRead read;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);  // a Windows editor's UTF-8 mark
  const std::vector<FileLine> lines = FileLines(bytes);
  if (lines.size() > std::size_t(kMaxSettingsLines)) {
    read.message = txt::kMoreThan1000Lines(language);
    return read;
  }
  for (const FileLine& line : lines)
    if (line.text.size() > kMaxSettingsLineBytes || !ReadLine(line, type, read.content))
      return Refused(line.text, language);
  // An empty file, or one of header lines only, would do nothing without a word.
  if (read.content.pairs.empty() && read.content.registerLines.empty()) {
    read.message = txt::kDataNotFoundInFile(language);
    return read;
  }
  read.ok = true;
  return read;
}

SettingsFileRead ReadSettingsFile(const std::string& path, int type, LanguageIndex language) {
  // Enough for the longest file the reader takes, and one byte more so that
  // a longer file is still refused rather than cut quietly.
  constexpr std::size_t kMaxBytes = std::size_t(kMaxSettingsLines) * (kMaxSettingsLineBytes + 2) + 1;
  std::string bytes, error;
  if (ReadFileBytes(path, bytes, kMaxBytes, &error) != 0) {
    SettingsFileRead r;
    r.message = error;
    return r;
  }
  SettingsFileRead r = ReadSettingsText(bytes, type, language);
  // The operator may have picked among many files: the refusal names this one.
  if (!r.ok) r.message = std::string(txt::kFile(language)) + " " + NameOf(path) + ":\r\n" + r.message;
  return r;
}

}  // namespace kvl
