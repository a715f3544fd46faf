// Reading the configuration file. Any content must load: a line that is
// missing takes the default stated for its position; a number that is
// damaged or outside its line's range takes it too, and is listed so that the
// operator learns which lines were replaced.
#include <algorithm>
#include <climits>
#include <cmath>

#include "config/configuration.h"
#include "link/serial_port.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/number_grammar.h"
#include "text/printable.h"
#include "text/reader_texts.h"
#include "text/text_file.h"

namespace kvl {
namespace {


// The layout is under 600 lines; nothing past a few megabytes can matter.
constexpr std::size_t kMaxConfigurationBytes = 16u << 20;

constexpr const char* kDefaultPorts[kSerialLineCount] = {"1", "2", "3", "4"};
constexpr const char* kDefaultBauds[kSerialLineCount] = {"9600", "9600", "9600", "1200"};
constexpr const char* kDefaultFactor = "2500";
constexpr double kDefaultEmitterPower = 1.8;
constexpr double kDefaultSpareNumber = 6526.0;
constexpr std::uint16_t kDefaultDeltaDmax = 100;
constexpr double kDefaultLowLimit = -5.0;
constexpr double kDefaultHighLimit = 5.0;
constexpr int kLastGasPosition = kGasCount - 1;
// The decimals of the file (coefficients, limits, concentrations) are field
// values; beyond this they are damage, and "%.3f" of them would not read back.
constexpr double kLargestDecimal = 1e9;

// Hands out the file's lines one by one, decoded to UTF-8; past the end every
// line is empty, which is how a short file reads.
class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : rest_(bytes) {
    if (rest_.substr(0, 3) == "\xEF\xBB\xBF") rest_.remove_prefix(3);  // an editor's UTF-8 mark
    // A file with CR line ends only (an old editor's) has no LF at all; a
    // stray CR in a file of LF lines stays inside its line, or every line
    // after it would take the next position's value.
    if (rest_.find('\n') == std::string_view::npos) end_ = '\r';
  }

  bool AtEnd() const { return rest_.empty(); }
  // The number of the line Next() gave last (1 first).
  std::size_t Number() const { return number_; }

  std::string Next() {
    ++number_;
    if (rest_.empty()) return {};
    const std::size_t lf = rest_.find(end_);
    std::string_view line = rest_.substr(0, lf);
    rest_.remove_prefix(lf == std::string_view::npos ? rest_.size() : lf + 1);
    // The CR of a CR LF end goes; a stray CR or a NUL inside a line ends its
    // text as well, so that no value read can hold a character that would
    // break the line apart when the configuration is written again.
    line = line.substr(0, line.find_first_of(std::string_view("\r\0", 2)));
    return DecodeTextBytes(line);
  }

 private:
  std::string_view rest_;
  char end_ = '\n';
  std::size_t number_ = 0;
};

// A line's first token: the text before a blank, tab or semicolon (the comment after it).
std::string_view FirstToken(std::string_view line) {
  const std::size_t b = std::min(line.find_first_not_of(" \t"), line.size());
  const std::size_t e = std::min(line.find_first_of(" \t;", b), line.size());
  return line.substr(b, e - b);
}

// The numbers of the lines in the grammar, each line's default when its token
// is damaged or out of range (noted), or when it is empty (a short file: not noted).
class CNumbers {
 public:
  CNumbers(LineReader& in, std::vector<ConfigReplacement>* replaced) : in_(in), replaced_(replaced) {}

  // `empty`: what an empty or missing line reads as (a short file's value).
  long long Whole(long long lo, long long hi, long long fallback) { return Whole(lo, hi, fallback, fallback); }
  long long Whole(long long lo, long long hi, long long fallback, long long empty) {
    return WholeOf(in_.Next(), lo, hi, fallback, empty);
  }
  long long WholeOf(std::string_view line, long long lo, long long hi, long long fallback, long long empty) {
    const std::string_view token = FirstToken(line);
    long long v = 0;
    if (token.empty()) return empty;
    if (ParseWholeToken(token, lo, hi, &v) == TokenVerdict::kGood) return v;
    Note(token, Format("%lld", fallback));
    return fallback;
  }
  double Decimal(double lo, double hi, double fallback) { return Decimal(lo, hi, fallback, fallback); }
  double Decimal(double lo, double hi, double fallback, double empty) {
    const std::string line = in_.Next();  // the token below views into it
    const std::string_view token = FirstToken(line);
    double v = 0;
    if (token.empty()) return empty;
    if (ParseDecimalToken(token, lo, hi, &v) == TokenVerdict::kGood) return v;
    Note(token, Format("%.3f", fallback));
    return fallback;
  }
  // A whole number kept as the text of its field, in its plain form ("+05" is
  // "5", as the field and the link read it), or the default.
  std::string WholeText(long long lo, long long hi, const std::string& fallback) {
    const std::string line = in_.Next();
    const std::string_view token = FirstToken(line);
    long long v = 0;
    if (token.empty()) return fallback;
    if (ParseWholeToken(token, lo, hi, &v) == TokenVerdict::kGood) return Format("%lld", v);
    Note(token, fallback);
    return fallback;
  }
  void Note(std::string_view text, const std::string& loaded) {
    if (replaced_) replaced_->push_back({in_.Number(), PrintableText(text), loaded});
  }
  LineReader& In() { return in_; }

 private:
  LineReader& in_;
  std::vector<ConfigReplacement>* replaced_;
};


std::string TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string ReadFolder(const std::string& line, const ConfigurationContext& context) {
  if (!IsExistingDirectory(line)) return WithSlash(context.programFolder);
  // Files are named by appending to the folder text, so it must end with "/".
  return WithSlash(line);
}

// A check record line: field 1 (type 0) and field 2 (type 1), separated by
// blanks, tabs or semicolons; the comment after them is no field.
CheckRecord ReadCheckRecord(CNumbers& numbers, int record) {
  const std::string line = numbers.In().Next();
  CheckRecord fields = DefaultCheckRecord(record);
  constexpr long long kRange[2][2] = {{-32768, 32767}, {-3276, 3276}};
  std::size_t i = 0;
  for (int f = 0; f < 2; ++f) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ';')) ++i;
    const std::size_t end = std::min(line.find_first_of(" \t;", i), line.size());
    // A missing field reads 0, as a short file's lines do.
    fields[f] = int(numbers.WholeOf(std::string_view(line).substr(i, end - i), kRange[f][0], kRange[f][1], fields[f], 0));
    i = end;
  }
  return fields;
}

void ApplyPairRule(CheckRecord& lower, CheckRecord& upper, int lowerIndex, int upperIndex) {
  for (int f = 0; f < kDetectorTypeCount; ++f) {
    if (upper[f] <= lower[f]) {
      lower[f] = DefaultCheckRecord(lowerIndex)[f];
      upper[f] = DefaultCheckRecord(upperIndex)[f];
    }
  }
}

void ReadCheckRecords(CNumbers& numbers, Configuration& c) {
  for (int r = 0; r < kCheckRecordCount; ++r) {
    CheckRecord fields = ReadCheckRecord(numbers, r);
    // Z5 detectors keep their own scale: the file carries only types 0 and 1.
    fields[4] = r == kCheckT0 ? 561 : r == kCheckT7 ? 1071 : fields[0];
    c.checkRecords[r] = fields;
  }
  ApplyPairRule(c.checkRecords[kTminMin], c.checkRecords[kTminMax], kTminMin, kTminMax);
  ApplyPairRule(c.checkRecords[kTmaxMin], c.checkRecords[kTmaxMax], kTmaxMin, kTmaxMax);
  ApplyPairRule(c.checkRecords[kCheckT0], c.checkRecords[kCheckT7], kCheckT0, kCheckT7);
}

// Any first token but "0" sets the flag, an empty one included.
bool ReadFlag(std::string_view line) {
  const std::size_t first = std::min(line.find_first_not_of(" \t"), line.size());
  const std::size_t end = std::min(line.find_first_of(" \t;", first), line.size());
  return line.substr(first, end - first) != "0";
}

// A concentration text is kept only when it is a decimal number of the
// grammar ("," as the operator may type it read as "."): "nan" or a word
// would reach the graduation run's register values.
bool IsConcentrationText(const std::string& text) {
  // A field's text: no exponent, however the grammar would read one.
  if (text.find_first_not_of("0123456789.,+- ") != std::string::npos) return false;
  std::string number = TrimSpaces(text);
  std::replace(number.begin(), number.end(), ',', '.');
  double value = 0;
  return ParseDecimalToken(number, -kLargestDecimal, kLargestDecimal, &value) == TokenVerdict::kGood;
}

void ReadGasBlock(CNumbers& numbers, int g, GasCalibration& gas) {
  LineReader& in = numbers.In();
  const GasDefaults& defaults = DefaultGasConcentrations(g);
  auto textOr = [&](const char* fallback) {
    std::string text = in.Next();
    if (IsConcentrationText(text)) return text;
    if (!TrimSpaces(text).empty()) numbers.Note(text, fallback);
    return std::string(fallback);
  };
  gas.usePropane = in.Next() == "1";
  const double coefficient = numbers.Decimal(-kLargestDecimal, kLargestDecimal, 1.0);
  gas.coefficient = coefficient == 0.0 ? 1.0 : coefficient;
  gas.concentration[0] = textOr(defaults.first);
  gas.propaneEntry[0] = textOr(defaults.first);
  gas.concentration[1] = textOr(defaults.second);
  gas.propaneEntry[1] = textOr(defaults.second);
}

void ReadAddresses(CNumbers& numbers, Configuration& c) {
  LineReader& in = numbers.In();
  c.addresses.clear();
  // A count of 0 is what an empty list writes.
  const long long count = numbers.Whole(0, kMaxPollAddresses, 0);
  for (long long i = 0; i < count && !in.AtEnd(); ++i) {
    // A line without a number is skipped like a missing one rather than
    // polling the broadcast address 0 by accident.
    const long long address = numbers.Whole(0, 255, -1);
    if (address >= 0) c.addresses.push_back(static_cast<unsigned>(address));
  }
  if (c.addresses.empty()) c.addresses.push_back(1);
}

// The text after "key=" of a keyed line, "" for a line of another key.
std::string KeyedValue(const std::string& line, const char* key) {
  const std::string head = std::string(key) + "=";
  return line.rfind(head, 0) == 0 ? line.substr(head.size()) : std::string();
}

// The keyed lines after the positional layout, "key=value" each, in any
// order; unknown keys and stray lines (addresses beyond their count) are passed over.
void ReadKeyedLines(LineReader& in, Configuration& c) {
  const std::string echoKey = std::string(kEchoKey) + "=";
  while (!in.AtEnd()) {
    const std::string line = TrimSpaces(in.Next());
    long long echo = 0;
    if (line.rfind(echoKey, 0) == 0)
      c.lineEcho = ParseWholeToken(std::string_view(line).substr(echoKey.size()), 0, 1, &echo) == TokenVerdict::kGood && echo == 1;
    if (const std::string v = KeyedValue(line, kChamberProfileKey); !v.empty()) c.chamberProfile = v;
    if (const std::string v = KeyedValue(line, kValveProfileKey); !v.empty()) c.valveProfile = v;
    // Only the selector's own items.
    if (const std::string v = KeyedValue(line, kLineEndingKey); v == "CR" || v == "LF" || v == "CR LF") c.lineEnding = v;
  }
}

}  // namespace

Configuration DefaultConfiguration(const ConfigurationContext& context) {
  Configuration c;
  for (int k = 0; k < kSerialLineCount; ++k) c.lines[k] = {kDefaultPorts[k], kDefaultBauds[k], "0"};
  c.period = "1";
  c.language = kRussian;
  c.dataFolder = c.graduationFolder = WithSlash(context.programFolder);
  c.detectorType = 1;
  c.mode = 0;
  c.emitterPower = kDefaultEmitterPower;
  c.spareNumber = kDefaultSpareNumber;
  c.workingFactor = c.referenceFactor = kDefaultFactor;
  for (int q = 0; q < kQuantityCount; ++q) c.displayLimits[q] = DefaultDisplayLimits(c.detectorType, q);
  for (int r = 0; r < kCheckRecordCount; ++r) c.checkRecords[r] = DefaultCheckRecord(r);
  c.deltaDmax = kDefaultDeltaDmax;
  c.extrapolation = true;
  c.relayTestStep = kRelayTestStepDefault;
  c.gasPosition = c.gasDialogPosition = 0;
  c.gases = DefaultGasCalibrations();
  for (GasCalibration& gas : c.gases) gas.propaneEntry = {};  // entries start empty, not defaulted
  c.lowLimit = kDefaultLowLimit;
  c.highLimit = kDefaultHighLimit;
  c.addresses = {1};
  return c;
}

namespace {

void ReadSerialLines(CNumbers& numbers, const ConfigurationContext& context, Configuration& c) {
  LineReader& in = numbers.In();
  const std::vector<std::string> ports = context.portItems.empty() ? NumberedPortNames() : context.portItems;
  for (int k = 0; k < kSerialLineCount; ++k) {
    // A device path stays as written, present or not: a simulator's pty or a
    // by-id name that is absent today is still the operator's choice. Any
    // other text must name a listed port ("COM3" is "3").
    const std::string line = TrimSpaces(in.Next());
    c.lines[k].port = !line.empty() && line.front() == '/' ? line : MatchItem(PortItemFor(line), ports, kDefaultPorts[k]);
    c.lines[k].baud = MatchItem(in.Next(), BaudItems(k), kDefaultBauds[k]);
    c.lines[k].pause = numbers.WholeText(0, 65535, "0");
  }
}

// Lines 13 to 22.
void ReadSettingsLines(CNumbers& numbers, const ConfigurationContext& context, Configuration& c) {
  LineReader& in = numbers.In();
  c.period = numbers.WholeText(0, 86400, "1");
  const std::vector<std::string> languages = {kLanguageNames[kEnglish](kEnglish), kLanguageNames[kRussian](kEnglish)};
  c.language = MatchItem(in.Next(), languages, languages[kEnglish]) == languages[kRussian] ? kRussian : kEnglish;
  c.dataFolder = ReadFolder(in.Next(), context);
  c.graduationFolder = ReadFolder(in.Next(), context);
  // Type 2 is not offered; a short file reads type and mode 0.
  c.detectorType = int(numbers.Whole(0, 4, 1, 0));
  if (c.detectorType == 2) numbers.Note("2", "1"), c.detectorType = 1;
  c.mode = int(numbers.Whole(0, 6, 0));
  if (c.mode == 6) c.mode = 0;  // imitation is never resumed at start
  c.emitterPower = numbers.Decimal(0.0, 10.0, kDefaultEmitterPower, 0.0);
  c.spareNumber = numbers.Decimal(1.0, 20000.0, kDefaultSpareNumber);
  c.workingFactor = numbers.WholeText(0, 65535, "");
  c.referenceFactor = numbers.WholeText(0, 65535, "");
}

// Lines 23 to 40: a pair whose max is not above its min takes the type's defaults.
void ReadDisplayLimits(CNumbers& numbers, Configuration& c) {
  for (int q = 0; q < kQuantityCount; ++q) {
    const DisplayLimits fallback = DefaultDisplayLimits(c.detectorType, q);
    DisplayLimits& limits = c.displayLimits[q];
    limits.min = int(numbers.Whole(-32768, 65535, fallback.min));
    limits.max = int(numbers.Whole(-32768, 65535, fallback.max));
    if (limits.max <= limits.min) limits = fallback;
  }
}

}  // namespace

Configuration ParseConfiguration(std::string_view bytes, const ConfigurationContext& context,
                                 std::vector<ConfigReplacement>* replaced) {
  Configuration c;
  LineReader in(bytes);
  CNumbers numbers(in, replaced);
  ReadSerialLines(numbers, context, c);
  ReadSettingsLines(numbers, context, c);
  ReadDisplayLimits(numbers, c);
  ReadCheckRecords(numbers, c);
  c.deltaDmax = static_cast<std::uint16_t>(numbers.Whole(0, 65535, kDefaultDeltaDmax, 0));
  c.extrapolation = ReadFlag(in.Next());

  std::vector<std::string> steps(std::begin(kRelayTestSteps), std::end(kRelayTestSteps));
  c.relayTestStep = MatchItem(in.Next(), steps, kRelayTestStepDefault);
  c.gasPosition = int(numbers.Whole(0, kLastGasPosition, 0));
  c.gasDialogPosition = int(numbers.Whole(0, kLastGasPosition, 0));

  for (int g = 0; g < kGasCount; ++g) ReadGasBlock(numbers, g, c.gases[g]);
  c.lowLimit = numbers.Decimal(-kLargestDecimal, kLargestDecimal, kDefaultLowLimit);
  c.highLimit = numbers.Decimal(-kLargestDecimal, kLargestDecimal, kDefaultHighLimit);
  ReadAddresses(numbers, c);
  ReadKeyedLines(in, c);
  return c;
}

int LoadConfiguration(const std::string& path, const ConfigurationContext& context, Configuration& out,
                      std::vector<ConfigReplacement>* replaced) {
  std::string bytes;
  if (ReadFileBytes(path, bytes, kMaxConfigurationBytes) != 0) {
    out = DefaultConfiguration(context);
    return 1;
  }
  out = ParseConfiguration(bytes, context, replaced);
  return 0;
}

std::string ConfigReplacementsText(const std::vector<ConfigReplacement>& replaced, LanguageIndex l) {
  if (replaced.empty()) return {};
  std::string text = txt::kConfigLinesReplaced(l);
  for (const ConfigReplacement& r : replaced)
    text += Format("\n%s %zu: \"%s\" -> %s", txt::kLine(l), r.line, r.text.c_str(), r.loaded.c_str());
  return text;
}

}  // namespace kvl
