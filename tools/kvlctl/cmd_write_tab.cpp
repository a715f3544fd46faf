// kvlctl write-tab: the "Read from tab" operation without the window. Reads
// graduation table files in the order given and writes each table into the
// detector its file names, as one batch of block writes, with the window's
// refusals and the link's batch report.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "command_registry.h"
#include "console_operator.h"
#include "ctl_error.h"
#include "detector_options.h"
#include "graduation/tab_file.h"
#include "json.h"
#include "link_options.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/ctl_texts.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl::ctl {
namespace {

int RunWriteTab(const std::vector<std::string>& args) {
  CArgParser p("write-tab", "FILE... --port DEV [options]",
               "Reads each graduation table file (keys Modbus_number=, then T[7]=, D[ 7]=, K3[ 7]=,\n"
               "K2[ 7]=, K1[ 7]= down to point 0, in this order) and writes its table to the\n"
               "detector at the file's Modbus number: T and D to registers 24..39, K1, K2 and K3\n"
               "as single-precision words (high word first) to 86..133, in three block writes.\n"
               "The first refused file ends the operation; the tables of the files before it are\n"
               "written. All writes form one batch, so the link's report comes once, after the\n"
               "last write. Prints one line per table queued, then the report and any refusal.\n"
               "JSON: {\"files\": [...], \"writes\": N, \"failed\": K, \"report\": \"...\", \"refusal\": \"...\"}.");
  AddLinkOptions(p);
  p.AllowPositionals();
  p.AddOption("--lang", "en|ru", "language of the refusals and of the link's report", "en");
  p.AddNote("Exit status 1 when a file was refused or cannot be read, or a write failed. " + LinkOptionsNote());
  if (!p.Parse(args)) return kExitOk;
  const std::vector<std::string>& files = p.Positionals();
  if (files.empty()) throw UsageError("write-tab: no table file given");
  const LinkOptions lo = ReadLinkOptions(p);
  const LanguageIndex language = ParseLanguageOption(p.Text("--lang"));

  const TableFilesPlan plan = PlanTableFiles(files, language);
  for (const std::string& why : plan.unreadable) std::fprintf(stderr, "kvlctl write-tab: %s: passed over\n", why.c_str());

  CStopSignals signals;
  CReportingLine line(lo, language);
  CModbusSlave& link = line.link;
  CConsoleOperator& op = line.op;
  int failed = 0;
  if (!plan.writes.empty()) {
    OpenLine(link, lo);
    link.BeginBatch(int(plan.writes.size()));
    // Each file's blocks are one write list, read back after writing.
    const std::size_t perFile = plan.writes.size() / std::max<std::size_t>(1, plan.filesQueued.size());
    for (std::size_t k = 0; k < plan.writes.size(); ++k) {
      if (signals.Pending()) break;
      if (perFile && k % perFile == 0) line.BeginList("write-tab", NameOf(plan.filesQueued[k / perFile]));
      const TableBlockWrite& w = plan.writes[k];
      failed += link.WriteRegisters(w.slave, w.first, w.words, false, true);
    }
    link.EndWriteList();
    link.Close();
  }
  const std::string report = op.Report();
  if (lo.json) {
    std::string out = "{\"files\": [";
    for (std::size_t i = 0; i < plan.filesQueued.size(); ++i) out += (i ? ", " : "") + JsonString(plan.filesQueued[i]);
    out += Format("], \"writes\": %zu, \"failed\": %d, \"report\": ", plan.writes.size(), failed) + JsonString(report) +
           ", \"refusal\": " + JsonString(plan.refusal.value_or("")) + "}\n";
    std::fputs(out.c_str(), stdout);
  } else {
    for (const std::string& f : plan.filesQueued) std::printf("%s\n", Format(txt::kCtlTableWritten(language), f.c_str()).c_str());
    if (!report.empty()) std::printf("%s%s", report.c_str(), report.back() == '\n' ? "" : "\n");
    if (plan.refusal) std::printf("%s\n", plan.refusal->c_str());
  }
  if (signals.Pending()) {
    std::fputs("kvlctl write-tab: interrupted\n", stderr);
    return kExitInterrupted;
  }
  return plan.refusal || failed || !plan.unreadable.empty() ? kExitFailed : kExitOk;
}

const CommandRegistrar kWriteTab{"write-tab", "write graduation table files into their detectors (one batch)",
                                 &RunWriteTab};

}  // namespace
}  // namespace kvl::ctl
