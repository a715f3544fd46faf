// A run's own files calculated with what the run knows: the samples recorded
// while it fed gas are left out by their date and time (midnight included),
// and a Z5 run in "Graduation-Z5" mode gives the factors its files lack.
#include <gtest/gtest.h>

#include "calc_test_support.h"
#include "graduation/calc_fit.h"
#include "graduation/gas_spans.h"
#include "graduation/grad_file_reader.h"
#include "support/temp_folder.h"

namespace kvl {
namespace {

using test::TempFolder;
using testing::FreshSettings;
using testing::Header;
using testing::WriteFile;

TEST(GasSpans, TextsAreWholeSpansOrRefusedNamingThePiece) {
  const struct {
    const char* text;
    bool good;
    std::size_t spans;
    const char* bad;
  } cases[] = {
      {"", true, 0, ""},
      {"07.12.2026 23:50:00..08.12.2026 00:10:00", true, 1, ""},
      {" 07.12.2026 08:00:00..07.12.2026 09:00:00 ; 07.12.2026 10:00:00..07.12.2026 10:00:00;", true, 2, ""},
      {"07.12.2026 09:00:00..07.12.2026 08:00:00", false, 0, "07.12.2026 09:00:00..07.12.2026 08:00:00"},
      {"07.12.2026 08:00:00", false, 0, "07.12.2026 08:00:00"},
      {"07.12.2026 08:00:00..32.12.2026 09:00:00", false, 0, "07.12.2026 08:00:00..32.12.2026 09:00:00"},
      {"07.12.2026 8:00:00..07.12.2026 09:00:00", false, 0, "07.12.2026 8:00:00..07.12.2026 09:00:00"},
      {"07.12.2026 08:00:00..07.12.2026 09:00:0x", false, 0, "07.12.2026 08:00:00..07.12.2026 09:00:0x"},
      {"07.12.2026 08:00:00..07.12.2026 09:00:00;junk", false, 1, "junk"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<GasSpan> spans;
    std::string bad;
    EXPECT_EQ(ParseGasSpans(c.text, &spans, &bad), c.good);
    EXPECT_EQ(spans.size(), c.spans);
    EXPECT_EQ(bad, c.bad);
    if (c.good) {
      std::vector<GasSpan> again;
      EXPECT_TRUE(ParseGasSpans(ComposeGasSpans(spans), &again, &bad));
      EXPECT_EQ(again, spans);
    }
  }
  std::tm t{};
  t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 8;
  EXPECT_EQ(CalendarSeconds(t) - CalendarSeconds(2026, 12, 7, 0), 86400);
  EXPECT_EQ(CalendarSeconds(1970, 1, 1, 5), 5);
  EXPECT_EQ(ComposeGasSpans({{CalendarSeconds(2024, 2, 29, 3661), CalendarSeconds(2024, 3, 1, 0)}, {7, 6}}),
            "29.02.2024 01:01:01..01.03.2024 00:00:00") << "a span still open is not one to leave out yet";
}

// Two hours over midnight; the gas lowered W from 23:50 to 00:10.
TEST(GasSpans, SamplesRecordedWhileGasFlowedAreLeftOutByDateAndTime) {
  TempFolder dir;
  SimRunSetup setup;
  setup.lines = 7200;
  setup.startSeconds = 23 * 3600;
  std::vector<SimRunRow> rows = SimulatedRunRows(setup), clean;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (k < 3000 || k > 4200) {
      clean.push_back(rows[k]);
      continue;
    }
    rows[k].values[3] = Format("%g", std::stod(rows[k].values[3]) - 400);
  }
  const SimRunHeader h = Header(kTypeZ5, "5001");
  const std::string gassed = WriteFile(dir, "5001_0.grad", SimRunFile(h, rows));
  TempFolder other;
  const std::string plain = WriteFile(other, "5001_0.grad", SimRunFile(h, clean));

  const CalcSettings fresh = FreshSettings(kTypeZ5);
  auto read = [&](const std::string& path, const std::string& spans) {
    CalcSettings s = fresh;
    std::string bad;
    EXPECT_TRUE(ParseGasSpans(spans, &s.gasSpans, &bad)) << bad;
    CalcRead r = ReadGradFiles({path}, s);
    EXPECT_EQ(r.sensors.size(), 1u);
    return r;
  };
  const CalcRead truth = read(plain, "");
  const SegmentTable want = FitSegment(truth.sensors[0], 0, fresh);
  ASSERT_EQ(want.channels, 2);

  const CalcRead left = read(gassed, "07.12.2026 23:50:00..08.12.2026 00:10:00");
  EXPECT_EQ(left.sensors[0].gasLeftOut, 1201u);
  EXPECT_EQ(left.sensors[0].SampleCount(), clean.size());
  EXPECT_EQ(left.sensors[0].segments[0].end, clean.size());
  EXPECT_EQ(FitSegment(left.sensors[0], 0, fresh), want) << "the clean-air table";

  // The same times on other days are another time; without the spans the gas pulls W down.
  EXPECT_EQ(read(gassed, "06.12.2026 23:50:00..07.12.2026 00:10:00").sensors[0].gasLeftOut, 0u);
  EXPECT_EQ(read(gassed, "08.12.2026 23:50:00..09.12.2026 00:10:00").sensors[0].gasLeftOut, 0u);
  EXPECT_NE(FitSegment(read(gassed, "").sensors[0], 0, fresh), want);
}

TEST(GasSpans, AGraduationZ5FileTakesItsRunsFactorsForItsOwnSerialOnly) {
  TempFolder dir;
  SimRunHeader h = Header(kTypeZ5, "5001");
  h.mode = kModeGraduationZ5;
  h.power = h.kur = h.kuw = "";
  SimRunSetup setup;
  setup.lines = 3000;
  const std::string path = WriteFile(dir, "5001_0.grad", SimRunFile(h, SimulatedRunRows(setup)));

  CalcSettings s = FreshSettings(kTypeZ5);
  CalcRead r = ReadGradFiles({path}, s);
  ASSERT_EQ(r.sensors.size(), 1u);
  EXPECT_TRUE(r.sensors[0].refused);
  EXPECT_NE(r.sensors[0].check.find("Power value not found"), std::string::npos) << r.sensors[0].check;

  s.runFactors["5002"] = {1700, 9000, 9100};
  EXPECT_TRUE(ReadGradFiles({path}, s).sensors[0].refused) << "another detector's factors";
  s.runFactors["5001"] = {1800, 10000, 10100};
  r = ReadGradFiles({path}, s);
  EXPECT_FALSE(r.sensors[0].refused) << r.sensors[0].check;
  EXPECT_EQ(r.sensors[0].check, "");
  EXPECT_EQ(r.sensors[0].power, 1800);
  EXPECT_EQ(r.sensors[0].kur, 10000);
  EXPECT_EQ(r.sensors[0].kuw, 10100);
}

}  // namespace
}  // namespace kvl
