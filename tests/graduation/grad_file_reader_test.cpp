// Reading run data files into sensor slots: header keys, numbers, limit
// reports, segments, slot limits, the line cap and the parallel parse.
#include "graduation/grad_file_reader.h"
#include "graduation/grad_line_scan.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <thread>

#include "calc_test_support.h"
#include "support/file_damage.h"
#include "graduation/calc_checks.h"
#include "text/cp1251.h"
#include "text/graduation_texts.h"
#include "text/reader_texts.h"
#include "text/selector_lists.h"
#include "text/text_file.h"

namespace kvl::testing {
namespace {

std::vector<SimRunRow> Rows(std::size_t n, double t0 = -50, double step = 1) {
  std::vector<SimRunRow> rows;
  for (std::size_t k = 0; k < n; ++k) rows.push_back(Row(TimeOf(k), t0 + step * double(k), 10000 + double(k)));
  return rows;
}

// Every form the grammar takes, on the quick path and the exact one, reads as strtod reads it.
TEST(GradFileReader, ScansNumbersAsStrtodDoes) {
  std::vector<std::string> tokens = {"0",  "12",   "+3",    "12.5", ".5",  "5.",  "1e3",   "2E-2", "00012",
                                     "1.0000000000000000001", "0.1", "25.3", "3276.7", "007.50", "1.5e+2"};
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {
    const int digits = int(rng() % 9);
    std::string t = std::to_string(rng() % 3000);
    if (digits) t += "." + std::to_string(rng() % 1000000000).substr(0, std::size_t(digits));
    tokens.push_back(t);
  }
  TempFolder dir;
  std::vector<SimRunRow> rows;
  for (std::size_t i = 0; i < tokens.size(); i += 9) {
    SimRunRow row;
    row.time = TimeOf(i);
    for (std::size_t q = 0; q < 9; ++q) row.values[q] = tokens[std::min(i + q, tokens.size() - 1)];
    rows.push_back(row);
  }
  CalcSettings settings = FreshSettings(kTypeZ5);  // nothing checked
  const CalcRead read = ReadGradFiles({WriteFile(dir, "n.grad", SimRunFile(Header(kTypeZ5, "1"), rows))}, settings);
  ASSERT_EQ(read.sensors.size(), 1u);
  EXPECT_EQ(read.sensors[0].check.find(txt::kTokenNotNumber(kEnglish)), std::string::npos) << read.sensors[0].check;
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t q = 0; q < 9; ++q)
      EXPECT_EQ(read.sensors[0].samples[q][i], float(std::strtod(rows[i].values[q].c_str(), nullptr)))
          << "'" << rows[i].values[q] << "'";
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
  // Type Z5 falls back to (0, 0) pairs: only what a field can hold is checked,
  // and a value beyond that is no value of the field: the file is refused.
  {
    SimRunHeader h = Header(kTypeZ5, "9");
    const std::string path = WriteFile(dir, "9_0.grad", SimRunFile(h, {Row("10:00:00", 600, -5, 99999, 3)}));
    const CalcRead read = ReadGradFiles({path}, FreshSettings(kTypeZ5));
    EXPECT_FALSE(read.sensors[0].segments[0].valid);
    EXPECT_EQ(read.sensors[0].check, "File 9_0.grad, line 6: W=\"99999\" - out of range\r\n");
    EXPECT_TRUE(read.sensors[0].refused);
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
  EXPECT_EQ(read.sensors[1].address, 0);
  EXPECT_EQ(read.sensors[1].check, "Modbus_number= from 1 to 255 not found in the file\r\n"
                                   "File c.grad, line 2: Modbus_number=\"300\" - out of range\r\n");
  EXPECT_TRUE(read.sensors[1].refused);
  EXPECT_EQ(read.sensors[2].check, "");  // data were read earlier in the operation
  EXPECT_EQ(read.addresses, (std::vector<unsigned>{3, 4}));
  EXPECT_EQ(read.unreadable, std::vector<std::string>{dir / "missing.grad"});
  EXPECT_EQ(read.noData, std::vector<std::string>{"missing.grad"});

  // A file without data: its segment is reported by the checks, with its name.
  read = ReadGradFiles({empty}, FreshSettings(kTypeZ));
  CheckSegments(read, FreshSettings(kTypeZ));
  EXPECT_EQ(read.sensors[0].check, "File d.grad: Data not found in the file\r\n");

  // Type Z5 without Power, KUR and KUW, Russian texts.
  SimRunHeader h = Header(kTypeZ5, "11", "2", kRussian);
  h.power = h.kur = h.kuw = "";
  const std::string z5 = WriteFile(dir, "11_0.grad", SimRunFile(h, Rows(2, 600)));
  read = ReadGradFiles({z5}, FreshSettings(kTypeZ5, kRussian));
  EXPECT_EQ(read.sensors[0].check,
            "Файл 11_0.grad: Значение мощности излучателя не найдено\r\nФайл 11_0.grad: Значение KUR не найдено\r\n"
            "Файл 11_0.grad: Значение KUW не найдено\r\n");
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


void ExpectSameRead(const CalcRead& a, const CalcRead& b, const std::string& what) {
  EXPECT_EQ(a.lines, b.lines) << what;
  EXPECT_EQ(a.lineCapReached, b.lineCapReached) << what;
  EXPECT_EQ(a.abortMessage, b.abortMessage) << what;
  EXPECT_EQ(a.addresses, b.addresses) << what;
  EXPECT_EQ(a.unreadable, b.unreadable) << what;
  ASSERT_EQ(a.sensors.size(), b.sensors.size()) << what;
  for (std::size_t k = 0; k < a.sensors.size(); ++k) {
    const CalcSensor& x = a.sensors[k];
    const CalcSensor& y = b.sensors[k];
    EXPECT_EQ(x.serial, y.serial) << what;
    EXPECT_EQ(x.modbusText, y.modbusText) << what;
    EXPECT_EQ(x.address, y.address) << what;
    EXPECT_EQ(x.gasPosition, y.gasPosition) << what;
    EXPECT_EQ(x.gasText, y.gasText) << what;
    EXPECT_EQ(x.power, y.power) << what;
    EXPECT_EQ(x.samples, y.samples) << what << " sensor " << k;
    EXPECT_EQ(x.check, y.check) << what << " sensor " << k;
    EXPECT_EQ(x.shown, y.shown) << what;
    ASSERT_EQ(x.segments.size(), y.segments.size()) << what;
    for (std::size_t s = 0; s < x.segments.size(); ++s) {
      EXPECT_EQ(x.segments[s].begin, y.segments[s].begin) << what;
      EXPECT_EQ(x.segments[s].end, y.segments[s].end) << what;
      EXPECT_EQ(x.segments[s].valid, y.segments[s].valid) << what;
      EXPECT_EQ(x.segments[s].file, y.segments[s].file) << what;
    }
  }
}

TEST(GradFileReader, PartsAndThreadsReadLikeOneThreadInOneGo) {
  TempFolder dir;
  std::vector<std::string> paths;
  // Realistic runs, one of them long; values outside the limits here and there.
  for (int k = 0; k < 4; ++k) {
    SimRunSetup setup;
    setup.type = kTypeZ;
    setup.lines = k == 0 ? 9000 : 1500 + 400 * std::size_t(k);
    setup.seed = std::uint64_t(40 + k);
    std::vector<SimRunRow> rows = SimulatedRunRows(setup);
    for (std::size_t i = 700 + std::size_t(k); i < rows.size(); i += 1900) rows[i].values[kQD] = "99999";
    paths.push_back(WriteFile(dir, Format("r%d.grad", k), SimRunFile(Header(kTypeZ, Format("%d", 50 + k % 3)), rows)));
  }
  // Data lines before the first serial number (dropped), several sensors in one file, headers mid-file.
  std::string mixed;
  for (int k = 0; k < 400; ++k) mixed += TimeOf(std::size_t(k)) + " 0 20 10000 2500 2600 0 2400 2500 0\r\n";
  for (int sensor : {60, 61, 60}) {
    mixed += Format("* Serial_number=%d, Modbus_number=%d, Gas=Methane\r\n", sensor, sensor - 50);
    for (int k = 0; k < 300; ++k)
      mixed += TimeOf(std::size_t(k)) + Format(" 0 %d 10000 2500 2600 0 2400 2500 0\r\n", k % 7 == 0 ? 900 : 20);
  }
  paths.push_back(WriteFile(dir, "a_mixed.grad", mixed));
  // The same files already in memory, under their names (name order, reports).
  std::vector<std::string> texts(paths.size());
  std::vector<GradFileBytes> inMemory;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    ASSERT_EQ(ReadFileBytes(paths[i], texts[i]), 0);
    inMemory.push_back({paths[i].substr(paths[i].rfind('/') + 1), texts[i]});
  }
  paths.push_back(dir / "t_missing.grad");

  // A small cap also stops a part early: one that guessed a serial number had come can miss the real one.
  for (std::size_t cap : {kMaxCalcLines, std::size_t(10000), std::size_t(9100), std::size_t(50)}) {
    CalcSettings whole = FreshSettings(kTypeZ);
    whole.lineCap = cap;
    whole.partBytes = std::size_t(1) << 40;  // every file in one part
    const CalcRead base = ReadGradFiles(paths, whole, 1);
    ASSERT_FALSE(base.sensors.empty());
    CalcRead fromMemory = ReadGradBytes(inMemory, whole, 3);
    fromMemory.unreadable = base.unreadable;  // the missing file has no bytes
    ExpectSameRead(base, fromMemory, Format("cap %zu, from memory", cap));
    for (std::size_t partBytes : {std::size_t(0), std::size_t(5000), std::size_t(333)}) {
      for (unsigned threads : {1u, 3u}) {
        CalcSettings s = whole;
        s.partBytes = partBytes;
        ExpectSameRead(base, ReadGradFiles(paths, s, threads),
                       Format("cap %zu, parts of %zu bytes, %u threads", cap, partBytes, threads));
      }
    }
  }
}

// Read in one go, a file is parsed no further than the line cap; a part that
// starts past the cap must not bring in what lies there (a damaged line, a
// header given again, a caption of another format).
TEST(GradFileReader, DamagePastTheLineCapIsNotReadInPartsEither) {
  const std::string head = "* Serial_number=70, Modbus_number=3, Gas=Methane\r\n";
  std::string clean;
  for (int k = 0; k < 40; ++k) clean += TimeOf(std::size_t(k)) + " 0 20 10000 2500 2600 0 2400 2500 0\r\n";
  const std::string more = TimeOf(50) + " 0 20 10000 2500 2600 0 2400 2500 0\r\n";
  const std::string late[] = {
      TimeOf(41) + " 0 20 10000 2500 2600 0 2400 2500 0 7\r\n",                 // a field more
      "* Serial_number=71, Serial_number=72\r\n",                               // a key given twice
      "*  LEL%  T  D  W  R  P\r\n" + TimeOf(41) + " 0 20 10000 2500 2600\r\n",  // another format
      TimeOf(41) + " 0 2x0 10000 2500 2600 0 2400 2500 0\r\n",                  // a token no number
  };
  for (const std::string& damage : late) {
    const std::string file = head + clean + damage + more + more;
    CalcSettings whole = FreshSettings(kTypeZ);
    whole.lineCap = 25;
    whole.partBytes = std::size_t(1) << 40;
    const CalcRead base = ReadGradBytes({{"late.grad", file}}, whole, 1);
    ASSERT_EQ(base.sensors.size(), 1u) << damage;
    EXPECT_TRUE(base.lineCapReached);
    EXPECT_FALSE(base.sensors[0].refused) << base.sensors[0].check;
    for (std::size_t partBytes : {std::size_t(64), std::size_t(200), std::size_t(900)}) {
      CalcSettings parts = whole;
      parts.partBytes = partBytes;
      ExpectSameRead(base, ReadGradBytes({{"late.grad", file}}, parts, 2),
                     Format("%zu bytes: %s", partBytes, damage.c_str()));
    }
  }
}

TEST(GradFileReader, QuickTokensConvertAsStrtod) {
  std::vector<std::string> tokens = {"0",   "-0",  "+0",      "5.",       ".5",       "-.5",      "12345678", "-12345678",
                                     "1234.567", ".1234567", "1234567.", "00000001", "0000.001", "9.9999999", "99999999",
                                     ".",   "-",   "1..2",    "1.2.",     "12a",      "1 2",      "--5",      "+-5",
                                     "123456789", "1e5", "1/2", ":12"};
  std::mt19937_64 rng(3);
  for (int i = 0; i < 200000; ++i) {
    const std::size_t len = 1 + rng() % 8;
    std::string t;
    if (rng() % 3 == 0) t += rng() % 2 ? '-' : '+';
    for (std::size_t k = 0; k < len; ++k) t += "0123456789.."[rng() % 12];
    tokens.push_back(t);
  }
  for (const std::string& t : tokens) {
    std::string padded = t + std::string(16, 'x');  // the scanner reads eight bytes past the sign
    double got = 0;
    if (!linescan::PlainDecimal(padded.data(), unsigned(t.size()), &got)) continue;  // left to the exact path
    char* end = nullptr;
    const double want = std::strtod(t.c_str(), &end);
    ASSERT_EQ(end, t.c_str() + t.size()) << "'" << t << "' is not a whole number";
    ASSERT_EQ(want, got) << "'" << t << "'";
    ASSERT_EQ(std::signbit(want), std::signbit(got)) << "'" << t << "'";
  }
  // The plain shapes are all taken.
  for (const char* t : {"0", "-0", "5.", ".5", "-.5", "12345678", "-1234.567", "+0000.001"}) {
    std::string padded = std::string(t) + std::string(16, 'x');
    double v = 0;
    EXPECT_TRUE(linescan::PlainDecimal(padded.data(), unsigned(std::strlen(t)), &v)) << t;
  }
}

// A recorded run damaged as disks, copies and hand edits damage files: the
// sensor is not offered for calculation and the summary says why, or the file
// reads as the good one; cut at a line end it reads one line less.
TEST(GradFileReader, DamagedFilesAreRefusedOrReadAsTheGoodOne) {
  for (int type : {kTypeZ, kTypeZ5}) {
    SimRunSetup setup;
    setup.type = type;
    setup.lines = 600;
    SimRunHeader header = Header(type, "5");
    const std::string good = SimRunFile(header, SimulatedRunRows(setup));
    const CalcSettings settings = FreshSettings(type);
    auto read = [&](const std::string& bytes, CalcSummary* summary) {
      CalcRead r = ReadGradBytes({{"5_0.grad", bytes}}, settings, 1);
      CheckSegments(r, settings);
      *summary = BuildSummary(r, kEnglish);
      return r;
    };
    CalcSummary wantSummary;
    const CalcRead want = read(good, &wantSummary);
    ASSERT_EQ(wantSummary.calculable, std::vector<int>{0}) << wantSummary.text;
    std::vector<Damage> damages = StructuralDamages(good);
    const std::size_t lastLine = good.rfind('\n', good.size() - 3) + 1;
    for (int q : type == kTypeZ5 ? std::vector<int>{kQW, kQR} : std::vector<int>{kQD}) {
      const auto [at, size] = TokenAt(good, lastLine, 1 + q);
      for (Damage& d : TokenDamages(good, at, size, kQuantities[q](kEnglish))) damages.push_back(d);
    }
    for (const Damage& d : damages) {
      CalcSummary sum;
      const CalcRead got = read(d.bytes, &sum);
      const std::string what = std::to_string(type) + " " + d.name + ": " + sum.text;
      if (d.name == "LF only" || d.name == "byte-order mark") {
        ASSERT_EQ(got.sensors.size(), 1u) << what;
        EXPECT_EQ(got.sensors[0].samples, want.sensors[0].samples) << what;
        EXPECT_EQ(sum.text, wantSummary.text) << what;
      } else if (d.name == "cut at a line end") {
        EXPECT_EQ(got.lines, want.lines - 1) << what;
        EXPECT_EQ(sum.calculable, std::vector<int>{0}) << what;
      } else {
        EXPECT_TRUE(sum.calculable.empty()) << what;
        EXPECT_EQ(sum.text.find(txt::kDataAreNormal(kEnglish)), std::string::npos) << what;
        EXPECT_TRUE(IsValidUtf8(sum.text) && sum.text.find('\0') == std::string::npos) << what;
      }
    }
  }
}

}  // namespace
}  // namespace kvl::testing

namespace kvl::testing {
namespace {

// One grammar and one structure for every run data file: each row a damage
// of a recorded Z5 run (its header struct, its first data line, or its bytes)
// and the words of the refusal; the forms the recorder and hand edits use
// are read as the good file.
TEST(GradFileReader, DamagesAreRefusedNamingFileLineAndToken) {
  struct Row {
    const char* name;
    std::function<void(SimRunHeader&, std::vector<SimRunRow>&)> damage;
    std::function<std::string(std::string)> bytes;  // after the file is made
    const char* refusal;                           // "" for a file read as the good one
  };
  auto head = [](auto f) { return [f](SimRunHeader& h, std::vector<SimRunRow>&) { f(h); }; };
  auto d0 = [](const char* v) {
    return [v](SimRunHeader&, std::vector<SimRunRow>& rows) { rows[0].values[kQD] = v; };
  };
  auto none = [](SimRunHeader&, std::vector<SimRunRow>&) {};
  auto same = [](std::string b) { return b; };
  auto swap = [](const char* from, const char* to) {
    return [from, to](std::string b) { return b.replace(b.find(from), std::strlen(from), to); };
  };
  const std::vector<Row> rows = {
      {"modbus 1?", head([](SimRunHeader& h) { h.modbus = "1?"; }), same, "line 2: Modbus_number=\"1?\" - not a number"},
      {"modbus 1 7", head([](SimRunHeader& h) { h.modbus = "1 7"; }), same, "Modbus_number=\"1 7\" - not a number"},
      {"modbus 0", head([](SimRunHeader& h) { h.modbus = "0"; }), same, "Modbus_number=\"0\" - out of range"},
      {"power 2O48", head([](SimRunHeader& h) { h.power = "2O48"; }), same, "Power=\"2O48\" - not a number"},
      {"power empty", head([](SimRunHeader& h) { h.power = ""; }), same, "Power=\"\" - no value"},
      {"power 99999", head([](SimRunHeader& h) { h.power = "99999"; }), same, "Power=\"99999\" - out of range"},
      {"kur 1OOOO", head([](SimRunHeader& h) { h.kur = "1OOOO"; }), same, "KUR=\"1OOOO\" - not a number"},
      {"serial 123a5", head([](SimRunHeader& h) { h.serial = "123a5"; }), same, "Serial_number=\"123a5\" - not a number"},
      {"gas empty", head([](SimRunHeader& h) { h.gas = ""; }), same, "line 2: Gas= no value"},
      {"serial twice", none, swap("Serial_number=5,", "Serial_number=5, Serial_number=6,"), "Serial_number= given twice"},
      {"second table's modbus", none, [](std::string b) { return b + SimRunHeaderBlock(Header(kTypeZ5, "5", "2")); },
       "line 10: Modbus_number= given twice"},
      {"D 10?8", d0("10?8"), same, "line 6: D=\"10?8\" - not a number"},
      {"D 1x5", d0("1x5"), same, "D=\"1x5\" - not a number"},
      {"D 1e40", d0("1e40"), same, "D=\"1e40\" - out of range"},
      {"D 0,25", d0("0,25"), same, "line 6: fields: 16, the header's format has 15"},
      {"D 22 60", d0("22 60"), same, "line 6: fields: 16, the header's format has 15"},
      {"a field more", none, swap("\r\n08:00:01", " 7\r\n08:00:01"), "line 6: fields: 16, the header's format has 15"},
      {"a field less", none, swap("       0\r\n08:00:01", "\r\n08:00:01"), "line 6: fields: 14, the header's format has 15"},
      {"last line cut", none, [](std::string b) { return b.substr(0, b.size() - 2); },
       "line 8: the last line has no line end: the file may be cut there."},
      // Forms the recorder and hand edits use.
      {"modbus +01", head([](SimRunHeader& h) { h.modbus = "+01"; }), same, ""},
      {"power 1800.0", head([](SimRunHeader& h) { h.power = "1800.0"; }), same, ""},
      {"D +10000.0", d0("+10000.0"), same, ""},
      {"tabs", none, swap("08:00:01 ", "08:00:01\t"), ""},
  };
  const CalcSettings settings = FreshSettings(kTypeZ5);
  for (const Row& r : rows) {
    SimRunHeader h = Header(kTypeZ5, "5");
    std::vector<SimRunRow> data = Rows(3);
    r.damage(h, data);
    CalcRead read = ReadGradBytes({{"5_0.grad", r.bytes(SimRunFile(h, data))}}, settings, 1);
    CheckSegments(read, settings);
    const CalcSummary sum = BuildSummary(read, kEnglish);
    if (*r.refusal == 0) {
      EXPECT_EQ(sum.text.find("File 5_0.grad,"), std::string::npos) << r.name << ": " << sum.text;
      ASSERT_EQ(read.sensors.size(), 1u) << r.name;
      EXPECT_FALSE(read.sensors[0].refused) << r.name << ": " << sum.text;
      EXPECT_EQ(read.sensors[0].samples[kQD][0], 10000.0f) << r.name;
      continue;
    }
    EXPECT_NE(sum.text.find("File 5_0.grad, line "), std::string::npos) << r.name << ": " << sum.text;
    EXPECT_NE(sum.text.find(r.refusal), std::string::npos) << r.name << ": " << sum.text;
    EXPECT_TRUE(sum.calculable.empty()) << r.name;
  }
}

}  // namespace
}  // namespace kvl::testing
