// kvlctl scan and kvlctl cmd as the operator runs them, against kvlsim on a
// pseudo-terminal: the address search over scattered detectors and over a
// silent line, and per-detector commands end to end.
#include <gtest/gtest.h>

#include <regex>

#include "kvlctl_process.h"
#include "sim_process.h"

namespace kvl {
namespace {

using test::RunKvlctl;
using test::SimProcess;

class KvlctlOnSim : public ::testing::Test {
 protected:
  // Z5 at 2, then the other types scattered at 5, 7 and 9; the model frozen.
  void SetUp() override {
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(sim.ReadLine(&port));
    ASSERT_EQ(port.rfind("/dev/", 0), 0u) << port;
    ASSERT_EQ(sim.Command("add Z 5"), "added 1 Z detector(s) from address 5");
    ASSERT_EQ(sim.Command("add KVELT 7"), "added 1 KVELT detector(s) from address 7");
    ASSERT_EQ(sim.Command("add Z40 9"), "added 1 Z40 detector(s) from address 9");
  }
  test::KvlctlResult Ctl(std::vector<std::string> args) {
    args.insert(args.end(), {"--port", port});
    return RunKvlctl(args, 30000);
  }
  // One cell of kvlctl row --json.
  std::string Cell(const std::string& type, int addr, const std::string& key, const std::string& mode = "0") {
    const auto r = Ctl({"row", "--type", type, "--addr", std::to_string(addr), "--mode", mode, "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::smatch m;
    const std::regex re("\"" + key + "\": \"([^\"]*)\"");
    return std::regex_search(r.out, m, re) ? m[1].str() : "<none>";
  }

  SimProcess sim{{"--pty", "--type", "Z5", "--count", "1", "--first-addr", "2", "--speed", "0"}};
  std::string port;
};

TEST_F(KvlctlOnSim, ScanFindsScatteredDetectorsAndNamesTheirTypes) {
  const auto r = Ctl({"scan", "--from", "1", "--to", "10"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::regex line(
      "  2  serial 5100002 +firmware V5\\.21 +type Z5\n"
      "  5  serial 11005 +firmware V3\\.12 +type Z\n"
      "  7  serial 2400007 +firmware V7\\.47 +type KVELT\n"
      "  9  serial 14009 +firmware V4\\.10 +type Z40\n"
      "found 4 detector\\(s\\) in [0-9]+\\.[0-9] s\n");
  EXPECT_TRUE(std::regex_match(r.out, line)) << r.out;

  // A silent line: nothing found, and still a clean end.
  ASSERT_EQ(sim.Command("fault all silent"), "fault all silent");
  const auto silent = Ctl({"scan", "--from", "1", "--to", "3", "--json"});
  ASSERT_EQ(silent.exitCode, 0) << silent.err;
  EXPECT_TRUE(std::regex_match(silent.out, std::regex("\\{\"found\": \\[\\], \"seconds\": [0-9.]+\\}\n")))
      << silent.out;
}

TEST_F(KvlctlOnSim, CommandsWriteByTheRulesAndShowOnTheNextPoll) {
  // Limit 1 of the Z: one write, reported, shown (limits show in "Calibration").
  auto r = Ctl({"cmd", "limit1", "30", "--type", "Z", "--addr", "5"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "write 5 5 30\nRecorded\n");
  EXPECT_EQ(Cell("Z", 5, "limit1", "1"), "30");

  // A refused answer: the command's message, nothing written.
  r = Ctl({"cmd", "limit1", "101", "--type", "Z", "--addr", "5"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "Illegal value\n");
  EXPECT_EQ(Cell("Z", 5, "limit1", "1"), "30");

  // The Z5's 32-bit serial number: low word, then high word.
  r = Ctl({"cmd", "serial", "70000", "--type", "Z5", "--addr", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "write 2 51 4464\nwrite 2 79 1\nRecorded\n");
  EXPECT_EQ(Cell("Z5", 2, "serial"), "70000");

  // The KVELT moves to address 12 at the line's baud rate and answers there.
  r = Ctl({"cmd", "address", "12", "--type", "KVELT", "--addr", "7", "--dry-run"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "write 7 0 3080\n");
  EXPECT_EQ(Cell("KVELT", 7, "serial"), "2400007");
  r = Ctl({"cmd", "address", "12:9600", "--type", "KVELT", "--addr", "7"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Cell("KVELT", 12, "serial"), "2400007");
  EXPECT_EQ(Ctl({"read", "--addr", "7", "--first", "0", "--count", "1"}).exitCode, 1);
}

}  // namespace
}  // namespace kvl
