// kvlctl calc: the graduation table calculation without the window. Reads run
// data files with the configuration's display limits and check records,
// prints the summary, then each calculable sensor's result text and register
// blocks; --write sends the blocks to the detectors as the window does after
// the operator's OK.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <set>
#include <vector>

#include "calc_command.h"
#include "command_registry.h"
#include "console_operator.h"
#include "ctl_error.h"
#include "detector_options.h"
#include "graduation/calc_async.h"
#include "graduation/calc_checks.h"
#include "graduation/calc_coverage.h"
#include "graduation/calc_result.h"
#include "graduation/grad_file_reader.h"
#include "graduation/grad_report_batch.h"
#include "json.h"
#include "link_options.h"
#include "platform/clock.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/format.h"
#include "text/ctl_texts.h"
#include "text/link_texts.h"
#include "text/report_texts.h"

namespace kvl::ctl {
namespace {

const char* IconName(SummaryIcon icon) {
  switch (icon) {
    case SummaryIcon::Exclamation: return "exclamation";
    case SummaryIcon::Information: return "information";
    default: return "none";
  }
}

std::string JsonInts(const GradPoints& v) {
  std::string s = "[";
  for (std::size_t i = 0; i < v.size(); ++i) s += (i ? ", " : "") + Format("%d", v[i]);
  return s + "]";
}

// The file arguments are the ones that are neither options nor option values.
void SplitArguments(const std::vector<std::string>& args, std::vector<std::string>* options,
                    std::vector<std::string>* files) {
  static const std::set<std::string> kWithValue = {
      "--type", "--config", "--lang", "--port", "--baud", "--report", "--journal", "--leave-out", "--stages"};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() >= 2 && a.compare(0, 2, "--") == 0) {
      options->push_back(a);
      if (kWithValue.count(a) && i + 1 < args.size()) options->push_back(args[++i]);
    } else {
      files->push_back(a);
    }
  }
}

CArgParser CalcParser() {
  CArgParser p("calc",
               "FILE... [--type T] [--config KvlGrad.cfg] [--lang en|ru] [--json] [--report DIR] [--write --port DEV]",
               "Calculates graduation tables from run data files as the \"Read from file\" button does:\n"
               "reads the files (in name order), checks every file against the display limits and\n"
               "the graduation check records, prints the summary, then for every sensor with a good\n"
               "file its result text and the register blocks of its table. Without --config the\n"
               "defaults of a fresh installation apply.\n"
               "JSON: {\"summary\": \"...\", \"icon\": \"...\", \"sensors\": [{\"serial\": \"...\", \"modbus\": N,\n"
               "\"check\": \"...\", \"calculated\": true, \"segments\": [{\"file\": \"...\", \"valid\": true, \"good\": true,\n"
               "\"T\": [...], \"D\": [[...]]}], \"text\": \"...\", \"blocks\": [{\"register\": N, \"words\": [...]}],\n"
               "\"report_file\": \"...\"}], \"summary_file\": \"...\"} (the files with --report); kvlctl graduate's\n"
               "calculation adds \"run\": {\"valve_mode\", \"mode\", \"medium_vol_percent\", \"high_vol_percent\",\n"
               "\"chamber_profile\", \"chamber_profile_checksum\", \"stabilization_s\", \"operator\", \"confirmations\",\n"
               "\"factors_from\"}.");
  p.AddOption("--type", "T", "detector type: KVELT, Z, Z40, Z5 or 0..4 (default: the configuration's)");
  p.AddOption("--config", "FILE", "configuration file whose limits and check records apply");
  p.AddOption("--lang", "en|ru", "language of the texts", "en");
  p.AddFlag("--json", "print the result as JSON on stdout");
  p.AddFlag("--write", "write each calculated table into its detector (needs --port)");
  p.AddFlag("--accept-outliers",
            "for --write: also write a table that samples lie farther than the configuration's deltaDmax from\n"
            "(listed in the output); without it such a sensor is not written and the exit status is 1");
  p.AddOption("--port", "DEV", "serial device for --write: a path, ttyUSB0, COM3 or 3 (= /dev/ttyS2)");
  p.AddOption("--baud", "BAUD", "baud rate for --write", "9600");
  p.AddFlag("--echo", "for --write: the adapter sends back every byte it transmits (two-wire RS-485)");
  p.AddFlag("--trace", "print every frame of --write to stderr");
  p.AddOption("--leave-out", "SPANS",
              "samples recorded while gas flowed, left out of the fit, its checks and its statistics (the table\n"
              "is a clean-air curve): \"dd.mm.yyyy hh:mm:ss..dd.mm.yyyy hh:mm:ss\" spans separated by ';'");
  p.AddOption("--stages", "STAGES",
              "the stages the files' run went through, as STAGE:CELSIUS separated by ',' (\"1:85,2:65\"): a\n"
              "sensor without a clean-air sample at one of them is not calculated");
  p.AddOption("--report", "DIR",
              "write a graduation report per calculated sensor (DIR/<serial>_<n>.html, with the write's read-back\n"
              "under --write) and the run's summary (DIR/graduation_<date>_<n>.html)");
  AddJournalOption(p);
  p.AddNote("Exit status 1 when no table was calculated (the summary says why), a write failed or a report\n"
            "could not be written.");
  return p;
}

// The configuration's limits and check records (a fresh installation's
// without --config), the type and the language.
CalcSettings SettingsOf(const CArgParser& p, LanguageIndex language) {
  ConfigurationContext context;
  context.programFolder = "./";
  Configuration cfg = DefaultConfiguration(context);
  const bool haveConfig = p.Has("--config");
  std::vector<ConfigReplacement> replaced;
  if (haveConfig && LoadConfiguration(p.Text("--config"), context, cfg, &replaced) != 0)
    throw UsageError("--config: cannot read '" + p.Text("--config") + "'");
  if (!replaced.empty()) Complain("calc", ConfigReplacementsText(replaced, language));
  int type = cfg.detectorType;
  if (p.Has("--type")) {
    type = DetectorTypeFromName(p.Text("--type"));
    if (type < 0) throw UsageError("--type: '" + p.Text("--type") + "' is not KVELT, Z, Z40, Z5 or 0..4");
  }
  CalcSettings settings = CalcSettingsFrom(cfg);
  settings.type = type;
  settings.language = language;
  if (p.Has("--leave-out")) {
    std::string bad;
    if (!ParseGasSpans(p.Text("--leave-out"), &settings.gasSpans, &bad))
      throw UsageError("--leave-out: '" + bad + "' is no \"dd.mm.yyyy hh:mm:ss..dd.mm.yyyy hh:mm:ss\" span");
  }
  if (p.Has("--stages")) {
    std::string bad;
    if (!ParseRunStages(p.Text("--stages"), &settings.runStages, &bad))
      throw UsageError("--stages: '" + bad + "' is no STAGE:CELSIUS (stage 1..8)");
  }
  // A fresh installation's limits are those of the type calculated.
  if (!haveConfig)
    for (int q = 0; q < kQuantityCount; ++q) settings.displayLimits[std::size_t(q)] = DefaultDisplayLimits(type, q);
  return settings;
}

// What every step after the fits works from.
struct CalcRun {
  const std::vector<std::string>& files;
  const CalcRead& read;
  const CalcSettings& settings;
  const CalcSummary& summary;
  CCalcFits& fits;
  std::tm now;
  const RunReportFacts* runFacts = nullptr;  // the tables are a completed run's
};

// What the run made of the tables, one entry per sensor of the files.
struct CalcOutcome {
  struct Written {
    int result = -1;  // -1 not written
    std::string report;
    bool heldForOutliers = false;  // --write without --accept-outliers, and outliers were found
  };
  std::vector<Written> written;
  // The reports of the calculated sensors, filed once their write (if any) has run.
  std::vector<std::optional<GradReport>> reports;
  std::vector<std::string> reportNames;
  std::string reportFolder;  // empty without --report, else ending in '/'
  std::string summaryName, reportError;
  bool journalFailed = false;
};

void BuildReports(CalcRun& run, CalcOutcome& outcome) {
  for (int slot : run.summary.calculable) {
    const SensorTables& t = run.fits.Take(slot);
    if (t.written < 0) continue;
    std::optional<GradReport>& report = outcome.reports[std::size_t(slot)];
    report = BuildGradReport(run.read.sensors[std::size_t(slot)], t, run.settings, run.files, run.now, KVL_VERSION_TEXT);
    if (run.runFacts) AttachRunFacts(*report, *run.runFacts);
  }
}

// The addresses the files name: where a table's detector is looked for when
// another answers at its own address.
std::vector<std::uint8_t> SensorAddresses(const CalcRead& read) {
  std::vector<std::uint8_t> addresses;
  for (const CalcSensor& s : read.sensors)
    if (s.address >= 1 && s.address <= 255) addresses.push_back(std::uint8_t(s.address));
  return addresses;
}

// One sensor's table into its detector, as one write list; the link's report.
CalcOutcome::Written WriteTable(CReportingLine& line, CalcRun& run, int slot,
                                std::optional<GradReport>& report) {
  const CalcSensor& s = run.read.sensors[std::size_t(slot)];
  const SensorTables& t = run.fits.Take(slot);
  const SegmentTable& table = t.tables[std::size_t(t.written)];
  const std::string file = table.segment < s.segments.size() ? s.segments[table.segment].file : std::string();
  const std::optional<std::uint32_t> serial = SensorSerialNumber(s);
  if (s.address < 1 || s.address > 255 || !serial) {
    if (report) report->notWrittenWhy = txt::kReportWhyAddress(run.settings.language);
    return {1, Format(txt::kIdentityNoAddress(run.settings.language), file.c_str(), s.serial.c_str())};
  }
  CModbusSlave& link = line.link;
  const std::vector<RegisterBlock> blocks = RegisterBlocks(s, table, run.settings.type);
  const std::size_t before = line.op.Shown().size();
  link.BeginBatch(int(blocks.size()));
  WriteOrigin origin{
      "kvlctl calc", file, {}, {}, FileIdentity(run.settings.type, file, serial, SensorAddresses(run.read))};
  if (report) {
    report->writeAsked = true;
    origin.done = [&report](const LinkWriteList& list) {
      report->written = list;
      report->writtenAt = platform::LocalTime(std::time(nullptr));
    };
  }
  link.BeginWriteList(std::move(origin));
  int result = 0;
  for (const RegisterBlock& b : blocks)
    result |= link.WriteRegisters(std::uint8_t(s.address), b.first, b.words, b.report, true);
  link.EndWriteList();
  const std::vector<std::string> shown = line.op.Shown();
  std::string text;
  for (std::size_t i = before; i < shown.size(); ++i) text += (text.empty() ? "" : "\n") + shown[i];
  return {result, text};
}

// --write: each calculated table into its detector, one write list per sensor.
// A journal line that could not be appended fails the run (journalFailed).
void WriteTables(const CArgParser& p, CalcRun& run, CalcOutcome& outcome) {
  const LinkOptions lo = ReadLinkOptions(p);
  CStopSignals signals;
  CReportingLine line(lo, run.settings.language);
  OpenLine(line.link, lo);
  for (int slot : run.summary.calculable) {
    if (run.fits.Take(slot).written < 0) continue;
    std::optional<GradReport>& report = outcome.reports[std::size_t(slot)];
    if (signals.Pending()) {
      if (report) report->notWrittenWhy = txt::kReportWhyStopped(run.settings.language);
      continue;
    }
    {
      const SensorTables& t = run.fits.Take(slot);
      if (!p.Has("--accept-outliers") &&
          !FindOutliers(run.read.sensors[std::size_t(slot)], t.tables[std::size_t(t.written)], run.settings).empty()) {
        outcome.written[std::size_t(slot)].heldForOutliers = true;
        continue;
      }
    }
    outcome.written[std::size_t(slot)] = WriteTable(line, run, slot, report);
  }
  line.link.Close();
  outcome.journalFailed = line.Status(kExitOk) != kExitOk;
}

// The reports and the summary: every sensor of the files has its line.
void FileReports(const CalcRun& run, CalcOutcome& outcome) {
  CReportBatch batch(outcome.reportFolder, run.settings.language, run.now, KVL_VERSION_TEXT);
  for (std::size_t k = 0; k < run.read.sensors.size(); ++k) {
    const CalcSensor& s = run.read.sensors[k];
    BatchRow row;
    row.serial = s.serial;
    row.address = s.address;
    row.calculated = outcome.reports[k].has_value();
    for (char c : s.check) row.reason += c == '\r' ? ' ' : c == '\n' ? ' ' : c;
    const std::size_t index = batch.Add(std::move(row));
    if (outcome.reports[k]) outcome.reportNames[k] = batch.FileReport(index, *outcome.reports[k]);
  }
  if (batch.WriteSummary()) outcome.summaryName = batch.SummaryName();
  outcome.reportError = batch.LastError();
  if (!outcome.reportError.empty()) Complain("calc", outcome.reportError);
}

std::string SegmentsJson(const CalcSensor& s, const SensorTables& t) {
  std::string out = "[";
  for (std::size_t g = 0; g < s.segments.size(); ++g) {
    const FileSegment& seg = s.segments[g];
    const SegmentTable* table = nullptr;
    for (const SegmentTable& st : t.tables)
      if (st.segment == g) table = &st;
    if (g) out += ", ";
    out += "{\"file\": " + JsonString(seg.file) + ", \"valid\": " + (seg.valid ? "true" : "false") +
           ", \"good\": " + (seg.good ? "true" : "false") + Format(", \"samples\": %zu", seg.end - seg.begin);
    out += ", \"T\": " + (table ? JsonInts(table->T) : std::string("[]")) + ", \"D\": [";
    for (int c = 0; table && c < table->channels; ++c)
      out += (c ? ", " : "") + JsonInts(table->D[std::size_t(c)]);
    out += "]";
    if (table && t.written >= 0 && &t.tables[std::size_t(t.written)] == table) out += ", \"written\": true";
    out += "}";
  }
  return out + "]";
}

std::string SensorJson(CalcRun& run, const CalcOutcome& outcome, std::size_t k) {
  const CalcSensor& s = run.read.sensors[k];
  const std::vector<int>& calculable = run.summary.calculable;
  const bool calculated = std::find(calculable.begin(), calculable.end(), int(k)) != calculable.end();
  const SensorTables& t = run.fits.Take(int(k));
  std::string out = "{\"serial\": " + JsonString(s.serial) + Format(", \"modbus\": %d", s.address) +
                    ", \"gas\": " + JsonString(s.gasText) + ", \"check\": " + JsonString(s.check) +
                    ", \"calculated\": " + (calculated ? "true" : "false") +
                    ", \"segments\": " + SegmentsJson(s, t);
  if (calculated) {
    out += ", \"text\": " + JsonString(ResultText(s, t, run.settings.type, run.settings.language)) +
           ", \"blocks\": [";
    if (t.written >= 0) {
      const std::vector<RegisterBlock> blocks =
          RegisterBlocks(s, t.tables[std::size_t(t.written)], run.settings.type);
      for (std::size_t b = 0; b < blocks.size(); ++b)
        out += (b ? ", " : "") + Format("{\"register\": %u, \"words\": ", unsigned(blocks[b].first)) +
               JsonWords(blocks[b].words) + "}";
    }
    out += "]";
    const std::vector<Outlier> outliers =
        t.written >= 0 ? FindOutliers(s, t.tables[std::size_t(t.written)], run.settings) : std::vector<Outlier>();
    out += Format(", \"outliers\": %zu", outliers.size());
    if (!outliers.empty()) out += ", \"outliers_text\": " + JsonString(OutliersText(outliers, run.settings));
  }
  if (outcome.written[k].result >= 0)
    out += Format(", \"write_result\": %d, \"report\": ", outcome.written[k].result) +
           JsonString(outcome.written[k].report);
  if (!outcome.reportNames[k].empty())
    out += ", \"report_file\": " + JsonString(outcome.reportFolder + outcome.reportNames[k]);
  return out + "}";
}

// The run the files are of, as the reports' heads tell it.
std::string RunJson(const RunReportFacts& f) {
  return ", \"run\": {\"valve_mode\": " + JsonString(f.autoMode ? "Auto" : "Manually") +
         ", \"mode\": " + JsonString(f.mode == kModeGraduationZ5 ? "Graduation-Z5" : "Graduation") +
         ", \"medium_vol_percent\": " + JsonString(f.medium) + ", \"high_vol_percent\": " + JsonString(f.high) +
         ", \"chamber_profile\": " + JsonString(f.chamberProfile) +
         ", \"chamber_profile_checksum\": " + JsonString(f.chamberChecksum) +
         Format(", \"stabilization_s\": %lld", f.stabilizationS) + ", \"operator\": " + JsonString(f.operatorName) +
         Format(", \"confirmations\": %zu", f.captures.size()) +
         ", \"factors_from\": " + JsonString(f.type != kTypeZ5 ? "" : f.factorsFromRows ? "row" : "file") + "}";
}

std::string RunText(const GradReport& report) {
  std::string out;
  for (const auto& [key, value] : RunHeadFacts(report)) out += key + ": " + value + "\n";
  if (report.run) out += std::string(txt::kReportOperator(report.language)) + ": " + report.run->operatorName + "\n";
  return out;
}

std::string CalcJson(CalcRun& run, const CalcOutcome& outcome) {
  std::string out = "{\"summary\": " + JsonString(run.summary.text) + ", \"icon\": \"" +
                    IconName(run.summary.icon) + "\"" + (run.runFacts ? RunJson(*run.runFacts) : std::string()) +
                    Format(", \"lines\": %zu, \"line_cap_reached\": %s", run.read.lines,
                           run.read.lineCapReached ? "true" : "false") +
                    ", \"sensors\": [";
  for (std::size_t k = 0; k < run.read.sensors.size(); ++k)
    out += (k ? ", " : "") + SensorJson(run, outcome, k);
  out += "]";
  if (!outcome.summaryName.empty())
    out += ", \"summary_file\": " + JsonString(outcome.reportFolder + outcome.summaryName);
  return out + "}\n";
}

std::string CalcText(CalcRun& run, const CalcOutcome& outcome) {
  std::string out = run.summary.text;
  if (!out.empty() && out.back() != '\n') out += '\n';
  const LanguageIndex l = run.settings.language;
  if (run.read.lineCapReached) out += Format(txt::kCtlReadingStopped(l), run.read.lines) + "\n";
  if (run.runFacts) {
    GradReport head;
    head.language = l;
    head.type = run.settings.type;
    head.run = *run.runFacts;
    out += "\n" + RunText(head);
  }
  for (int slot : run.summary.calculable) {
    const CalcSensor& s = run.read.sensors[std::size_t(slot)];
    const SensorTables& t = run.fits.Take(slot);
    out += "\n" + ResultText(s, t, run.settings.type, run.settings.language);
    if (t.written >= 0) {
      const std::vector<Outlier> outliers = FindOutliers(s, t.tables[std::size_t(t.written)], run.settings);
      if (!outliers.empty()) out += OutliersText(outliers, run.settings) + "\n";
      for (const RegisterBlock& b : RegisterBlocks(s, t.tables[std::size_t(t.written)], run.settings.type)) {
        out += Format(txt::kCtlRegister(l), unsigned(b.first));
        for (std::uint16_t w : b.words) out += Format(" %u", unsigned(w));
        out += "\n";
      }
    }
    if (outcome.written[std::size_t(slot)].result >= 0)
      out += Format(txt::kCtlWrittenTo(l), s.address, outcome.written[std::size_t(slot)].report.c_str()) + "\n";
  }
  for (std::size_t k = 0; k < outcome.reportNames.size(); ++k)
    if (!outcome.reportNames[k].empty())
      out += Format(txt::kCtlReportFile(l), run.read.sensors[k].serial.c_str(),
                    (outcome.reportFolder + outcome.reportNames[k]).c_str()) +
             "\n";
  if (!outcome.summaryName.empty())
    out += Format(txt::kCtlSummaryFile(l), (outcome.reportFolder + outcome.summaryName).c_str()) + "\n";
  return out;
}

// The texts carry the reports' own "\r\n"; a terminal wants "\n".
void PrintForTerminal(const std::string& out) {
  std::string clean;
  clean.reserve(out.size());
  for (std::size_t i = 0; i < out.size(); ++i)
    if (!(out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n')) clean += out[i];
  std::fputs(clean.c_str(), stdout);
}

int CalcExitStatus(CalcRun& run, const CalcOutcome& outcome) {
  bool held = false;
  for (std::size_t k = 0; k < outcome.written.size(); ++k) {
    if (!outcome.written[k].heldForOutliers) continue;
    Complain("calc", Format(txt::kCtlHeldFar(run.settings.language), run.read.sensors[k].serial.c_str(),
                            int(run.settings.deltaDmax)));
    held = true;
  }
  if (held) return kExitFailed;
  for (const CalcOutcome::Written& w : outcome.written)
    if (w.result > 0) return kExitFailed;
  // A report or journal line asked for and not written is a failure, like a failed write.
  if (!outcome.reportError.empty() || outcome.journalFailed) return kExitFailed;
  bool calculated = false;
  for (int slot : run.summary.calculable) calculated = calculated || !run.fits.Take(slot).tables.empty();
  if (!calculated) {
    std::fflush(stdout);  // the why first, then the verdict
    Complain("calc", txt::kCtlNoTable(run.settings.language));
    return kExitFailed;
  }
  return kExitOk;
}

// Every sensor of the files has its table (and, with --write, written and read back equal).
bool EveryTable(CalcRun& run, const CalcOutcome& outcome, bool write) {
  for (std::size_t k = 0; k < run.read.sensors.size(); ++k) {
    const std::vector<int>& c = run.summary.calculable;
    if (std::find(c.begin(), c.end(), int(k)) == c.end() || run.fits.Take(int(k)).written < 0) return false;
    if (write && outcome.written[k].result != 0) return false;
  }
  return !run.read.sensors.empty();
}

int CalcWith(const CArgParser& p, const std::vector<std::string>& files, bool* everyTable,
             const std::map<std::string, Z5Factors>& runFactors = {}, const RunReportFacts* runFacts = nullptr) {
  if (files.empty()) throw UsageError("give at least one run data file");
  const LanguageIndex language = ParseLanguageOption(p.Text("--lang"));
  if (p.Has("--write") && !p.Has("--port")) throw UsageError("--write needs --port");
  CalcSettings settings = SettingsOf(p, language);
  settings.runFactors = runFactors;

  CalcRead read = ReadGradFiles(files, settings);
  for (const std::string& f : read.unreadable)
    Complain("calc", Format(txt::kCtlCannotRead(language), f.c_str()));
  if (!read.abortMessage.empty()) {
    if (p.Has("--json"))
      std::printf("{\"message\": %s, \"sensors\": []}\n", JsonString(read.abortMessage).c_str());
    else
      std::printf("%s\n", read.abortMessage.c_str());
    return kExitFailed;
  }
  CheckSegments(read, settings);
  const CalcSummary summary = BuildSummary(read, settings.language);
  CCalcFits fits(read, settings, summary.calculable);
  CalcRun run{files, read, settings, summary, fits, {}, runFacts};
  const std::time_t clock = std::time(nullptr);
  run.now = platform::LocalTime(clock);

  CalcOutcome outcome;
  const std::size_t sensors = read.sensors.size();
  outcome.written.resize(sensors);
  outcome.reports.resize(sensors);
  outcome.reportNames.resize(sensors);
  outcome.reportFolder = p.Text("--report");
  if (!outcome.reportFolder.empty() && outcome.reportFolder.back() != '/') outcome.reportFolder += '/';
  if (!outcome.reportFolder.empty()) BuildReports(run, outcome);
  if (p.Has("--write")) WriteTables(p, run, outcome);
  if (!outcome.reportFolder.empty()) FileReports(run, outcome);

  PrintForTerminal(p.Has("--json") ? CalcJson(run, outcome) : CalcText(run, outcome));
  if (everyTable) *everyTable = EveryTable(run, outcome, p.Has("--write"));
  return CalcExitStatus(run, outcome);
}

int RunCalc(const std::vector<std::string>& args) {
  CArgParser p = CalcParser();
  std::vector<std::string> options, files;
  SplitArguments(args, &options, &files);
  if (!p.Parse(options)) return kExitOk;
  return CalcWith(p, files, nullptr);
}

const CommandRegistrar kCalc{"calc", "calculate graduation tables from run data files (and write them)", &RunCalc};

}  // namespace

int CalculateRunFiles(const std::vector<std::string>& options, const std::vector<std::string>& files,
                      bool* everyTable, const std::map<std::string, Z5Factors>& runFactors,
                      const RunReportFacts* run) {
  CArgParser p = CalcParser();
  p.Parse(options);
  return CalcWith(p, files, everyTable, runFactors, run);
}
}  // namespace kvl::ctl
