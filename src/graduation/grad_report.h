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
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "graduation/calc_coverage.h"
#include "graduation/calc_types.h"
#include "graduation/grad_log.h"
#include "graduation/run_captures.h"
#include "link/write_list.h"

namespace kvl {

// Points a channel's plot shows of its samples at most (evenly decimated).
inline constexpr std::size_t kReportPlotPoints = 3000;

// The first and last data line of a run data file: date (of the header
// block above the line, "dd.mm.yyyy") and time ("hh:mm:ss").
struct FileSpan {
  std::string firstDate, firstTime, lastDate, lastTime;  // "" unknown
  long long seconds = -1;                                // last - first; -1 unknown
};
// Reads the file's head and, backwards, its tail, as far as the dates need.
FileSpan ReadFileSpan(const std::string& path);

struct ReportFile {
  std::string name;
  std::size_t lines = 0;       // data lines read, with those left out
  std::size_t used = 0;        // usable samples judged
  std::size_t gasLeftOut = 0;  // lines recorded while gas flowed, left out
  FileSpan span;
  double tMin = 0, tMax = 0;  // over the file's usable samples
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
  ReportFit all;                          // every sample of every file of the sensor
  std::array<ReportFit, 7> intervals{};   // T[i] <= T <= T[i+1]
  ReportFit below, above;                 // T < T[0], T > T[7]
  std::size_t beyond = 0;                 // samples farther than deltaDmax from the table
  std::vector<std::pair<float, float>> plot;  // (T, value), decimated
  std::vector<std::pair<float, float>> diffPlot;  // (T, difference): decimated, plus every one beyond deltaDmax
};

struct GradReport {
  LanguageIndex language = kEnglish;
  std::tm when{};
  std::string version;
  std::string host, login;  // the station and its operator
  std::string serial, gas;
  int address = -1;
  int type = kTypeZ5;
  int deltaDmax = 100;
  std::vector<ReportFile> files;
  std::string check;       // the sensor's check report ("" when its data are normal)
  std::string tableFile;   // the file whose table is the one written
  GradPoints T{};
  std::vector<ReportChannel> channels;  // empty: nothing was calculated
  std::size_t judged = 0, beyond = 0;   // samples, and those farther than deltaDmax on any channel
  std::size_t gasLeftOut = 0;           // samples recorded while the run fed gas, not judged
  std::string outliers;                 // samples farther than deltaDmax from the table ("" none)
  std::vector<RegisterBlock> blocks;    // the register blocks of the table
  bool writeAsked = false;              // the table was sent to the detector
  std::string notWrittenWhy;            // not sent although meant to be: why
  std::optional<LinkWriteList> written; // the link's outcome, once it came
  std::optional<std::tm> writtenAt;     // when that outcome came
  // A table calculated at an unattended run's end: what the run tells of
  // itself, and the points its graduation log holds for this detector.
  std::optional<RunReportFacts> run;
  std::vector<GradLogPoint> loggedPoints;
};

// Gives the report its run's facts and reads the detector's graduation log
// (run.dataFolder + serial + ".tab") for the points the run captured.
void AttachRunFacts(GradReport& report, const RunReportFacts& run);
// The head's facts of the run (mode, concentrations, profile, stabilisation,
// factors' source), each with its unit; none without a run.
std::vector<std::pair<std::string, std::string>> RunHeadFacts(const GradReport& report);
// The stages' set points and temperatures, and the captured points; "" without a run.
std::string RunSectionsHtml(const GradReport& report);
// A T register as text with its unit: device units and degC for KVELT and
// Z5, degC for Z and Z40 (tenths in the register).
std::string TemperatureText(int type, std::uint16_t word, LanguageIndex language);

// A usable sample of any file of a sensor and its difference from the table on one channel.
struct SampleAt {
  std::size_t segment = 0;  // index into CalcSensor::segments
  std::size_t index = 0;    // index into CalcSensor::samples
  float t = 0, x = 0;
  double diff = 0;
};
// Every usable sample of every file of the sensor, in order.
void ForEachSampleDifference(const CalcSensor& sensor, const SegmentTable& table, int type, int channel,
                             const std::function<void(const SampleAt&)>& visit);

// The report of a calculated sensor (tables as FitSensor gave them). `paths`
// are the files read, for the dates and times of their data lines.
GradReport BuildGradReport(const CalcSensor& sensor, const SensorTables& tables, const CalcSettings& settings,
                           const std::vector<std::string>& paths, const std::tm& now, const std::string& version);

// What became of the table: not written, being written, failed, verified,
// differs, not read back.
enum class ReportWriteState { NotWritten, Pending, Failed, Verified, Differs, NotChecked };
ReportWriteState WriteStateOf(const GradReport& report);
const char* WriteStateText(ReportWriteState state, LanguageIndex language);
// The verdict the report opens with ("table written and verified", "not
// written: no answer from the detector", "calculated only"...).
std::string VerdictText(const GradReport& report);
// Why a write list failed, worded for the operator ("" when it did not).
std::string WriteFailureText(const LinkWriteList& list, LanguageIndex language);
// The largest difference over every channel (-1 when nothing was calculated).
double LargestDifference(const GradReport& report);
// Samples farther than deltaDmax from the table on any channel, and samples judged.
std::size_t SamplesBeyond(const GradReport& report);
std::size_t SamplesJudged(const GradReport& report);

// The whole page.
std::string GradReportHtml(const GradReport& report);
// One channel's plot: <svg> with axes, ticks, samples, the table's lines and points over them.
std::string ReportPlotSvg(const ReportChannel& channel, const GradPoints& T);
// Under it: each sample's difference from the table against T, with the +-deltaDmax band.
std::string ReportDiffSvg(const ReportChannel& channel, const GradPoints& T, int deltaDmax);

// Writes `bytes` to folder + stem + "_<n>.html", n the first free number
// (the file is created exclusively, so two writers never share one). The
// name without its folder, or "" with `error` set.
std::string WriteNewHtmlFile(const std::string& folder, const std::string& stem, const std::string& bytes,
                             std::string* error);

// Escapes &, <, > and " for HTML text and attribute values.
std::string HtmlEscape(const std::string& text);

// The page's head, shared by the report and the summary: title, verdict
// line, facts, and the signature fields a quality engineer fills in.
struct ReportHead {
  std::string title, verdict;
  bool verdictGood = false, verdictBad = false;
  std::vector<std::pair<std::string, std::string>> facts;
};
std::string ReportHeadHtml(const ReportHead& head, LanguageIndex language);
// The HTML document around a body, with the print rules both pages share.
std::string HtmlPage(const std::string& title, LanguageIndex language, const std::string& body,
                     const std::string& meta = "");

}  // namespace kvl
