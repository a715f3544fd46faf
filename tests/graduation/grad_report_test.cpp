// The graduation report of a known run: its numbers are the calculation's
// (the table, and the fit differences worked out here afresh), the page
// parses as XML (so every browser reads it alike) and each plot is a
// well-formed SVG with the table's eight points over the decimated samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/calc_test_support.h"
#include "graduation/grad_file_reader.h"
#include "graduation/grad_report.h"

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
  ASSERT_EQ(svgs.size(), 2u);
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
    ASSERT_EQ(std::sscanf(svgs[std::size_t(c)].c_str(), "%zu %zu", &circles, &dots), 2);
    EXPECT_EQ(circles, 8u);
    EXPECT_LE(dots, std::min(s.t.size(), kReportPlotPoints));
    EXPECT_GE(dots, std::min(s.t.size(), kReportPlotPoints / 2));
  }
  for (const RegisterBlock& b : report.blocks) {
    std::string words;
    for (std::uint16_t w : b.words) words += Format(words.empty() ? "%u" : " %u", unsigned(w));
    EXPECT_EQ(rows[Format("%u\u2026%zu|", unsigned(b.first), b.first + b.words.size() - 1) + words], 1);
  }
}

}  // namespace
}  // namespace kvl::testing
