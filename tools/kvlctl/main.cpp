// kvlctl: talks to the detectors on an RS-485 bus from the command line with
// the workstation's own link (same frames, turn-around timing, retries and
// write reports). The subcommands register themselves (command_registry.h).
#include <cstdio>
#include <string>
#include <vector>

#include "command_registry.h"
#include "ctl_error.h"
#include "link_options.h"

namespace {

using kvl::ctl::CommandInfo;

std::string GlobalHelp() {
  std::string h =
      "Usage: kvlctl <command> [options]\n"
      "       kvlctl <command> --help\n"
      "       kvlctl --help\n"
      "\n"
      "Talks to KVELT detectors on an RS-485 Modbus RTU bus through a serial device.\n"
      "\n"
      "Commands:\n";
  for (const CommandInfo& c : kvl::ctl::Commands()) {
    std::string line = "  " + c.name;
    line.append(line.size() < 10 ? 10 - line.size() : 1, ' ');
    h += line + c.summary + "\n";
  }
  h +=
      "\n"
      "Options every command takes:\n"
      "  --port DEV    serial device: a path (/dev/ttyUSB0), a name in /dev (ttyUSB0),\n"
      "                COMn or n (both /dev/ttyS(n-1))\n"
      "  --baud BAUD   1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200 (default 9600)\n"
      "  --trace       print every frame sent and received to stderr\n"
      "  --json        print results as JSON on stdout\n"
      "  --help        help of the command\n"
      "\n" +
      kvl::ctl::LinkOptionsNote() + "\n";
  return h;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "kvlctl: %s\nTry 'kvlctl --help'.\n", message.c_str());
  return kvl::ctl::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("no command given");
  const std::string name = args.front();
  if (name == "--help" || name == "-h" || name == "help") {
    if (args.size() > 1 && name == "help") {
      if (!kvl::ctl::FindCommand(args[1])) return Usage("unknown command '" + args[1] + "'");
      args = {args[1], "--help"};
    } else {
      std::fputs(GlobalHelp().c_str(), stdout);
      return kvl::ctl::kExitOk;
    }
  }
  const CommandInfo* command = kvl::ctl::FindCommand(args.front());
  if (!command) {
    if (!args.front().empty() && args.front()[0] == '-') return Usage("expected a command before '" + args.front() + "'");
    return Usage("unknown command '" + args.front() + "'");
  }
  args.erase(args.begin());
  try {
    return command->run(args);
  } catch (const kvl::ctl::CtlError& e) {
    std::fprintf(stderr, "kvlctl %s: %s\nTry 'kvlctl %s --help'.\n", command->name.c_str(), e.what(),
                 command->name.c_str());
    return e.ExitCode();
  }
}
