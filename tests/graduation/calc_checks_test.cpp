// Temperature checks of the segments, the summary and who is offered a calculation.
#include "graduation/calc_checks.h"

#include <gtest/gtest.h>

#include "calc_test_support.h"
#include "graduation/grad_file_reader.h"

namespace kvl::testing {
namespace {

// A file of type Z whose T runs from lo to hi in 10 lines.
std::string Sweep(const TempFolder& dir, const std::string& name, const std::string& serial, double lo, double hi,
                  bool badLine = false) {
  std::vector<SimRunRow> rows;
  for (int k = 0; k < 10; ++k) rows.push_back(Row(TimeOf(std::size_t(k)), lo + (hi - lo) * k / 9, 10000));
  if (badLine) rows[4].values[kQD] = "20000";
  return WriteFile(dir, name, SimRunFile(Header(kTypeZ, serial), rows));
}

TEST(CalcChecks, TemperatureRangesOfEverySegment) {
  TempFolder dir;
  const CalcSettings settings = FreshSettings(kTypeZ);  // Tmin -60..-40, Tmax 75..95
  const struct {
    double lo, hi;
    bool bad;
    const char* report;  // after "File x.grad: "
    bool good;
  } cases[] = {
      {-50, 85, false, "", true},
      {-70, 85, false, "Tmin=-70, norm=-60...-40  \r\n", false},
      {-30, 85, false, "Tmin=-30, norm=-60...-40  \r\n", false},
      {-50, 70, false, "Tmax=70, norm=75...95  \r\n", false},
      {-70, 70, false, "Tmin=-70, norm=-60...-40  \r\n", false},  // Tmin is reported alone
      {-50, 85, true, "", false},  // temperatures in range, but a line outside the display limits
  };
  for (const auto& c : cases) {
    const std::string path = Sweep(dir, "x.grad", "1", c.lo, c.hi, c.bad);
    CalcRead read = ReadGradFiles({path}, settings);
    const std::string fromReading = read.sensors[0].check;
    CheckSegments(read, settings);
    const std::string added = read.sensors[0].check.substr(fromReading.size());
    EXPECT_EQ(added, *c.report ? std::string("File x.grad: ") + c.report : "") << c.lo << " " << c.hi;
    EXPECT_EQ(read.sensors[0].segments[0].good, c.good) << c.lo << " " << c.hi;
    EXPECT_EQ(read.sensors[0].goodSegments, c.good ? 1 : 0);
  }
  // Type Z40 reads degrees as type Z does, KVELT and Z5 device units.
  EXPECT_EQ(CheckField(kTypeZ40), CheckField(kTypeZ));
  EXPECT_EQ(CheckField(kTypeZ5), CheckField(kTypeKvelt));
}

TEST(CalcChecks, SummaryAndWhoIsCalculated) {
  TempFolder dir;
  const CalcSettings settings = FreshSettings(kTypeZ);
  const std::string a1 = Sweep(dir, "1_0.grad", "1", -50, 85);
  const std::string a2 = Sweep(dir, "1_1.grad", "1", -55, 80);
  const std::string b1 = Sweep(dir, "2_0.grad", "2", -70, 85);
  const std::string b2 = Sweep(dir, "2_1.grad", "2", -50, 85);
  const std::string c1 = Sweep(dir, "3_0.grad", "3", -50, 60);

  CalcRead read = ReadGradFiles({a1, a2, b1, b2, c1}, settings);
  CheckSegments(read, settings);
  CalcSummary sum = BuildSummary(read, kEnglish);
  EXPECT_EQ(sum.text,
            "Sensor 1: Files 1_0.grad, 1_1.grad: data are normal\n"
            "\n--------------------\n"
            "Sensor 2:\nFile 2_0.grad: Tmin=-70, norm=-60...-40  \r\n"
            "\n--------------------\n"
            "Sensor 3:\nFile 3_0.grad: Tmax=60, norm=75...95  \r\n");
  // Sensor 2's report is shown before it is offered; sensor 3 has nothing to calculate.
  EXPECT_EQ(sum.icon, SummaryIcon::Exclamation);
  EXPECT_EQ(sum.calculable, (std::vector<int>{0, 1}));
  EXPECT_TRUE(sum.logged.empty());

  read = ReadGradFiles({a1}, settings);
  CheckSegments(read, settings);
  sum = BuildSummary(read, kRussian);
  EXPECT_EQ(sum.text, "Датчик 1: Файл 1_0.grad: данные в норме\n");
  EXPECT_EQ(sum.icon, SummaryIcon::Information);

  read = ReadGradFiles({c1, b1}, settings);
  CheckSegments(read, settings);
  sum = BuildSummary(read, kEnglish);
  EXPECT_EQ(sum.icon, SummaryIcon::None);
  EXPECT_TRUE(sum.calculable.empty());
  EXPECT_EQ(sum.logged, (std::vector<int>{0, 1}));
}

}  // namespace
}  // namespace kvl::testing
