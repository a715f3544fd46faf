#pragma once
// What the graduation table calculation works on: the settings it takes from
// the configuration, the sensors found in the selected run data files with
// their samples and file segments, and the fitted tables. Plain data shared by
// the reader, the checks, the fit and the result texts; no behaviour here.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "detector/detector_kinds.h"
#include "graduation/gas_spans.h"
#include "text/selector_lists.h"

namespace kvl {

// Columns of a data line after its time, in file order.
enum CalcQuantity : int { kQLel, kQT, kQD, kQW, kQR, kQDm, kQWo, kQRo, kQPheat };
static_assert(kQuantityCount == 9);

// Data lines read at most over all files of one calculation.
inline constexpr std::size_t kMaxCalcLines = 1000000;
// Temperature points of a graduation table.
inline constexpr int kGradPoints = 8;
// Channels fitted: two for type Z5 ("R" then "W"), one ("D") for the others.
inline constexpr int kMaxCalcChannels = 2;

using GradPoints = std::array<int, kGradPoints>;

struct Z5Factors {
  int power = 0, kur = 0, kuw = 0;
};

// The configuration values the calculation uses.
// A stage a graduation run went through, at its chamber temperature.
struct RunStage {
  int stage = 0;    // 1..8
  int celsius = 0;  // degrees C
  bool operator==(const RunStage&) const = default;
};

struct CalcSettings {
  int type = kTypeZ;
  LanguageIndex language = kRussian;
  std::array<DisplayLimits, kQuantityCount> displayLimits{};
  std::array<CheckRecord, kCheckRecordCount> checkRecords{};
  std::size_t lineCap = kMaxCalcLines;  // data lines read at most (smaller only in tests)
  // Files are parsed in parts of about this many bytes; 0: parts sized from the
  // files and threads (set only in tests).
  std::size_t partBytes = 0;
  // How far a sample may lie from its table: the reports judge the fit by it,
  // and samples farther off are listed and need the operator's word.
  int deltaDmax = 100;
  bool extrapolationCounts = true;  // samples at an extrapolated end count too
  // Only for the files a run has just recorded itself:
  // when it fed gas (those samples are left out: the table is a clean-air curve);
  std::vector<GasSpan> gasSpans;
  // and, for a Z5 run in "Graduation-Z5" mode, whose files carry no Power, KUR
  // and KUW, its detectors' own as their rows showed them, by serial number.
  std::map<std::string, Z5Factors> runFactors;
  // and the stages it went through: a sensor with no clean-air sample at one
  // of them is not calculated (its run lost that stage's data).
  std::vector<RunStage> runStages;
};

inline CalcSettings CalcSettingsFrom(const Configuration& c) {
  CalcSettings s;
  s.type = c.detectorType;
  s.language = c.language;
  s.displayLimits = c.displayLimits;
  s.checkRecords = c.checkRecords;
  s.deltaDmax = c.deltaDmax;
  s.extrapolationCounts = c.extrapolation;
  return s;
}

// One file's contribution to a sensor: samples [begin, end) of its lists.
struct FileSegment {
  std::size_t begin = 0;
  std::size_t end = 0;
  bool valid = true;       // no value of the file left its display limits
  bool good = false;       // valid and its temperatures passed the checks
  std::string file;        // file name without its folder
  std::size_t gasLeftOut = 0;  // its lines recorded while gas flowed, left out (not in begin..end)
};

// One sensor slot (a row of the main table while the calculation runs).
struct CalcSensor {
  std::string serial;      // "Serial #" cell
  std::string modbusText;  // "Modbus #" cell as last read ("?" when out of 0..255)
  int modbusValue = -1;    // last "Modbus_number=" value read, -1 none
  int address = -1;        // 1..255 once a file gave a usable number; 0 when it did not
  int gasPosition = -1;    // position in the type's gas list, -1 none
  std::string gasText;     // gas cell
  // Type Z5: emitter power, KUR and KUW from the headers (none until a file gives them).
  std::optional<int> power, kur, kuw;
  std::array<std::vector<float>, kQuantityCount> samples;
  std::vector<std::int32_t> times;  // each sample's time of day in seconds (-1 unknown)
  std::vector<FileSegment> segments;
  std::string check;       // report collected while reading and checking
  std::size_t gasLeftOut = 0;  // samples recorded while gas flowed, left out before the checks
  // A file or header of the sensor refused (damaged, missing or contradicting
  // keys, no valid gas): the check text says why and nothing is calculated.
  bool refused = false;
  int goodSegments = 0;
  // Value texts of the last 1000th data line (what the row showed while reading).
  std::array<std::string, kQuantityCount> shown;

  std::size_t SampleCount() const { return samples[kQT].size(); }
};

struct CalcRead {
  std::vector<CalcSensor> sensors;  // slots in order (at most kSlotCount)
  std::size_t lines = 0;            // data lines read
  bool lineCapReached = false;      // kMaxCalcLines reached: later lines and files unread
  // Non-empty when the operation ended early ("Too many serial numbers ...").
  std::string abortMessage;
  bool cancelled = false;  // the reading was cancelled: nothing else here is filled
  // Addresses the rows now poll (1..255, slot order, one per slot that gave one).
  std::vector<unsigned> addresses;
  std::vector<std::string> unreadable;  // files that could not be opened
  // Names of the files that gave no sensor any data (empty, unreadable, a
  // folder, no serial number): each is reported as "Data not found in the file".
  std::vector<std::string> noData;
  // Refusals of files that gave no sensor (their serial number is damaged):
  // file, line and why, each shown in the summary.
  std::vector<std::string> refusals;
};

// Fitted table of one segment.
struct SegmentTable {
  std::size_t segment = 0;  // index into CalcSensor::segments
  GradPoints T{};
  int channels = 1;
  std::array<GradPoints, kMaxCalcChannels> D{};
  std::array<bool, kMaxCalcChannels> lowExtrapolation{};
  std::array<bool, kMaxCalcChannels> highExtrapolation{};
  bool operator==(const SegmentTable&) const = default;
};

// Every fitted segment of a sensor; `written` indexes the table that goes to the detector.
struct SensorTables {
  std::vector<SegmentTable> tables;
  int written = -1;  // -1: nothing to write
};

// A block of consecutive holding registers (protocol addresses) to write.
struct RegisterBlock {
  std::uint16_t first = 0;
  std::vector<std::uint16_t> words;
  bool report = false;  // the link shows the outcome of this write
  bool operator==(const RegisterBlock&) const = default;
};

}  // namespace kvl
