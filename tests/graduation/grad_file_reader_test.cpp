// Reading run data files into sensor slots: header keys, numbers, limit
// reports, segments, slot limits, the line cap and the parallel parse.
#include "graduation/grad_file_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "calc_test_support.h"
#include "graduation/calc_checks.h"

namespace kvl::testing {
namespace {

std::vector<SimRunRow> Rows(std::size_t n, double t0 = -50, double step = 1) {
  std::vector<SimRunRow> rows;
  for (std::size_t k = 0; k < n; ++k) rows.push_back(Row(TimeOf(k), t0 + step * double(k), 10000 + double(k)));
  return rows;
}

TEST(GradFileReader, ScansNumbersAsStrtodDoes) {
  std::vector<std::string> tokens = {"0",     "-0",     "12",    "-7",      "+3",     "12.5",   "-0.001", ".5",
                                     "5.",    "1e3",    "2E-2",  "7x",      "abc",    "",       "-",      ".",
                                     "00012", "1.0000000000000000001", "123456789012345678901234", "inf",
                                     "3.4028236e38", "1e400", "0.1",  "25.3",   "-12.75", "65535"};
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {
    const int digits = int(rng() % 9);
    std::string t = rng() % 4 == 0 ? "-" : "";
    t += std::to_string(rng() % 100000);
    if (digits) t += "." + std::to_string(rng() % 1000000000).substr(0, std::size_t(digits));
    tokens.push_back(t);
  }
  // The same tokens as values of data lines, nine per line.
  TempFolder dir;
  std::vector<std::string> inFile;
  for (const std::string& t : tokens)
    if (!t.empty()) inFile.push_back(t);
  std::vector<SimRunRow> rows;
  for (std::size_t i = 0; i < inFile.size(); i += 9) {
    SimRunRow row;
    row.time = TimeOf(i);
    for (std::size_t q = 0; q < 9; ++q) row.values[q] = inFile[std::min(i + q, inFile.size() - 1)];
    rows.push_back(row);
  }
  CalcSettings settings = FreshSettings(kTypeZ5);  // nothing checked
  const CalcRead read = ReadGradFiles({WriteFile(dir, "n.grad", SimRunFile(Header(kTypeZ5, "1"), rows))}, settings);
  ASSERT_EQ(read.sensors.size(), 1u);
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t q = 0; q < 9; ++q) {
      const float want = float(std::strtod(rows[i].values[q].c_str(), nullptr));
      const float got = read.sensors[0].samples[q][i];
      EXPECT_TRUE(want == got || (std::isnan(want) && std::isnan(got))) << "'" << rows[i].values[q] << "'";
    }
  for (const std::string& t : tokens) {
    const double want = std::strtod(t.c_str(), nullptr);
    const double got = ScanDecimal(t.data(), t.data() + t.size());
    EXPECT_EQ(float(want), float(got)) << "'" << t << "'";
    if (std::isfinite(want)) {
      EXPECT_EQ(want, got) << "'" << t << "'";
    }
  }
}

TEST(GradFileReader, HeaderKeysInEveryLanguage) {
  TempFolder dir;
  const struct {
    LanguageIndex lang;
    const char* gas;
  } cases[] = {{kEnglish, "Methane"}, {kRussian, "Пропан"}, {kSpanish, "Metano"}};
  for (const auto& c : cases) {
    SimRunHeader h = Header(kTypeZ, "0042", "17", c.lang);
    h.gas = c.gas;
    const std::string path = WriteFile(dir, "42_0.grad", SimRunFile(h, Rows(3)));
    const CalcRead read = ReadGradFiles({path}, FreshSettings(kTypeZ, kRussian));
    ASSERT_EQ(read.sensors.size(), 1u) << int(c.lang);
    const CalcSensor& s = read.sensors[0];
    EXPECT_EQ(s.serial, "42");
    EXPECT_EQ(s.modbusText, "17");
    EXPECT_EQ(s.address, 17);
    EXPECT_EQ(s.gasPosition, c.lang == kRussian ? 1 : 0);
    EXPECT_EQ(s.gasText, c.lang == kRussian ? "Пропан" : "Метан");  // shown in the window's language
    EXPECT_EQ(s.SampleCount(), 3u);
    EXPECT_FLOAT_EQ(s.samples[kQT][2], -48.0f);
    EXPECT_FLOAT_EQ(s.samples[kQRo][0], 2500.0f);
    ASSERT_EQ(s.segments.size(), 1u);
    EXPECT_TRUE(s.segments[0].valid);
    EXPECT_EQ(s.check, "");
    EXPECT_EQ(read.addresses, std::vector<unsigned>{17});
  }
}

TEST(GradFileReader, ValuesOutsideTheDisplayLimits) {
  TempFolder dir;
  CalcSettings settings = FreshSettings(kTypeZ);
  settings.displayLimits[kQT] = {-50, 100};
  // One line only, its T outside: the file report with the line's time; the segment is invalid.
  {
    const std::string path = WriteFile(dir, "7_0.grad", SimRunFile(Header(kTypeZ, "7"), {Row("10:11:12", 150, 10000)}));
    CalcRead read = ReadGradFiles({path}, settings);
    ASSERT_EQ(read.sensors.size(), 1u);
    EXPECT_EQ(read.sensors[0].check, "File 7_0.grad:\r\n10:11:12   T=150, norm=-50...100   ");
    EXPECT_FALSE(read.sensors[0].segments[0].valid);
    CheckSegments(read, settings);
    const CalcSummary sum = BuildSummary(read, kEnglish);
    EXPECT_TRUE(sum.calculable.empty());
    EXPECT_EQ(sum.icon, SummaryIcon::None);
    EXPECT_EQ(sum.logged, std::vector<int>{0});
  }
  // Two bad values on the first bad line; the second bad line adds a line break, later ones nothing.
  {
    std::vector<SimRunRow> rows = Rows(5, -50, 30);
    rows[1].values[kQD] = "8000";
    rows[1].values[kQW] = "6000";
    rows[3].values[kQD] = "12000";
    rows[4].values[kQD] = "12000";
    const std::string path = WriteFile(dir, "8_0.grad", SimRunFile(Header(kTypeZ, "8"), rows));
    const CalcRead read = ReadGradFiles({path}, settings);
    EXPECT_EQ(read.sensors[0].check,
              "File 8_0.grad:\r\n08:00:01   D=8000, norm=9000...11000      W=6000, norm=1000...5000   \r\n");
  }
  // Type Z5 falls back to (0, 0) pairs: nothing is checked.
  {
    SimRunHeader h = Header(kTypeZ5, "9");
    const std::string path = WriteFile(dir, "9_0.grad", SimRunFile(h, {Row("10:00:00", 600, -5, 99999, 3)}));
    const CalcRead read = ReadGradFiles({path}, FreshSettings(kTypeZ5));
    EXPECT_TRUE(read.sensors[0].segments[0].valid);
    EXPECT_EQ(read.sensors[0].check, "");
  }
}

TEST(GradFileReader, SlotsSegmentsAndMissingKeys) {
  TempFolder dir;
  // Sorted by name ignoring case: A before b; one segment per file.
  const std::string b = WriteFile(dir, "b.grad", SimRunFile(Header(kTypeZ, "5", "3"), Rows(4)));
  const std::string a = WriteFile(dir, "A.grad", SimRunFile(Header(kTypeZ, "5", "3"), Rows(2)));
  const std::string c = WriteFile(dir, "c.grad", SimRunFile(Header(kTypeZ, "6", "300"), Rows(2)));
  const std::string empty = WriteFile(dir, "d.grad", SimRunHeaderBlock(Header(kTypeZ, "77", "4")));
  CalcRead read = ReadGradFiles({c, b, a, empty, dir / "missing.grad"}, FreshSettings(kTypeZ));
  ASSERT_EQ(read.sensors.size(), 3u);
  const CalcSensor& s5 = read.sensors[0];
  ASSERT_EQ(s5.segments.size(), 2u);
  EXPECT_EQ(s5.segments[0].file, "A.grad");
  EXPECT_EQ(s5.segments[0].end, 2u);
  EXPECT_EQ(s5.segments[1].file, "b.grad");
  EXPECT_EQ(s5.segments[1].begin, 2u);
  EXPECT_EQ(s5.segments[1].end, 6u);
  EXPECT_EQ(read.sensors[1].modbusText, "?");
  EXPECT_EQ(read.sensors[1].address, 0);
  EXPECT_EQ(read.sensors[1].check, "Modbus_number= from 1 to 255 not found in the file\r\n");
  EXPECT_EQ(read.sensors[2].check, "");  // data were read earlier in the operation
  EXPECT_EQ(read.addresses, (std::vector<unsigned>{3, 4}));
  EXPECT_EQ(read.unreadable, std::vector<std::string>{dir / "missing.grad"});

  // A file without data when nothing was read before.
  read = ReadGradFiles({empty}, FreshSettings(kTypeZ));
  EXPECT_EQ(read.sensors[0].check, "Data not found in the file");

  // Type Z5 without Power, KUR and KUW, Russian texts.
  SimRunHeader h = Header(kTypeZ5, "11", "2", kRussian);
  h.power = h.kur = h.kuw = "";
  const std::string z5 = WriteFile(dir, "11_0.grad", SimRunFile(h, Rows(2, 600)));
  read = ReadGradFiles({z5}, FreshSettings(kTypeZ5, kRussian));
  EXPECT_EQ(read.sensors[0].check,
            "\nФайл 11_0.grad: Значение power не найдено\nФайл 11_0.grad: Значение KUR не найдено"
            "\nФайл 11_0.grad: Значение KUW не найдено");
  EXPECT_EQ(read.sensors[0].gasPosition, 0);
  EXPECT_FALSE(read.sensors[0].power.has_value());
}

TEST(GradFileReader, TwentyOneSerialNumbersEndTheOperation) {
  TempFolder dir;
  std::vector<std::string> paths;
  for (int k = 0; k < 21; ++k)
    paths.push_back(WriteFile(dir, Format("%02d.grad", k), SimRunFile(Header(kTypeZ, Format("%d", 100 + k)), Rows(2))));
  const CalcRead read = ReadGradFiles(paths, FreshSettings(kTypeZ));
  EXPECT_EQ(read.abortMessage, "Too many serial numbers are selected, max=20  ");
  EXPECT_EQ(read.sensors.size(), 20u);
}

TEST(GradFileReader, LineCapCoversTheWholeOperation) {
  TempFolder dir;
  CalcSettings settings = FreshSettings(kTypeZ);
  settings.lineCap = 25;
  const std::string a = WriteFile(dir, "a.grad", SimRunFile(Header(kTypeZ, "1"), Rows(20)));
  std::vector<SimRunRow> rows = Rows(20);
  rows[10].values[kQD] = "1";  // beyond the cap: never read
  const std::string b = WriteFile(dir, "b.grad", SimRunFile(Header(kTypeZ, "2"), rows));
  const std::string c = WriteFile(dir, "c.grad", SimRunFile(Header(kTypeZ, "3"), Rows(20)));
  const CalcRead read = ReadGradFiles({a, b, c}, settings);
  EXPECT_EQ(read.lines, 25u);
  EXPECT_TRUE(read.lineCapReached);
  ASSERT_EQ(read.sensors.size(), 2u);
  EXPECT_EQ(read.sensors[1].SampleCount(), 5u);
  EXPECT_TRUE(read.sensors[1].segments[0].valid);
  EXPECT_EQ(read.sensors[1].check, "");
}

TEST(GradFileReader, ParallelParseReadsLikeOneThread) {
  TempFolder dir;
  std::vector<std::string> paths;
  for (int k = 0; k < 6; ++k)
    paths.push_back(WriteSimulatedRun(dir, k % 2 ? kTypeZ : kTypeKvelt, Format("%d", 300 + k % 4), 3000 + 500 * k,
                                      std::uint64_t(k + 1), Format("%d", k + 1)));
  for (int type : {kTypeZ, kTypeKvelt}) {
    const CalcRead one = ReadGradFiles(paths, FreshSettings(type), 1);
    const CalcRead many = ReadGradFiles(paths, FreshSettings(type), 4);
    ASSERT_EQ(one.sensors.size(), many.sensors.size());
    EXPECT_EQ(one.lines, many.lines);
    for (std::size_t k = 0; k < one.sensors.size(); ++k) {
      EXPECT_EQ(one.sensors[k].samples, many.sensors[k].samples);
      EXPECT_EQ(one.sensors[k].check, many.sensors[k].check);
      EXPECT_EQ(one.sensors[k].segments.size(), many.sensors[k].segments.size());
      EXPECT_EQ(one.sensors[k].shown, many.sensors[k].shown);
    }
  }
}


// A file of `lines` short data lines of one sensor, written at once.
std::string WriteManyLines(const TempFolder& dir, const std::string& name, std::size_t lines) {
  std::string text = "* Serial_number=5, Modbus_number=1\r\n";
  const std::string line = "08:00:00 0.5 20 10000 2500 2600 0 2400 2500 0\r\n";
  text.reserve(text.size() + line.size() * lines);
  for (std::size_t k = 0; k < lines; ++k) text += line;
  return WriteFile(dir, name, text);
}

TEST(GradFileReader, ProgressCountsAndCancelStopsTheReading) {
  TempFolder dir;
  CalcSettings settings = FreshSettings(kTypeZ);
  settings.lineCap = 2000000;
  const std::size_t lines = 1500000;
  const std::string big = WriteManyLines(dir, "big.grad", lines);
  const std::string small = WriteManyLines(dir, "small.grad", 1500);

  // A normal read counts every data line.
  {
    CalcReadProgress progress;
    const CalcRead read = ReadGradFiles({small}, settings, 2, &progress);
    EXPECT_FALSE(read.cancelled);
    EXPECT_EQ(read.lines, 1500u);
    EXPECT_EQ(progress.lines.load(), 1500u);
  }
  // Cancelled before the call: nothing is read.
  {
    CalcReadProgress progress;
    progress.cancel = true;
    const CalcRead read = ReadGradFiles({small, big}, settings, 2, &progress);
    EXPECT_TRUE(read.cancelled);
    EXPECT_TRUE(read.sensors.empty());
    EXPECT_EQ(read.lines, 0u);
  }
  // Cancelled from another thread while the big file is read: it stops soon after.
  for (unsigned threads : {1u, 2u}) {
    CalcReadProgress progress;
    std::atomic<bool> done{false};
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread watcher([&] {
      while (progress.lines.load() == 0 && !done) std::this_thread::yield();
      cancelledAt = std::chrono::steady_clock::now();
      progress.cancel = true;
    });
    const CalcRead read = ReadGradFiles({big}, settings, threads, &progress);
    const auto returned = std::chrono::steady_clock::now();
    done = true;
    watcher.join();
    EXPECT_TRUE(read.cancelled) << threads;
    EXPECT_TRUE(read.sensors.empty());
    EXPECT_LT(progress.lines.load(), lines);
    // Generous against a loaded machine; on a quiet one it is a few milliseconds.
    EXPECT_LT(std::chrono::duration<double>(returned - cancelledAt).count(), 0.5);
  }
}

}  // namespace
}  // namespace kvl::testing
