// Reading the configuration file. Any content must load: a line that is
// missing or holds nonsense takes the default stated for its position.
#include <algorithm>
#include <climits>
#include <cmath>

#include "config/configuration.h"
#include "link/serial_port.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr char kDigits[] = "0123456789";
constexpr char kSignedDigits[] = "-0123456789";
constexpr char kDecimal[] = "0123456789.";
constexpr char kSignedDecimal[] = "-0123456789.";

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

  std::string Next() {
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
};

std::string LeadingRun(std::string_view text, const char* set) {
  const std::size_t end = text.find_first_not_of(set);
  return std::string(text.substr(0, end));
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Integer at the start of the text in the way the C library reads one (blanks,
// an optional sign, digits), saturating instead of overflowing. *found tells
// whether any digit was there.
int ToInt(std::string_view text, bool* found = nullptr) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    any = true;
    value = std::min<long long>(value * 10 + (text[i] - '0'), 1LL << 40);
  }
  if (found) *found = any;
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// Decimal at the start of the text; no number, or one too large to hold, gives 0.
double ToDouble(std::string_view text) {
  double value = 0.0;
  if (!ParseDouble(std::string(text), &value) || !std::isfinite(value)) return 0.0;
  return value;
}

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

// A check record line: up to five tokens separated by blanks or semicolons,
// each read as its leading "-0123456789" characters (a comment word reads 0).
CheckRecord ReadCheckRecord(std::string_view line) {
  CheckRecord fields{};
  std::size_t i = 0;
  for (int f = 0; f < kDetectorTypeCount; ++f) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ';')) ++i;
    const std::size_t end = std::min(line.find_first_of(" \t;", i), line.size());
    fields[f] = ToInt(LeadingRun(line.substr(i, end - i), kSignedDigits));
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

void ReadCheckRecords(LineReader& in, Configuration& c) {
  for (int r = 0; r < kCheckRecordCount; ++r) {
    CheckRecord fields = ReadCheckRecord(in.Next());
    fields[0] = std::clamp(fields[0], -32768, 32767);
    fields[1] = std::clamp(fields[1], -3276, 3276);
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

// A concentration text is kept only when it is a finite decimal number as a
// whole ("," read as "."): "nan" or a word would reach the graduation run's
// register values.
bool IsConcentrationText(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789.,+- ") != std::string::npos) return false;
  std::string number = TrimSpaces(text);
  std::replace(number.begin(), number.end(), ',', '.');
  double value = 0;
  std::size_t used = 0;
  return ParseDouble(number, &value, &used) && used == number.size() && std::isfinite(value);
}

void ReadGasBlock(LineReader& in, int g, GasCalibration& gas) {
  const GasDefaults& defaults = DefaultGasConcentrations(g);
  auto textOr = [&in](const char* fallback) {
    std::string text = in.Next();
    return IsConcentrationText(text) ? text : std::string(fallback);
  };
  gas.usePropane = in.Next() == "1";
  const double coefficient = ToDouble(in.Next());
  gas.coefficient = coefficient == 0.0 ? 1.0 : coefficient;
  gas.concentration[0] = textOr(defaults.first);
  gas.propaneEntry[0] = textOr(defaults.first);
  gas.concentration[1] = textOr(defaults.second);
  gas.propaneEntry[1] = textOr(defaults.second);
}

double ReadLimit(const std::string& line, double fallback) {
  const std::string run = LeadingRun(line, kSignedDecimal);
  return run.empty() ? fallback : ToDouble(run);
}

void ReadAddresses(LineReader& in, Configuration& c) {
  c.addresses.clear();
  const int count = ToInt(in.Next());
  if (count >= 1 && count <= static_cast<int>(kMaxPollAddresses)) {
    for (int i = 0; i < count && !in.AtEnd(); ++i) {
      bool found = false;
      const int address = ToInt(in.Next(), &found);
      // A line without a number is skipped like a missing one rather than
      // polling the broadcast address 0 by accident.
      if (found && address >= 0 && address <= 255) c.addresses.push_back(static_cast<unsigned>(address));
    }
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
    if (line.rfind(echoKey, 0) == 0) c.lineEcho = LeadingRun(std::string_view(line).substr(echoKey.size()), kDigits) == "1";
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

Configuration ParseConfiguration(std::string_view bytes, const ConfigurationContext& context) {
  Configuration c;
  LineReader in(bytes);

  const std::vector<std::string> ports = context.portItems.empty() ? NumberedPortNames() : context.portItems;
  for (int k = 0; k < kSerialLineCount; ++k) {
    // A device path stays as written, present or not: a simulator's pty or a
    // by-id name that is absent today is still the operator's choice. Any
    // other text must name a listed port ("COM3" is "3").
    const std::string line = TrimSpaces(in.Next());
    c.lines[k].port = !line.empty() && line.front() == '/' ? line : MatchItem(PortItemFor(line), ports, kDefaultPorts[k]);
    c.lines[k].baud = MatchItem(in.Next(), BaudItems(k), kDefaultBauds[k]);
    c.lines[k].pause = LeadingRun(in.Next(), kDigits);
    if (c.lines[k].pause.empty()) c.lines[k].pause = "0";
  }

  c.period = LeadingRun(in.Next(), kDigits);
  if (c.period.empty()) c.period = "1";

  const std::vector<std::string> languages = {kLanguageNames[kEnglish](kEnglish), kLanguageNames[kRussian](kEnglish)};
  c.language = MatchItem(in.Next(), languages, languages[kEnglish]) == languages[kRussian] ? kRussian : kEnglish;

  c.dataFolder = ReadFolder(in.Next(), context);
  c.graduationFolder = ReadFolder(in.Next(), context);

  c.detectorType = ToInt(LeadingRun(in.Next(), kDigits));
  if (c.detectorType < 0 || c.detectorType > 4 || c.detectorType == 2) c.detectorType = 1;
  c.mode = ToInt(LeadingRun(in.Next(), kDigits));
  if (c.mode < 0 || c.mode >= 6) c.mode = 0;  // imitation is never resumed at start

  c.emitterPower = std::clamp(ToDouble(LeadingRun(in.Next(), kDecimal)), 0.0, 10.0);
  const std::string spare = LeadingRun(in.Next(), kDecimal);
  c.spareNumber = spare.empty() ? kDefaultSpareNumber : std::clamp(ToDouble(spare), 1.0, 20000.0);
  c.workingFactor = LeadingRun(TrimSpaces(in.Next()), kDigits);
  c.referenceFactor = LeadingRun(TrimSpaces(in.Next()), kDigits);

  for (int q = 0; q < kQuantityCount; ++q) {
    DisplayLimits& limits = c.displayLimits[q];
    limits.min = std::min(ToInt(LeadingRun(in.Next(), kSignedDigits)), 65535);
    limits.max = std::min(ToInt(LeadingRun(in.Next(), kSignedDigits)), 65535);
    if (limits.max <= limits.min) limits = DefaultDisplayLimits(c.detectorType, q);
  }

  ReadCheckRecords(in, c);
  const int deltaDmax = ToInt(LeadingRun(in.Next(), kDigits));
  c.deltaDmax = deltaDmax > 65535 ? kDefaultDeltaDmax : static_cast<std::uint16_t>(deltaDmax);
  c.extrapolation = ReadFlag(in.Next());

  std::vector<std::string> steps(std::begin(kRelayTestSteps), std::end(kRelayTestSteps));
  c.relayTestStep = MatchItem(in.Next(), steps, kRelayTestStepDefault);
  c.gasPosition = std::clamp(ToInt(LeadingRun(in.Next(), kDigits)), 0, kLastGasPosition);
  c.gasDialogPosition = ToInt(LeadingRun(in.Next(), kDigits));
  if (c.gasDialogPosition < 0 || c.gasDialogPosition > kLastGasPosition) c.gasDialogPosition = 0;

  for (int g = 0; g < kGasCount; ++g) ReadGasBlock(in, g, c.gases[g]);
  c.lowLimit = ReadLimit(in.Next(), kDefaultLowLimit);
  c.highLimit = ReadLimit(in.Next(), kDefaultHighLimit);
  ReadAddresses(in, c);
  ReadKeyedLines(in, c);
  return c;
}

int LoadConfiguration(const std::string& path, const ConfigurationContext& context, Configuration& out) {
  std::string bytes;
  if (ReadFileBytes(path, bytes, kMaxConfigurationBytes) != 0) {
    out = DefaultConfiguration(context);
    return 1;
  }
  out = ParseConfiguration(bytes, context);
  return 0;
}

}  // namespace kvl
