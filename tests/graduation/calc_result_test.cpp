// Result texts and register blocks of each detector type, and the fits run
// in the background giving what a direct fit gives.
#include "graduation/calc_result.h"

#include <gtest/gtest.h>

#include "calc_test_support.h"
#include "graduation/calc_async.h"
#include "graduation/calc_checks.h"
#include "graduation/grad_file_reader.h"

namespace kvl::testing {
namespace {

CalcSensor Sensor(const std::string& serial, int gasPosition) {
  CalcSensor s;
  s.serial = serial;
  s.gasPosition = gasPosition;
  s.power = 1800;
  s.kur = 10000;
  s.kuw = 10100;
  FileSegment seg;
  seg.file = serial + "_0.grad";
  s.segments.push_back(seg);
  return s;
}

SegmentTable Z5Table(int t0) {
  SegmentTable t;
  t.T = {t0, 625, 701, 785, 855, 924, 1001, 1078};
  t.channels = 2;
  t.D[0] = {3000, 2900, 2800, 2700, 2600, 2500, 2400, 2300};  // R
  t.D[1] = {2000, 1950, 1900, 1850, 1800, 1750, 1700, 1650};  // W
  return t;
}

TEST(CalcResult, TextsPerType) {
  const CalcSensor s = Sensor("1234", 0);
  EXPECT_EQ(SegmentResultText(s, Z5Table(554), kTypeZ5, kEnglish),
            "Sensor 1234,  File 1234_0.grad:\r\n"
            "  n      T       W        R\r\n"
            "  0   1078   1650   2300\r\n"
            "  1   1001   1700   2400\r\n"
            "  2    924   1750   2500\r\n"
            "  3    855   1800   2600\r\n"
            "  4    785   1850   2700\r\n"
            "  5    701   1900   2800\r\n"
            "  6    625   1950   2900\r\n"
            "  7    554   2000   3000\r\n");
  // The coldest sample at 600 device units: the minimum temperature warning.
  const std::string warm = SegmentResultText(s, Z5Table(600), kTypeZ5, kEnglish);
  EXPECT_NE(warm.find("\r\nMinimum temperature in cu\nis far from its typical value.\r\n"), std::string::npos);
  EXPECT_EQ(warm.find("Maximum temperature"), std::string::npos);

  SegmentTable z;
  z.T = {-50, -31, -11, 8, 27, 46, 66, 85};
  z.D[0] = {9100, 9200, 9300, 9400, 9500, 9600, 9700, 9800};
  EXPECT_EQ(SegmentResultText(s, z, kTypeZ, kRussian),
            "Датчик 1234,  Файл 1234_0.grad:\r\n"
            "  n      T       D\r\n"
            "  0    -50   9100\r\n  1    -31   9200\r\n  2    -11   9300\r\n  3      8   9400\r\n"
            "  4     27   9500\r\n  5     46   9600\r\n  6     66   9700\r\n  7     85   9800\r\n");
}

TEST(CalcResult, RegisterBlocksPerType) {
  const SegmentTable t = Z5Table(554);
  std::vector<RegisterBlock> b = RegisterBlocks(Sensor("1", 0), t, kTypeZ5);
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[0], (RegisterBlock{96, {500, 943, 1800, 10000, 10100}, false}));
  EXPECT_EQ(b[1].first, 104);
  EXPECT_FALSE(b[1].report);
  EXPECT_EQ(b[1].words, (std::vector<std::uint16_t>{1078, 1001, 924, 855, 785, 701, 625, 554,  //
                                                    2300, 2400, 2500, 2600, 2700, 2800, 2900, 3000,  //
                                                    1650, 1700, 1750, 1800, 1850, 1900, 1950, 2000}));
  EXPECT_EQ(b[2].first, 128);
  EXPECT_TRUE(b[2].report);
  ASSERT_EQ(b[2].words.size(), 32u);
  EXPECT_EQ(b[2].words[7], 3000);   // R[0]
  EXPECT_EQ(b[2].words[23], 3000);
  // word 15 - i: W[i] (1 - a[7 - i] 0.0001), methane: W[0] = 2000, a[7] = 878
  EXPECT_EQ(b[2].words[15], 1824);  // trunc(2000 * 0.9122 + 0.5)
  EXPECT_EQ(b[2].words[31], 1758);  // trunc(2000 * (1 - 0.1212) + 0.5)
  EXPECT_EQ(b[2].words[8], 1650 * (10000 - 1111) / 10000 + (1650 * (10000 - 1111) % 10000 >= 5000 ? 1 : 0));

  // Another gas: 511 and 909, the other drop tables; no Power: no block 96.
  CalcSensor other = Sensor("2", 5);
  b = RegisterBlocks(other, t, kTypeZ5);
  EXPECT_EQ(b[0].words[0], 511);
  EXPECT_EQ(b[0].words[1], 909);
  EXPECT_EQ(b[2].words[15], int(2000 * (1 - 1573 * 0.0001) + 0.5));
  other.power.reset();
  b = RegisterBlocks(other, t, kTypeZ5);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0].first, 104);

  SegmentTable k;
  k.T = {450, 543, 636, 729, 821, 914, 1007, 1100};
  k.D[0] = {-1, 2, 3, 4, 5, 6, 7, 8};
  b = RegisterBlocks(Sensor("3", 0), k, kTypeKvelt);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0], (RegisterBlock{24, {1100, 1007, 914, 821, 729, 636, 543, 450, 8, 7, 6, 5, 4, 3, 2, 65535}, true}));
  k.T = {-50, -31, -11, 8, 27, 46, 66, 85};
  b = RegisterBlocks(Sensor("4", 0), k, kTypeZ40);
  EXPECT_EQ(b[0], (RegisterBlock{24, {65036, 65226, 65426, 80, 270, 460, 660, 850, 65535, 2, 3, 4, 5, 6, 7, 8}, true}));

  // Before reading, the registers the blocks fill are cleared (and nothing else).
  for (int type : {kTypeKvelt, kTypeZ5, kTypeZ}) {
    RegisterImage image;
    image.fill(7);
    ClearTableRegisters(type, image);
    int cleared = 0;
    for (std::uint16_t w : image) cleared += w == 0;
    EXPECT_EQ(cleared, type == kTypeKvelt ? 38 : type == kTypeZ5 ? 61 : 0) << type;
    EXPECT_EQ(image[type == kTypeZ5 ? 159 : 63], type == kTypeZ ? 7 : 0);
  }
}

TEST(CalcResult, BackgroundFitsGiveTheDirectTables) {
  TempFolder dir;
  std::vector<std::string> paths;
  for (int k = 0; k < 5; ++k)
    paths.push_back(WriteSimulatedRun(dir, kTypeZ5, Format("%d", 10 + k), 3000, std::uint64_t(k + 1), Format("%d", k + 1)));
  // Sensor 12 gets a second file, so it has two tables; the first is written.
  SimRunSetup more;
  more.type = kTypeZ5;
  more.lines = 2000;
  more.seed = 99;
  paths.push_back(WriteFile(dir, "12_1.grad", SimRunFile(Header(kTypeZ5, "12", "3"), SimulatedRunRows(more))));
  const CalcSettings settings = FreshSettings(kTypeZ5);
  CalcRead read = ReadGradFiles(paths, settings);
  CheckSegments(read, settings);
  const CalcSummary sum = BuildSummary(read, kEnglish);
  ASSERT_EQ(sum.calculable.size(), 5u) << sum.text;
  CCalcFits fits(read, settings, sum.calculable, 3);
  for (int slot : {4, 0, 2, 1, 3}) {
    const SensorTables& t = fits.Take(slot);
    const SensorTables direct = FitSensor(read.sensors[std::size_t(slot)], settings, FitMethod::Reference);
    ASSERT_EQ(t.tables, direct.tables) << slot;
    EXPECT_EQ(t.written, 0);
    EXPECT_TRUE(fits.Ready(slot));
  }
  const SensorTables& two = fits.Take(2);
  ASSERT_EQ(two.tables.size(), 2u);
  const std::string text = ResultText(read.sensors[2], two, kTypeZ5, kEnglish);
  EXPECT_EQ(text.find("Sensor 12,  File 12_0.grad:"), 0u);
  EXPECT_NE(text.find("Sensor 12,  File 12_1.grad:"), std::string::npos);
  EXPECT_TRUE(fits.Take(7).tables.empty());
}

}  // namespace
}  // namespace kvl::testing
