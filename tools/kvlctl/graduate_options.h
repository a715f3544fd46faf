#pragma once
// What kvlctl graduate is told on its command line, read and checked at once:
// the detector line, the chamber's line and profile, the valves' profile
// (and line), the detectors, the run's choices and what to do at its end.
#include <optional>
#include <string>
#include <vector>

#include "arg_parser.h"
#include "chamber/device_line.h"
#include "chamber/profiles.h"
#include "link_options.h"

namespace kvl::ctl {

struct GraduateOptions {
  LinkOptions lo;
  DeviceLineSettings chamberLine;
  ChamberProfile chamber;
  std::optional<ValveProfile> valves;
  DeviceLineSettings valvesLine;  // a module on line 3 of its own (--valves-port)
  int type = 4;
  int mode = 2;  // "Graduation" or "Graduation-Z5"
  LanguageIndex language = kEnglish;
  std::vector<std::uint8_t> devices;
  std::string data;  // ending in '/'
  std::string medium, high;
  int fromStage = 1;
  bool withoutGas = false;
  int stabilizationS = 2100;
  bool resume = false;
  std::vector<int> drop;  // with --resume: addresses the run goes on without
  bool write = false;
  bool acceptOutliers = false;
  std::string report;
  std::string chamberFile;   // the chamber profile's path, for its checksum
  std::string operatorName;  // --operator, else the login name
  bool operatorGiven = false;  // a resumed run keeps its saved operator unless told another
  double progressS = 10;
};

CArgParser GraduateParser();
// "--conc C1 C2" taken as one option's value "C1 C2".
std::vector<std::string> JoinConcentrations(const std::vector<std::string>& args);
// Throws UsageError for anything it cannot take (a profile refused, a missing valve profile).
GraduateOptions ReadGraduateOptions(const CArgParser& p);

}  // namespace kvl::ctl
