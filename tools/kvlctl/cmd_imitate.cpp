// kvlctl imitate: the workstation's "Imitation" mode on a device: the link's
// worker in slave role answers another master from imitated detectors, each
// request served by the same core call the window makes.
#include <cstdio>
#include <random>
#include <vector>

#include "command_registry.h"
#include "ctl_error.h"
#include "detector_options.h"
#include "imitation/imitation_runner.h"
#include "json.h"
#include "link_options.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/format.h"
#include "worker_run.h"

namespace kvl::ctl {
namespace {

// The addresses a row's "Modbus #" number takes.
constexpr long kMaxSlaveAddress = 247;

void PrintLine(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

std::string DescribeRequest(const ModbusRequest& q, const ImitationOutcome& out, bool json) {
  const bool read = q.function == 3 || q.function == 4;
  std::string answer;
  if (!out.response)
    answer = "silent";
  else if (out.response->function & 0x80)
    answer = Format("exception %u", unsigned(out.response->words.empty() ? 0 : out.response->words[0]));
  else if (read)
    answer = Format("%zu words", out.response->words.size());
  else
    answer = "echo";
  if (json) {
    std::string line = Format("{\"slave\": %u, \"function\": %u, \"first\": %u, \"%s\": %u, \"answer\": %s, \"slot\": %d",
                              unsigned(q.slave), unsigned(q.function), unsigned(q.first), read ? "count" : "value",
                              unsigned(q.countOrValue), JsonString(answer).c_str(), out.slot);
    if (out.response && !(out.response->function & 0x80) && read) line += ", \"words\": " + JsonWords(out.response->words);
    return line + "}";
  }
  return Format("slave=%u function=%u first=%u %s=%u -> %s", unsigned(q.slave), unsigned(q.function),
                unsigned(q.first), read ? "count" : "value", unsigned(q.countOrValue), answer.c_str());
}

int RunImitate(const std::vector<std::string>& args) {
  CArgParser p("imitate", "--port DEV --type T --addr A1,A2,... [options]",
               "Plays imitated detectors on the line as the workstation's \"Imitation\" mode\n"
               "does: the rows' register images are built for the type, the rows of --addr\n"
               "take those addresses and are ticked, and the link's worker in slave role\n"
               "answers every request another master sends them (functions 3, 4 and 6;\n"
               "other functions get exception 1). Requests for other addresses stay\n"
               "unanswered. Prints one line once the line is open, then one line per\n"
               "request received. Runs until Ctrl-C.\n"
               "JSON: {\"slave\": S, \"function\": F, \"first\": A, \"count\"|\"value\": N,\n"
               "\"answer\": \"12 words\"|\"echo\"|\"exception 2\"|\"silent\", \"slot\": ROW}.");
  AddLinkOptions(p);
  p.AddOption("--type", "KVELT|Z|Z40", "detector type of the imitated detectors (Z5 has no imitation)", "", true);
  p.AddOption("--addr", "A1,A2-A3,...", "slave addresses 1..247 the detectors answer, one row each (up to 20)", "",
              true);
  p.AddOption("--seed", "N", "seed of the imitation's random values; 0 picks one", "0");
  p.AddOption("--pause", "MS", "pause text of the line (sets the read time-out above 200 ms)", "0");
  p.AddNote("Ctrl-C stops the worker cleanly (exit status 130). " + LinkOptionsNote());
  if (!p.Parse(args)) return kExitOk;

  const LinkOptions lo = ReadLinkOptions(p);
  const int type = ParseTypeOption(p.Text("--type"));
  if (ModeForType(type, kModeImitation) != kModeImitation)
    throw UsageError("--type: Z5 detectors cannot be imitated (the workstation offers \"Save settings\" instead)");
  std::vector<std::uint8_t> addresses;
  for (long a : p.IntList("--addr", 1, kMaxSlaveAddress, kSlotCount)) addresses.push_back(std::uint8_t(a));
  const long seed = p.Int("--seed", 0, 0xFFFFFFFFL);
  const long pause = p.Int("--pause", 0, 100000);

  CDetectorTable table;
  table.SetType(type);
  table.SetLanguage(kEnglish);
  CImitation imitation(seed ? std::uint32_t(seed) : std::random_device{}());
  // As on screen: the rows' numbers before entering name the images' register
  // 0; entering lists 1..20, then each row takes its address and is ticked.
  table.SetAddressList(addresses);
  const ImitationSwitch sw = imitation.Enter(table, Format("%d", lo.baud));
  for (std::size_t s = 0; s < addresses.size(); ++s) {
    table.SetRowAddress(int(s), addresses[s]);
    imitation.SetTicked(int(s), true);
  }

  CStopSignals signals;
  CReportingLine line(lo, kEnglish, "kvlctl imitate: ");
  CModbusSlave& link = line.link;
  CWorkerRun run(link, line.op, signals, lo, kEnglish);
  run.Start(sw.addressList, "3", Format("%ld", pause), false);

  for (;;) {
    Posted m{};
    if (!run.Next(&m)) {
      std::fputs("kvlctl imitate: stopped\n", stderr);
      return kExitInterrupted;
    }
    if (m.message == WM_USER_PORT_FAIL) run.FailPort();
    if (m.message == WM_USER_PORT_OPEN) {
      std::string list;
      for (std::uint8_t a : addresses) list += Format(list.empty() ? "%u" : ",%u", unsigned(a));
      PrintLine(lo.json ? Format("{\"imitating\": %s, \"type\": %s, \"port\": %s}", JsonString(list).c_str(),
                                 JsonString(DetectorTypeName(type)).c_str(), JsonString(lo.port).c_str())
                        : Format("imitating %s detectors at %s on %s", DetectorTypeName(type), list.c_str(),
                                 lo.port.c_str()));
    }
    if (m.message == WM_USER_REQUEST) {
      const ModbusRequest q = link.LastRequest();
      const ImitationOutcome out = ServeImitationRequest(link, imitation, table);
      PrintLine(DescribeRequest(q, out, lo.json));
    }
  }
}

const CommandRegistrar kImitate{"imitate", "play imitated detectors as Modbus slaves until Ctrl-C", &RunImitate};

}  // namespace
}  // namespace kvl::ctl
