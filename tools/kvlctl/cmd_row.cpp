// kvlctl row: polls one detector with its type's poll set and prints its table
// row, cell by cell, as the main window shows it.
#include <cstdio>
#include <vector>

#include "command_registry.h"
#include "ctl_error.h"
#include "detector_options.h"
#include "detector/decoding.h"
#include "detector/poll_sets.h"
#include "detector_options.h"
#include "json.h"
#include "link_options.h"
#include "stop_signals.h"
#include "text/format.h"

namespace kvl::ctl {
namespace {

const char* BoxText(RelayTestBox b) {
  switch (b) {
    case RelayTestBox::On: return "on";
    case RelayTestBox::Mixed: return "mixed";
    default: return "off";
  }
}

int RunRow(const std::vector<std::string>& args) {
  CArgParser p("row", "--port DEV --type T --addr A [options]",
               "Polls one detector with the read requests of its type's poll set (as the\n"
               "workstation's poll worker would, one transaction per request) and prints every\n"
               "cell of its table row as the main window shows it: the cell's key and its text,\n"
               "one per line, then the relay test box and the relay and condition pictures.\n"
               "JSON: {\"result\": 0, \"poll_set\": P, \"cells\": {\"serial\": \"...\", ...}, ...}.");
  AddLinkOptions(p);
  p.AddOption("--type", "T", "detector type: KVELT, Z, Z40, Z5 or 0..4", "", true);
  p.AddOption("--addr", "A", "slave address 1..255", "", true);
  p.AddOption("--mode", "M", "operating mode 0..6 or its name; selects the poll set and the cells' rules", "0");
  p.AddOption("--lang", "en|ru", "language of the texts (gas names...)", "en");
  p.AddFlag("--raw", "the raw view: register numbers and hexadecimal words");
  p.AddNote(LinkOptionsNote());
  if (!p.Parse(args)) return kExitOk;

  const LinkOptions lo = ReadLinkOptions(p);
  const int type = ParseTypeOption(p.Text("--type"));
  const int mode = ParseModeOption(p.Text("--mode"));
  const auto addr = static_cast<std::uint8_t>(p.Int("--addr", 1, 255));
  const LanguageIndex language = ParseLanguageOption(p.Text("--lang"));
  const int pollSet = PollSetFor(type, mode);

  CStopSignals signals;
  CModbusSlave link;
  CTraceObserver trace;
  if (lo.trace) link.SetObserver(&trace);
  OpenLine(link, lo);
  RegisterImage image{};
  const PollSetRead read = ReadPollSet(link, addr, pollSet, image, signals);
  link.Close();
  if (read.interrupted || signals.Pending()) return ReportInterrupted("row", language);
  if (read.result != 0) {
    if (lo.json) std::printf("{\"result\": %d, \"poll_set\": %d, \"cells\": {}}\n", read.result, pollSet);
    ReportReadFailure("row", addr, read.failedCount, read.failedFirst, read.result, language);
    return kExitFailed;
  }

  DecodeContext ctx;
  ctx.type = type;
  ctx.mode = mode;
  ctx.language = language;
  ctx.rawView = p.Has("--raw");
  const RowCells row = DecodeRow(image, ctx);

  std::string out;
  if (lo.json) {
    out = Format("{\"result\": 0, \"poll_set\": %d, \"cells\": {", pollSet);
    for (int c = 0; c < kCellCount; ++c) {
      if (c) out += ", ";
      out += JsonString(CellKey(Cell(c))) + ": " + JsonString(row.cells[std::size_t(c)].text);
    }
    out += Format("}, \"relay_test\": \"%s\", \"relay1_image\": %s, \"relay2_image\": %s, \"condition_image\": %s}\n",
                  BoxText(row.relayTest), row.relay1On ? "true" : "false", row.relay2On ? "true" : "false",
                  row.conditionOn ? "true" : "false");
  } else {
    auto line = [&](const char* key, const std::string& text) {
      std::string l = Format("%-16s %s", key, text.c_str());
      while (!l.empty() && l.back() == ' ') l.pop_back();
      out += l + "\n";
    };
    for (int c = 0; c < kCellCount; ++c) line(CellKey(Cell(c)), row.cells[std::size_t(c)].text);
    line("relay_test", BoxText(row.relayTest));
    line("relay1_image", row.relay1On ? "on" : "off");
    line("relay2_image", row.relay2On ? "on" : "off");
    line("condition_image", row.conditionOn ? "on" : "off");
  }
  std::fputs(out.c_str(), stdout);
  return kExitOk;
}

const CommandRegistrar kRow{"row", "poll one detector with its type's poll set and print its decoded table row",
                            &RunRow};

}  // namespace
}  // namespace kvl::ctl
