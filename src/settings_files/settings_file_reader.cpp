#include "settings_files/settings_file.h"

#include <cstdlib>

#include "detector/register_map.h"
#include "settings_files/settings_save.h"
#include "text/cp1251.h"
#include "text/file_texts.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"
#include "text/number_grammar.h"
#include "text/printable.h"
#include "text/reader_texts.h"
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

// Why a line is refused ("" while it is good).
using Reason = std::string;

// A whole decimal number 0..maximum, or why not.
Reason Decimal(std::string_view token, long long lo, long long maximum, long long* v, LanguageIndex l) {
  const TokenVerdict verdict = ParseWholeToken(token, lo, maximum, v);
  return verdict == TokenVerdict::kGood ? Reason() : "\"" + PrintableText(token) + "\" - " + TokenWhy(verdict, l);
}

// A register value in the type's notation: KVELT hexadecimal, the others decimal.
Reason Number(std::string_view token, int type, std::uint32_t* v, LanguageIndex l) {
  if (type == kTypeKvelt) {
    unsigned long long h = 0;
    const TokenVerdict verdict = ParseHexToken(token, 0xFFFF, &h);
    *v = std::uint32_t(h);
    return verdict == TokenVerdict::kGood ? Reason() : "\"" + PrintableText(token) + "\" - " + TokenWhy(verdict, l);
  }
  long long d = 0;
  Reason r = Decimal(token, 0, 0xFFFF, &d, l);
  *v = std::uint32_t(d);
  return r;
}

// A register label after its "R": KVELT hexadecimal, the others decimal (leading zeros as "R097").
Reason Label(std::string_view digits, int type, std::uint32_t* v, LanguageIndex l) {
  if (type == kTypeKvelt) {
    unsigned long long h = 0;
    const TokenVerdict verdict = ParseHexToken(digits, kImageWords - 1, &h);
    *v = std::uint32_t(h);
    return verdict == TokenVerdict::kGood && h >= 1 ? Reason() : "\"R" + PrintableText(digits) + "\" - " + TokenWhy(verdict == TokenVerdict::kGood ? TokenVerdict::kOutOfRange : verdict, l);
  }
  long long d = 0;
  Reason r = Decimal(digits, 1, kImageWords - 1, &d, l);
  *v = std::uint32_t(d);
  return r;
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

// The block of the saver's layout that a register line lies in; a line
// reaching past it ("R098" with five words of block 97..101) is a label one
// off or a value too many, and would write a register the block never holds.
Reason InItsBlock(const SettingsRegisterLine& r, int type, LanguageIndex l) {
  const auto blocks = SettingsBlocks(type);
  const int last = r.first + int(r.words.size()) - 1;
  if (blocks.empty()) return last > kLastAddress ? Reason(txt::kPastItsBlock(l)) : Reason();
  for (const SettingsBlock& b : blocks)
    if (b.first <= r.first && r.first <= b.last) return last <= b.last ? Reason() : Reason(txt::kPastItsBlock(l));
  return txt::kNotInABlock(l);
}

// Reads the lines of one file, keeping what the whole-file checks need.
class CSettingsLines {
 public:
  CSettingsLines(int type, LanguageIndex l, SettingsFileContent& out) : type_(type), l_(l), out_(out) {}

  Reason Line(std::string_view line) {
    const std::vector<std::string_view> t = Tokens(line);
    if (t.empty() || t[0][0] == '*') return {};
    for (std::string_view h : kHeaderWords)
      if (t[0] == h) return {};
    for (int k = 0; k < kSettingsKeyCount; ++k)
      if (t[0] == kKeys[k].name) return Key(SettingsKey(k), t);
    if (t[0].size() == 2 && t[0][0] == 'G' && t[0][1] >= '0' && t[0][1] <= '7') return GLine(t[0][1] - '0', t);
    if (t[0][0] == 'R') return RegisterLine(t);
    return txt::kErrorInLine(l_);
  }

  // After the last line: G lines come as a whole table or not at all, with T rising or falling.
  Reason End() const {
    if (gLines_ == 0) return {};
    for (int g = 0; g < kGradPoints; ++g)
      if (!(gLines_ & (1u << g))) return Format("G%d ", g) + txt::kLineMissing(l_);
    bool up = true, down = true;
    for (int g = 1; g < kGradPoints; ++g) {
      up = up && std::int16_t(gT_[g]) > std::int16_t(gT_[g - 1]);
      down = down && std::int16_t(gT_[g]) < std::int16_t(gT_[g - 1]);
    }
    return up || down ? Reason() : Reason(txt::kPointsNotRising(l_));
  }

 private:
  static constexpr int kGradPoints = 8;

  // An address given by two lines: which of the two values is meant cannot be told.
  Reason Claim(int address, const std::string& what) {
    if (address < 0 || address > kLastAddress) return txt::kPastItsBlock(l_);
    if (claimed_[std::size_t(address)]) return PrintableText(what) + " " + txt::kGivenTwice(l_);
    claimed_[std::size_t(address)] = true;
    return {};
  }

  // Numbers after the values a line holds: a value split by a blank or one too many.
  Reason NothingMore(const std::vector<std::string_view>& t, std::size_t from) const {
    long long ignored = 0;
    double alsoIgnored = 0;
    for (std::size_t i = from; i < t.size(); ++i)
      if (ParseWholeToken(t[i], -(1LL << 62), 1LL << 62, &ignored) != TokenVerdict::kNotANumber ||
          ParseDecimalToken(t[i], -1e308, 1e308, &alsoIgnored) != TokenVerdict::kNotANumber)
        return Format(txt::kFieldCount(l_), int(t.size() - 1), int(from - 1));
    return {};
  }

  Reason Key(SettingsKey key, const std::vector<std::string_view>& t) {
    const SettingsKeyInfo& info = kKeys[int(key)];
    long long v = 0;
    if (t.size() < 2) return std::string(info.name) + ": " + txt::kTokenEmpty(l_);
    if (Reason r = Decimal(t[1], 0, info.maximum, &v, l_); !r.empty()) return r;
    if (Reason r = NothingMore(t, 2); !r.empty()) return r;
    if (Reason r = Claim(info.z5Register, info.name); !r.empty()) return r;
    if (key == SettingsKey::SerNum) out_.serial = std::uint32_t(v);
    if (key == SettingsKey::Gas) out_.gas = std::uint32_t(v);
    out_.pairs.push_back({key, info.z5Register, std::uint32_t(v)});
    return {};
  }

  // Seven values, then at most the log's stage temperature ("+20°"), which is no number.
  Reason GLine(int point, const std::vector<std::string_view>& t) {
    constexpr std::size_t kColumns = reg::z5::kGradTableColumns;
    if (t.size() < 1 + kColumns) return Format(txt::kFieldCount(l_), int(t.size() - 1), int(kColumns));
    if (Reason r = NothingMore(t, 1 + kColumns); !r.empty()) return r;
    const std::string name = Format("G%d", point);
    if (gLines_ & (1u << point)) return name + " " + txt::kGivenTwice(l_);
    gLines_ |= 1u << point;
    for (std::size_t j = 0; j < kColumns; ++j) {
      long long v = 0;
      // The log prints the temperature and signals signed: a negative value is the word's two's complement.
      if (Reason r = Decimal(t[1 + j], -32768, 65535, &v, l_); !r.empty()) return r;
      const int address = reg::z5::GradTableAddress(point, int(j));
      if (Reason r = Claim(address, name); !r.empty()) return r;
      const auto word = std::uint32_t(v < 0 ? v + 65536 : v);
      if (j == 0) gT_[point] = std::uint16_t(word);
      out_.pairs.push_back({std::nullopt, address, word});
    }
    return {};
  }

  Reason RegisterLine(const std::vector<std::string_view>& t) {
    std::uint32_t label = 0;
    if (Reason r = Label(t[0].substr(1), type_, &label, l_); !r.empty()) return r;
    SettingsRegisterLine line;
    line.first = int(label) - 1;
    for (std::size_t i = 1; i < t.size(); ++i) {
      std::uint32_t v = 0;
      if (Reason r = Number(t[i], type_, &v, l_); !r.empty()) return r;
      line.words.push_back(std::uint16_t(v));
    }
    if (Reason r = InItsBlock(line, type_, l_); !r.empty()) return r;
    for (std::size_t i = 0; i < line.words.size(); ++i)
      if (Reason r = Claim(line.first + int(i), std::string(t[0])); !r.empty()) return r;
    if (!line.words.empty()) out_.registerLines.push_back(std::move(line));
    return {};
  }

  const int type_;
  const LanguageIndex l_;
  SettingsFileContent& out_;
  std::array<bool, kImageWords> claimed_{};
  unsigned gLines_ = 0;
  std::array<std::uint16_t, kGradPoints> gT_{};
};

// kErrorInLine and the line's number, then the line (its start only, when
// long) and why.
SettingsFileRead Refused(std::size_t number, std::string_view line, const std::string& why, LanguageIndex language) {
  SettingsFileRead r;
  constexpr std::size_t kShown = 100;
  r.message = std::string(txt::kErrorInLine(language)) + Format(" %zu", number) + "\r\n" + PrintableText(line, kShown);
  if (!why.empty() && why != txt::kErrorInLine(language)) r.message += "\r\n" + why;
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
  if (!lines.empty() && !lines.back().ended && !Tokens(lines.back().text).empty())
    return Refused(lines.size(), lines.back().text, txt::kLastLineUnended(language), language);
  CSettingsLines reader(type, language, read.content);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const FileLine& line = lines[i];
    if (line.text.size() > kMaxSettingsLineBytes) return Refused(i + 1, line.text, {}, language);
    if (Reason why = reader.Line(line.text); !why.empty()) return Refused(i + 1, line.text, why, language);
  }
  if (Reason why = reader.End(); !why.empty()) {
    SettingsFileRead r;
    r.message = why;
    return r;
  }
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
