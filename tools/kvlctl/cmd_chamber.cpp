// kvlctl chamber: the climate chamber on its line, as its profile says: read
// the temperatures, send a set point, or park it.
#include <cmath>
#include <cstdio>
#include <vector>

#include "chamber/chamber_protocol.h"
#include "command_registry.h"
#include "ctl_error.h"
#include "device_line_options.h"
#include "text/format.h"
#include "text/number_grammar.h"

namespace kvl::ctl {
namespace {

void PrintReading(const ChamberReading& r, const ChamberProfile& profile, bool json) {
  const bool hasSetPoint = !std::isnan(r.setPoint);
  const bool reached = hasSetPoint && profile.Reached(r.measured, r.setPoint);
  std::string out;
  if (json)
    out = Format("{\"measured\": %.2f, \"set_point\": ", r.measured) +
          (hasSetPoint ? Format("%.2f", r.setPoint) : std::string("null")) +
          Format(", \"reached\": %s}\n", reached ? "true" : "false");
  else
    out = Format("measured %.2f", r.measured) + (hasSetPoint ? Format("  set point %.2f", r.setPoint) : "") +
          (reached ? "  reached\n" : "\n");
  std::fputs(out.c_str(), stdout);
}

// The chamber's own word for what it now holds; a set point it does not
// report back is taken as sent only when its command was acknowledged.
int ReadBack(CChamberTalk& talk, CSerialPort& port, double sent, const std::string& device, bool json) {
  const ChamberReading r = talk.Read(port);
  if (!r.answered) {
    std::fprintf(stderr, "kvlctl chamber: set point %.2f sent, but reading it back from %s failed: %s\n", sent,
                 device.c_str(), r.reason.c_str());
    return kExitFailed;
  }
  const ChamberProfile& profile = talk.Profile();
  PrintReading(r, profile, json);
  // Half the last digit the chamber is told: what rounding may take off.
  const double step = profile.protocol == ChamberProtocol::kAscii ? 0.5 * std::pow(10.0, -profile.ascii.setDecimals)
                                                                  : 0.5 / profile.modbus.scale;
  if (!std::isnan(r.setPoint) && std::fabs(r.setPoint - sent) > step) {
    std::fprintf(stderr, "kvlctl chamber: the chamber reports set point %.2f, not %.2f\n", r.setPoint, sent);
    return kExitFailed;
  }
  return kExitOk;
}

int SendSetPoint(CChamberTalk& talk, CSerialPort& port, CDeviceJournal& journal, double celsius, bool park,
                 bool json) {
  std::string why;
  if (!park && talk.HasRunCommand(true)) {
    const bool started = talk.Run(port, true, &why);
    journal.Tell("chamber-start", "", started, why);
    if (!started) {
      std::fprintf(stderr, "kvlctl chamber: start command failed on %s: %s\n", port.DevicePath().c_str(), why.c_str());
      return kExitFailed;
    }
  }
  const bool ok = talk.SetPoint(port, celsius, &why);
  journal.Tell(park ? "chamber-park" : "chamber-set", Format("%.2f", celsius), ok, why);
  if (!ok) {
    std::fprintf(stderr, "kvlctl chamber: set point %.2f not taken on %s: %s\n", celsius, port.DevicePath().c_str(),
                 why.c_str());
    return kExitFailed;
  }
  if (park && talk.HasRunCommand(false)) {
    const bool stopped = talk.Run(port, false, &why);
    journal.Tell("chamber-stop", "", stopped, why);
    if (!stopped) {
      std::fprintf(stderr, "kvlctl chamber: stop command failed on %s: %s\n", port.DevicePath().c_str(), why.c_str());
      return kExitFailed;
    }
  }
  return ReadBack(talk, port, celsius, port.DevicePath(), json);
}

// The action words: get | set T | park. Throws UsageError for anything else.
double ParseAction(const std::vector<std::string>& words, const ChamberProfile& profile, std::string* action) {
  if (words.empty()) throw UsageError("give an action: get, set T or park");
  *action = words[0];
  if ((*action == "get" || *action == "park") && words.size() == 1) return profile.parkC;
  if (*action != "set" || words.size() != 2) throw UsageError("the action is get, set T or park");
  double celsius = 0;
  if (ParseDecimalToken(words[1], -1000, 1000, &celsius) != TokenVerdict::kGood)
    throw UsageError("set: '" + words[1] + "' is not a temperature");
  if (!profile.InRange(celsius))
    throw UsageError(Format("set: %s is outside the profile's range %g..%g", words[1].c_str(), profile.setPointMin,
                            profile.setPointMax));
  return celsius;
}

int RunChamber(const std::vector<std::string>& args) {
  CArgParser p("chamber", "--port DEV --profile FILE [options] get | set T | park",
               "Talks to the climate chamber as its profile (*.chamber) says.\n"
               "  get    prints the measured temperature and the set point\n"
               "  set T  sends the start command (if the profile has one) and set point T, then\n"
               "         reads back and prints the temperatures\n"
               "  park   sends the profile's park temperature and its stop command (if any)\n"
               "JSON: {\"measured\": M, \"set_point\": S, \"reached\": B} (set_point null when the\n"
               "chamber does not report it).\n"
               "Exit status: 0 done, 1 no answer, a reply that is no number, or a set point not taken,\n"
               "2 bad arguments (a set point outside the profile's range, a refused profile),\n"
               "3 the device cannot be opened.");
  AddDeviceLineOptions(p, "chamber profile (*.chamber)", true);
  p.AllowPositionals();
  if (!p.Parse(args)) return kExitOk;
  const DeviceLineSettings line = ReadDeviceLineOptions(p, true);
  ChamberProfile profile;
  std::string error;
  if (!LoadChamberProfile(p.Text("--profile"), kEnglish, &profile, &error)) throw UsageError(error);
  std::string action;
  const double celsius = ParseAction(p.Positionals(), profile, &action);

  CDeviceJournal journal(p);
  CSerialPort port;
  OpenDeviceLine(port, line);
  CChamberTalk talk(profile, line.ending, kEnglish);
  const bool json = p.Has("--json");
  int rc = kExitOk;
  if (action == "get") {
    const ChamberReading r = talk.Read(port);
    if (r.answered)
      PrintReading(r, profile, json);
    else
      std::fprintf(stderr, "kvlctl chamber: %s: %s\n", port.DevicePath().c_str(), r.reason.c_str());
    rc = r.answered ? kExitOk : kExitFailed;
  } else {
    rc = SendSetPoint(talk, port, journal, celsius, action == "park", json);
  }
  port.Close();
  return rc;
}

const CommandRegistrar kChamber{"chamber", "read the climate chamber, set or park it (a *.chamber profile)",
                                &RunChamber};

}  // namespace
}  // namespace kvl::ctl
