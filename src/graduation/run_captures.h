#pragma once
// What a graduation run notes at each confirmation of a step: the stage and
// step, the chamber's set point and measured air temperature as it last
// read them, and every listed detector's own temperature register. The
// report of a table calculated from the run shows them beside the captured
// points; the run's saved state keeps them, so a resumed run still has them.
//
// Beside them, what the report says of the run as a whole (RunReportFacts).
//
// What it owns: the notes and their one-line form in the saved state. What
// it never does: read the chamber or a detector (the run's driver hands the
// readings in), or decide when a step is confirmed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "detector/detector_kinds.h"

namespace kvl {

struct RunCapture {
  int stage = 1;  // 1..8
  int step = 0;   // 0..4, the step confirmed
  std::optional<double> setPointC, chamberC;  // the chamber's last reading, degC
  // By slot of the poll list: the T register (device units for KVELT and
  // Z5, tenths of a degree for Z and Z40), none for an empty slot.
  std::vector<std::optional<std::uint16_t>> detectorT;
  bool operator==(const RunCapture&) const = default;
};

// What the report of a table calculated at the run's end says of the run:
// its choices, its chamber profile, its operator, and what it noted at each
// confirmation. The driver gives the choices; the run the rest.
struct RunReportFacts {
  bool autoMode = true;      // "Auto" (else "Manually")
  int mode = kModeGraduation;  // kModeGraduation or kModeGraduationZ5
  std::string medium, high;  // the concentrations as typed
  std::string chamberProfile;  // its file's name ("" none)
  std::string chamberChecksum;  // "CRC-32 1a2b3c4d" of its file's bytes ("" no file)
  long long stabilizationS = 0;
  std::string operatorName;
  std::string dataFolder;  // where the graduation logs are, ending in '/'
  int type = kTypeZ5;
  std::vector<RunCapture> captures;
  std::vector<std::string> serials;  // by slot of the captures' detector temperatures
  // A Z5's Power, KUR and KUW came from its row (the files of "Graduation-Z5" carry none).
  bool factorsFromRows = false;
};

// "stage step set chamber t0 t1 ...;..." with the temperatures in hundredths
// of a degree and "-" for a reading the run did not have.
std::string ComposeRunCaptures(const std::vector<RunCapture>& captures);
// False for anything but that form (numbers of the number grammar, in range).
bool ParseRunCaptures(std::string_view text, std::vector<RunCapture>* out);

}  // namespace kvl
