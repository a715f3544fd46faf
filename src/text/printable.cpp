#include "text/printable.h"

#include "text/cp1251.h"
#include "text/format.h"

namespace kvl {

std::string PrintableText(std::string_view bytes, std::size_t maxChars) {
  // Decoding first: the escapes are ASCII and must not be read as Windows-1251.
  const std::string text = DecodeTextBytes(bytes);
  std::string out;
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t len = 1;
    if (c >= 0xC0) len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    const bool control = c < 0x20 || c == 0x7F;
    const std::size_t width = control ? 4 : 1;
    if (chars + width > maxChars) return out + "...";
    out += control ? Format("\\x%02X", unsigned(c)) : text.substr(i, len);
    chars += width;
    i += len;
  }
  return out;
}

}  // namespace kvl
