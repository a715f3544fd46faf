// kvlctl valves: the gas valves' relay module, as its profile says: open one
// gas (the others closed first), close all, or tell which is open.
#include <cstdio>
#include <vector>

#include "chamber/valve_module.h"
#include "command_registry.h"
#include "ctl_error.h"
#include "device_line_options.h"
#include "text/format.h"

namespace kvl::ctl {
namespace {

void PrintState(GasValve open, bool json) {
  const std::string out = json ? Format("{\"open\": \"%s\"}\n", GasValveName(open))
                               : Format("open: %s\n", GasValveName(open));
  std::fputs(out.c_str(), stdout);
}

GasValve ParseAction(const std::vector<std::string>& words, bool* change) {
  GasValve valve = GasValve::kClosed;
  *change = true;
  if (words.size() == 1 && words[0] == "close") return valve;
  if (words.size() == 1 && words[0] == "get") return *change = false, valve;
  if (words.size() == 2 && words[0] == "open" && GasValveFromName(words[1], &valve) && valve != GasValve::kClosed)
    return valve;
  throw UsageError("the action is open zero|middle|high, close or get");
}

int RunValves(const std::vector<std::string>& args) {
  CArgParser p("valves", "--port DEV --profile FILE [options] open zero|middle|high | close | get",
               "Switches the gas valves' relay module as its profile (*.valves) says: open one gas\n"
               "(every other output is closed first), close all, or read which one is open. A change\n"
               "is read back; when it fails, all valves are closed.\n"
               "JSON: {\"open\": \"closed\"|\"zero\"|\"middle\"|\"high\"}.\n"
               "Exit status: 0 done, 1 no answer or not confirmed, 2 bad arguments, 3 the device\n"
               "cannot be opened.");
  AddDeviceLineOptions(p, "valve profile (*.valves)", false);
  p.AllowPositionals();
  if (!p.Parse(args)) return kExitOk;
  const DeviceLineSettings line = ReadDeviceLineOptions(p, false);
  ValveProfile profile;
  std::string error;
  if (!LoadValveProfile(p.Text("--profile"), kEnglish, &profile, &error)) throw UsageError(error);
  bool change = false;
  const GasValve want = ParseAction(p.Positionals(), &change);

  CDeviceJournal journal(p);
  CSerialPort port;
  OpenDeviceLine(port, line);
  CValveTalk talk(profile, kEnglish);
  std::string why;
  bool ok = true;
  if (change) {
    ok = talk.Open(port, want, &why);
    journal.Tell("valves", GasValveName(want), ok, why);
    std::string ignored;
    if (!ok && want != GasValve::kClosed && talk.Open(port, GasValve::kClosed, &ignored))
      journal.Tell("valves", "closed", true, "");
  }
  GasValve open = GasValve::kClosed;
  if (ok) ok = talk.Get(port, &open, &why);
  if (ok && change && open != want) {
    ok = false;
    why = Format("the module reports %s open", GasValveName(open));
  }
  port.Close();
  if (!ok) {
    std::fprintf(stderr, "kvlctl valves: %s: %s\n", port.DevicePath().c_str(), why.c_str());
    return kExitFailed;
  }
  PrintState(open, p.Has("--json"));
  return kExitOk;
}

const CommandRegistrar kValves{"valves", "open a gas valve, close all or read them (a *.valves profile)",
                               &RunValves};

}  // namespace
}  // namespace kvl::ctl
