// The part of a table's report that tells of the unattended run it was
// calculated at the end of: the run's choices in the head, the stages' set
// points with the chamber's and the detector's temperatures at each
// confirmation, and the points the graduation log holds. Every text from
// outside (profile name, operator, concentrations) is escaped; every figure
// carries its unit.
#include <cmath>

#include "detector/register_map.h"
#include "graduation/grad_report.h"
#include "text/format.h"
#include "text/report_texts.h"
#include "text/selector_lists.h"
#include "text/text_file.h"

namespace kvl {
namespace {

std::string Cell(const std::string& text) { return "<td>" + HtmlEscape(text) + "</td>"; }
std::string Head(const std::string& text) { return "<th>" + HtmlEscape(text) + "</th>"; }

// A reading a hair below zero reads "0.0", not "-0.0".
std::string Celsius(const std::optional<double>& c) {
  if (!c) return "\u2014";
  return Format("%.1f", std::fabs(*c) < 0.05 ? 0.0 : *c);
}

const char* StepName(int step, LanguageIndex l) {
  static const TextEntry* const kSteps[] = {&txt::kReportStepTemperature, &txt::kReportStepZero,
                                            &txt::kReportStepHigh, &txt::kReportStepMiddle,
                                            &txt::kReportStepZeroAgain};
  return step >= 0 && step <= 4 ? (*kSteps[step])(l) : "";
}

// The slot the report's detector had in the run, -1 none.
int SlotOf(const GradReport& r) {
  for (std::size_t s = 0; s < r.run->serials.size(); ++s)
    if (!r.serial.empty() && r.run->serials[s] == r.serial) return int(s);
  return -1;
}

std::string StagesSection(const GradReport& r) {
  const LanguageIndex l = r.language;
  const int slot = SlotOf(r);
  std::string h = "<table><thead><tr>" + Head(txt::kReportStage(l)) + Head(txt::kReportSetPoint(l)) +
                  "<th class=\"l\">" + HtmlEscape(txt::kReportStep(l)) + "</th>" + Head(txt::kReportChamberT(l)) +
                  Head(txt::kReportDetectorT(l)) + "</tr></thead>";
  for (const RunCapture& c : r.run->captures) {
    const bool known = slot >= 0 && std::size_t(slot) < c.detectorT.size() && c.detectorT[std::size_t(slot)];
    h += "<tr>" + Cell(Format("%d", c.stage)) + Cell(Celsius(c.setPointC)) + "<td class=\"l\">" +
         HtmlEscape(StepName(c.step, l)) + "</td>" + Cell(Celsius(c.chamberC)) +
         Cell(known ? TemperatureText(r.type, *c.detectorT[std::size_t(slot)], l) : "\u2014") + "</tr>";
  }
  return "<section><h2>" + HtmlEscape(txt::kReportStages(l)) + "</h2>\n" + h + "</table>\n</section>\n";
}

std::string CapturedSection(const GradReport& r) {
  const LanguageIndex l = r.language;
  std::string h = "<table><thead><tr>" + Head(txt::kReportPoint(l)) + Head(txt::kReportStageC(l)) +
                  Head("T") + Head("R0") + Head("W0") + Head("R1") + Head("W1") + Head("R2") + Head("W2") +
                  "</tr></thead>";
  for (const GradLogPoint& p : r.loggedPoints) {
    h += "<tr>" + Cell(Format("%d", p.point)) + Cell(p.stageTemperature ? Format("%+d", p.stageTemperature) : "0") +
         Cell(TemperatureText(r.type, std::uint16_t(p.values[0]), l));
    for (std::size_t k = 1; k < 7; ++k) h += Cell(Format("%d", p.values[k]));
    h += "</tr>";
  }
  return "<section><h2>" + HtmlEscape(txt::kReportCaptured(l)) + "</h2>\n" + h + "</table>\n</section>\n";
}

}  // namespace

std::string TemperatureText(int type, std::uint16_t word, LanguageIndex l) {
  RegisterImage image{};
  image[reg::kT] = word;
  const double count = Temperature(type, image);
  if (!CountsInDeviceUnits(type)) return Format("%.1f \u00b0C", count);
  return Format("%u %s (%.1f \u00b0C)", unsigned(word), txt::kReportUnits(l), NominalCelsius(type, double(word)));
}

void AttachRunFacts(GradReport& report, const RunReportFacts& run) {
  report.run = run;
  std::string bytes;
  if (ReadFileBytes(GradLogPath(run.dataFolder, report.serial), bytes, 4 * 1024 * 1024) == 0)
    report.loggedPoints = LastRunPoints(bytes);
}

std::vector<std::pair<std::string, std::string>> RunHeadFacts(const GradReport& r) {
  if (!r.run) return {};
  const LanguageIndex l = r.language;
  const RunReportFacts& f = *r.run;
  const TextList modes = OperatingModes();
  std::string mode = kStageControl[f.autoMode ? 1 : 0](l);
  if (f.mode >= 0 && std::size_t(f.mode) < modes.size()) mode += std::string(", ") + modes[std::size_t(f.mode)](l);
  std::string profile = f.chamberProfile.empty() ? "\u2014" : f.chamberProfile;
  if (!f.chamberChecksum.empty()) profile += " (" + f.chamberChecksum + ")";
  const long long s = f.stabilizationS;
  std::vector<std::pair<std::string, std::string>> facts = {
      {txt::kReportRunMode(l), mode},
      {txt::kReportConcentrations(l), Format(txt::kReportConcValues(l), f.medium.c_str(), f.high.c_str())},
      {txt::kReportChamberProfile(l), profile},
      {txt::kReportStabilization(l), Format(txt::kReportHours(l), s / 3600, s / 60 % 60, s % 60)}};
  if (r.type == kTypeZ5)
    facts.push_back({txt::kReportFactorsFrom(l), (f.factorsFromRows ? txt::kReportFactorsRow : txt::kReportFactorsFile)(l)});
  return facts;
}

std::string RunSectionsHtml(const GradReport& r) {
  if (!r.run) return {};
  return StagesSection(r) + CapturedSection(r);
}

}  // namespace kvl
