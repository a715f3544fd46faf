#include "text/operator_input.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "text/format.h"

namespace kvl {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string TrimBlanks(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::string RemoveBlanks(std::string_view text) {
  std::string out;
  for (char c : text)
    if (!IsBlank(c)) out.push_back(c);
  return out;
}

std::string DecimalPoint(std::string_view text, bool slashes) {
  std::string out(text);
  for (char& c : out)
    if (c == ',' || (slashes && c == '/')) c = '.';
  return out;
}

std::optional<double> LeadingNumber(std::string_view text) {
  double v = 0;
  if (!ParseDouble(std::string(text), &v) || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<long long> WholeNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  for (std::size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return std::nullopt;
  const std::string s(text);
  errno = 0;
  const long long v = std::strtoll(s.c_str(), nullptr, 10);
  if (errno == ERANGE) return std::nullopt;
  return v;
}

double RoundScaled(double x, double scale) { return std::floor(x * scale + 0.5); }

}  // namespace kvl
