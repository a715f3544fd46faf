// kvlctl read: one read transaction, the words printed by protocol address.
#include <cstdio>
#include <vector>

#include "command_registry.h"
#include "console_operator.h"
#include "ctl_error.h"
#include "json.h"
#include "link_options.h"
#include "stop_signals.h"
#include "text/format.h"

namespace kvl::ctl {
namespace {

int RunRead(const std::vector<std::string>& args) {
  CArgParser p("read", "--port DEV --addr A --first F --count N [options]",
               "Reads N registers from F on (one read request, no retry) and prints them, one per\n"
               "line: protocol address (as in the register tables; the operator's register\n"
               "number is one more), value in decimal and in hex.\n"
               "JSON: {\"result\": R, \"first\": F, \"words\": [...]}; R is the read result:\n"
               "0 valid answer, 1 no answer, 2 short answer or read failed, 3 CRC wrong,\n"
               "4 address, function or byte count wrong.");
  AddLinkOptions(p);
  p.AddOption("--addr", "A", "slave address 0..255 (any a detector can hold)", "", true);
  p.AddOption("--first", "F", "first register, protocol address 0..65535", "", true);
  p.AddOption("--count", "N", "number of registers 1..125", "", true);
  p.AddOption("--function", "3|4", "3 holding registers, 4 input registers", "3");
  p.AddNote(LinkOptionsNote());
  if (!p.Parse(args)) return kExitOk;

  const LinkOptions lo = ReadLinkOptions(p);
  const auto addr = static_cast<std::uint8_t>(p.Int("--addr", 0, 255));
  const auto first = static_cast<std::uint16_t>(p.Int("--first", 0, 65535));
  const auto count = static_cast<std::uint8_t>(p.Int("--count", 1, kMaxReadCount));
  const long function = p.Int("--function", 3, 4);
  if (first + count - 1 > 65535) throw UsageError(Format("--first %u with --count %u runs past register 65535", first, count));

  CStopSignals signals;
  CModbusSlave link;
  CTraceObserver trace;
  // A read reports nothing itself; the line's notices (an echo) are printed.
  CConsoleOperator op("kvlctl read: ");
  link.SetOperator(&op);
  if (lo.trace) link.SetObserver(&trace);
  OpenLine(link, lo);
  link.SetReadFunction(static_cast<std::uint8_t>(function));
  std::vector<std::uint16_t> words(count);
  const int result = RunInterruptible(
      link, signals, [&] { return link.ReadRegisters(addr, static_cast<std::uint8_t>(function), first, count, words.data()); });
  link.Close();
  const bool interrupted = signals.Pending();
  if (result != 0) words.clear();

  if (lo.json) {
    const std::string out = Format("{\"result\": %d, \"first\": %u, \"words\": ", result, static_cast<unsigned>(first)) +
                            JsonWords(words) + "}\n";
    std::fputs(out.c_str(), stdout);
  } else {
    for (std::size_t k = 0; k < words.size(); ++k) {
      const std::string line = Format("%u: %u 0x%04X\n", static_cast<unsigned>(first + k), static_cast<unsigned>(words[k]),
                                      static_cast<unsigned>(words[k]));
      std::fputs(line.c_str(), stdout);
    }
  }
  if (interrupted) return ReportInterrupted("read");
  if (result != 0) {
    std::fprintf(stderr, "kvlctl read: slave %u: %s (result %d)\n", static_cast<unsigned>(addr), ReadResultText(result),
                 result);
    return kExitFailed;
  }
  return kExitOk;
}

const CommandRegistrar kRead{"read", "read registers of one detector (function 3 or 4)", &RunRead};

}  // namespace
}  // namespace kvl::ctl
