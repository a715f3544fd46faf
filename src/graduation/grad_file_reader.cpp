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
#include <memory>
#include <optional>
#include <thread>

#include "detector/decoding.h"
#include "detector/register_map.h"
#include "graduation/grad_line_scan.h"
#include "platform/files.h"
#include "text/ascii_case.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/gas_tables.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"
#include "text/printable.h"
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
  bool firstCut = false;                   // it is the file's last line and has no line end
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
  BadLines bad;
};

// The value after `key` in `line`: up to the first space, comma or semicolon.
bool FindKeyValue(std::string_view line, std::string_view key, std::string_view* value) {
  if (key.empty()) return false;
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return false;
  std::size_t b = at + key.size(), e = b;
  while (e < line.size() && !IsDelimiter(line[e]) && static_cast<unsigned char>(line[e]) >= ' ') ++e;
  *value = line.substr(b, e - b);
  return true;
}

// atoi / strtoul: optional sign, then leading digits; anything else gives 0.
long LeadingInteger(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v < 100000000000L) v = v * 10 + (s[i] - '0');
  }
  return neg ? -v : v;
}

// Finds a key in the three interface languages; the first language that has it wins.
bool FindField(std::string_view line, FileField field, std::string_view* value, unsigned* languages = nullptr) {
  bool found = false;
  for (LanguageIndex lang = 0; lang < 3; ++lang) {
    std::string_view v;
    if (FindKeyValue(line, kFileFields[field](lang), &v)) {
      if (!found) *value = v;
      found = true;
      if (languages && v == *value) *languages |= 1u << lang;
      if (!languages) break;
    }
  }
  return found;
}

HeaderLine ParseHeader(std::string_view raw, bool z5, std::size_t atLine) {
  const std::string line = DecodeTextBytes(raw);
  HeaderLine h;
  h.atLine = atLine;
  std::string_view v;
  if (FindField(line, kFieldSerialNumber, &v)) {
    unsigned long n = 0;
    std::size_t i = 0;
    while (i < v.size() && v[i] >= '0' && v[i] <= '9') {
      n = n * 10 + unsigned(v[i] - '0');
      ++i;
    }
    h.serial = Format("%lu", n);
  }
  if (FindField(line, kFieldModbusNumber, &v)) {
    const long n = LeadingInteger(v);
    h.modbus = n < -1 || n > 100000 ? -1 : int(n);
  }
  if (FindField(line, kFieldGas, &v, &h.gasLanguages)) h.gas = std::string(v);
  if (z5) {
    if (FindField(line, kFieldPower, &v)) h.power = int(LeadingInteger(v));
    if (FindField(line, kFieldKur, &v)) h.kur = int(LeadingInteger(v));
    if (FindField(line, kFieldKuw, &v)) h.kuw = int(LeadingInteger(v));
  }
  return h;
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
        HeaderLine h = ParseHeader(std::string_view(b, std::size_t(le - b)), z5_, counted_);
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
      // Every line the recorder writes ends with its line end: one without is cut.
      if (p[-1] != '\n') MarkCut(b);
      ++counted_;
    }
    ticker.Done(counted_);
    for (auto& v : out_.samples) v.resize(counted_);
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
    return NextLine(b + tok.End(linescan::kTokens - 1));
  }

  // Any data line: the time token, then nine values, each after blanks up to
  // the next space, tab, comma, semicolon or line end. A value that is
  // missing, no number or outside its accepted range makes the line bad
  // (stored as 0 when it is no finite number).
  const char* ExactDataLine(const char* b) {
    const char* s = b;
    while (s < end_ && !IsDelimiter(*s) && !IsLineEnd(*s)) ++s;
    const char* timeEnd = s;
    if (s < end_ && IsDelimiter(*s)) ++s;
    bool bad = false;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
      while (s < end_ && IsBlank(*s)) ++s;
      const char* tb = s;
      while (s < end_ && !IsDelimiter(*s) && !IsLineEnd(*s)) ++s;
      const char* te = s;
      if (s < end_ && IsDelimiter(*s)) ++s;
      const bool number = IsNumberToken(tb, te);
      const double v = number ? ScanDecimal(tb, te) : 0.0;
      const float f = float(v);
      dst_[q][counted_] = std::isfinite(f) ? f : 0.0f;
      if (!number || !(v >= lo_[q] && v <= hi_[q])) {
        if (out_.bad.lines.empty()) {
          if (!bad) out_.bad.firstTime = PrintableText(std::string_view(b, std::size_t(timeEnd - b)));
          out_.bad.firstValues.push_back({int(q), PrintableText(std::string_view(tb, std::size_t(te - tb)))});
        }
        bad = true;
      }
    }
    if (bad) out_.bad.lines.push_back(counted_);
    return NextLine(s);
  }

  // The data line starting at b is the file's last and has no line end.
  void MarkCut(const char* b) {
    if (out_.bad.lines.empty() || out_.bad.lines.back() != counted_) {
      if (out_.bad.lines.empty()) {
        const char* e = b;
        while (e < end_ && !IsDelimiter(*e) && !IsLineEnd(*e)) ++e;
        out_.bad.firstTime = PrintableText(std::string_view(b, std::size_t(e - b)));
      }
      out_.bad.lines.push_back(counted_);
    }
    if (out_.bad.lines.size() == 1) out_.bad.firstCut = true;
  }

  // Sign, digits with at most one point (a digit somewhere), an optional
  // exponent: the whole token, nothing else ("nan", "inf", "12a" are no numbers).
  static bool IsNumberToken(const char* p, const char* e) {
    if (p < e && (*p == '-' || *p == '+')) ++p;
    bool digit = false, point = false;
    for (; p < e; ++p) {
      if (*p >= '0' && *p <= '9') {
        digit = true;
      } else if (*p == '.' && !point) {
        point = true;
      } else {
        break;
      }
    }
    if (!digit) return false;
    if (p < e && (*p == 'e' || *p == 'E')) {
      ++p;
      if (p < e && (*p == '-' || *p == '+')) ++p;
      if (p == e) return false;
      while (p < e && *p >= '0' && *p <= '9') ++p;
    }
    return p == e;
  }

  static constexpr std::size_t kBlock = 4096;
  std::string_view file_;
  const CalcSettings& settings_;
  PartParse& out_;
  const bool z5_;
  std::array<double, kQuantityCount> lo_{}, hi_{};
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
  // bad lines are numbered for the whole file.
  void Join(const CalcSettings& settings) {
    bool haveSerial = false;
    std::size_t at = 0;
    for (std::size_t k = 0; k < parts_.size(); ++k) {
      PartParse& part = parts_[k];
      if (part.assumedSerial && !haveSerial) {
        CPartParser parser(bytes_.Bytes(), settings, part);
        parser.Run(bounds_[k], bounds_[k + 1], false, (bounds_[k + 1] - bounds_[k]) / 16 + 16, nullptr);
      }
      haveSerial = haveSerial || part.sawSerial;
      partStart_.push_back(at);
      for (HeaderLine& h : part.headers) {
        h.atLine += at;
        headers_.push_back(std::move(h));
      }
      if (bad_.lines.empty() && !part.bad.lines.empty()) {
        bad_.firstTime = std::move(part.bad.firstTime);
        bad_.firstValues = std::move(part.bad.firstValues);
        bad_.firstCut = part.bad.firstCut;
      }
      for (std::size_t b : part.bad.lines) bad_.lines.push_back(b + at);
      at += part.lines;
    }
    lines_ = at;
  }

  std::size_t Lines() const { return lines_; }
  const std::vector<HeaderLine>& Headers() const { return headers_; }
  const BadLines& Bad() const { return bad_; }

  // Appends data lines [from, from + n) of the file to `samples`.
  void TakeSamples(std::size_t from, std::size_t n, std::array<std::vector<float>, kQuantityCount>& samples) {
    for (std::size_t k = 0; k < parts_.size() && n > 0; ++k) {
      PartParse& part = parts_[k];
      if (from >= partStart_[k] + part.lines) continue;
      const std::size_t off = from - partStart_[k];
      const std::size_t take = std::min(n, part.lines - off);
      // Usually a whole part goes to a fresh sensor: the lists move, nothing is copied.
      const bool move = off == 0 && take == part.lines && samples[0].empty();
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
  CFileBytes bytes_;
  std::vector<std::size_t> bounds_;  // part k: lines starting in [bounds_[k], bounds_[k + 1])
  std::vector<PartParse> parts_;
  std::vector<std::size_t> partStart_;
  std::vector<HeaderLine> headers_;
  BadLines bad_;
  std::size_t lines_ = 0;
};

// Applies the parsed files in order, as reading them line by line would.
class CMerge {
 public:
  CMerge(const CalcSettings& s, CalcRead& r) : settings_(s), read_(r) {}

  // False when the operation ends (too many serial numbers).
  bool ApplyFile(const std::string& name, CFileParts& f) {
    const bool go = ApplyFileBody(name, f);
    if (fileSegments_.empty()) read_.noData.push_back(name);
    return go;
  }
  bool Capped() const { return read_.lines >= settings_.lineCap; }

 private:
  bool ApplyFileBody(const std::string& name, CFileParts& f) {
    name_ = name;
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
      return false;
    }
    CalcSensor* s = Current();
    if (!s || to <= from) return true;
    const std::size_t n = std::min(to - from, settings_.lineCap - read_.lines);
    const std::size_t base = s->SampleCount();
    f.TakeSamples(from, n, s->samples);
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
        if (bad.firstCut) s->check += std::string("   ") + txt::kLineWithoutEnd(lang);
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
    if (Capped()) read_.lineCapReached = true;
    return !Capped();
  }

  void EndOfFile() {
    CalcSensor* s = Current();
    if (!s) return;
    const LanguageIndex lang = settings_.language;
    if (settings_.type == kTypeZ5) {
      auto missing = [&](const TextEntry& what) {
        AddReport(s->check, std::string(txt::kFile(lang)) + " " + name_ + ": " + what(lang));
      };
      if (!powerSeen_) missing(txt::kPowerNotFound);
      if (!kurSeen_) missing(txt::kKurNotFound);
      if (!kuwSeen_) missing(txt::kKuwNotFound);
    }
    if (s->modbusValue < 1 || s->modbusValue > 255) {
      s->address = 0;
      AddReport(s->check, std::string(kFileFields[kFieldModbusNumber](lang)) + txt::kFrom1To255(lang) +
                              txt::kNotFoundInFile(lang));
      return;
    }
    s->address = s->modbusValue;
    // A segment without data is reported by the checks, with its file's name.
    if (s->gasPosition < 0 && settings_.type == kTypeZ5) AddReport(s->check, txt::kValidGasNotFound(lang));
  }

  const CalcSettings& settings_;
  CalcRead& read_;
  std::string name_;
  int current_ = -1;
  std::vector<int> fileSegments_;  // slots that have a segment of this file
  int badSeen_ = 0;
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

double ScanDecimal(const char* begin, const char* end) {
  const char* p = begin;
  bool neg = false;
  if (p < end && (*p == '-' || *p == '+')) neg = *p++ == '-';
  const char* digitsStart = p;
  std::uint64_t m = 0;
  int significant = 0, fraction = 0;
  bool exact = true, sawDigit = false;
  for (; p < end && unsigned(*p - '0') < 10; ++p) {
    sawDigit = true;
    if (m || *p != '0') {
      if (++significant > 15) exact = false;
      m = m * 10 + unsigned(*p - '0');
    }
  }
  if (p < end && *p == '.') {
    for (++p; p < end && unsigned(*p - '0') < 10; ++p) {
      sawDigit = true;
      ++fraction;
      if (m || *p != '0') {
        if (++significant > 15) exact = false;
      }
      if (exact) m = m * 10 + unsigned(*p - '0');
    }
  }
  if (exact && p == end && sawDigit && fraction <= 22) {
    // m < 10^15 < 2^53 and 10^fraction are exact, so one division rounds correctly.
    const double v = fraction ? double(m) / linescan::kPow10[fraction] : double(m);
    return neg ? -v : v;
  }
  // Exponents, long digit strings, trailing text: the general conversion of the
  // leading number. A second sign is no number ("--1" is 0, as strtod has it).
  if (digitsStart < end && (*digitsStart == '-' || *digitsStart == '+')) return 0.0;
  double v = 0;
  const auto r = std::from_chars(digitsStart, end, v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // strtod gives +-HUGE_VAL for overflow and 0 for underflow.
    std::string copy(digitsStart, end);
    v = std::strtod(copy.c_str(), nullptr);
  } else if (r.ec != std::errc()) {
    return 0.0;
  }
  return neg ? -v : v;
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
  return ReadParsedFiles(sorted, files, settings, threads, progress);
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
