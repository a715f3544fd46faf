#include "graduation/run_state_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>

#include "text/format.h"
#include "text/number_grammar.h"
#include "text/text_file.h"

namespace kvl {
namespace {

const char* const kKeys[] = {"type",   "stage",     "step",       "valve_mode", "without_gas", "medium",
                             "high",   "series",    "addresses",  "log_header", "saved",
                             "gas",    "serials",   "dropped",    "captures",   "operator",
                             "first_stage"};
// Written by every save, absent from the files of earlier versions: no gas
// noted, no serial numbers to check, no detector let go, no capture noted,
// the operator unknown, a run that began at stage 1.
bool Optional(const std::string& key) {
  return key == "gas" || key == "serials" || key == "dropped" || key == "captures" || key == "operator" ||
         key == "first_stage";
}

bool WholeList(std::string_view value, long long lo, long long hi, std::vector<long long>* out);

// A serial number as the run names it: digits only; 0 for a row that had none.
bool SerialList(std::string_view value, std::size_t count, std::vector<std::string>* out) {
  std::vector<long long> numbers;
  if (value.empty()) return true;
  if (!WholeList(value, 0, 4294967295LL, &numbers) || numbers.size() != count) return false;
  for (long long n : numbers) out->push_back(n == 0 ? std::string() : Format("%lld", n));
  return true;
}

// The blank-separated whole numbers of a value, each within [lo, hi].
bool WholeList(std::string_view value, long long lo, long long hi, std::vector<long long>* out) {
  std::size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && value[i] == ' ') ++i;
    if (i >= value.size()) break;
    const std::size_t end = std::min(value.find(' ', i), value.size());
    long long v = 0;
    if (ParseWholeToken(value.substr(i, end - i), lo, hi, &v) != TokenVerdict::kGood) return false;
    out->push_back(v);
    i = end;
  }
  return true;
}

bool Whole(const std::string& value, long long lo, long long hi, int* out) {
  long long v = 0;
  if (ParseWholeToken(value, lo, hi, &v) != TokenVerdict::kGood) return false;
  *out = int(v);
  return true;
}

// The values by key; false (and the line in `bad`) for a line that is no "key = value" of a known key.
bool SplitKeys(const std::string& text, std::map<std::string, std::string>* values, std::string* bad) {
  for (std::string_view line : SplitLines(text)) {
    if (TrimBlanks(line).empty()) continue;
    const std::size_t eq = line.find('=');
    const std::string key(TrimBlanks(line.substr(0, eq == std::string_view::npos ? 0 : eq)));
    bool known = false;
    for (const char* k : kKeys) known = known || key == k;
    if (eq == std::string_view::npos || !known || values->count(key)) {
      *bad = std::string(line);
      return false;
    }
    (*values)[key] = std::string(TrimBlanks(line.substr(eq + 1)));
  }
  return true;
}

bool Fill(std::map<std::string, std::string>& v, SavedRun* run, std::string* bad) {
  for (const char* k : kKeys)
    if (!v.count(k) && !Optional(k)) {
      *bad = std::string(k) + " =";
      return false;
    }
  int withoutGas = 0;
  std::vector<long long> addresses, owed, gas, dropped;
  const struct {
    const char* key;
    bool ok;
  } checks[] = {
      {"type", Whole(v["type"], 0, 4, &run->type)},
      {"stage", Whole(v["stage"], 1, 8, &run->stage)},
      {"step", Whole(v["step"], 0, 4, &run->step)},
      {"valve_mode", Whole(v["valve_mode"], 0, 1, &run->valveMode)},
      {"without_gas", Whole(v["without_gas"], 0, 1, &withoutGas)},
      {"series", Whole(v["series"], -1, 99, &run->series)},
      {"addresses", WholeList(v["addresses"], 1, 255, &addresses) && !addresses.empty() &&
                        addresses.size() <= std::size_t(kSlotCount)},
      {"log_header", WholeList(v["log_header"], 0, 1, &owed) && owed.size() == addresses.size()},
      {"gas", WholeList(v["gas"], -(1LL << 40), 1LL << 40, &gas) && gas.size() % 2 == 0},
      {"serials", SerialList(v["serials"], addresses.size(), &run->serials)},
      {"dropped", WholeList(v["dropped"], 1, 255, &dropped) && dropped.size() <= addresses.size()},
      {"captures", ParseRunCaptures(v["captures"], &run->captures)},
      {"first_stage", !v.count("first_stage") || Whole(v["first_stage"], 1, 8, &run->firstStage)},
  };
  for (const auto& c : checks)
    if (!c.ok) {
      *bad = std::string(c.key) + " = " + v[c.key];
      return false;
    }
  run->withoutGas = withoutGas != 0;
  run->medium = v["medium"];
  run->high = v["high"];
  run->savedAt = v["saved"];
  run->operatorName = v["operator"];
  for (long long a : addresses) run->addresses.push_back(int(a));
  for (std::size_t i = 0; i < owed.size(); ++i) run->logHeaderOwed[i] = owed[i] != 0;
  for (std::size_t i = 0; i + 1 < gas.size(); i += 2) run->gasSpans.push_back({gas[i], gas[i + 1]});
  for (long long a : dropped) run->dropped.push_back(int(a));
  return true;
}

}  // namespace

std::string RunStatePath(const std::string& dataFolder) { return dataFolder + "graduation.run"; }

namespace {

// Serial numbers by slot (0 for a row without one), then the detectors let go.
std::string ComposeRoster(const SavedRun& r) {
  std::string serials, dropped;
  for (std::size_t i = 0; i < r.serials.size() && i < r.addresses.size(); ++i)
    serials += (i ? " " : "") + (r.serials[i].empty() ? std::string("0") : r.serials[i]);
  for (int a : r.dropped) dropped += Format(dropped.empty() ? "%d" : " %d", a);
  const bool whole = r.serials.size() == r.addresses.size();
  return (whole ? "serials = " + serials + "\r\n" : std::string()) + "dropped = " + dropped + "\r\n";
}

}  // namespace

std::string ComposeRunState(const SavedRun& r) {
  std::string addresses, owed, gas;
  // Pairs of calendar seconds; an end before its start: the gas still flowed.
  for (const GasSpan& g : r.gasSpans) gas += Format(gas.empty() ? "%lld %lld" : " %lld %lld", g.from, std::max(g.to, g.from - 1));
  for (std::size_t i = 0; i < r.addresses.size(); ++i) {
    addresses += Format(i ? " %d" : "%d", r.addresses[i]);
    owed += Format(i ? " %d" : "%d", r.logHeaderOwed[i] ? 1 : 0);
  }
  // Texts typed by the operator keep to their one line.
  auto oneLine = [](std::string s) {
    for (char& c : s)
      if (c == '\r' || c == '\n') c = ' ';
    return s;
  };
  return Format("type = %d\r\nstage = %d\r\nstep = %d\r\nvalve_mode = %d\r\nwithout_gas = %d\r\n", r.type,
                r.stage, r.step, r.valveMode, r.withoutGas ? 1 : 0) +
         "medium = " + oneLine(r.medium) + "\r\nhigh = " + oneLine(r.high) + "\r\n" +
         Format("series = %d\r\n", r.series) + "addresses = " + addresses + "\r\nlog_header = " + owed +
         "\r\nsaved = " + oneLine(r.savedAt) + "\r\ngas = " + gas + "\r\n" + ComposeRoster(r) +
         // Each its own line, so earlier readers' keys stay as they were.
         "captures = " + ComposeRunCaptures(r.captures) + "\r\noperator = " + oneLine(r.operatorName) + "\r\n" +
         Format("first_stage = %d\r\n", r.firstStage);
}

std::optional<SavedRun> ParseRunState(const std::string& text, const std::string& path, std::string* error) {
  std::map<std::string, std::string> values;
  std::string bad;
  SavedRun run;
  if (!SplitKeys(text, &values, &bad) || !Fill(values, &run, &bad)) {
    if (error) *error = path + ": refused at '" + bad + "'";
    return std::nullopt;
  }
  return run;
}

int SaveRunState(const std::string& dataFolder, const SavedRun& run, std::string* error) {
  return WriteFileAtomic(RunStatePath(dataFolder), ComposeRunState(run), error);
}

std::optional<SavedRun> LoadRunState(const std::string& dataFolder, std::string* error) {
  if (error) error->clear();
  const std::string path = RunStatePath(dataFolder);
  std::string text;
  std::string why;
  const int rc = ReadFileBytes(path, text, 64 * 1024, &why);
  if (rc == ENOENT) return std::nullopt;
  if (rc != 0) {
    if (error) *error = why;
    return std::nullopt;
  }
  return ParseRunState(text, path, error);
}

void RemoveRunState(const std::string& dataFolder) { std::remove(RunStatePath(dataFolder).c_str()); }

}  // namespace kvl
