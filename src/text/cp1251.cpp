#include "text/cp1251.h"

#include <cstdint>

namespace kvl {
namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr char32_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98 (0x98 undefined)
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

char32_t ByteToCodePoint(unsigned char b) {
  if (b < 0x80) return b;
  if (b < 0xC0) return kHighHalf[b - 0x80];
  return 0x0410 + (b - 0xC0);
}

// Returns the Windows-1251 byte of a code point, or -1 when it has none.
int CodePointToByte(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(0xC0 + (cp - 0x0410));
  for (int i = 0; i < 64; ++i) {
    if (kHighHalf[i] == cp) return 0x80 + i;
  }
  return -1;
}

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Reads one UTF-8 character at `pos`. Returns its length in bytes, or 0 when the bytes there
// are not a well-formed character (then *cp is untouched).
std::size_t ReadUtf8(std::string_view s, std::size_t pos, char32_t* cp) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  }
  std::size_t len;
  char32_t value;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, value = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, value = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, value = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (pos + len > s.size()) return 0;
  for (std::size_t i = 1; i < len; ++i) {
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return len;
}

}  // namespace

bool EncodeCp1251(std::string_view utf8, std::string& out, std::string* firstBad) {
  out.clear();
  out.reserve(utf8.size());
  bool ok = true;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    std::size_t len = ReadUtf8(utf8, pos, &cp);
    int byte = -1;
    if (len == 0) {
      len = 1;  // a stray byte: replace it alone and resynchronise on the next one
    } else {
      byte = CodePointToByte(cp);
    }
    if (byte < 0) {
      if (ok && firstBad) firstBad->assign(utf8.substr(pos, len));
      ok = false;
      out += '?';
    } else {
      out += static_cast<char>(byte);
    }
    pos += len;
  }
  return ok;
}

std::string DecodeCp1251(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) AppendUtf8(ByteToCodePoint(static_cast<unsigned char>(c)), out);
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    char32_t cp;
    const std::size_t len = ReadUtf8(bytes, pos, &cp);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

std::string DecodeTextBytes(std::string_view bytes) {
  // Editors that save "UTF-8 with BOM" put the mark before the first line; it
  // is not part of the text (and would spoil an exact match of that line).
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (IsValidUtf8(bytes)) return std::string(bytes.substr(bytes.substr(0, 3) == kBom ? 3 : 0));
  return DecodeCp1251(bytes);
}

}  // namespace kvl
