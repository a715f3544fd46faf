#include "graduate_options.h"

#include <algorithm>
#include <cmath>

#include "ctl_error.h"
#include "detector/detector_kinds.h"
#include "detector_options.h"
#include "text/format.h"
#include "platform/host_names.h"
#include "text/number_grammar.h"

namespace kvl::ctl {

CArgParser GraduateParser() {
  CArgParser p("graduate",
               "--port DEV --chamber-port DEV2 --chamber FILE [--valves FILE] --type T --addr LIST --data DIR\n"
               "       --conc C1 C2 [options]",
               "Runs a whole graduation without a window, on the window's own run: sets the chamber to each\n"
               "stage's temperature and opens each step's gas, confirms a step once the chamber is at its set\n"
               "point, every detector is steady by the chamber profile's limits, the stabilization wait has\n"
               "passed (temperature steps) or the gas has flowed long enough (gas steps), and every detector has\n"
               "answered since; records the run data and graduation logs in --data. A step whose chamber,\n"
               "valves or detectors do not answer, or whose set point is not reached in time, holds (one line\n"
               "says why and since when) and goes on by itself when the cause is gone. Prints one line per step\n"
               "change and a progress line while it waits. At the end it closes the valves, parks the chamber,\n"
               "calculates every detector's table from the run's files as calc does and, with --write, writes\n"
               "and verifies them. The run's state is kept in --data at every step: after a crash, a power cut\n"
               "or Ctrl-C, --resume takes it up at the step it stopped.");
  AddLinkOptions(p);
  p.AddOption("--chamber-port", "DEV", "the chamber's serial line (line 2)", "", true);
  p.AddOption("--chamber-baud", "B", "the chamber line's baud rate", "9600");
  p.AddOption("--chamber-line-end", "cr|lf|crlf", "line ending of an ASCII chamber", "cr");
  p.AddOption("--chamber", "FILE", "chamber profile (*.chamber)", "", true);
  p.AddOption("--valves", "FILE", "valve module profile (*.valves); needed unless --without-gas");
  p.AddOption("--valves-port", "DEV", "the valve module's own line, for a profile with line = 3");
  p.AddOption("--type", "T", "detector type: KVELT, Z, Z40, Z5 or 0..4", "", true);
  p.AddOption("--addr", "A1,A2,...", "poll list, Modbus addresses 1..255 in row order (up to 20)", "", true);
  p.AddOption("--data", "DIR", "data folder: run data files, graduation logs, the run's state", "", true);
  p.AddOption("--conc", "C1 C2", "the middle and the high mixture's concentrations (two values)", "", true);
  p.AddOption("--mode", "M",
              "Graduation (its run data files carry what the calculation needs, Power, KUR and KUW of a Z5\n"
              "among them) or Graduation-Z5 (the Z5's own graduation table polled; nothing to calculate from)",
              "Graduation");
  p.AddOption("--from-stage", "N", "start at stage N (1 hottest .. 8 coldest)", "1");
  p.AddFlag("--without-gas", "a run without feeding gas (two steps a stage)");
  p.AddOption("--stabilization", "S", "stabilization wait of each temperature step, seconds", "2100");
  p.AddFlag("--resume",
            "take up the run whose state the data folder keeps; before anything is sent, every detector of\n"
            "the saved run must answer at its address with the serial number it had");
  p.AddOption("--drop", "A1,A2,...",
              "with --resume: go on without these detectors (silent, or another detector at the address);\n"
              "their logs say so and they get no table");
  p.AddFlag("--write", "write and verify every calculated table");
  p.AddFlag("--accept-outliers",
            "for --write: also write a table that samples lie farther than the configuration's deltaDmax from\n"
            "(a run with gas records the valves' switching too); without it such a table is not written");
  p.AddOption("--report", "DIR", "file a graduation report per table and the run's summary in DIR");
  p.AddOption("--lang", "en|ru", "language of the texts and files", "en");
  p.AddOption("--operator", "NAME", "who runs it, for the reports and the run's state (default: the login name)");
  p.AddOption("--progress", "S", "seconds between progress lines while a step waits", "10");
  p.AddNote("Exit status 0 only when every detector's table was calculated (and, with --write, written and\n"
            "read back equal); 1 otherwise; 130 after Ctrl-C or SIGTERM, which stop the run as\n"
            "\"   Stop graduation\" does (valves closed, chamber parked) and keep its state for --resume. " +
            LinkOptionsNote());
  return p;
}

std::vector<std::string> JoinConcentrations(const std::vector<std::string>& args) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    out.push_back(args[i]);
    if (args[i] == "--conc" && i + 2 < args.size()) {
      out.push_back(args[i + 1] + " " + args[i + 2]);
      i += 2;
    }
  }
  return out;
}

namespace {

DeviceLineSettings LineOf(const CArgParser& p, const std::string& portOption) {
  DeviceLineSettings line;
  line.port = p.Text(portOption);
  line.baud = int(p.Int("--chamber-baud", 1200, 115200));
  if (!LineEndingFromText(p.Text("--chamber-line-end"), &line.ending))
    throw UsageError("--chamber-line-end: '" + p.Text("--chamber-line-end") + "' is not cr, lf or crlf");
  return line;
}

void ReadProfiles(const CArgParser& p, GraduateOptions& o) {
  std::string why;
  if (!LoadChamberProfile(p.Text("--chamber"), o.language, &o.chamber, &why)) throw UsageError(why);
  if (p.Has("--valves")) {
    ValveProfile v;
    if (!LoadValveProfile(p.Text("--valves"), o.language, &v, &why)) throw UsageError(why);
    o.valves = v;
    if (v.line == ValveLine::kLine3 && !p.Has("--valves-port"))
      throw UsageError("--valves: the module is on a line of its own; give --valves-port");
    o.valvesLine = LineOf(p, "--chamber-port");
    o.valvesLine.port = p.Text("--valves-port");
  }
  if (!o.withoutGas && !o.valves) throw UsageError("--valves is needed unless --without-gas");
}

}  // namespace

GraduateOptions ReadGraduateOptions(const CArgParser& p) {
  GraduateOptions o;
  o.lo = ReadLinkOptions(p);
  o.language = ParseLanguageOption(p.Text("--lang"));
  o.type = ParseTypeOption(p.Text("--type"));
  o.mode = ParseModeOption(p.Text("--mode"));
  if (o.mode != kModeGraduation && o.mode != kModeGraduationZ5)
    throw UsageError("--mode: a graduation runs in Graduation or Graduation-Z5");
  for (long a : p.IntList("--addr", 1, 255, kSlotCount)) o.devices.push_back(static_cast<std::uint8_t>(a));
  o.data = p.Text("--data");
  if (o.data.back() != '/') o.data += '/';
  const std::string conc = p.Text("--conc");
  const std::size_t blank = conc.find(' ');
  if (blank == std::string::npos) throw UsageError("--conc: give two concentrations, the middle and the high");
  o.medium = conc.substr(0, blank);
  o.high = conc.substr(blank + 1);
  o.fromStage = int(p.Int("--from-stage", 1, 8));
  o.withoutGas = p.Has("--without-gas");
  o.stabilizationS = int(p.Int("--stabilization", 1, 2100));
  o.resume = p.Has("--resume");
  if (p.Has("--drop")) {
    if (!o.resume) throw UsageError("--drop: only a resumed run goes on without a detector (add --resume)");
    for (long a : p.IntList("--drop", 1, 255, kSlotCount)) {
      if (std::find(o.devices.begin(), o.devices.end(), std::uint8_t(a)) == o.devices.end())
        throw UsageError(Format("--drop: address %ld is not in --addr", a));
      o.drop.push_back(int(a));
    }
  }
  o.acceptOutliers = p.Has("--accept-outliers");
  o.write = p.Has("--write");
  o.report = p.Text("--report");
  o.operatorGiven = p.Has("--operator");
  o.operatorName = o.operatorGiven ? p.Text("--operator") : platform::LoginName();
  if (o.operatorGiven && o.operatorName.find_first_not_of(' ') == std::string::npos)
    throw UsageError("--operator: give a name");
  o.chamberFile = p.Text("--chamber");
  double progress = 0;
  if (ParseDecimalToken(p.Text("--progress"), 0.1, 3600, &progress) != TokenVerdict::kGood)
    throw UsageError("--progress: '" + p.Text("--progress") + "' is not a number of seconds from 0.1 to 3600");
  o.progressS = progress;
  o.chamberLine = LineOf(p, "--chamber-port");
  ReadProfiles(p, o);
  return o;
}

}  // namespace kvl::ctl
