#include "graduation/write_history.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "text/format.h"
#include "text/number_grammar.h"
#include "text/text_file.h"

namespace kvl {
namespace {

// Bytes of a report read for its head (the meta lines come first).
constexpr std::size_t kReportHeadBytes = 4096;

// A journal value: as it stands up to the next blank, or quoted with \" and \\.
std::string TakeValue(std::string_view line, std::size_t& at) {
  std::string v;
  if (at < line.size() && line[at] == '"') {
    for (++at; at < line.size() && line[at] != '"'; ++at) {
      if (line[at] == '\\' && at + 1 < line.size()) ++at;
      v += line[at];
    }
    ++at;
    return v;
  }
  while (at < line.size() && line[at] != ' ') v += line[at++];
  return v;
}

bool IsStamp(std::string_view s) {
  static constexpr std::string_view kForm = "dddd-dd-dd dd:dd:dd";
  if (s.size() < kForm.size()) return false;
  for (std::size_t i = 0; i < kForm.size(); ++i)
    if (kForm[i] == 'd' ? (s[i] < '0' || s[i] > '9') : s[i] != kForm[i]) return false;
  return true;
}

// The value of <meta name="NAME" content="..."/> in a page written by the report (escaped as HtmlEscape does).
std::string MetaOf(std::string_view page, const std::string& name) {
  const std::string key = "<meta name=\"" + name + "\" content=\"";
  const std::size_t at = page.find(key);
  if (at == std::string_view::npos) return {};
  const std::size_t from = at + key.size(), to = page.find('"', from);
  if (to == std::string_view::npos) return {};
  std::string v(page.substr(from, to - from)), out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    static const std::pair<std::string_view, char> kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
    bool done = false;
    for (const auto& [entity, c] : kEntities)
      if (!done && std::string_view(v).substr(i, entity.size()) == entity) {
        out += c;
        i += entity.size() - 1;
        done = true;
      }
    if (!done) out += v[i];
  }
  return out;
}

// "f16@104=1,2,3" -> "104..106 (3)"; single writes stay as they are.
std::string WriteSummary(const std::string& w) {
  if (w.rfind("f16@", 0) != 0) return w;
  const std::size_t eq = w.find('=');
  long long first = 0;
  if (eq == std::string::npos || ParseWholeToken(std::string_view(w).substr(4, eq - 4), 0, 65535, &first) != TokenVerdict::kGood)
    return w;
  const std::size_t words = std::size_t(std::count(w.begin() + long(eq), w.end(), ',')) + 1;
  return Format("%lld\u2026%lld", first, first + (long long)words - 1);
}

// "differs:112=2025/1921,113=..." -> "differs:48 (112...159)": the registers are in the journal line.
std::string ReadBackSummary(const std::string& readback) {
  if (readback.rfind("differs:", 0) != 0) return readback;
  const std::size_t n = std::size_t(std::count(readback.begin(), readback.end(), ',')) + 1;
  const std::size_t firstEnd = readback.find('='), lastStart = readback.rfind(',');
  const std::string first = readback.substr(8, firstEnd - 8);
  const std::string last = lastStart == std::string::npos ? first
                                                          : readback.substr(lastStart + 1, readback.find('=', lastStart) - lastStart - 1);
  return Format("differs:%zu (%s\u2026%s)", n, first.c_str(), last.c_str());
}

void AddJournal(const std::filesystem::path& path, const std::string& serial, std::vector<HistoryEntry>& out) {
  std::string text;
  if (ReadFileBytes(path.string(), text) != 0) return;
  for (std::string_view line : SplitLines(text)) {
    const std::optional<JournalRecord> r = ParseJournalLine(line);
    if (!r || r->serial != serial) continue;
    HistoryEntry e;
    e.when = r->when;
    e.what = r->mode + ", " + r->cause + ":";
    for (const std::string& w : r->writes) e.what += " " + WriteSummary(w);
    e.result = r->result + (r->readback.empty() ? "" : ", readback=" + ReadBackSummary(r->readback));
    e.file = path.filename().string();
    out.push_back(std::move(e));
  }
}

void AddReport(const std::filesystem::path& path, const std::string& serial, std::vector<HistoryEntry>& out) {
  std::string head;
  if (ReadFileBytes(path.string(), head, kReportHeadBytes) != 0) return;
  if (MetaOf(head, "kvl-serial") != serial) return;
  HistoryEntry e;
  e.when = MetaOf(head, "kvl-date");
  if (!IsStamp(e.when)) return;
  e.report = true;
  e.result = MetaOf(head, "kvl-verdict");
  e.file = path.filename().string();
  out.push_back(std::move(e));
}

}  // namespace

std::optional<JournalRecord> ParseJournalLine(std::string_view line) {
  if (!IsStamp(line) || line.size() < 21) return std::nullopt;
  JournalRecord r;
  r.when = std::string(line.substr(0, 19));
  std::size_t at = 19;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    const std::size_t eq = line.find('=', at);
    if (at >= line.size() || eq == std::string_view::npos) break;
    const std::string key(line.substr(at, eq - at));
    at = eq + 1;
    const std::string value = TakeValue(line, at);
    long long n = -1;
    if (key == "mode") r.mode = value;
    else if (key == "serial") r.serial = value;
    else if (key == "cause") r.cause = value;
    else if (key == "result") r.result = value;
    else if (key == "readback") r.readback = value;
    else if (key == "addr" && ParseWholeToken(value, 0, 255, &n) == TokenVerdict::kGood) r.address = int(n);
    else if (key.size() > 1 && key[0] == 'f') r.writes.push_back(key + "=" + value);
  }
  if (r.result.empty()) return std::nullopt;
  return r;
}

std::vector<HistoryEntry> DetectorHistory(const std::string& folder, const std::string& serial) {
  std::vector<HistoryEntry> out;
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec))
    if (e.is_regular_file(ec)) files.push_back(e.path());
  // Journals in date order, so that one second's lines keep their order.
  std::sort(files.begin(), files.end());
  for (const std::filesystem::path& p : files) {
    const std::string name = p.filename().string();
    if (name.rfind("journal_", 0) == 0 && p.extension() == ".txt") AddJournal(p, serial, out);
    if (name.rfind(serial + "_", 0) == 0 && p.extension() == ".html") AddReport(p, serial, out);
  }
  std::stable_sort(out.begin(), out.end(), [](const HistoryEntry& a, const HistoryEntry& b) { return a.when < b.when; });
  return out;
}

}  // namespace kvl
