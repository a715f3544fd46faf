// The reports on paper, as a real browser prints them: headless Chromium
// renders a Z report, a Z5 report of two files whose read-back failed, and a
// twenty-detector summary to A4 PDF; poppler's pdftotext reads each page back.
// No page may end with a heading (its content gone to the next page), each
// report opens with its verdict, and the summary takes one page.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/calc_result.h"
#include "graduation/calc_test_support.h"
#include "graduation/grad_file_reader.h"
#include "graduation/grad_report_batch.h"
#include "text/report_texts.h"

namespace kvl::testing {
namespace {

constexpr const char* kChromium = "/usr/bin/chromium";

std::string Shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  const int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

// The page printed to PDF; the text of each page, in order.
std::vector<std::string> Print(const test::TempFolder& dir, const std::string& name, const std::string& html) {
  const std::string page = WriteFile(dir, name + ".html", html), pdf = dir / (name + ".pdf");
  const std::string profile = dir / (name + "-profile");
  std::string command = "timeout 120 ";
  command += kChromium;
  command += " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking";
  command += " --disable-component-update --disable-sync --no-pdf-header-footer --user-data-dir=";
  command += profile;
  command += " --print-to-pdf=";
  command += pdf;
  command += " file://";
  command += page;
  command += " 2>&1";
  int status = -1;
  const std::string log = Shell(command, &status);
  EXPECT_EQ(status, 0) << log;
  const std::string info = Shell("pdfinfo " + pdf + " 2>&1");
  const std::size_t at = info.find("Pages:");
  if (at == std::string::npos) {
    ADD_FAILURE() << "no PDF from chromium: " << info << log;
    return {};
  }
  const int pages = std::atoi(info.c_str() + at + 6);
  std::vector<std::string> texts;
  for (int k = 1; k <= pages; ++k)
    texts.push_back(Shell(Format("pdftotext -f %d -l %d ", k, k) + pdf + " - 2>&1"));
  return texts;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t to = text.find_first_of("\n\f", from);
    if (to == std::string::npos) to = text.size();
    std::string l = text.substr(from, to - from);
    while (!l.empty() && (l.back() == ' ' || l.back() == '\r')) l.pop_back();
    if (!l.empty()) out.push_back(l);
    from = to + 1;
  }
  return out;
}

// No page ends with a heading of the page.
void ExpectNoOrphanHeading(const std::vector<std::string>& pages, const std::set<std::string>& headings,
                           const std::string& what) {
  for (std::size_t k = 0; k + 1 < pages.size(); ++k) {
    const std::vector<std::string> lines = Lines(pages[k]);
    ASSERT_FALSE(lines.empty()) << what << ": page " << k + 1 << " is empty";
    for (const std::string& h : headings)
      EXPECT_NE(lines.back().rfind(h, 0), 0u) << what << ": page " << k + 1 << " ends with the heading " << lines.back();
  }
}

std::set<std::string> ReportHeadings(LanguageIndex l) {
  std::set<std::string> out;
  for (const TextEntry* e : {&txt::kReportInputFiles, &txt::kReportTable, &txt::kReportRegisters, &txt::kReportFit,
                             &txt::kReportPlot, &txt::kReportDiffPlot, &txt::kReportReadBack})
    out.insert((*e)(l));
  return out;
}

std::tm When() {
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 8, t.tm_hour = 10, t.tm_min = 15;
  return t;
}

GradReport ReportOf(int type, const std::vector<std::string>& paths) {
  const CalcSettings settings = FreshSettings(type);
  CalcRead read = ReadGradFiles(paths, settings);
  CheckSegments(read, settings);
  const CalcSensor& sensor = read.sensors.at(0);
  const SensorTables tables = FitSensor(sensor, settings);
  EXPECT_GE(tables.written, 0);
  GradReport r = BuildGradReport(sensor, tables, settings, paths, When(), "9.9");
  r.host = "station-3";
  r.login = "ivanova";
  r.writeAsked = true;
  LinkWriteList list{"Graduation", r.tableFile, r.serial, std::uint8_t(r.address), {}};
  for (const RegisterBlock& b : r.blocks) list.writes.push_back({16, b.first, b.words, 0, true, {}});
  r.written = list;
  return r;
}

TEST(ReportPrint, ReportsAndSummaryPrintCleanlyOnA4) {
  if (access(kChromium, X_OK) != 0 || Shell("command -v pdftotext pdfinfo").empty()) {
    if (std::getenv("CI")) FAIL() << kChromium << " or poppler-utils missing: run scripts/install-deps.sh";
    GTEST_SKIP() << "no " << kChromium << " or pdftotext: the print test needs chromium and poppler-utils "
                 << "(scripts/install-deps.sh installs them)";
  }
  test::TempFolder dir;
  const std::set<std::string> headings = ReportHeadings(kEnglish);

  // Z: one file, written and verified.
  const GradReport z = ReportOf(kTypeZ, {WriteSimulatedRun(dir, kTypeZ, "3001", 9000, 3)});
  const std::vector<std::string> zPages = Print(dir, "z", GradReportHtml(z));
  ASSERT_FALSE(zPages.empty());
  EXPECT_LE(zPages.size(), 3u);
  ExpectNoOrphanHeading(zPages, headings, "Z report");
  const std::vector<std::string> zFirst = Lines(zPages[0]);
  ASSERT_GE(zFirst.size(), 2u);
  EXPECT_EQ(zFirst[0], "Graduation report \u2014 3001");
  EXPECT_EQ(zFirst[1], "Table written and verified");

  // Z5: two files, all 61 registers read back wrong.
  SimRunSetup second;
  second.type = kTypeZ5, second.lines = 6000, second.seed = 9;
  const std::string b = WriteFile(dir, "7001_1.grad", SimRunFile(Header(kTypeZ5, "7001"), SimulatedRunRows(second)));
  GradReport z5 = ReportOf(kTypeZ5, {WriteSimulatedRun(dir, kTypeZ5, "7001", 9000, 5), b});
  for (LinkWriteDone& w : z5.written->writes) {
    w.result = 1, w.failure = WriteFailure::kReadBackDiffers;
    for (std::size_t i = 0; i < w.words.size(); ++i)
      w.differences.push_back({std::uint16_t(w.first + i), w.words[i], std::uint16_t(w.words[i] + 1)});
  }
  const std::vector<std::string> z5Pages = Print(dir, "z5", GradReportHtml(z5));
  ASSERT_FALSE(z5Pages.empty());
  EXPECT_LE(z5Pages.size(), 5u);
  ExpectNoOrphanHeading(z5Pages, headings, "Z5 report");
  const std::vector<std::string> z5First = Lines(z5Pages[0]);
  ASSERT_GE(z5First.size(), 2u);
  EXPECT_EQ(z5First[1], "Table written, read-back differs");

  // Twenty detectors, some not calculated with their long reasons: one page.
  std::vector<BatchRow> rows;
  for (int k = 0; k < 20; ++k) {
    BatchRow r;
    r.serial = Format("%d", 7001 + k);
    r.address = k + 1;
    r.calculated = k % 4 != 3;
    r.reason = "File " + r.serial + "_0.grad: 17:20:05   T=1300, norm=0...1200   D=70000, norm=-32768...32767   "
               "File " + r.serial + "_1.grad: Tmin min: Tmin=540, T=560...600  Tmax max: Tmax=1090, T=1040...1080";
    r.maxDiff = r.calculated ? 12.5 + k : -1;
    r.judged = 18000, r.beyond = k % 5 == 0 ? 12 : 0;
    r.write = k % 7 == 6 ? ReportWriteState::Failed : ReportWriteState::Verified;
    if (k % 7 == 6) r.writeWhy = "the detector answered exception 2 (incorrect address) (register 96; 1 of 3 writes failed)";
    r.report = r.calculated ? r.serial + "_0.html" : "";
    rows.push_back(r);
  }
  const std::vector<std::string> summary = Print(dir, "summary", BatchSummaryHtml(rows, kEnglish, When(), "9.9", "station-3", "ivanova"));
  EXPECT_EQ(summary.size(), 1u);
  if (!summary.empty()) {
    EXPECT_NE(summary.back().find("7020"), std::string::npos);
  }
}

}  // namespace
}  // namespace kvl::testing
