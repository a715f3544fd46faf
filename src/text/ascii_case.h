#pragma once
// Case-insensitive handling of the ASCII names operators type (types, modes,
// selector items, tool commands). Only A-Z fold: Cyrillic and other UTF-8
// bytes compare as they are, whatever the locale.
#include <string>
#include <string_view>

namespace kvl {

constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string AsciiLower(std::string s) {
  for (char& c : s) c = AsciiLower(c);
  return s;
}

constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace kvl
