#include "text/number_grammar.h"

#include <charconv>
#include <algorithm>
#include <cmath>

namespace kvl {

namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The C-locale decimal form, whole token: [sign] digits [. digits] [e [sign] digits],
// with at least one digit in the mantissa. from_chars alone would stop early
// ("1x5" as 1) and takes "inf" and "nan", so the shape is checked first.
bool HasDecimalShape(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exp = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++exp;
    if (exp == 0) return false;
  }
  return i == s.size();
}

// from_chars takes no leading '+'.
TokenVerdict ToDouble(std::string_view s, double* out) {
  if (!HasDecimalShape(s)) return TokenVerdict::kNotANumber;
  if (s.front() == '+') s.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range || !std::isfinite(v)) return TokenVerdict::kOutOfRange;
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return TokenVerdict::kNotANumber;
  *out = v;
  return TokenVerdict::kGood;
}

}  // namespace

std::string_view TrimBlanks(std::string_view token) {
  while (!token.empty() && IsBlankChar(token.front())) token.remove_prefix(1);
  while (!token.empty() && IsBlankChar(token.back())) token.remove_suffix(1);
  return token;
}

TokenVerdict ParseWholeToken(std::string_view token, long long lo, long long hi, long long* out) {
  std::string_view s = TrimBlanks(token);
  if (s.empty()) return TokenVerdict::kEmpty;
  std::size_t i = (s.front() == '+' || s.front() == '-') ? 1 : 0;
  bool allDigits = i < s.size();
  for (std::size_t k = i; k < s.size(); ++k) allDigits = allDigits && IsDigit(s[k]);
  if (allDigits) {
    // Leading zeros and long digit strings: compare the value, not the text.
    long double v = 0;
    for (std::size_t k = i; k < s.size(); ++k) v = v * 10 + (s[k] - '0');
    if (s.front() == '-') v = -v;
    if (v < static_cast<long double>(lo) || v > static_cast<long double>(hi)) return TokenVerdict::kOutOfRange;
    *out = static_cast<long long>(v);
    return TokenVerdict::kGood;
  }
  double d = 0;
  const TokenVerdict asDecimal = ToDouble(s, &d);
  if (asDecimal != TokenVerdict::kGood) return asDecimal;
  if (d != std::floor(d)) return TokenVerdict::kNotWhole;
  if (d < static_cast<double>(lo) || d > static_cast<double>(hi)) return TokenVerdict::kOutOfRange;
  *out = static_cast<long long>(d);
  return TokenVerdict::kGood;
}

TokenVerdict ParseDecimalToken(std::string_view token, double lo, double hi, double* out) {
  std::string_view s = TrimBlanks(token);
  if (s.empty()) return TokenVerdict::kEmpty;
  double v = 0;
  const TokenVerdict verdict = ToDouble(s, &v);
  if (verdict != TokenVerdict::kGood) return verdict;
  if (v < lo || v > hi) return TokenVerdict::kOutOfRange;
  *out = v;
  return TokenVerdict::kGood;
}

std::string_view KeyedValueToken(std::string_view line, std::size_t from) {
  auto separator = [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == ';'; };
  from = std::min(from, line.size());
  while (from < line.size() && IsBlankChar(line[from])) ++from;
  std::size_t end = from;
  while (end < line.size() && !separator(line[end])) ++end;
  auto startsNumber = [](char c) { return IsDigit(c) || c == '+' || c == '-' || c == '.'; };
  std::size_t next = end;
  // "0,25": a decimal comma; "1 7": a number split by a blank.
  const bool comma = next + 1 < line.size() && (line[next] == ',' || line[next] == ';') && startsNumber(line[next + 1]);
  if (comma) ++next;
  while (!comma && next < line.size() && IsBlankChar(line[next])) ++next;
  const bool numberFollows = next > end && next < line.size() && startsNumber(line[next]);
  if (numberFollows)
    for (end = next; end < line.size() && !separator(line[end]);) ++end;
  return line.substr(from, end - from);
}

TokenVerdict ParseHexToken(std::string_view token, unsigned long long hi, unsigned long long* out) {
  std::string_view s = TrimBlanks(token);
  if (s.empty()) return TokenVerdict::kEmpty;
  bool upper = false, lower = false;
  unsigned long long v = 0;
  bool over = false;
  for (char c : s) {
    int d;
    if (IsDigit(c)) {
      d = c - '0';
    } else if (c >= 'A' && c <= 'F') {
      d = c - 'A' + 10, upper = true;
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10, lower = true;
    } else {
      return TokenVerdict::kNotANumber;
    }
    over = over || v > (hi >> 4);
    v = v * 16 + unsigned(d);
  }
  if (upper && lower) return TokenVerdict::kNotANumber;
  if (over || v > hi) return TokenVerdict::kOutOfRange;
  *out = v;
  return TokenVerdict::kGood;
}

}  // namespace kvl
