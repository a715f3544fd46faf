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

// T[0] of a detector as the simulator holds it (register 24, signed).
int TableT0(const std::string& pty, int address) {
  const test::ProcessResult r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr",
                                           Format("%d", address), "--first", "24", "--count", "1", "--json"});
  const std::size_t at = r.out.find("\"words\": [");
  return at == std::string::npos ? -99999 : int(std::int16_t(std::stoi(r.out.substr(at + 10))));
}

TEST(GraduationTools, WriteTabPutsEachTableIntoItsDetector) {
  SimProcess sim({"--pty", "--type", "KVELT", "--count", "2", "--baud", "19200"});
  const std::string pty = SimPty(sim);
  TempFolder folder;
  // Named after their detectors' serial numbers (a 32-bit and a 16-bit one).
  ASSERT_EQ(WriteFileAtomic(folder / "2400001.tab", Table(1, -400)), 0);
  ASSERT_EQ(WriteFileAtomic(folder / "24002.tab", Table(2, 100)), 0);
  ASSERT_EQ(WriteFileAtomic(folder / "c.tab", "Modbus_number=0\r\n"), 0);

  test::ProcessResult r = RunKvlctl(
      {"write-tab", folder / "2400001.tab", folder / "24002.tab", "--port", pty, "--baud", "19200"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, folder / "2400001.tab" + ": table written\n" + folder / "24002.tab" + ": table written\n");
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "1", "--first", "24", "--count", "1"});
  EXPECT_EQ(r.out, "24: 65136 0xFE70\n");  // T[0] = -400
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "1", "--first", "86", "--count", "2"});
  EXPECT_EQ(r.out, "86: 16320 0x3FC0\n87: 0 0x0000\n");  // K1[0] = 1.5
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "2", "--first", "39", "--count", "1"});
  EXPECT_EQ(r.out, "39: 493 0x01ED\n");  // D[7]
  r = RunKvlctl({"read", "--port", pty, "--baud", "19200", "--addr", "2", "--first", "132", "--count", "2"});
  EXPECT_EQ(r.out, "132: 16000 0x3E80\n133: 0 0x0000\n");  // K3[7] = 0.25

  // A refused file after a good one: the good table is still written, the status says 1.
  ASSERT_EQ(WriteFileAtomic(folder / "2400001.tab", Table(1, -300)), 0);
  r = RunKvlctl({"write-tab", folder / "2400001.tab", folder / "c.tab", folder / "24002.tab", "--port", pty,
                 "--baud", "19200", "--json"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.out.find("\"writes\": 3, \"failed\": 0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"refusal\": \"File c.tab, line 1: Modbus_number= from 1 to 255 not found in the file: \\\"0\\\"\""), std::string::npos)
      << r.out;
  EXPECT_EQ(TableT0(pty, 1), -300);
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
}

// Which detector a table file reaches: the one whose serial number its name
// (or --serial) gives, read from the detector just before; nothing otherwise.
TEST(GraduationTools, ATableGoesOnlyIntoTheDetectorItIsFor) {
  SimProcess sim({"--pty", "--type", "KVELT", "--count", "2", "--baud", "19200"});
  const std::string pty = SimPty(sim);
  TempFolder folder;
  struct Row {
    std::vector<std::pair<std::string, int>> files;  // name, address
    std::vector<std::string> options;
    std::string said;  // in stdout or stderr; exit status 0 when it is "table written"
    int t0At1;         // T[0] of detector 1 afterwards
  };
  const std::string differs =
      "File 2400009.tab is for serial number 2400009, but the detector at address 1 has "
      "serial number 2400001: nothing was written.";
  // clang-format off
  const std::vector<Row> rows = {
      {{{"2400001.tab", 1}}, {}, "2400001.tab: table written", -100},
      {{{"2400009.tab", 1}}, {"--journal", folder / "journal"}, differs, -100},
      {{{"24002.tab", 1}, {"2400001.tab", 2}}, {}, "2400001: nothing was written. Serial number 24002 answers at address 2.", -100},
      {{{"a.tab", 1}}, {}, "File a.tab: serial number 2400001 at address 1 was not confirmed as the file's", -100},
      {{{"a.tab", 1}}, {"--serial", "2400001"}, "a.tab: table written", -140},
      {{{"2400003.tab", 3}}, {}, "the detector at address 3 did not answer the serial number read", -140},
  };
  // clang-format on
  const int kept = TableT0(pty, 2);  // no row's table belongs to detector 2
  int t0 = -100;
  for (const Row& row : rows) {
    std::vector<std::string> args = {"write-tab", "--port", pty, "--baud", "19200"};
    args.insert(args.end(), row.options.begin(), row.options.end());
    for (const auto& [name, address] : row.files) {
      ASSERT_EQ(WriteFileAtomic(folder / name, Table(address, t0)), 0);
      args.push_back(folder / name);
    }
    SCOPED_TRACE(args.back());
    const test::ProcessResult r = RunKvlctl(args, 20000);
    EXPECT_EQ(r.exitCode, row.said.ends_with("table written") ? 0 : 1) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find(row.said), std::string::npos) << r.out << r.err;
    EXPECT_EQ(TableT0(pty, 1), row.t0At1);
    EXPECT_EQ(TableT0(pty, 2), kept);
    t0 -= 10;
  }
  std::string journal;  // the refused file's line: the serial number found, the file's, nothing written
  for (const auto& e : std::filesystem::directory_iterator(folder / "journal"))
    ReadFileBytes(e.path().string(), journal);
  EXPECT_NE(
      journal.find("serial=2400001  addr=1  cause=2400009.tab  file_serial=2400009  result=refused  why=\"" +
                   differs + "\""),
      std::string::npos)
      << journal;
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
}

}  // namespace
}  // namespace kvl
