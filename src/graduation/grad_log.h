#pragma once
// The graduation log of a detector: data folder + serial + ".tab", a text
// file that the graduation run and the table calculation append to; only a
// table's report reads its point lines back. This file composes its records
// (Windows-1251, CR LF), appends them and reads the point lines; it never
// decides when a record is due.
#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "detector/detector_kinds.h"
#include "text/language.h"

namespace kvl {

// folder + serial + ".tab".
std::string GradLogPath(const std::string& folder, const std::string& serial);

// The record header the run writes once per detector and run: date, time,
// Modbus address, the eight settings registers and the column captions.
// SER_NUM shows the detector's whole serial number (both words where the
// type keeps 32 bits), so the header names the detector its file is named after.
std::string GradLogRunHeader(int type, int modbusAddress, ImageView image, const std::tm& now);

// The seven point values in the log's order: T, R0, W0, R1, W1, R2, W2.
using GradPointValues = std::array<std::uint16_t, 7>;

// One point line: "G<point>" and the values (signed, or unsigned in a run
// without gas), then the stage temperature as "%+3d°" with "+0°" written
// " 0°"; `lastStage` (stage 8) adds an empty line.
std::string GradLogPointLine(int point, const GradPointValues& values, int stageTemperature, bool withoutGas,
                             bool lastStage);

// The values of `point` as the detector's graduation table holds them.
GradPointValues GradPointFromTable(ImageView image, int point);

// The line the table calculation writes before its text: serial, Modbus
// number, gas name and local date and time, keys in the language, CR LF.
std::string GradLogReportHeader(const std::string& serial, const std::string& modbusNumber,
                                const std::string& gasName, LanguageIndex language, const std::tm& now);

// A point line read back: its point, the seven values, the stage temperature (degC).
struct GradLogPoint {
  int point = 0;
  std::array<int, 7> values{};  // T, R0, W0, R1, W1, R2, W2
  int stageTemperature = 0;
  bool operator==(const GradLogPoint&) const = default;
};
// The point lines of the log's last run (those after its last column
// caption), in order; any other line is passed over.
std::vector<GradLogPoint> LastRunPoints(std::string_view bytes);

// Appends Windows-1251 bytes as one record: all of them or none (a disk that
// fills half-way has the part cut off again), so a record that failed can be
// appended again later without a line twice. 0 or an errno value.
int AppendGradLog(const std::string& path, const std::string& bytes, std::string* error = nullptr);

// A stage temperature formatted with "%+d" reads "+0" at 0 degC; the texts
// and the log write " 0°" instead: every "+0°" of `text` (UTF-8) becomes " 0°".
std::string BlankZeroSign(std::string text);

}  // namespace kvl
