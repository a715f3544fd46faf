// kvlctl write: one register (function 6) or a block (function 16 and its
// check read), reported exactly as the workstation reports it to the operator.
#include <cstdio>
#include <vector>

#include "command_registry.h"
#include "console_operator.h"
#include "ctl_error.h"
#include "detector_options.h"
#include "json.h"
#include "link_options.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/format.h"

namespace kvl::ctl {
namespace {

int RunWrite(const std::vector<std::string>& args) {
  CArgParser p("write", "--port DEV --addr A --reg R (--value V | --values V1,V2,...) [options]",
               "Writes one register with function 6 (--value), or consecutive registers from R on\n"
               "with function 16 followed by the check read (--values), and prints the link's\n"
               "report as the operator would see it (\"Recorded\" or the failure text).\n"
               "JSON: {\"result\": 0|1, \"report\": \"...\"}.");
  AddLinkOptions(p);
  p.AddOption("--addr", "A", "slave address 1..247", "", true);
  p.AddOption("--reg", "R", "register, protocol address 0..65535", "", true);
  p.AddOption("--value", "V", "one value 0..65535 (function 6)");
  p.AddOption("--values", "V1,V2,...", "1..127 values 0..65535 (function 16, then a check read)");
  p.AddOption("--function", "3|4", "function of the check read after --values", "3");
  p.AddOption("--lang", "en|ru", "language of the report", "en");
  p.AddOption("--type", "T",
              "detector type (KVELT, Z, Z40, Z5 or 0..4) whose serial number registers --journal\n"
              "reads before the write; default: the type the detector's registers fit best");
  p.AddNote("Values are decimal or hexadecimal with 0x. " + LinkOptionsNote());
  if (!p.Parse(args)) return kExitOk;

  const LinkOptions lo = ReadLinkOptions(p);
  const auto addr = static_cast<std::uint8_t>(p.Int("--addr", 1, 247));
  const auto reg = static_cast<std::uint16_t>(p.Int("--reg", 0, 65535));
  const long function = p.Int("--function", 3, 4);
  const std::string lang = p.Text("--lang");
  if (lang != "en" && lang != "ru") throw UsageError("--lang: '" + lang + "' is neither en nor ru");
  const int type = p.Has("--type") ? ParseTypeOption(p.Text("--type")) : -1;
  if (p.Has("--value") == p.Has("--values")) throw UsageError("give exactly one of --value and --values");
  std::vector<std::uint16_t> words;
  if (p.Has("--value")) {
    words.push_back(static_cast<std::uint16_t>(p.Int("--value", 0, 65535)));
  } else {
    for (long v : p.IntList("--values", 0, 65535, kMaxBlockWords)) words.push_back(static_cast<std::uint16_t>(v));
    if (reg + words.size() - 1 > 65535)
      throw UsageError(Format("--reg %u with %zu values runs past register 65535", static_cast<unsigned>(reg), words.size()));
  }

  CStopSignals signals;
  CReportingLine line(lo, lang == "ru" ? kRussian : kEnglish);
  CModbusSlave& link = line.link;
  CConsoleOperator& op = line.op;
  OpenLine(link, lo);
  link.SetReadFunction(static_cast<std::uint8_t>(function));
  // A batch of one: the window announces every write it queues, which is
  // what makes the link show its outcome once the write has run.
  link.BeginBatch(1);
  line.BeginList("write", "write", type);
  const int result = RunInterruptible(link, signals, [&] {
    return p.Has("--value") ? link.WriteRegister(addr, 6, reg, words.front()) : link.WriteRegisters(addr, reg, words, true);
  });
  link.EndWriteList();
  link.Close();
  const bool interrupted = signals.Pending();

  const std::string report = op.Report();
  if (lo.json) {
    const std::string out = Format("{\"result\": %d, \"report\": ", result) + JsonString(report) + "}\n";
    std::fputs(out.c_str(), stdout);
  } else {
    std::string out = report;
    if (!out.empty() && out.back() != '\n') out += '\n';
    std::fputs(out.c_str(), stdout);
  }
  // An interrupted write stopped at its next wait; its report is printed above.
  if (interrupted) return ReportInterrupted("write", lang == "ru" ? kRussian : kEnglish);
  return line.Status(result == 0 ? kExitOk : kExitFailed);
}

const CommandRegistrar kWrite{"write", "write one register (function 6) or a block (function 16)", &RunWrite};

}  // namespace
}  // namespace kvl::ctl
