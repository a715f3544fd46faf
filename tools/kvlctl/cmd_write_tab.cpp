// kvlctl write-tab: the "Read from tab" operation without the window. Reads
// graduation table files in the order given and writes each table into the
// detector its file names, as one batch of block writes, with the window's
// refusals and the link's batch report.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "command_registry.h"
#include "console_operator.h"
#include "ctl_error.h"
#include "detector/serial_read.h"
#include "detector_options.h"
#include "graduation/tab_file.h"
#include "json.h"
#include "link_options.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/ctl_texts.h"
#include "text/format.h"
#include "text/number_grammar.h"
#include "text/text_file.h"

namespace kvl::ctl {
namespace {

// The serial numbers --serial gives, in order, for the files whose names are
// no serial number.
std::vector<std::uint32_t> GivenSerials(const CArgParser& p) {
  std::vector<std::uint32_t> serials;
  if (!p.Has("--serial")) return serials;
  const std::string text = p.Text("--serial");
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    const std::string item =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    long long v = 0;
    if (ParseWholeToken(item, 1, 0xFFFFFFFFLL, &v) != TokenVerdict::kGood)
      throw UsageError("--serial: '" + item + "' is no serial number 1..4294967295");
    serials.push_back(std::uint32_t(v));
    if (comma == std::string::npos) return serials;
    start = comma + 1;
  }
}

// Which detector each queued file is for: the serial its name gives, else the
// next one --serial gives, else none (the detector found is refused).
std::vector<std::optional<std::uint32_t>> FileSerials(const CArgParser& p, const TableFilesPlan& plan) {
  const std::vector<std::uint32_t> given = GivenSerials(p);
  std::vector<std::optional<std::uint32_t>> serials;
  std::size_t next = 0;
  for (const std::string& path : plan.filesQueued) {
    std::optional<std::uint32_t> serial = SerialFromFileName(path);
    if (!serial && next < given.size()) serial = given[next++];
    serials.push_back(serial);
  }
  if (next < given.size()) throw UsageError("--serial: more serial numbers than files whose names are none");
  return serials;
}

std::vector<std::uint8_t> FileAddresses(const TableFilesPlan& plan) {
  std::vector<std::uint8_t> addresses;
  for (const TableBlockWrite& w : plan.writes)
    if (std::find(addresses.begin(), addresses.end(), w.slave) == addresses.end())
      addresses.push_back(w.slave);
  return addresses;
}

int RunWriteTab(const std::vector<std::string>& args) {
  CArgParser p(
      "write-tab", "FILE... --port DEV [--serial N,...] [options]",
      "Reads each graduation table file (keys Modbus_number=, then T[7]=, D[ 7]=, K3[ 7]=,\n"
      "K2[ 7]=, K1[ 7]= down to point 0, in this order) and writes its table to the\n"
      "detector at the file's Modbus number: T and D to registers 24..39, K1, K2 and K3\n"
      "as single-precision words (high word first) to 86..133, in three block writes.\n"
      "A table goes only into the detector it is for: the detector's serial number is read\n"
      "first and must be the one the file's name gives (2400017.tab); a file whose name is\n"
      "no serial number needs its detector's serial number in --serial, else it is refused.\n"
      "The first refused file ends the operation; the tables of the files before it are\n"
      "written. All writes form one batch, so the link's report comes once, after the\n"
      "last write. Prints one line per table queued, then the report and any refusal.\n"
      "JSON: {\"files\": [...], \"writes\": N, \"failed\": K, \"report\": \"...\", \"refusal\": \"...\"}.");
  AddLinkOptions(p);
  p.AllowPositionals();
  p.AddOption("--lang", "en|ru", "language of the refusals and of the link's report", "en");
  p.AddOption("--serial", "N,...",
              "the detectors' serial numbers, in order, for the files whose names are none");
  p.AddOption("--type", "T",
              "detector type (KVELT, Z, Z40, Z5 or 0..4) whose serial number registers are read;\n"
              "default: the type the detector's registers fit best");
  p.AddNote(
      "Exit status 1 when a file was refused or cannot be read, a detector was not the file's, or a write\n"
      "or its journal line failed. " +
      LinkOptionsNote());
  if (!p.Parse(args)) return kExitOk;
  const std::vector<std::string>& files = p.Positionals();
  if (files.empty()) throw UsageError("write-tab: no table file given");
  const LinkOptions lo = ReadLinkOptions(p);
  const LanguageIndex language = ParseLanguageOption(p.Text("--lang"));
  const int type = p.Has("--type") ? ParseTypeOption(p.Text("--type")) : -1;

  const TableFilesPlan plan = PlanTableFiles(files, language);
  const std::vector<std::optional<std::uint32_t>> serials = FileSerials(p, plan);
  for (const std::string& why : plan.unreadable)
    Complain("write-tab", Format(txt::kCtlPassedOver(language), why.c_str()));

  CStopSignals signals;
  CReportingLine line(lo, language);
  CModbusSlave& link = line.link;
  CConsoleOperator& op = line.op;
  int failed = 0;
  std::vector<int> fileFailed(plan.filesQueued.size(), 0);
  if (!plan.writes.empty()) {
    OpenLine(link, lo);
    link.BeginBatch(int(plan.writes.size()));
    // Each file's blocks are one write list, read back after writing.
    const std::size_t perFile = plan.writes.size() / std::max<std::size_t>(1, plan.filesQueued.size());
    for (std::size_t k = 0; k < plan.writes.size(); ++k) {
      if (signals.Pending()) break;
      const std::size_t f = perFile ? k / perFile : 0;
      if (perFile && k % perFile == 0)
        line.BeginList("write-tab", NameOf(plan.filesQueued[f]),
                       FileIdentity(type, NameOf(plan.filesQueued[f]), serials[f], FileAddresses(plan)),
                       type);
      const TableBlockWrite& w = plan.writes[k];
      const int r = link.WriteRegisters(w.slave, w.first, w.words, false, true);
      failed += r;
      if (f < fileFailed.size()) fileFailed[f] += r;
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
    for (std::size_t i = 0; i < plan.filesQueued.size(); ++i)
      std::printf("%s\n", Format((fileFailed[i] ? txt::kCtlTableNotWritten : txt::kCtlTableWritten)(language),
                                 plan.filesQueued[i].c_str())
                               .c_str());
    if (!report.empty()) std::printf("%s%s", report.c_str(), report.back() == '\n' ? "" : "\n");
    if (plan.refusal) std::printf("%s\n", plan.refusal->c_str());
  }
  for (std::size_t i = 0; i < plan.filesQueued.size(); ++i)
    if (fileFailed[i] && !serials[i])
      Complain("write-tab", Format(txt::kCtlGiveSerial(language), plan.filesQueued[i].c_str()));
  if (signals.Pending()) return ReportInterrupted("write-tab", language);
  return line.Status(plan.refusal || failed || !plan.unreadable.empty() ? kExitFailed : kExitOk);
}

const CommandRegistrar kWriteTab{"write-tab", "write graduation table files into their detectors (one batch)",
                                 &RunWriteTab};

}  // namespace
}  // namespace kvl::ctl
