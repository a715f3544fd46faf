#pragma once
// Run data files as the workstation records them, made up without a bus: the
// recording's own file format (graduation/run_data_format.h) filled from
// texts, and a simulated graduation run behind it, where the housing follows an
// eight-stage chamber sweep with a lag and the channel signals drift with
// temperature the way the simulated detectors' do. For tests and benchmarks of
// the graduation table calculation; the recording itself does not use it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "detector/detector_kinds.h"
#include "sim/sim_detector.h"
#include "text/selector_lists.h"
#include "text/language.h"

namespace kvl {

// The second header line's values.
struct SimRunHeader {
  int type = kTypeZ5;
  LanguageIndex language = kEnglish;
  std::string date = "07.12.2026";  // "%d.%m.%Y"
  std::string serial = "1001";
  std::string gas = "Methane";      // the gas name text as the row shows it
  std::string modbus = "1";
  // Type Z5 in Graduation mode: ", Power=..., KUR=..., KUW=..." (all empty: not written).
  std::string power, kur, kuw;
  int mode = kModeGraduation;       // kModeGraduationZ5: data lines end after the nine values
};

// One data line: "%H:%M:%S" time and the nine value texts.
struct SimRunRow {
  std::string time;
  std::array<std::string, 9> values;
};

// The five header lines (CR LF each), Windows-1251.
std::string SimRunHeaderBlock(const SimRunHeader& h);
// One data line with CR LF.
std::string SimRunLine(const SimRunHeader& h, const SimRunRow& row);
// A header block, then the rows; a new header block (date + 1) where a row's
// time is earlier than the previous one (midnight passed).
std::string SimRunFile(const SimRunHeader& h, const std::vector<SimRunRow>& rows);

struct SimRunSetup {
  int type = kTypeZ5;
  std::size_t lines = 10000;          // data lines, one per second
  double coldC = -60, hotC = 85;      // stage temperatures span
  std::uint64_t seed = 1;
  double startSeconds = 8 * 3600;     // time of day of the first line
  double sensitivity = 1.0;           // scales the temperature drift of the signals
};

// The rows of a simulated eight-stage run (hot to cold, as the graduation
// run steps), one per second. T is in the type's unit: device units for KVELT
// and Z5, tenths of a degree for Z and Z40 ("%.1f").
std::vector<SimRunRow> SimulatedRunRows(const SimRunSetup& setup);

}  // namespace kvl
