// kvlctl record and write-tab against kvlsim on a pty: run data files that
// stay whole when the recorder is killed, and table files that end up in the
// simulated detectors' registers.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "kvlctl_process.h"
#include "sim_process.h"
#include "support/temp_folder.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using test::KvlctlProcess;
using test::RunKvlctl;
using test::SimProcess;
using test::TempFolder;

std::string SimPty(SimProcess& sim) {
  std::string path;
  EXPECT_TRUE(sim.Started());
  EXPECT_TRUE(sim.ReadLine(&path));
  return path;
}

// Every file of the folder holds only whole CR LF lines: header lines, or
// data lines of the time and fourteen fields (Tuning mode).
void ExpectWholeLines(const std::string& folder, std::size_t* files, std::size_t* dataLines) {
  static const std::regex kData(R"(\d\d:\d\d:\d\d( +\S+){14})");
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().string());
    std::string bytes;
    ASSERT_EQ(ReadFileBytes(entry.path().string(), bytes), 0);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    ++*files;
    std::size_t start = 0;
    while (start < bytes.size()) {
      const std::size_t end = bytes.find("\r\n", start);
      ASSERT_NE(end, std::string::npos) << "a line without its CR LF at " << start;
      const std::string line = bytes.substr(start, end - start);
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
      if (line[0] != '*') {
        EXPECT_TRUE(std::regex_match(line, kData)) << line;
        ++*dataLines;
      }
      start = end + 2;
    }
  }
}

TEST(GraduationTools, RecordEndsCleanlyAndAKillLeavesOnlyWholeLines) {
  SimProcess sim({"--pty", "--type", "Z5", "--count", "3", "--baud", "19200"});
  const std::string pty = SimPty(sim);
  TempFolder folder;
  const std::vector<std::string> args = {"record", "--port", pty, "--baud", "19200", "--type", "Z5", "--addr", "1-2,3",
                                         "--period", "0.02", "--folder", folder.path()};
  {
    KvlctlProcess ctl(args);
    ASSERT_TRUE(ctl.WaitForOut("recorded 3 ", 10000));
    const test::ProcessResult r = ctl.Stop();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("series 0, 0 failed write(s)"), std::string::npos) << r.err;
  }
  {
    // The next run takes the next series; killed at once, in the middle of its ticks.
    KvlctlProcess ctl(args);
    ASSERT_TRUE(ctl.WaitForOut("recorded 100 series 1", 15000));
    ctl.Signal(SIGKILL);
    EXPECT_EQ(ctl.Finish(5000).exitCode, 128 + SIGKILL);
  }
  std::size_t files = 0, lines = 0;
  ExpectWholeLines(folder.path(), &files, &lines);
  EXPECT_GE(lines, 103u);
  // The first run wrote at least the first detector's series 0 (the others
  // may not have answered yet); the second run all three in series 1.
  EXPECT_TRUE(std::filesystem::exists(folder / "5100001_0.grad"));
  for (const char* name : {"5100001_1.grad", "5100002_1.grad", "5100003_1.grad"})
    EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
  EXPECT_GE(files, 4u);
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
}

std::string Table(int address, int t0) {
  std::string text = Format("Serial_number=1   Modbus_number=%d   Gas=Methane\r\n", address);
  for (int n = 7; n >= 0; --n)
    text += Format("T[%d]=%d  D[%2d]=%d  K3[%2d]=0.25  K2[%2d]=-2  K1[%2d]=%s\r\n", n, t0 + 10 * n, n, 500 - n, n, n, n,
                   n == 0 ? "1.5" : "1");
  return text;
}

TEST(GraduationTools, WriteTabPutsEachTableIntoItsDetector) {
  SimProcess sim({"--pty", "--type", "KVELT", "--count", "2", "--baud", "19200"});
  const std::string pty = SimPty(sim);
  TempFolder folder;
  ASSERT_EQ(WriteFileAtomic(folder / "a.tab", Table(1, -400)), 0);
  ASSERT_EQ(WriteFileAtomic(folder / "b.tab", Table(2, 100)), 0);
  ASSERT_EQ(WriteFileAtomic(folder / "c.tab", "Modbus_number=0\r\n"), 0);

  test::ProcessResult r = RunKvlctl({"write-tab", folder / "a.tab", folder / "b.tab", "--port", pty, "--baud", "19200"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, folder / "a.tab" + ": table written\n" + folder / "b.tab" + ": table written\n");
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "1", "--first", "24", "--count", "1"});
  EXPECT_EQ(r.out, "24: 65136 0xFE70\n");  // T[0] = -400
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "1", "--first", "86", "--count", "2"});
  EXPECT_EQ(r.out, "86: 16320 0x3FC0\n87: 0 0x0000\n");  // K1[0] = 1.5
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "2", "--first", "39", "--count", "1"});
  EXPECT_EQ(r.out, "39: 493 0x01ED\n");  // D[7]
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "2", "--first", "132", "--count", "2"});
  EXPECT_EQ(r.out, "132: 16000 0x3E80\n133: 0 0x0000\n");  // K3[7] = 0.25

  // A refused file after a good one: the good table is still written, the status says 1.
  ASSERT_EQ(WriteFileAtomic(folder / "a.tab", Table(1, -300)), 0);
  r = RunKvlctl({"write-tab", folder / "a.tab", folder / "c.tab", folder / "b.tab", "--port", pty, "--baud", "19200",
                 "--json"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.out.find("\"writes\": 3, \"failed\": 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"refusal\": \"Modbus_number= from 1 to 255 not found in the file\""), std::string::npos)
      << r.out;
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "1", "--first", "24", "--count", "1"});
  EXPECT_EQ(r.out, "24: 65236 0xFED4\n");  // T[0] = -300
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
}

}  // namespace
}  // namespace kvl
