#include "chamber/keyed_profile.h"

#include "text/chamber_texts.h"
#include "text/file_texts.h"
#include "text/number_grammar.h"
#include "text/text_file.h"

namespace kvl {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The text between the quotes, escapes resolved; false when the quotes or an
// escape are broken, or anything but a comment follows the closing quote.
bool Unquote(std::string_view v, std::string* out) {
  out->clear();
  std::size_t i = 1;
  for (; i < v.size() && v[i] != '"'; ++i) {
    if (v[i] != '\\') {
      *out += v[i];
      continue;
    }
    if (++i >= v.size()) return false;
    switch (v[i]) {
      case 'r': *out += '\r'; break;
      case 'n': *out += '\n'; break;
      case 't': *out += '\t'; break;
      case '\\': *out += '\\'; break;
      case '"': *out += '"'; break;
      case 'x': {
        if (i + 2 >= v.size() || HexDigit(v[i + 1]) < 0 || HexDigit(v[i + 2]) < 0) return false;
        *out += char(HexDigit(v[i + 1]) * 16 + HexDigit(v[i + 2]));
        i += 2;
        break;
      }
      default: return false;
    }
  }
  if (i >= v.size()) return false;
  const std::string_view rest = TrimBlanks(v.substr(i + 1));
  return rest.empty() || rest.front() == '#';
}

}  // namespace

void CKeyedProfile::Whole(const char* key, long long lo, long long hi, int* field) {
  keys_.push_back({key, [=](const std::string& v) {
                     long long n = 0;
                     switch (ParseWholeToken(v, lo, hi, &n)) {
                       case TokenVerdict::kGood: *field = int(n); return Fault::kNone;
                       case TokenVerdict::kEmpty: return Fault::kEmpty;
                       case TokenVerdict::kNotWhole: return Fault::kNotWhole;
                       case TokenVerdict::kOutOfRange: return Fault::kOutOfRange;
                       default: return Fault::kNotANumber;
                     }
                   },
                   ""});
}

void CKeyedProfile::Decimal(const char* key, double lo, double hi, double* field) {
  keys_.push_back({key, [=](const std::string& v) {
                     switch (ParseDecimalToken(v, lo, hi, field)) {
                       case TokenVerdict::kGood: return Fault::kNone;
                       case TokenVerdict::kEmpty: return Fault::kEmpty;
                       case TokenVerdict::kOutOfRange: return Fault::kOutOfRange;
                       default: return Fault::kNotANumber;
                     }
                   },
                   ""});
}

void CKeyedProfile::Text(const char* key, std::string* field) {
  keys_.push_back({key, [=](const std::string& v) {
                     *field = v;
                     return Fault::kNone;
                   },
                   ""});
}

void CKeyedProfile::Choice(const char* key, std::vector<std::string> words, int* field) {
  std::string list;
  for (const std::string& w : words) list += (list.empty() ? "" : ", ") + w;
  keys_.push_back({key,
                   [=](const std::string& v) {
                     for (std::size_t i = 0; i < words.size(); ++i)
                       if (v == words[i]) {
                         *field = int(i);
                         return Fault::kNone;
                       }
                     return Fault::kNotAChoice;
                   },
                   list});
}

void CKeyedProfile::Flag(const char* key, bool* field) {
  keys_.push_back({key,
                   [=](const std::string& v) {
                     if (v != "yes" && v != "no") return Fault::kNotAChoice;
                     *field = v == "yes";
                     return Fault::kNone;
                   },
                   "yes, no"});
}

CKeyedProfile::Key* CKeyedProfile::Find(std::string_view name) {
  for (Key& k : keys_)
    if (k.name == name) return &k;
  return nullptr;
}

int CKeyedProfile::LineOf(const char* key) const {
  for (const Key& k : keys_)
    if (k.name == key) return k.line;
  return 0;
}

std::string CKeyedProfile::Refusal(int line, const char* reason, std::string_view token) const {
  return fileName_ + ", " + txt::kProfileLine(lang_) + " " + std::to_string(line) + ": " + reason + ": '" +
         std::string(token) + "'";
}

std::string CKeyedProfile::MissingKey(const char* key) const {
  return fileName_ + ": " + txt::kProfileMissingKey(lang_) + " '" + key + "'";
}

std::string CKeyedProfile::Conflict(const char* key, const char* other) const {
  const int line = LineOf(key);
  const std::string where = line ? ", " + std::string(txt::kProfileLine(lang_)) + " " + std::to_string(line) : "";
  return fileName_ + where + ": '" + key + "' " + txt::kProfileConflict(lang_) + " '" + other + "'";
}

bool CKeyedProfile::ReadLine(std::string_view line, int number, std::string* error) {
  const std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed.front() == '#') return true;
  const std::size_t eq = trimmed.find('=');
  if (eq == std::string_view::npos) {
    *error = Refusal(number, txt::kProfileNoEquals(lang_), trimmed);
    return false;
  }
  const std::string_view name = TrimBlanks(trimmed.substr(0, eq));
  std::string_view raw = TrimBlanks(trimmed.substr(eq + 1));
  Key* key = Find(name);
  if (!key) {
    *error = Refusal(number, txt::kProfileUnknownKey(lang_), name);
    return false;
  }
  if (key->line) {
    *error = Refusal(number, txt::kProfileRepeatedKey(lang_), name);
    return false;
  }
  std::string value;
  if (!raw.empty() && raw.front() == '"') {
    if (!Unquote(raw, &value)) {
      *error = Refusal(number, txt::kProfileBadText(lang_), raw);
      return false;
    }
  } else {
    value = std::string(TrimBlanks(raw.substr(0, raw.find('#'))));
  }
  const Fault fault = key->take(value);
  const TextEntry* reason = nullptr;
  switch (fault) {
    case Fault::kNone: key->line = number; return true;
    case Fault::kNotWhole: reason = &txt::kProfileNotWhole; break;
    case Fault::kOutOfRange: reason = &txt::kProfileOutOfRange; break;
    case Fault::kNotAChoice: reason = &txt::kProfileNotAChoice; break;
    default: reason = &txt::kProfileNotANumber; break;
  }
  std::string why = (*reason)(lang_);
  if (fault == Fault::kNotAChoice) why += " " + key->choices;
  *error = Refusal(number, why.c_str(), value);
  return false;
}

bool CKeyedProfile::Read(std::string_view text, std::string* error) {
  int number = 0;
  for (std::string_view line : SplitLines(text))
    if (!ReadLine(line, ++number, error)) return false;
  return true;
}

}  // namespace kvl
