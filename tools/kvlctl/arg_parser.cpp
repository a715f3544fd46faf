#include "arg_parser.h"

#include <cstdio>
#include <stdexcept>

#include "ctl_error.h"
#include "text/format.h"

namespace kvl::ctl {

CArgParser::CArgParser(std::string command, std::string synopsis, std::string description)
    : command_(std::move(command)), synopsis_(std::move(synopsis)), description_(std::move(description)) {
  AddFlag("--help", "show this help and exit");
}

void CArgParser::AddOption(const std::string& name, const std::string& valueName, const std::string& help,
                           const std::string& defaultValue, bool required) {
  options_.push_back({name, valueName, help, defaultValue, required, false, ""});
}

void CArgParser::AddFlag(const std::string& name, const std::string& help) {
  options_.push_back({name, "", help, "", false, false, ""});
}

void CArgParser::AddNote(const std::string& text) { notes_.push_back(text); }

const CArgParser::OptionDef* CArgParser::Find(const std::string& name) const {
  for (const OptionDef& s : options_)
    if (s.name == name) return &s;
  return nullptr;
}

CArgParser::OptionDef* CArgParser::Find(const std::string& name) {
  for (OptionDef& s : options_)
    if (s.name == name) return &s;
  return nullptr;
}

const CArgParser::OptionDef& CArgParser::Declared(const std::string& name) const {
  const OptionDef* s = Find(name);
  // A command asking for an option it never declared is a programming error.
  if (!s) throw std::logic_error("kvlctl " + command_ + ": option " + name + " was never declared");
  return *s;
}

bool CArgParser::Parse(const std::vector<std::string>& args) {
  // Help wins over everything else on the line, mistakes included.
  for (const std::string& arg : args)
    if (arg == "--help") {
      std::fputs(Help().c_str(), stdout);
      return false;
    }
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      // Options are long, so "-20.5" is a negative number (a set point), never an option.
      const bool negative = arg.size() > 1 && arg[0] == '-' && ((arg[1] >= '0' && arg[1] <= '9') || arg[1] == '.');
      if (positionalsAllowed_ && !arg.empty() && (arg[0] != '-' || arg == "-" || negative)) {
        positionals_.push_back(arg);
        continue;
      }
      if (!arg.empty() && arg[0] == '-')
        throw UsageError("unknown option '" + arg + "' (options are long: --name)");
      throw UsageError("unexpected argument '" + arg + "'");
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    OptionDef* s = Find(name);
    if (!s) throw UsageError("unknown option '" + name + "'");
    if (name == "--help") throw UsageError("option --help takes no value");
    if (s->given) throw UsageError("option " + name + " given twice");
    s->given = true;
    if (s->valueName.empty()) {
      if (eq != std::string::npos) throw UsageError("option " + name + " takes no value");
      continue;
    }
    if (eq != std::string::npos) {
      s->value = arg.substr(eq + 1);
    } else {
      if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value (" + s->valueName + ")");
      s->value = args[++i];
    }
    if (s->value.empty()) throw UsageError("option " + name + " needs a value (" + s->valueName + ")");
  }
  for (const OptionDef& s : options_)
    if (s.required && !s.given) throw UsageError("option " + s.name + " is required");
  return true;
}

std::string CArgParser::Help() const {
  std::string h = "Usage: kvlctl " + command_ + " " + synopsis_ + "\n\n" + description_ + "\n\nOptions:\n";
  for (const OptionDef& s : options_) {
    std::string left = "  " + s.name;
    if (!s.valueName.empty()) left += " " + s.valueName;
    std::string line = left;
    if (line.size() < 26)
      line.append(26 - line.size(), ' ');
    else
      line += "\n" + std::string(26, ' ');
    // A help text of several lines keeps its column.
    for (char c : s.help) line += c == '\n' ? "\n" + std::string(26, ' ') : std::string(1, c);
    if (s.required) line += " (required)";
    if (!s.defaultValue.empty()) line += " (default " + s.defaultValue + ")";
    h += line + "\n";
  }
  for (const std::string& n : notes_) h += "\n" + n + "\n";
  return h;
}

bool CArgParser::Has(const std::string& name) const { return Declared(name).given; }

std::string CArgParser::Text(const std::string& name) const {
  const OptionDef& s = Declared(name);
  return s.given ? s.value : s.defaultValue;
}

long CArgParser::ParseInt(const std::string& text, long min, long max, const std::string& what) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (text.size() > i + 1 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) throw UsageError(what + ": '" + text + "' is not a number");
  long long v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      throw UsageError(what + ": '" + text + "' is not a number");
    v = v * base + d;
    // Anything this large is out of every range here; stop before overflow.
    if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL + 1;
  }
  if (negative) v = -v;
  if (v < min || v > max)
    throw UsageError(what + ": " + text + " is out of range " + Format("%ld..%ld", min, max));
  return static_cast<long>(v);
}

long CArgParser::Int(const std::string& name, long min, long max) const {
  const OptionDef& s = Declared(name);
  return ParseInt(Text(name), min, max, s.name);
}

std::vector<long> CArgParser::IntList(const std::string& name, long min, long max, std::size_t maxItems) const {
  const OptionDef& s = Declared(name);
  const std::string text = Text(name);
  std::vector<long> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (item.empty()) throw UsageError(s.name + ": empty item in '" + text + "'");
    out.push_back(ParseInt(item, min, max, s.name));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (out.size() > maxItems) throw UsageError(s.name + Format(": at most %zu values", maxItems));
  return out;
}

}  // namespace kvl::ctl
