// Run data files -> sensor slots. A file is first parsed on its own (any
// thread) into its header lines and data samples; the merge then walks the
// files in name order and applies exactly what reading them line by line
// would do: slot assignment, segments, the line cap, the report texts.
#include "graduation/grad_file_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <thread>

#include "detector/decoding.h"
#include "text/ascii_case.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/gas_tables.h"
#include "text/graduation_texts.h"
#include "text/message_texts.h"

namespace kvl {
namespace {

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }
constexpr bool IsDelimiter(char c) { return c == ' ' || c == '\t' || c == ',' || c == ';'; }

// Read-only view of a whole file: mapped when possible, else read into memory.
class CFileBytes {
 public:
  explicit CFileBytes(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return;
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
      void* p = ::mmap(nullptr, std::size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd_, 0);
      if (p != MAP_FAILED) {
        ::madvise(p, std::size_t(st.st_size), MADV_SEQUENTIAL);
        map_ = p;
        size_ = std::size_t(st.st_size);
        ok_ = true;
        return;
      }
    }
    char buf[1 << 16];
    for (;;) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n < 0) return;
      if (n == 0) break;
      copy_.append(buf, std::size_t(n));
    }
    ok_ = true;
  }
  ~CFileBytes() {
    if (map_) ::munmap(map_, size_);
    if (fd_ >= 0) ::close(fd_);
  }
  CFileBytes(const CFileBytes&) = delete;
  CFileBytes& operator=(const CFileBytes&) = delete;

  bool Ok() const { return ok_; }
  std::string_view Bytes() const {
    return map_ ? std::string_view(static_cast<const char*>(map_), size_) : std::string_view(copy_);
  }

 private:
  int fd_ = -1;
  void* map_ = nullptr;
  std::size_t size_ = 0;
  std::string copy_;
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

// One file parsed on its own. Data lines are counted from the file's first
// serial number on (earlier ones belong to no sensor and are dropped).
struct FileParse {
  bool opened = false;
  std::vector<HeaderLine> headers;
  std::array<std::vector<float>, kQuantityCount> samples;
  std::vector<std::size_t> badLines;       // counted index of every bad line
  std::string firstBadTime;                // time token of the first bad line
  std::vector<BadValue> firstBadValues;    // its values outside the limits
};

// The value after `key` in `line`: up to the first space, comma or semicolon.
bool FindKeyValue(std::string_view line, std::string_view key, std::string_view* value) {
  if (key.empty()) return false;
  const std::size_t at = line.find(key);
  if (at == std::string_view::npos) return false;
  std::size_t b = at + key.size(), e = b;
  while (e < line.size() && !IsDelimiter(line[e])) ++e;
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

// 10^k for k = 0..22: every one is exact in a double.
constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Takes one value token from s (blanks before it skipped): a plain decimal
// ("-12.5") is converted on the way; anything else goes to ScanDecimal. Leaves
// s after the token and its delimiter; *tokenBegin/*tokenEnd frame the text.
inline double TakeValue(const char*& s, const char* end, const char** tokenBegin, const char** tokenEnd) {
  while (s < end && IsBlank(*s)) ++s;
  const char* b = s;
  const char* p = s;
  bool neg = false;
  if (p < end && (*p == '-' || *p == '+')) neg = *p++ == '-';
  std::uint64_t m = 0;
  int digits = 0, fraction = 0;
  for (; p < end && unsigned(*p - '0') < 10; ++p, ++digits) m = m * 10 + unsigned(*p - '0');
  if (p < end && *p == '.') {
    for (++p; p < end && unsigned(*p - '0') < 10; ++p, ++digits, ++fraction) m = m * 10 + unsigned(*p - '0');
  }
  double v;
  if (digits > 0 && digits <= 15 && (p == end || IsDelimiter(*p) || IsLineEnd(*p))) {
    // m < 10^15 < 2^53 and 10^fraction are exact, so one division rounds correctly.
    v = fraction ? double(m) / kPow10[fraction] : double(m);
    if (neg) v = -v;
  } else {
    while (p < end && !IsDelimiter(*p) && !IsLineEnd(*p)) ++p;
    v = ScanDecimal(b, p);
  }
  *tokenBegin = b;
  *tokenEnd = p;
  s = p < end && IsDelimiter(*p) ? p + 1 : p;
  return v;
}

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

void ParseFile(const std::string& path, const CalcSettings& settings, FileParse& out, CalcReadProgress* progress) {
  CFileBytes file(path);
  if (!file.Ok()) return;
  out.opened = true;
  const std::string_view bytes = file.Bytes();
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  const bool z5 = settings.type == kTypeZ5;
  bool haveSerial = false;
  std::size_t counted = 0;
  // Reserved, not filled: pages are touched only as lines arrive.
  const std::size_t room = std::min(bytes.size() / 16 + 16, settings.lineCap);
  for (auto& v : out.samples) v.reserve(room);
  std::array<double, kQuantityCount> lo{}, hi{};
  for (int q = 0; q < kQuantityCount; ++q) {
    const DisplayLimits& l = settings.displayLimits[std::size_t(q)];
    lo[std::size_t(q)] = LimitsChecked(l) ? double(l.min) : -HUGE_VAL;
    hi[std::size_t(q)] = LimitsChecked(l) ? double(l.max) : HUGE_VAL;
  }
  auto nextLine = [&](const char* from) {
    const char* nl = static_cast<const char*>(std::memchr(from, '\n', std::size_t(end - from)));
    return nl ? nl + 1 : end;
  };

  CProgressTicker ticker(progress);
  while (p < end && counted < settings.lineCap) {
    if (!ticker.Go(counted)) break;
    const char* b = p;
    while (b < end && (IsBlank(*b) || *b == '\r')) ++b;
    if (b == end) break;
    if (*b == '\n') {
      p = b + 1;
      continue;
    }
    if (*b == '*') {
      p = nextLine(b);
      const char* le = p;
      while (le > b && (IsBlank(le[-1]) || IsLineEnd(le[-1]))) --le;
      if (le - b == 1) continue;  // a line of "*" alone
      HeaderLine h = ParseHeader(std::string_view(b, std::size_t(le - b)), z5, counted);
      if (h.serial) haveSerial = true;
      out.headers.push_back(std::move(h));
      continue;
    }
    if (!haveSerial) {
      p = nextLine(b);
      continue;
    }
    // The time token, then nine values.
    const char* s = b;
    while (s < end && !IsDelimiter(*s) && !IsLineEnd(*s)) ++s;
    const char* timeEnd = s;
    if (s < end && IsDelimiter(*s)) ++s;
    bool bad = false;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
      const char *tb, *te;
      const double v = TakeValue(s, end, &tb, &te);
      out.samples[q].push_back(float(v));
      if (v < lo[q] || v > hi[q]) {
        if (out.badLines.empty()) {
          if (!bad) out.firstBadTime.assign(b, timeEnd);
          out.firstBadValues.push_back({int(q), std::string(tb, te)});
        }
        bad = true;
      }
    }
    if (bad) out.badLines.push_back(counted);
    ++counted;
    p = nextLine(s);
  }
  ticker.Done(counted);
}

// Applies the parsed files in order, as reading them line by line would.
class CMerge {
 public:
  CMerge(const CalcSettings& s, CalcRead& r) : settings_(s), read_(r) {}

  // False when the operation ends (too many serial numbers).
  bool ApplyFile(const std::string& name, FileParse& f) {
    name_ = name;
    current_ = -1;
    fileSegments_.clear();
    badSeen_ = 0;
    powerSeen_ = kurSeen_ = kuwSeen_ = false;
    std::size_t pos = 0;
    for (const HeaderLine& h : f.headers) {
      if (!TakeData(f, pos, h.atLine)) break;
      pos = h.atLine;
      if (!ApplyHeader(h)) return false;
    }
    if (!Capped()) TakeData(f, pos, f.samples[kQT].size());
    EndOfFile();
    return true;
  }
  bool Capped() const { return read_.lines >= settings_.lineCap; }

 private:
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
  bool TakeData(FileParse& f, std::size_t from, std::size_t to) {
    if (Capped()) {
      read_.lineCapReached = true;
      return false;
    }
    CalcSensor* s = Current();
    if (!s || to <= from) return true;
    const std::size_t n = std::min(to - from, settings_.lineCap - read_.lines);
    const std::size_t base = s->SampleCount();
    const bool whole = from == 0 && n == f.samples[kQT].size() && base == 0;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
      if (whole) {
        s->samples[q] = std::move(f.samples[q]);  // the usual case: one file, one sensor
        continue;
      }
      const float* src = f.samples[q].data() + from;
      s->samples[q].insert(s->samples[q].end(), src, src + n);
    }
    FileSegment& seg = s->segments.back();
    seg.end = s->SampleCount();
    // Bad lines of this stretch.
    auto it = std::lower_bound(f.badLines.begin(), f.badLines.end(), from);
    for (; it != f.badLines.end() && *it < from + n; ++it) {
      seg.valid = false;
      ++badSeen_;
      if (badSeen_ == 1) {
        const LanguageIndex lang = settings_.language;
        s->check += Format("%s %s:", txt::kFile(lang), name_.c_str()) + "\r\n" + f.firstBadTime;
        for (const BadValue& b : f.firstBadValues) {
          const DisplayLimits& l = settings_.displayLimits[std::size_t(b.quantity)];
          s->check += Format("   %s=%s, %s=%d...%d   ", kQuantities[b.quantity](lang), b.text.c_str(),
                             txt::kNorm(lang), l.min, l.max);
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
    if (Capped()) read_.lineCapReached = true;
    return !Capped();
  }

  void EndOfFile() {
    CalcSensor* s = Current();
    if (!s) return;
    const LanguageIndex lang = settings_.language;
    if (settings_.type == kTypeZ5) {
      auto missing = [&](const TextEntry& what) {
        s->check += std::string("\n") + txt::kFile(lang) + " " + name_ + ": " + what(lang);
      };
      if (!powerSeen_) missing(txt::kPowerNotFound);
      if (!kurSeen_) missing(txt::kKurNotFound);
      if (!kuwSeen_) missing(txt::kKuwNotFound);
    }
    if (s->modbusValue < 1 || s->modbusValue > 255) {
      s->address = 0;
      s->check += std::string(kFileFields[kFieldModbusNumber](lang)) + txt::kFrom1To255(lang) +
                  txt::kNotFoundInFile(lang) + "\r\n";
      return;
    }
    s->address = s->modbusValue;
    if (s->gasPosition >= 0 || settings_.type != kTypeZ5) {
      if (read_.lines == 0) s->check += txt::kDataNotFoundInFile(lang);
    } else {
      s->check += std::string(txt::kValidGasNotFound(lang)) + "\r\n";
    }
  }

  const CalcSettings& settings_;
  CalcRead& read_;
  std::string name_;
  int current_ = -1;
  std::vector<int> fileSegments_;  // slots that have a segment of this file
  int badSeen_ = 0;
  bool powerSeen_ = false, kurSeen_ = false, kuwSeen_ = false;
};

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

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
    const double v = fraction ? double(m) / kPow10[fraction] : double(m);
    return neg ? -v : v;
  }
  // Exponents, long digit strings, trailing text: the general conversion of the leading number.
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
  std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    return AsciiLower(BaseName(a)) < AsciiLower(BaseName(b));
  });
}

CalcRead ReadGradFiles(const std::vector<std::string>& paths, const CalcSettings& settings, unsigned threads,
                       CalcReadProgress* progress) {
  std::vector<std::string> sorted = paths;
  SortGradFileNames(sorted);
  std::vector<FileParse> parsed(sorted.size());
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = std::min<unsigned>(threads, unsigned(sorted.size()));
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; !Cancelled(progress) && (i = next.fetch_add(1)) < sorted.size();)
      ParseFile(sorted[i], settings, parsed[i], progress);
  };
  if (threads <= 1) {
    work();
  } else {
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    for (auto& t : pool) t.join();
  }

  CalcRead read;
  CMerge merge(settings, read);
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (Cancelled(progress)) break;
    if (merge.Capped()) {
      read.lineCapReached = true;
      break;
    }
    if (!parsed[i].opened) {
      read.unreadable.push_back(sorted[i]);
      continue;
    }
    const bool go = merge.ApplyFile(BaseName(sorted[i]), parsed[i]);
    parsed[i] = FileParse();  // give the memory back early
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

}  // namespace kvl
