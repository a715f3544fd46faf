#include "text/format.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/c_locale.h"

namespace kvl {
namespace {

using ScopedCLocale = platform::CCLocaleScope;

}  // namespace

std::string FormatV(const char* fmt, std::va_list args) {
  ScopedCLocale c;
  char small[256];
  std::va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
  std::vector<char> big(static_cast<std::size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), static_cast<std::size_t>(n));
}

std::string Format(const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  std::string s = FormatV(fmt, args);
  va_end(args);
  return s;
}

bool ParseDouble(const std::string& text, double* out, std::size_t* used) {
  ScopedCLocale c;
  const char* begin = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  if (end == begin) return false;
  *out = v;
  if (used) *used = static_cast<std::size_t>(end - begin);
  return true;
}

std::string DateTimeText(const std::tm& t) {
  return Format("%02d.%02d.%04d %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min,
                t.tm_sec);
}

}  // namespace kvl
