// kvlctl history: everything on record for one detector in a data folder:
// the write journal's lines for its serial number and its graduation reports,
// oldest first.
#include <cstdio>

#include "arg_parser.h"
#include "command_registry.h"
#include "ctl_error.h"
#include "detector_options.h"
#include "graduation/write_history.h"
#include "json.h"
#include "link_options.h"
#include "text/ctl_texts.h"
#include "text/format.h"

namespace kvl::ctl {
namespace {

std::string HistoryText(const std::vector<HistoryEntry>& entries, LanguageIndex l) {
  if (entries.empty()) return {};
  std::string out = std::string(txt::kCtlHistoryHead(l)) + "\n";
  for (const HistoryEntry& e : entries) {
    const char* kind = e.report ? txt::kCtlHistoryReport(l) : txt::kCtlHistoryWrite(l);
    out += e.when + "  " + kind + "  " + (e.what.empty() ? "" : e.what + "  ") + e.result + "  " + e.file + "\n";
  }
  return out;
}

std::string HistoryJson(const std::string& serial, const std::vector<HistoryEntry>& entries) {
  std::string out = "{\"serial\": " + JsonString(serial) + ", \"entries\": [";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const HistoryEntry& e = entries[i];
    out += std::string(i ? ", " : "") + "{\"date\": " + JsonString(e.when) + ", \"kind\": \"" +
           (e.report ? "report" : "write") + "\", \"what\": " + JsonString(e.what) +
           ", \"result\": " + JsonString(e.result) + ", \"file\": " + JsonString(e.file) + "}";
  }
  return out + "]}\n";
}

int RunHistory(const std::vector<std::string>& args) {
  CArgParser p("history", "SERIAL [--data DIR] [--json] [--lang en|ru]",
               "Lists, oldest first, every line of the write journals (journal_<date>.txt) that names the\n"
               "serial number, and every graduation report of it (<serial>_<n>.html), found in the data\n"
               "folder: date and time, what was written (mode, cause, registers), the result and the\n"
               "read-back, the file. A report's line carries its verdict.\n"
               "JSON: {\"serial\": \"...\", \"entries\": [{\"date\": \"...\", \"kind\": \"write\"|\"report\",\n"
               "\"what\": \"...\", \"result\": \"...\", \"file\": \"...\"}]}.");
  p.AllowPositionals();
  p.AddOption("--data", "DIR", "the data folder holding the journals and reports", ".");
  p.AddFlag("--json", "print the history as JSON on stdout");
  p.AddOption("--lang", "en|ru", "language of the texts", "en");
  p.AddNote("Exit status 1 when nothing is on record for the serial number.");
  if (!p.Parse(args)) return kExitOk;
  if (p.Positionals().size() != 1) throw UsageError("history: give one serial number");
  const std::string serial = p.Positionals()[0];
  const LanguageIndex l = ParseLanguageOption(p.Text("--lang"));
  std::string folder = p.Text("--data");
  if (!folder.empty() && folder.back() != '/') folder += '/';
  const std::vector<HistoryEntry> entries = DetectorHistory(folder, serial);
  std::fputs((p.Has("--json") ? HistoryJson(serial, entries) : HistoryText(entries, l)).c_str(), stdout);
  if (!entries.empty()) return kExitOk;
  Complain("history", Format(txt::kCtlHistoryNone(l), serial.c_str(), folder.c_str()));
  return kExitFailed;
}

const CommandRegistrar kHistory{"history", "list every write and report on record for one detector", &RunHistory};

}  // namespace
}  // namespace kvl::ctl
