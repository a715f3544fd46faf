#include "json.h"

#include "text/format.h"

namespace kvl::ctl {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20 || c == 0x7F)
          out += Format("\\u%04x", static_cast<unsigned>(c));
        else
          out += ch;
    }
  }
  out += "\"";
  return out;
}

std::string JsonWords(const std::vector<std::uint16_t>& words) {
  std::string out = "[";
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i) out += ", ";
    out += Format("%u", static_cast<unsigned>(words[i]));
  }
  out += "]";
  return out;
}

}  // namespace kvl::ctl
