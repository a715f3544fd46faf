// The graduation report of a known run: its numbers are the calculation's
// (the table, and the fit differences worked out here afresh), the page
// parses as XML (so every browser reads it alike) and each plot is a
// well-formed SVG with the table's eight points over the decimated samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>

#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/calc_test_support.h"
#include "graduation/grad_file_reader.h"
#include "graduation/gas_spans.h"
#include "graduation/grad_log.h"
#include "graduation/grad_report.h"
#include "graduation/run_calc_facts.h"

namespace kvl::testing {
namespace {

// Every table row of the page as "cell|cell|...", and per <svg> its circles
// and sample dots, as python3's XML parser reads them.
const char* const kPageReader = R"(import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
for tr in root.iter('tr'):
    print('row ' + '|'.join(''.join(c.itertext()) for c in tr))
S = '{http://www.w3.org/2000/svg}'
for svg in root.iter(S + 'svg'):
    print('svg %d %d' % (len(svg.findall(S + 'circle')), sum(p.get('d').count('M') for p in svg.findall(S + 'path'))))
)";

std::vector<std::string> ReadPage(const std::string& page, const test::TempFolder& dir) {
  const std::string script = WriteFile(dir, "read_page.py", kPageReader);
  std::vector<std::string> out;
  FILE* p = popen(("/usr/bin/python3 " + script + " " + page + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) out.emplace_back(buf, std::strcspn(buf, "\n"));
  EXPECT_EQ(pclose(p), 0) << (out.empty() ? "" : out.back());
  return out;
}

TEST(GradReport, ShowsTheCalculationOfAKnownRun) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the page with the build machine's python3";
#endif
  test::TempFolder dir;
  const std::string path = WriteSimulatedRun(dir, kTypeZ5, "7001", 9000, 5);
  const CalcSettings settings = FreshSettings(kTypeZ5);
  CalcRead read = ReadGradFiles({path}, settings);
  CheckSegments(read, settings);
  const CalcSensor& sensor = read.sensors.at(0);
  const SensorTables tables = FitSensor(sensor, settings);
  ASSERT_GE(tables.written, 0);
  const SegmentTable& table = tables.tables[std::size_t(tables.written)];
  GradReport report = BuildGradReport(sensor, tables, settings, {path}, std::tm{}, "9.9");
  report.writeAsked = true;
  report.written = LinkWriteList{"Graduation", "7001_0.grad", "7001", 1, {{16, 104, {1, 2}, 1, true, {{105, 2, 3}}}}};
  const std::string page = WriteFile(dir, "7001_0.html", GradReportHtml(report));

  std::map<std::string, int> rows;  // the rows seen, counted
  std::vector<std::string> svgs;
  for (const std::string& line : ReadPage(page, dir)) {
    if (line.rfind("row ", 0) == 0) ++rows[line.substr(4)];
    if (line.rfind("svg ", 0) == 0) svgs.push_back(line.substr(4));
  }
  auto row = [](const std::string& head, const GradPoints& v) {
    std::string s = head;
    for (int x : v) s += Format("|%d", x);
    return s;
  };
  EXPECT_EQ(rows[row("T", table.T)], 1);
  ASSERT_EQ(svgs.size(), 4u);  // per channel its samples, then their differences
  for (int c = 0; c < 2; ++c) {
    const int q = FittedQuantity(kTypeZ5, c);
    const std::string name = c == 0 ? "R" : "W";
    GradPoints d = table.D[std::size_t(c)];
    std::string dRow = row(name, d);
    if (table.lowExtrapolation[std::size_t(c)] || table.highExtrapolation[std::size_t(c)]) dRow.clear();
    if (!dRow.empty()) {
      EXPECT_EQ(rows[dRow], 1) << dRow;
    }
    // The fit's largest and RMS difference, worked out by plain interpolation.
    const FitSamples s = SegmentSamples(sensor, sensor.segments[table.segment], q);
    double largest = 0, squares = 0;
    for (std::size_t k = 0; k < s.t.size(); ++k) {
      std::size_t i = 0;
      while (i < 6 && s.t[k] > float(table.T[i + 1])) ++i;
      const double p = d[i] + (s.t[k] - table.T[i]) * double(d[i + 1] - d[i]) / (table.T[i + 1] - table.T[i]);
      largest = std::max(largest, std::fabs(s.x[k] - p));
      squares += (s.x[k] - p) * (s.x[k] - p);
    }
    const std::string whole = Format("%s|whole range|%zu|%.2f|%.2f", name.c_str(), s.t.size(), largest,
                                     std::sqrt(squares / double(s.t.size())));
    EXPECT_EQ(rows[whole], 1) << whole;
    // The eight points, and the samples thinned to at most kReportPlotPoints but no sparser than half that.
    std::size_t circles = 0, dots = 0;
    ASSERT_EQ(std::sscanf(svgs[std::size_t(2 * c)].c_str(), "%zu %zu", &circles, &dots), 2);
    EXPECT_EQ(circles, 8u);
    EXPECT_LE(dots, std::min(s.t.size(), kReportPlotPoints));
    EXPECT_GE(dots, std::min(s.t.size(), kReportPlotPoints / 2));
  }
  // The deltaDmax judgement counts samples, not channel values: a sample is off when either channel is.
  EXPECT_EQ(SamplesJudged(report), SegmentSamples(sensor, sensor.segments[0], kQR).t.size());
  EXPECT_GE(SamplesBeyond(report), std::max(report.channels[0].beyond, report.channels[1].beyond));
  EXPECT_LE(SamplesBeyond(report), report.channels[0].beyond + report.channels[1].beyond);
  for (const RegisterBlock& b : report.blocks) {
    std::string words;
    for (std::uint16_t w : b.words) words += Format(words.empty() ? "%u" : " %u", unsigned(w));
    EXPECT_EQ(rows[Format("%u\u2026%zu|", unsigned(b.first), b.first + b.words.size() - 1) + words], 1);
  }
}

// Two files of one sensor with known samples against a table set by hand
// (D = 10 T): the report's dates, durations, counts, outside rows and the
// deltaDmax judgement are the files' own, over both files.
TEST(GradReport, FactsOfTwoFilesAgainstAKnownTable) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the page with the build machine's python3";
#endif
  test::TempFolder dir;
  CalcSettings settings = FreshSettings(kTypeZ);
  settings.deltaDmax = 100;
  SimRunHeader h = Header(kTypeZ, "7002", "3");
  // File 1 runs over midnight (a second header block, dated the next day).
  const std::string a = WriteFile(dir, "7002_0.grad",
                                  SimRunFile(h, {Row("22:00:00", -5, -50), Row("23:59:59", 5, 53), Row("00:00:10", 15, 146),
                                                 Row("01:30:05", 75, 950)}));
  h.date = "09.12.2026";
  const std::string b = WriteFile(dir, "7002_1.grad", SimRunFile(h, {Row("10:00:00", 35, 500), Row("10:20:00", 65, 650)}));
  CalcRead read = ReadGradFiles({a, b}, settings);
  const CalcSensor& sensor = read.sensors.at(0);
  ASSERT_EQ(sensor.segments.size(), 2u);
  SensorTables tables;
  tables.tables.push_back({0, {0, 10, 20, 30, 40, 50, 60, 70}, 1, {{{0, 100, 200, 300, 400, 500, 600, 700}}}, {}, {}});
  tables.written = 0;
  GradReport r = BuildGradReport(sensor, tables, settings, {a, b}, std::tm{}, "9.9");

  const struct {
    const char* name;
    const char *firstDate, *firstTime, *lastDate, *lastTime;
    long long seconds;
  } files[] = {{"7002_0.grad", "07.12.2026", "22:00:00", "08.12.2026", "01:30:05", 3 * 3600 + 30 * 60 + 5},
               {"7002_1.grad", "09.12.2026", "10:00:00", "09.12.2026", "10:20:00", 20 * 60}};
  ASSERT_EQ(r.files.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    const FileSpan& s = r.files[k].span;
    EXPECT_EQ(r.files[k].name, files[k].name);
    EXPECT_EQ(s.firstDate + " " + s.firstTime + " " + s.lastDate + " " + s.lastTime,
              std::string(files[k].firstDate) + " " + files[k].firstTime + " " + files[k].lastDate + " " + files[k].lastTime);
    EXPECT_EQ(s.seconds, files[k].seconds);
  }
  ASSERT_EQ(r.channels.size(), 1u);
  const ReportChannel& c = r.channels[0];
  // Differences: 0, +3, -4, +200 (above T[7]), +150, 0.
  const struct {
    const ReportFit& fit;
    std::size_t count;
    double largest;
  } rows[] = {{c.all, 6, 200}, {c.below, 1, 0}, {c.above, 1, 200}, {c.intervals[0], 1, 3}, {c.intervals[1], 1, 4},
              {c.intervals[2], 0, 0}, {c.intervals[3], 1, 150}, {c.intervals[6], 1, 0}};
  for (const auto& row : rows) {
    EXPECT_EQ(row.fit.count, row.count);
    EXPECT_DOUBLE_EQ(row.fit.maxDiff, row.largest);
  }
  EXPECT_NEAR(c.all.rms, std::sqrt((9.0 + 16 + 40000 + 22500) / 6), 1e-9);
  EXPECT_EQ(SamplesBeyond(r), 2u);
  EXPECT_EQ(SamplesJudged(r), 6u);

  // The verdict the page opens with, for each outcome of the write.
  auto written = [](std::vector<LinkWriteDone> w) { return LinkWriteList{"Graduation", "7002_0.grad", "7002", 3, w}; };
  const LinkWriteDone ok{16, 24, {1, 2}, 0, true, {}};
  const LinkWriteDone differs{16, 24, {1, 2}, 1, true, {{25, 2, 7}}, WriteFailure::kReadBackDiffers};
  const LinkWriteDone refused{16, 24, {1, 2}, 1, false, {}, WriteFailure::kException, 2};
  const LinkWriteDone silent{16, 24, {1, 2}, 1, false, {}, WriteFailure::kNoAnswer};
  const struct {
    bool asked;
    std::string why;
    std::optional<LinkWriteList> list;
    std::string verdict;
  } verdicts[] = {
      {false, "", std::nullopt, "Table calculated only, not sent to the detector"},
      {false, "the operator declined the write", std::nullopt, "Table not written: the operator declined the write"},
      {true, "", std::nullopt, "Table being written"},
      {true, "", written({ok}), "Table written and verified"},
      {true, "", written({ok, differs}), "Table written, read-back differs"},
      {true, "", written({refused}),
       "Table not written: the detector answered exception 2 (incorrect address) (register 24; 1 of 1 writes failed)"},
      {true, "", written({ok, silent}), "Table not written: no answer from the detector (register 24; 1 of 2 writes failed)"},
  };
  for (const auto& v : verdicts) {
    r.writeAsked = v.asked;
    r.notWrittenWhy = v.why;
    r.written = v.list;
    EXPECT_EQ(VerdictText(r), v.verdict);
  }

  // On the page: the verdict and judgement first, the file spans, the outside rows, the read-back table.
  r.written = written({ok, differs});
  const std::string page = WriteFile(dir, "7002_0.html", GradReportHtml(r));
  std::vector<std::string> lines = ReadPage(page, dir);
  auto has = [&](const std::string& row) { return std::count(lines.begin(), lines.end(), "row " + row) == 1; };
  EXPECT_TRUE(has("7002_0.grad|4 used, of 4 lines, 0 left out while gas flowed|07.12.2026 22:00:00 \u2013 "
                  "08.12.2026 01:30:05|3 h 30 min 05 s|-5 \u2013 75 \u00b0C|a value outside the display limits"));
  EXPECT_TRUE(has("D|below T[0] (< 0)|1|0.00|0.00"));
  EXPECT_TRUE(has("D|above T[7] (> 70)|1|200.00|200.00"));
  EXPECT_TRUE(has("Register|Written|Read"));
  EXPECT_TRUE(has("25|2|7"));
  const std::string html = GradReportHtml(r);
  EXPECT_LT(html.find("Table written, read-back differs"), html.find("2 of 6 samples lie farther than deltaDmax = 100"));
}

// A Z5 table calculated at the end of an unattended run: the head tells the
// run's choices, its profile by name and checksum, its operator and the time
// of the write; the stages and the log's captured points follow the table;
// the files count what gas left out; temperatures in device units and degC
// (the simulator's Z5 line: 536 at -60 degC, 1075 at 85 degC); outside texts
// escaped, in either language.
TEST(GradReport, TheHeadOfARunsTableTellsTheRun) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the page with the build machine's python3";
#endif
  test::TempFolder dir;
  const std::string path = WriteSimulatedRun(dir, kTypeZ5, "7003", 3000, 7);
  CalcSettings settings = FreshSettings(kTypeZ5);
  // The file's lines from 08:10:00 to 08:20:00 of its day were recorded while gas flowed.
  const long long day = CalendarSeconds(2026, 12, 7, 0);
  settings.gasSpans = {{day + 8 * 3600 + 600, day + 8 * 3600 + 1200}};
  CalcRead read = ReadGradFiles({path}, settings);
  CheckSegments(read, settings);
  const CalcSensor& sensor = read.sensors.at(0);
  const SensorTables tables = FitSensor(sensor, settings);
  ASSERT_GE(tables.written, 0);
  // 852 units is 25.0 degC on the simulator's line.
  std::string log = GradLogRunHeader(kTypeZ5, 1, RegisterImage{}, std::tm{}) +
                    GradLogPointLine(3, {852, 2600, 2500, 2610, 2400, 2620, 2300}, 45, false, false);
  WriteFile(dir, "7003.tab", GradLogRunHeader(kTypeZ5, 1, RegisterImage{}, std::tm{}) +
                                 GradLogPointLine(3, {1, 1, 1, 1, 1, 1, 1}, 45, false, false) + log);
  const std::string profile = WriteFile(dir, "lab <1>.chamber", "123456789");
  RunReportFacts run;
  run.mode = kModeGraduationZ5;
  run.medium = "0.5";
  run.high = "1.0";
  run.chamberProfile = "lab <1>.chamber";
  run.chamberChecksum = FileChecksumText(profile);
  run.stabilizationS = 2100;
  run.operatorName = "Ivanov & <Petrov>";
  run.dataFolder = dir.path() + "/";
  run.serials = {"9999", "7003"};
  run.captures = {{3, 0, 45.0, 44.94, {std::nullopt, std::uint16_t(852)}},
                  {3, 2, std::nullopt, std::nullopt, {std::uint16_t(800), std::uint16_t(855)}}};
  run.factorsFromRows = true;

  const struct {
    LanguageIndex language;
    std::vector<std::string> rows;  // each found once on the page, as "cell|cell|..."
  } cases[] = {
      {kEnglish,
       {"Run|Auto, Graduation-Z5|Gas concentrations|medium 0.5 vol.%, high 1.0 vol.%",
        "Chamber profile|lab <1>.chamber (CRC-32 cbf43926)|Stabilisation time|0 h 35 min 00 s",
        "Power, KUR, KUW from|the detector's row (Graduation-Z5)|Written at|09.12.2026 18:30:05",
        "3|45.0|temperature|44.9|852 units (25.0 \u00b0C)", "3|\u2014|high mixture|\u2014|855 units (25.8 \u00b0C)",
        "3|+45|852 units (25.0 \u00b0C)|2600|2500|2610|2400|2620|2300"}},
      {kRussian,
       {"Прогон|Автоматически, Градуировка-Z5|Концентрации ПГС|средняя 0.5 об.%, высокая 1.0 об.%",
        "3|45.0|температура|44.9|852 ед. (25.0 \u00b0C)"}},
  };
  for (const auto& c : cases) {
    settings.language = c.language;
    GradReport r = BuildGradReport(sensor, tables, settings, {path}, std::tm{}, "9.9");
    AttachRunFacts(r, run);
    r.writeAsked = true;
    r.written = LinkWriteList{"Graduation", "7003_0.grad", "7003", 1, {{16, 24, {1, 2}, 0, true, {}}}};
    std::tm at{};
    at.tm_sec = 5, at.tm_min = 30, at.tm_hour = 18, at.tm_mday = 9, at.tm_mon = 11, at.tm_year = 126;
    r.writtenAt = at;
    const std::string html = GradReportHtml(r);
    EXPECT_NE(html.find("Ivanov &amp; &lt;Petrov&gt;"), std::string::npos);
    const std::vector<std::string> lines = ReadPage(WriteFile(dir, "7003_0.html", html), dir);
    for (const std::string& row : c.rows)
      EXPECT_EQ(std::count(lines.begin(), lines.end(), "row " + row), 1) << row;
    // 600 lines of gas left out; the file's other lines are its samples.
    EXPECT_EQ(r.files.at(0).gasLeftOut, 601u);
    EXPECT_EQ(r.files.at(0).lines, 3000u);
  }
}

}  // namespace
}  // namespace kvl::testing
