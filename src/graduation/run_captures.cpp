// The saved-state line of a run's capture notes.
#include "graduation/run_captures.h"

#include <cmath>

#include "text/format.h"
#include "text/number_grammar.h"

namespace kvl {
namespace {

constexpr char kUnknown[] = "-";

std::string Hundredths(const std::optional<double>& c) {
  return c ? Format("%lld", std::llround(*c * 100)) : std::string(kUnknown);
}

// The blank-separated tokens of one capture.
std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size()) break;
    const std::size_t end = std::min(text.find(' ', i), text.size());
    out.push_back(text.substr(i, end - i));
    i = end;
  }
  return out;
}

bool Whole(std::string_view token, long long lo, long long hi, long long* out) {
  return ParseWholeToken(token, lo, hi, out) == TokenVerdict::kGood;
}

bool Celsius(std::string_view token, std::optional<double>* out) {
  if (token == kUnknown) return true;
  long long v = 0;
  if (!Whole(token, -100000, 100000, &v)) return false;
  *out = double(v) / 100;
  return true;
}

bool ParseOne(std::string_view text, RunCapture* c) {
  const std::vector<std::string_view> t = Tokens(text);
  long long stage = 0, step = 0;
  if (t.size() < 4 || !Whole(t[0], 1, 8, &stage) || !Whole(t[1], 0, 4, &step) || !Celsius(t[2], &c->setPointC) ||
      !Celsius(t[3], &c->chamberC))
    return false;
  c->stage = int(stage);
  c->step = int(step);
  for (std::size_t k = 4; k < t.size(); ++k) {
    long long v = 0;
    if (t[k] == kUnknown) {
      c->detectorT.emplace_back();
      continue;
    }
    if (!Whole(t[k], 0, 65535, &v)) return false;
    c->detectorT.emplace_back(std::uint16_t(v));
  }
  return true;
}

}  // namespace

std::string ComposeRunCaptures(const std::vector<RunCapture>& captures) {
  std::string out;
  for (const RunCapture& c : captures) {
    if (!out.empty()) out += ';';
    out += Format("%d %d ", c.stage, c.step) + Hundredths(c.setPointC) + " " + Hundredths(c.chamberC);
    for (const std::optional<std::uint16_t>& t : c.detectorT) out += t ? Format(" %u", unsigned(*t)) : " -";
  }
  return out;
}

bool ParseRunCaptures(std::string_view text, std::vector<RunCapture>* out) {
  out->clear();
  while (!TrimBlanks(text).empty()) {
    const std::size_t semi = std::min(text.find(';'), text.size());
    RunCapture c;
    if (!ParseOne(text.substr(0, semi), &c)) return false;
    out->push_back(std::move(c));
    text.remove_prefix(std::min(semi + 1, text.size()));
  }
  return true;
}

}  // namespace kvl
