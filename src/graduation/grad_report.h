#pragma once
// The graduation report of one sensor: what its table was calculated from,
// how well the table fits those data, what was written into the detector and
// whether the detector holds it. Built from plain data (the calculation's
// sensor and tables, the link's write list) into one self-contained HTML page
// (inline SVG plots, no script, UTF-8) in the interface language, written
// beside the graduation log as <serial>_<n>.html. Never talks to the link and
// never decides whether a table is written.
#include <array>
#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "graduation/calc_types.h"
#include "link/write_list.h"

namespace kvl {

// Points a channel's plot shows of its samples at most (evenly decimated).
inline constexpr std::size_t kReportPlotPoints = 3000;

struct ReportFile {
  std::string name;
  std::size_t lines = 0;
  std::string firstTime, lastTime;  // time tokens of the first and last data line ("" unknown)
  double tMin = 0, tMax = 0;        // over the file's usable samples
  bool valid = true, good = false;
};

struct ReportFit {
  std::size_t count = 0;
  double maxDiff = 0;  // largest |sample - curve|
  double rms = 0;
};

struct ReportChannel {
  std::string name;  // column fitted: "R", "W" or "D"
  GradPoints D{};
  bool lowExtrapolation = false, highExtrapolation = false;
  ReportFit all;
  std::array<ReportFit, 7> intervals{};  // between T[i] and T[i+1] (the ends carried on outward)
  std::vector<std::pair<float, float>> plot;  // (T, value), decimated
};

struct GradReport {
  LanguageIndex language = kEnglish;
  std::tm when{};
  std::string version;
  std::string serial, gas;
  int address = -1;
  int type = kTypeZ5;
  std::vector<ReportFile> files;
  std::string check;       // the sensor's check report ("" when its data are normal)
  std::string tableFile;   // the file whose table is the one written
  GradPoints T{};
  std::vector<ReportChannel> channels;  // empty: nothing was calculated
  std::string outliers;                 // samples farther than deltaDmax from the table ("" none)
  std::vector<RegisterBlock> blocks;    // the register blocks of the table
  bool writeAsked = false;              // the table was sent to the detector
  std::optional<LinkWriteList> written; // the link's outcome, once it came
};

// The report of a calculated sensor (tables as FitSensor gave them). `paths`
// are the files read, for the time spans of their data lines.
GradReport BuildGradReport(const CalcSensor& sensor, const SensorTables& tables, const CalcSettings& settings,
                           const std::vector<std::string>& paths, const std::tm& now, const std::string& version);

// What the write-state line says: not written, being written, failed,
// verified, differs, not read back.
enum class ReportWriteState { NotWritten, Pending, Failed, Verified, Differs, NotChecked };
ReportWriteState WriteStateOf(const GradReport& report);
const char* WriteStateText(ReportWriteState state, LanguageIndex language);
// The largest difference over every channel (-1 when nothing was calculated).
double LargestDifference(const GradReport& report);

// The whole page.
std::string GradReportHtml(const GradReport& report);
// One channel's plot: <svg> with axes, ticks, samples, the table's points and lines.
std::string ReportPlotSvg(const ReportChannel& channel, const GradPoints& T);

// Writes `bytes` to folder + stem + "_<n>.html", n the first free number
// (the file is created exclusively, so two writers never share one). The
// name without its folder, or "" with `error` set.
std::string WriteNewHtmlFile(const std::string& folder, const std::string& stem, const std::string& bytes,
                             std::string* error);

// Escapes &, <, > and " for HTML text and attribute values.
std::string HtmlEscape(const std::string& text);

}  // namespace kvl
