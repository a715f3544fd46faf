// Run data files -> sensor slots. A file, or a part of a large one, is first
// parsed on its own (any thread) into its header lines and data samples; the
// merge then walks the files in name order and applies exactly what reading
// them line by line would do: slot assignment, segments, the line cap, the
// report texts.
#include "graduation/grad_file_reader.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <thread>

#include "detector/decoding.h"
#include "detector/register_map.h"
#include "graduation/gas_spans.h"
#include "graduation/grad_line_scan.h"
#include "platform/files.h"
#include "text/ascii_case.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/gas_tables.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"
#include "text/number_grammar.h"
#include "text/printable.h"
#include "text/reader_texts.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsDelimiter(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

// Read-only view of a whole file: mapped when possible, else read into
// memory. Holds no descriptor once built, however many files are selected.
// Or the caller's bytes of a file already in memory, not copied.
class CFileBytes {
 public:
  explicit CFileBytes(const std::string& path) {
    const int fd = platform::OpenFile(path, platform::OpenMode::kRead);
    if (fd < 0) return;
    ok_ = Load(fd);
    platform::CloseFile(fd);
  }
  explicit CFileBytes(const GradFileBytes& file) : view_(file.bytes), inMemory_(true), ok_(true) {}
  ~CFileBytes() { platform::UnmapFile(map_); }
  CFileBytes(const CFileBytes&) = delete;
  CFileBytes& operator=(const CFileBytes&) = delete;

  bool Ok() const { return ok_; }
  std::string_view Bytes() const {
    if (inMemory_) return view_;
    return map_.data ? std::string_view(map_.data, map_.size) : std::string_view(copy_);
  }

 private:
  bool Load(int fd) {
    map_ = platform::MapWholeFile(fd);
    if (map_.data) return true;
    char buf[1 << 16];
    for (;;) {
      const long n = platform::ReadFile(fd, buf, sizeof buf);
      if (n < 0) return false;
      if (n == 0) return true;
      copy_.append(buf, std::size_t(n));
    }
  }

  platform::MappedFile map_;
  std::string copy_;
  std::string_view view_;
  bool inMemory_ = false;
  bool ok_ = false;
};

// The keys of one header line, in the order they are applied.
struct HeaderLine {
  std::size_t atLine = 0;  // counted data lines of the file before this line
  std::size_t offset = 0;  // the line's first byte in the file
  int captionFields = 0;   // the column caption line: fields of a data line under it (time included)
  std::optional<std::string> serial;
  std::optional<int> modbus;
  std::optional<std::string> gas;  // value (UTF-8); "" when the key had no value
  unsigned gasLanguages = 0;       // bit per language whose key was found
  std::optional<int> power, kur, kuw;
};

struct BadValue {
  int quantity;
  std::string text;
};

// The bad lines of a stretch of data lines, and what the report shows of the first.
struct BadLines {
  std::vector<std::size_t> lines;          // counted index of every bad line
  std::string firstTime;                   // time token of the first bad line (printable)
  std::vector<BadValue> firstValues;       // its values that are not good
};

// The first line that refuses the file: its first byte and why (no place yet).
// atLine: the data lines counted before it, so that a line past the line cap
// refuses nothing, however the file was cut into parts.
struct LineError {
  std::size_t offset = std::string_view::npos;
  std::size_t atLine = 0;
  std::string why;
  void Note(std::size_t at, std::size_t line, std::string text) {
    if (at < offset) offset = at, atLine = line, why = std::move(text);
  }
  bool Any() const { return offset != std::string_view::npos; }
};

// Fields of the data lines: the first line's count, and the first line that has another.
struct FieldCounts {
  int first = 0;
  std::size_t firstOffset = 0, firstLine = 0;
  int other = 0;
  std::size_t otherOffset = std::string_view::npos, otherLine = 0;
  void Note(int n, std::size_t at, std::size_t line) {
    if (first == 0) {
      first = n, firstOffset = at, firstLine = line;
    } else if (n != first && otherOffset == std::string_view::npos) {
      other = n, otherOffset = at, otherLine = line;
    }
  }
};

// One part of a file parsed on its own: the lines that start in its byte
// range. Data lines are counted from the file's first serial number on
// (earlier ones belong to no sensor and are dropped); a part after the first
// is parsed as if a serial number had come before it, and is parsed again
// when none had (see CFileParts).
struct PartParse {
  bool assumedSerial = false;  // parsed as if the file had a serial number before it
  bool sawSerial = false;      // a serial number header lies in the part
  std::size_t lines = 0;       // data lines counted
  std::vector<HeaderLine> headers;  // atLine counted within the part
  std::array<std::vector<float>, kQuantityCount> samples;
  std::vector<std::int32_t> times;  // each data line's time of day in seconds, -1 unknown
  BadLines bad;
  LineError error;
  FieldCounts fields;
};

// The value after `key` in `line` (KeyedValueToken); a key given twice in
// one line (two key lines run together) is noted in `twice`.
bool FindKeyValue(std::string_view line, std::string_view key, std::string_view* value, bool* twice) {
  if (key.empty()) return false;
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return false;
  *value = KeyedValueToken(line, at + key.size());
  if (line.find(key, at + key.size()) != std::string_view::npos) *twice = true;
  return true;
}

// Finds a key in the three interface languages; the first language that has it wins.
bool FindField(std::string_view line, FileField field, std::string_view* value, bool* twice,
               unsigned* languages = nullptr) {
  bool found = false;
  for (LanguageIndex lang = 0; lang < 3; ++lang) {
    std::string_view v;
    if (FindKeyValue(line, kFileFields[field](lang), &v, twice)) {
      if (!found) *value = v;
      found = true;
      if (languages && v == *value) *languages |= 1u << lang;
      if (!languages) break;
    }
  }
  return found;
}

// The column caption line ("*  LEL%  T  D ..."): the fields of the data lines under it.
int CaptionFields(std::string_view line) {
  std::vector<std::string_view> tokens;
  for (std::size_t i = 1; i < line.size();) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const std::size_t b = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > b) tokens.push_back(line.substr(b, i - b));
  }
  if (tokens.empty()) return 0;
  // The Spanish captions of the counters are empty: such a line tells no format.
  for (LanguageIndex lang : {kEnglish, kRussian})
    if (tokens[0] == kQuantities[kQLel](lang)) return int(tokens.size()) + 1;
  return 0;
}

// A header line's keys, each value a whole token of the grammar within what
// its register holds; `why` receives the first refusal (key and token).
HeaderLine ParseHeader(std::string_view raw, bool z5, std::size_t atLine, LanguageIndex l, std::string* why) {
  const std::string line = DecodeTextBytes(raw);
  HeaderLine h;
  h.atLine = atLine;
  h.captionFields = CaptionFields(line);
  auto whole = [&](FileField field, long long lo, long long hi) -> std::optional<long long> {
    std::string_view v;
    bool twice = false;
    if (!FindField(line, field, &v, &twice)) return std::nullopt;
    const std::string key = kFileFields[field](l);
    long long n = 0;
    const TokenVerdict verdict = ParseWholeToken(v, lo, hi, &n);
    if (twice && why->empty()) *why = key + " " + txt::kGivenTwice(l);
    if (verdict != TokenVerdict::kGood && why->empty())
      *why = key + "\"" + PrintableText(v) + "\" - " + TokenWhy(verdict, l);
    if (verdict != TokenVerdict::kGood || twice) return std::nullopt;
    return n;
  };
  if (const auto n = whole(kFieldSerialNumber, 1, 4294967295LL)) h.serial = Format("%lld", *n);
  if (const auto n = whole(kFieldModbusNumber, 1, 255)) h.modbus = int(*n);
  std::string_view v;
  bool twice = false;
  if (FindField(line, kFieldGas, &v, &twice, &h.gasLanguages)) {
    h.gas = std::string(v);
    if (why->empty() && (twice || v.empty()))
      *why = std::string(kFileFields[kFieldGas](l)) + " " + (twice ? txt::kGivenTwice(l) : txt::kTokenEmpty(l));
  }
  if (z5) {
    if (const auto n = whole(kFieldPower, 0, 65535)) h.power = int(*n);
    if (const auto n = whole(kFieldKur, 0, 65535)) h.kur = int(*n);
    if (const auto n = whole(kFieldKuw, 0, 65535)) h.kuw = int(*n);
  }
  return h;
}

// "hh:mm:ss" as seconds of the day, -1 for any other time token.
std::int32_t TimeOfDay(const char* b, const char* e) {
  if (e - b != 8 || b[2] != ':' || b[5] != ':') return -1;
  int v[3];
  for (int k = 0; k < 3; ++k) {
    const char hi = b[3 * k], lo = b[3 * k + 1];
    if (hi < '0' || hi > '9' || lo < '0' || lo > '9') return -1;
    v[k] = (hi - '0') * 10 + (lo - '0');
  }
  if (v[0] > 23 || v[1] > 59 || v[2] > 59) return -1;
  return v[0] * 3600 + v[1] * 60 + v[2];
}

constexpr bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Hands the counted lines to the window's counter and tells whether to go on.
class CProgressTicker {
 public:
  explicit CProgressTicker(CalcReadProgress* p) : progress_(p) {}

  // Called once per line walked; counted: data lines counted so far.
  bool Go(std::size_t counted) {
    if (!progress_ || ++walked_ < kEvery) return true;
    walked_ = 0;
    Done(counted);
    return !progress_->cancel.load(std::memory_order_relaxed);
  }
  void Done(std::size_t counted) {
    if (!progress_ || counted <= reported_) return;
    progress_->lines.fetch_add(counted - reported_, std::memory_order_relaxed);
    reported_ = counted;
  }

 private:
  static constexpr unsigned kEvery = 1000;
  CalcReadProgress* progress_;
  unsigned walked_ = 0;
  std::size_t reported_ = 0;
};

bool Cancelled(const CalcReadProgress* p) { return p && p->cancel.load(std::memory_order_relaxed); }

// Parses the lines that start in [from, to) of a file's bytes.
class CPartParser {
 public:
  CPartParser(std::string_view file, const CalcSettings& settings, PartParse& out)
      : file_(file), settings_(settings), out_(out), z5_(settings.type == kTypeZ5) {
    for (int q = 0; q < kQuantityCount; ++q) {
      const ValueRange r = AcceptedRange(settings, q);
      lo_[std::size_t(q)] = r.lo;
      hi_[std::size_t(q)] = r.hi;
      recorded_[std::size_t(q)] = RecordedRange(settings.type, q);
    }
  }

  // room: data lines to reserve (not fill) room for. False when cancelled.
  bool Run(std::size_t from, std::size_t to, bool assumeSerial, std::size_t room, CalcReadProgress* progress) {
    out_ = PartParse();
    out_.assumedSerial = assumeSerial;
    if (from >= to) return true;  // a part that no line starts in: nothing to keep room for
    bool haveSerial = assumeSerial;
    room = std::min(room, settings_.lineCap);
    block_ = std::clamp<std::size_t>(room, 16, kBlock);
    for (auto& v : out_.samples) v.reserve(room);
    out_.times.reserve(room);
    const char* p = file_.data() + from;
    end_ = file_.data() + to;
    // The quick scanner may look this far past a line's start.
    const char* const quickLimit =
        file_.size() >= linescan::kReadAhead ? file_.data() + file_.size() - linescan::kReadAhead : file_.data();
    CProgressTicker ticker(progress);
    bool cancelled = false;
    while (p < end_ && counted_ < settings_.lineCap) {
      if (!ticker.Go(counted_)) {
        cancelled = true;
        break;
      }
      const char* b = p;
      while (b < end_ && (IsBlank(*b) || *b == '\r')) ++b;
      if (b == end_) break;
      if (*b == '\n') {
        p = b + 1;
        continue;
      }
      if (*b == '*') {
        p = NextLine(b);
        const char* le = p;
        while (le > b && (IsBlank(le[-1]) || IsLineEnd(le[-1]))) --le;
        if (le - b == 1) continue;  // a line of "*" alone
        std::string why;
        HeaderLine h = ParseHeader(std::string_view(b, std::size_t(le - b)), z5_, counted_, settings_.language, &why);
        h.offset = std::size_t(b - file_.data());
        if (!why.empty()) out_.error.Note(h.offset, counted_, std::move(why));
        if (h.serial) haveSerial = out_.sawSerial = true;
        out_.headers.push_back(std::move(h));
        continue;
      }
      if (!haveSerial) {
        p = NextLine(b);
        continue;
      }
      if (counted_ == filled_) Grow();
      p = b < quickLimit ? QuickDataLine(b) : nullptr;
      if (!p) p = ExactDataLine(b);
      ++counted_;
    }
    ticker.Done(counted_);
    for (auto& v : out_.samples) v.resize(counted_);
    out_.times.resize(counted_);
    out_.lines = counted_;
    return !cancelled;
  }

 private:
  const char* NextLine(const char* from) const {
    const char* nl = static_cast<const char*>(std::memchr(from, '\n', std::size_t(end_ - from)));
    return nl ? nl + 1 : end_;
  }

  // The sample lists grow a block at a time and are written in place.
  void Grow() {
    filled_ += block_;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
      out_.samples[q].resize(filled_);
      dst_[q] = out_.samples[q].data();
    }
    out_.times.resize(filled_);
  }

  // A data line of blank-separated plain numbers inside the limits; nullptr
  // for anything else (nothing stored then). Returns the next line's start.
  const char* QuickDataLine(const char* b) {
    linescan::LineTokens tok;
    if (!linescan::SplitLine(b, tok)) return nullptr;
    double v[kQuantityCount];
    bool plain = true, inside = true;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
      const int t = int(q) + 1;
      plain &= linescan::PlainDecimal(b + tok.Begin(t), tok.End(t) - tok.Begin(t), &v[q]);
      inside &= int(!(v[q] < lo_[q])) & int(!(v[q] > hi_[q]));  // no branch per value
    }
    if (!plain || !inside) return nullptr;
    for (std::size_t q = 0; q < kQuantityCount; ++q) dst_[q][counted_] = float(v[q]);
    out_.times[counted_] = TimeOfDay(b + tok.Begin(0), b + tok.End(0));
    const char* next = NextLine(b + tok.End(linescan::kTokens - 1));
    out_.fields.Note(linescan::kTokens + CountTokens(b + tok.End(linescan::kTokens - 1), next),
                     std::size_t(b - file_.data()), counted_);
    return next;
  }

  static constexpr bool IsFieldGap(char c) { return IsDelimiter(c) || c == '\r' || c == '\n'; }

  // Tokens of [p, e): runs of characters between blanks, tabs, commas, semicolons and line ends.
  static int CountTokens(const char* p, const char* e) {
    int n = 0;
    for (bool in = false; p < e; ++p) {
      const bool gap = IsFieldGap(*p);
      n += int(!gap && !in);
      in = !gap;
    }
    return n;
  }

  // Any data line: its fields are the runs of characters between blanks,
  // tabs, commas, semicolons and its line end; the first is the time, the
  // next nine the values. A value that is no whole token of the number
  // grammar, or beyond what its cell can show, refuses the file; one outside
  // the display limits makes the line bad (the sensor's report says so).
  const char* ExactDataLine(const char* b) {
    const char* lineEnd = NextLine(b);
    const char* tb[linescan::kTokens] = {};
    const char* te[linescan::kTokens] = {};
    int n = 0;
    for (const char* s = b; s < lineEnd;) {
      while (s < lineEnd && IsFieldGap(*s)) ++s;
      if (s == lineEnd) break;
      const char* start = s;
      while (s < lineEnd && !IsFieldGap(*s)) ++s;
      if (n < linescan::kTokens) tb[n] = start, te[n] = s;
      ++n;
    }
    const std::size_t at = std::size_t(b - file_.data());
    out_.fields.Note(n, at, counted_);
    out_.times[counted_] = n > 0 ? TimeOfDay(tb[0], te[0]) : -1;
    bool bad = false;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
      const int t = int(q) + 1;
      double v = 0;
      if (t < n) {
        const std::string_view token(tb[t], std::size_t(te[t] - tb[t]));
        const TokenVerdict verdict = ParseDecimalToken(token, recorded_[q].lo, recorded_[q].hi, &v);
        if (verdict != TokenVerdict::kGood) {
          out_.error.Note(at, counted_, std::string(kQuantities[q](settings_.language)) + "=\"" + PrintableText(token) +
                                  "\" - " + TokenWhy(verdict, settings_.language));
          v = 0;
        } else if (!(v >= lo_[q] && v <= hi_[q])) {
          if (out_.bad.lines.empty()) {
            if (!bad) out_.bad.firstTime = PrintableText(std::string_view(tb[0], std::size_t(te[0] - tb[0])));
            out_.bad.firstValues.push_back({int(q), PrintableText(token)});
          }
          bad = true;
        }
      }
      dst_[q][counted_] = float(v);
    }
    if (bad) out_.bad.lines.push_back(counted_);
    return lineEnd;
  }

  static constexpr std::size_t kBlock = 4096;
  std::string_view file_;
  const CalcSettings& settings_;
  PartParse& out_;
  const bool z5_;
  std::array<double, kQuantityCount> lo_{}, hi_{};
  std::array<ValueRange, kQuantityCount> recorded_{};
  const char* end_ = nullptr;
  std::size_t counted_ = 0, filled_ = 0, block_ = kBlock;
  std::array<float*, kQuantityCount> dst_{};
};

// Where the line holding byte `at` ends: the start of the first line that
// begins at or after it.
std::size_t LineStartFrom(std::string_view bytes, std::size_t at) {
  if (at == 0 || at >= bytes.size()) return std::min(at, bytes.size());
  const std::size_t nl = bytes.find('\n', at - 1);
  return nl == std::string_view::npos ? bytes.size() : nl + 1;
}

// One file: its bytes, split into parts parsed on any thread, put together in
// order afterwards. The data lines of part k are lines partStart[k] on of the file.
class CFileParts {
 public:
  // `file`: a path, or a GradFileBytes.
  template <typename File>
  CFileParts(const File& file, std::size_t partBytes) : bytes_(file) {
    if (!bytes_.Ok()) return;
    const std::size_t size = bytes_.Bytes().size();
    const std::size_t n = partBytes ? std::max<std::size_t>(1, (size + partBytes - 1) / partBytes) : 1;
    bounds_.push_back(0);
    for (std::size_t k = 1; k < n; ++k) bounds_.push_back(LineStartFrom(bytes_.Bytes(), size / n * k));
    bounds_.push_back(size);
    parts_.resize(n);
  }

  bool Opened() const { return bytes_.Ok(); }
  std::size_t PartCount() const { return parts_.size(); }

  bool Parse(std::size_t k, const CalcSettings& settings, CalcReadProgress* progress) {
    // The first part keeps room for the whole file: the later parts are appended to it.
    const std::size_t bytes = k == 0 ? bytes_.Bytes().size() : bounds_[k + 1] - bounds_[k];
    CPartParser parser(bytes_.Bytes(), settings, parts_[k]);
    return parser.Run(bounds_[k], bounds_[k + 1], k > 0, bytes / 16 + 16, progress);
  }

  // After every part is parsed: the parts that assumed a serial number the
  // file had not given yet are parsed again without it; then the headers and
  // bad lines are numbered for the whole file. Read in one go, the file is
  // parsed no further than the line cap: what the parts found past it is
  // dropped, so that the parts read as the whole does.
  void Join(const CalcSettings& settings) {
    FieldCounts fields;
    bool haveSerial = false;
    std::size_t at = 0;
    const std::size_t cap = settings.lineCap;
    for (std::size_t k = 0; k < parts_.size(); ++k) {
      PartParse& part = parts_[k];
      partStart_.push_back(at);
      // `line` counted within the part, as its notes count it.
      const auto beforeCap = [&](std::size_t line) { return line + at < cap; };
      if (at >= cap) {  // a part counts at most the cap: its successors' numbers would be wrong
        part = PartParse();
        continue;
      }
      if (part.assumedSerial && !haveSerial) {
        CPartParser parser(bytes_.Bytes(), settings, part);
        parser.Run(bounds_[k], bounds_[k + 1], false, (bounds_[k + 1] - bounds_[k]) / 16 + 16, nullptr);
      }
      haveSerial = haveSerial || part.sawSerial;
      for (HeaderLine& h : part.headers)
        if (beforeCap(h.atLine)) h.atLine += at, headers_.push_back(std::move(h));
      if (bad_.lines.empty() && !part.bad.lines.empty() && beforeCap(part.bad.lines.front())) {
        bad_.firstTime = std::move(part.bad.firstTime);
        bad_.firstValues = std::move(part.bad.firstValues);
      }
      for (std::size_t b : part.bad.lines)
        if (beforeCap(b)) bad_.lines.push_back(b + at);
      if (part.error.Any() && beforeCap(part.error.atLine))
        error_.Note(part.error.offset, part.error.atLine + at, part.error.why);
      if (part.fields.first && beforeCap(part.fields.firstLine))
        fields.Note(part.fields.first, part.fields.firstOffset, part.fields.firstLine + at);
      if (part.fields.otherOffset != std::string_view::npos && beforeCap(part.fields.otherLine))
        fields.Note(part.fields.other, part.fields.otherOffset, part.fields.otherLine + at);
      at += part.lines;
    }
    lines_ = std::min(at, cap);
    CheckWhole(fields, settings.language);
  }

  // The first line that refuses the file, if any, and its number (1 first).
  const LineError& Error() const { return error_; }
  std::size_t LineOf(std::size_t offset) const {
    const std::string_view b = bytes_.Bytes().substr(0, offset);
    return std::size_t(std::count(b.begin(), b.end(), '\n')) + 1;
  }

  std::size_t Lines() const { return lines_; }
  std::size_t LineCount() const { return LineOf(bytes_.Bytes().size()); }
  const std::vector<HeaderLine>& Headers() const { return headers_; }
  const BadLines& Bad() const { return bad_; }

  // Appends data lines [from, from + n) of the file to `samples` and their times to `times`.
  void TakeSamples(std::size_t from, std::size_t n, std::array<std::vector<float>, kQuantityCount>& samples,
                   std::vector<std::int32_t>& times) {
    for (std::size_t k = 0; k < parts_.size() && n > 0; ++k) {
      PartParse& part = parts_[k];
      if (from >= partStart_[k] + part.lines) continue;
      const std::size_t off = from - partStart_[k];
      const std::size_t take = std::min(n, part.lines - off);
      // Usually a whole part goes to a fresh sensor: the lists move, nothing is copied.
      const bool move = off == 0 && take == part.lines && samples[0].empty();
      if (move) {
        times = std::move(part.times);
      } else {
        times.insert(times.end(), part.times.begin() + long(off), part.times.begin() + long(off + take));
      }
      for (std::size_t q = 0; q < kQuantityCount; ++q) {
        if (move) {
          samples[q] = std::move(part.samples[q]);
        } else {
          const float* src = part.samples[q].data() + off;
          samples[q].insert(samples[q].end(), src, src + take);
        }
      }
      from += take;
      n -= take;
    }
  }

 private:
  // What only the whole file shows: one sensor's keys throughout, the data
  // lines' fields as the caption line has them (or one of the recorder's
  // formats, 10 to 17), and a last line closed by its line end.
  void CheckWhole(const FieldCounts& fields, LanguageIndex l) {
    int caption = 0;
    const HeaderLine* first[3] = {};
    for (const HeaderLine& h : headers_) {
      if (h.captionFields && !caption) caption = h.captionFields;
      auto same = [&](int k, FileField field, bool differs) {
        if (!first[k]) {
          first[k] = &h;
        } else if (differs) {
          error_.Note(h.offset, h.atLine, std::string(kFileFields[field](l)) + " " + txt::kGivenTwice(l));
        }
      };
      if (h.serial) same(0, kFieldSerialNumber, first[0] && first[0]->serial != h.serial);
      if (h.modbus) same(1, kFieldModbusNumber, first[1] && first[1]->modbus != h.modbus);
      if (h.gas) same(2, kFieldGas, first[2] && first[2]->gas != h.gas);
    }
    constexpr int kLeast = 10, kMost = 17;
    const int most = caption ? caption : kMost;
    if (fields.first && (fields.first < kLeast || fields.first > most))
      error_.Note(fields.firstOffset, fields.firstLine,
                  Format(txt::kFieldCount(l), fields.first, caption ? caption : kLeast));
    // Lines of two counts: the one the caption line does not have is the damaged one.
    if (fields.otherOffset != std::string_view::npos && caption && fields.other == caption)
      error_.Note(fields.firstOffset, fields.firstLine, Format(txt::kFieldCount(l), fields.first, caption));
    else if (fields.otherOffset != std::string_view::npos)
      error_.Note(fields.otherOffset, fields.otherLine, Format(txt::kFieldCount(l), fields.other, fields.first));
    const std::string_view bytes = bytes_.Bytes();
    if (!bytes.empty() && bytes.back() != '\n') {
      const std::size_t last = bytes.rfind('\n') + 1;  // npos + 1 is 0
      if (bytes.find_first_not_of(" \t\r", last) != std::string_view::npos)
        error_.Note(last, lines_, txt::kLastLineUnended(l));
    }
  }

  CFileBytes bytes_;
  std::vector<std::size_t> bounds_;  // part k: lines starting in [bounds_[k], bounds_[k + 1])
  std::vector<PartParse> parts_;
  std::vector<std::size_t> partStart_;
  std::vector<HeaderLine> headers_;
  BadLines bad_;
  LineError error_;
  std::size_t lines_ = 0;
};

// Applies the parsed files in order, as reading them line by line would.
class CMerge {
 public:
  CMerge(const CalcSettings& s, CalcRead& r) : settings_(s), read_(r) {}

  // False when the operation ends (too many serial numbers).
  bool ApplyFile(const std::string& name, CFileParts& f) {
    const bool go = ApplyFileBody(name, f);
    if (f.Error().Any() && f.Error().atLine < capLine_) {
      Refuse(PlaceOfLine(name, f.LineOf(f.Error().offset), settings_.language) + f.Error().why);
    } else if (fileSegments_.empty()) {
      read_.noData.push_back(name);
    }
    return go;
  }
  bool Capped() const { return read_.lines >= settings_.lineCap; }

 private:
  bool ApplyFileBody(const std::string& name, CFileParts& f) {
    name_ = name;
    capLine_ = std::numeric_limits<std::size_t>::max();
    current_ = -1;
    fileSegments_.clear();
    badSeen_ = 0;
    powerSeen_ = kurSeen_ = kuwSeen_ = false;
    std::size_t pos = 0;
    for (const HeaderLine& h : f.Headers()) {
      if (!TakeData(f, pos, h.atLine)) break;
      pos = h.atLine;
      if (!ApplyHeader(h)) return false;
    }
    if (!Capped()) TakeData(f, pos, f.Lines());
    EndOfFile();
    return true;
  }

  CalcSensor* Current() { return current_ < 0 ? nullptr : &read_.sensors[std::size_t(current_)]; }

  // A file refused: the sensors it gave data get the refusal in their report
  // and are not calculated (its segment is invalid); a file that gave no
  // sensor is refused in the summary on its own.
  void Refuse(const std::string& message) {
    if (fileSegments_.empty()) {
      read_.refusals.push_back(message);
      return;
    }
    for (int slot : fileSegments_) {
      CalcSensor& s = read_.sensors[std::size_t(slot)];
      for (FileSegment& seg : s.segments)
        if (seg.file == name_) seg.valid = false;
      s.refused = true;
      AddReport(s.check, message);
    }
  }

  bool ApplyHeader(const HeaderLine& h) {
    const LanguageIndex lang = settings_.language;
    if (h.serial) {
      int slot = -1;
      for (std::size_t k = 0; k < read_.sensors.size(); ++k)
        if (read_.sensors[k].serial == *h.serial) slot = int(k);
      if (slot < 0) {
        if (read_.sensors.size() >= std::size_t(kSlotCount)) {
          read_.abortMessage = std::string(txt::kTooManySerials(lang)) + Format("%d  ", kSlotCount);
          return false;
        }
        read_.sensors.emplace_back();
        read_.sensors.back().serial = *h.serial;
        slot = int(read_.sensors.size() - 1);
      }
      current_ = slot;
      // One segment per file and sensor.
      if (std::find(fileSegments_.begin(), fileSegments_.end(), slot) == fileSegments_.end()) {
        CalcSensor& s = read_.sensors[std::size_t(slot)];
        FileSegment seg;
        seg.begin = seg.end = s.SampleCount();
        seg.file = name_;
        s.segments.push_back(seg);
        fileSegments_.push_back(slot);
      }
    }
    CalcSensor* s = Current();
    if (!s) return true;
    if (h.modbus) {
      s->modbusValue = *h.modbus;
      s->modbusText = *h.modbus >= 0 && *h.modbus <= 255 ? Format("%d", *h.modbus) : std::string("?");
    }
    if (h.gas) {
      if (h.gas->empty()) {
        s->gasText = "?";
      } else {
        bool matched = false;
        const TextList names = GasTable(settings_.type);
        for (LanguageIndex kl = 0; kl < 3 && !matched; ++kl) {
          if (!(h.gasLanguages & (1u << kl))) continue;
          for (int g = 0; g < kGasCount; ++g) {
            const char* n = names[std::size_t(g)](kl);
            if (*n && SelectorGasName(n) == *h.gas) {
              s->gasPosition = g;
              s->gasText = GasName(settings_.type, unsigned(g + 1), lang);
              matched = true;
              break;
            }
          }
        }
        if (!matched) s->gasText = *h.gas;
      }
    }
    if (h.power) s->power = *h.power, powerSeen_ = true;
    if (h.kur) s->kur = *h.kur, kurSeen_ = true;
    if (h.kuw) s->kuw = *h.kuw, kuwSeen_ = true;
    return true;
  }

  // Data lines [from, to) of the file go to the current sensor; false once the cap is reached.
  bool TakeData(CFileParts& f, std::size_t from, std::size_t to) {
    if (Capped()) {
      read_.lineCapReached = true;
      capLine_ = std::min(capLine_, from);
      return false;
    }
    CalcSensor* s = Current();
    if (!s || to <= from) return true;
    const std::size_t n = std::min(to - from, settings_.lineCap - read_.lines);
    const std::size_t base = s->SampleCount();
    f.TakeSamples(from, n, s->samples, s->times);
    FileSegment& seg = s->segments.back();
    seg.end = s->SampleCount();
    // Bad lines of this stretch.
    const BadLines& bad = f.Bad();
    auto it = std::lower_bound(bad.lines.begin(), bad.lines.end(), from);
    for (; it != bad.lines.end() && *it < from + n; ++it) {
      seg.valid = false;
      ++badSeen_;
      if (badSeen_ == 1) {
        const LanguageIndex lang = settings_.language;
        if (!s->check.empty() && s->check.back() != '\n') s->check += "\r\n";
        s->check += Format("%s %s:", txt::kFile(lang), name_.c_str()) + "\r\n" + bad.firstTime;
        for (const BadValue& b : bad.firstValues) {
          const ValueRange r = AcceptedRange(settings_, b.quantity);
          s->check += Format("   %s=%s, %s=%g...%g   ", kQuantities[b.quantity](lang), b.text.c_str(),
                             txt::kNorm(lang), r.lo, r.hi);
        }
      } else if (badSeen_ == 2) {
        s->check += "\r\n";
      }
    }
    // The row showed every 1000th line while reading.
    const std::size_t firstLine = read_.lines + 1;
    std::size_t k = (firstLine + 999) / 1000 * 1000;
    if (k < firstLine + n) {
      std::size_t last = k;
      while (last + 1000 < firstLine + n) last += 1000;
      const std::size_t idx = base + (last - firstLine);
      for (std::size_t q = 0; q < kQuantityCount; ++q) s->shown[q] = Format("%g", double(s->samples[q][idx]));
    }
    read_.lines += n;
    if (Capped()) read_.lineCapReached = true, capLine_ = std::min(capLine_, from + n);
    return !Capped();
  }

  // A Z5 run recorded in "Graduation-Z5" mode: its files carry no Power, KUR
  // and KUW, and the run that recorded them gives its detectors' own.
  void TakeRunFactors(CalcSensor& s) {
    const auto it = settings_.runFactors.find(s.serial);
    if (it == settings_.runFactors.end() || (powerSeen_ && kurSeen_ && kuwSeen_)) return;
    if (!powerSeen_) s.power = it->second.power, powerSeen_ = true;
    if (!kurSeen_) s.kur = it->second.kur, kurSeen_ = true;
    if (!kuwSeen_) s.kuw = it->second.kuw, kuwSeen_ = true;
  }

  void EndOfFile() {
    CalcSensor* s = Current();
    if (!s) return;
    const LanguageIndex lang = settings_.language;
    if (settings_.type == kTypeZ5) {
      auto missing = [&](const TextEntry& what) {
        AddReport(s->check, std::string(txt::kFile(lang)) + " " + name_ + ": " + what(lang));
      };
      TakeRunFactors(*s);
      if (!powerSeen_) missing(txt::kPowerNotFound);
      if (!kurSeen_) missing(txt::kKurNotFound);
      if (!kuwSeen_) missing(txt::kKuwNotFound);
      // The table's first block carries them: without them it is no table.
      s->refused = s->refused || !powerSeen_ || !kurSeen_ || !kuwSeen_;
    }
    if (s->modbusValue < 1 || s->modbusValue > 255) {
      s->address = 0;
      s->refused = true;
      AddReport(s->check, std::string(kFileFields[kFieldModbusNumber](lang)) + txt::kFrom1To255(lang) +
                              txt::kNotFoundInFile(lang));
      return;
    }
    s->address = s->modbusValue;
    // A segment without data is reported by the checks, with its file's name.
    // The table's blocks depend on the gas: without a valid one the calculation of the sensor ends.
    if (s->gasPosition < 0 && settings_.type == kTypeZ5) {
      AddReport(s->check, txt::kValidGasNotFound(lang));
      s->refused = true;
    }
  }

  const CalcSettings& settings_;
  CalcRead& read_;
  std::string name_;
  int current_ = -1;
  std::vector<int> fileSegments_;  // slots that have a segment of this file
  int badSeen_ = 0;
  std::size_t capLine_ = 0;  // the file's data lines from here on lie past the line cap
  bool powerSeen_ = false, kurSeen_ = false, kuwSeen_ = false;
};

bool NameLess(const std::string& a, const std::string& b) { return AsciiLower(NameOf(a)) < AsciiLower(NameOf(b)); }

}  // namespace

ValueRange RecordedRange(int type, int quantity) {
  constexpr double kLo = -32768, kHi = 32767;
  switch (quantity) {
    case kQLel: return {kLo / 10, kHi / 10};
    case kQT: return LayoutFor(type).temperatureInTenths ? ValueRange{kLo / 10, kHi / 10} : ValueRange{kLo, kHi};
    case kQPheat: return {0, 65535};
    // D and Dm are differences and may dip below zero at zero gas; the
    // channel amplitudes W, R, Wo and Ro never do, though their cells show
    // the word signed.
    case kQD:
    case kQDm: return {kLo, kHi};
    default: return {0, kHi};
  }
}

ValueRange AcceptedRange(const CalcSettings& settings, int quantity) {
  ValueRange r = RecordedRange(settings.type, quantity);
  const DisplayLimits& l = settings.displayLimits[std::size_t(quantity)];
  if (LimitsChecked(l)) r = {std::max(r.lo, double(l.min)), std::min(r.hi, double(l.max))};
  return r;
}

void AddReport(std::string& check, const std::string& text) {
  if (!check.empty() && check.back() != '\n') check += "\r\n";
  check += text + "\r\n";
}

void SortGradFileNames(std::vector<std::string>& paths) {
  std::stable_sort(paths.begin(), paths.end(), NameLess);
}

namespace {

// Parts small enough that the cores share the work evenly, large enough
// that a file seldom needs putting together: with many files of a like
// size, each file is one part.
std::size_t PartBytesFor(const CalcSettings& settings, unsigned threads, std::size_t totalBytes) {
  if (settings.partBytes != 0 || threads <= 1) return settings.partBytes;
  return std::max<std::size_t>(std::size_t(1) << 20, totalBytes / (std::size_t(threads) * 4));
}

// The files in name order (`names` as given to the caller, `files` opened or
// not): parsed on `threads` threads, then merged.
CalcRead ReadParsedFiles(const std::vector<std::string>& names, std::vector<std::unique_ptr<CFileParts>>& files,
                         const CalcSettings& settings, unsigned threads, CalcReadProgress* progress) {
  struct Work {
    std::size_t file, part;
  };
  std::vector<Work> work;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!files[i]->Opened()) continue;
    for (std::size_t k = 0; k < files[i]->PartCount(); ++k) work.push_back({i, k});
  }
  threads = std::max(1u, std::min<unsigned>(threads, unsigned(work.size())));
  std::atomic<std::size_t> next{0};
  auto parse = [&] {
    for (std::size_t i; !Cancelled(progress) && (i = next.fetch_add(1)) < work.size();)
      files[work[i].file]->Parse(work[i].part, settings, progress);
  };
  if (threads <= 1) {
    parse();
  } else {
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(parse);
    for (auto& t : pool) t.join();
  }

  CalcRead read;
  CMerge merge(settings, read);
  for (std::size_t i = 0; i < files.size() && !Cancelled(progress); ++i) {
    if (merge.Capped()) {
      read.lineCapReached = true;
      break;
    }
    if (!files[i]->Opened()) {
      read.unreadable.push_back(names[i]);
      read.noData.push_back(NameOf(names[i]));
      continue;
    }
    files[i]->Join(settings);
    const bool go = merge.ApplyFile(NameOf(names[i]), *files[i]);
    files[i].reset();  // give the memory back early
    if (!go) break;
  }
  if (Cancelled(progress)) {
    CalcRead none;
    none.cancelled = true;
    return none;
  }
  for (const CalcSensor& s : read.sensors)
    if (s.address >= 1 && s.address <= 255) read.addresses.push_back(unsigned(s.address));
  return read;
}

unsigned ThreadsOrCores(unsigned threads) { return threads ? threads : std::max(1u, std::thread::hardware_concurrency()); }

}  // namespace

CalcRead ReadGradFiles(const std::vector<std::string>& paths, const CalcSettings& settings, unsigned threads,
                       CalcReadProgress* progress) {
  std::vector<std::string> sorted = paths;
  SortGradFileNames(sorted);
  threads = ThreadsOrCores(threads);
  std::size_t total = 0;
  if (settings.partBytes == 0 && threads > 1) {
    for (const std::string& path : sorted) {
      if (const std::int64_t size = platform::SizeOfFile(path); size > 0) total += std::size_t(size);
    }
  }
  const std::size_t partBytes = PartBytesFor(settings, threads, total);
  std::vector<std::unique_ptr<CFileParts>> files;
  for (std::size_t i = 0; i < sorted.size() && !Cancelled(progress); ++i)
    files.push_back(std::make_unique<CFileParts>(sorted[i], partBytes));
  CalcRead read = ReadParsedFiles(sorted, files, settings, threads, progress);
  if (!read.cancelled) LeaveOutGasSamples(read, sorted, settings.gasSpans);
  return read;
}

CalcRead ReadGradBytes(const std::vector<GradFileBytes>& files, const CalcSettings& settings, unsigned threads,
                       CalcReadProgress* progress) {
  std::vector<GradFileBytes> sorted = files;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const GradFileBytes& a, const GradFileBytes& b) { return NameLess(a.name, b.name); });
  threads = ThreadsOrCores(threads);
  std::size_t total = 0;
  for (const GradFileBytes& f : sorted) total += f.bytes.size();
  const std::size_t partBytes = PartBytesFor(settings, threads, total);
  std::vector<std::string> names;
  std::vector<std::unique_ptr<CFileParts>> parts;
  for (std::size_t i = 0; i < sorted.size() && !Cancelled(progress); ++i) {
    names.push_back(sorted[i].name);
    parts.push_back(std::make_unique<CFileParts>(sorted[i], partBytes));
  }
  return ReadParsedFiles(names, parts, settings, threads, progress);
}

}  // namespace kvl
