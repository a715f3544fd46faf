// A full bus graduated unattended: twenty simulated Z5 detectors, the shipped
// demo profiles, kvlctl graduate from the hottest stage to written tables.
// One poll cycle of the bus outlasts the profile's steadiness windows, so the
// run must stretch them to the detectors' own polls. It takes a quarter of an
// hour: `make test-long` runs it (CI too), `make test` leaves it out.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "kvlctl_process.h"
#include "sim_process.h"
#include "support/temp_folder.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using test::RunKvlctl;
using test::SimProcess;
using test::TempFolder;

const std::string kProfiles = KVL_SOURCE_DIR_PATH "/profiles/";

TEST(KvlctlGraduateLong, DISABLED_TwentyDetectorsGraduateUnattendedOnTheDemoProfiles) {
  TempFolder folder;
  // 19200 baud: the same rules as at 9600 with half the wait.
  SimProcess sim({"--pty", "--type", "Z5", "--count", "20", "--baud", "19200", "--chamber",
                  kProfiles + "demo-ascii.chamber", "--valves", kProfiles + "demo.valves", "--speed", "600"});
  std::string pty, chamberPty;
  ASSERT_TRUE(sim.ReadLine(&pty));
  ASSERT_TRUE(sim.ReadLine(&chamberPty));
  const test::KvlctlResult r = RunKvlctl(
      {"graduate", "--port", pty, "--baud", "19200", "--chamber-port", chamberPty, "--chamber",
       kProfiles + "demo-ascii.chamber", "--valves", kProfiles + "demo.valves", "--type", "Z5", "--addr", "1-20",
       "--data", folder.path(), "--conc", "0.5", "1.0", "--stabilization", "5", "--write", "--report",
       folder / "reports", "--progress", "60"},
      45 * 60 * 1000);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("detector(s): steadiness judged over"), std::string::npos) << "the windows it uses are said";
  for (int a = 1; a <= 20; ++a) {
    const std::string serial = Format("%d", 5100000 + a);
    SCOPED_TRACE(serial);
    std::string log;
    ASSERT_EQ(ReadFileBytes(folder / (serial + ".tab"), log), 0);
    for (int point = 0; point < 8; ++point) {
      const std::regex line("\r\nG" + std::to_string(point) + " ");
      EXPECT_EQ(std::distance(std::sregex_iterator(log.begin(), log.end(), line), std::sregex_iterator()), 1) << point;
    }
    EXPECT_TRUE(std::filesystem::exists(folder / ("reports/" + serial + "_0.html")));
    EXPECT_NE(r.out.find(Format("written to %d: ", a)), std::string::npos);
  }
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
}

}  // namespace
}  // namespace kvl
