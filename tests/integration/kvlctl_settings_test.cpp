// kvlctl settings against kvlsim on a pseudo-terminal: a KVELT and a Z5 saved,
// changed, written back from their files and found as they were.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "graduation/calc_test_support.h"
#include "kvlctl_process.h"
#include "sim_process.h"

namespace kvl {
namespace {

using test::RunKvlctl;
using test::SimProcess;

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The file from its serial number line on: what a save of the same settings repeats.
std::string Settings(const std::string& path) {
  const std::string text = FileText(path);
  const auto at = text.find("SER_NUM");
  return at == std::string::npos ? "<no SER_NUM in " + path + ">" : text.substr(at);
}

class SettingsOnSim : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(sim.ReadLine(&port));
    ASSERT_EQ(sim.Command("add KVELT 7"), "added 1 KVELT detector(s) from address 7");
    folder = std::filesystem::temp_directory_path() / ("kvl_settings_it_" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  test::KvlctlResult Ctl(std::vector<std::string> args) {
    args.insert(args.end(), {"--port", port});
    return RunKvlctl(args, 30000);
  }
  void Write(const std::string& addr, int reg, const std::string& values) {
    const auto r = Ctl({"write", "--addr", addr, "--reg", std::to_string(reg), "--values", values});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  }
  // Saves and returns the file name printed.
  std::string Save(const std::string& type, const std::string& addr, bool yes) {
    std::vector<std::string> args = {"settings", "save", "--type", type, "--addr", addr, "--folder", folder.string()};
    if (yes) args.push_back("--yes");
    const auto r = Ctl(args);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    const auto nl = r.out.rfind('\n', r.out.size() - 2);
    return r.out.substr(nl == std::string::npos ? 0 : nl + 1, r.out.size() - (nl == std::string::npos ? 0 : nl + 1) - 1);
  }

  SimProcess sim{{"--pty", "--type", "Z5", "--count", "1", "--first-addr", "2", "--speed", "0"}};
  std::string port;
  std::filesystem::path folder;
};

TEST_F(SettingsOnSim, KveltSaveAndWriteBackRestoresEveryRegister) {
  // A fresh KVELT holds zeros in its settings: saving asks, and No writes nothing.
  auto r = Ctl({"settings", "save", "--type", "KVELT", "--addr", "7", "--folder", folder.string()});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_TRUE(r.out.rfind("The following registers are 0, record the file?\n(hex)  ", 0) == 0) << r.out;
  EXPECT_TRUE(std::filesystem::is_empty(folder));

  // Settings everywhere but the gas (51 keeps the serial number's low word).
  std::string block;
  for (int i = 0; i < 24; ++i) block += (i ? "," : "") + std::to_string(1000 + i);
  Write("7", 24, block);
  Write("7", 48, "11,12");
  Write("7", 52, "13,14,15,2000");
  Write("7", 58, "9000,9100,5,1,1,300");
  const std::string saved = Save("KVELT", "7", false);
  EXPECT_EQ(saved, (folder / "2400007_0.set").string());
  const std::string text = FileText(saved);
  EXPECT_NE(text.find("\r\nR19 03E8 03E9 03EA 03EB 03EC 03ED 03EE 03EF 03F0 03F1 03F2 03F3 03F4 03F5 03F6 03F7\r\n"
                      "R29 03F8 03F9 03FA 03FB 03FC 03FD 03FE 03FF 000B 000C 0001 "),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\r\nR3B 2328 238C 0005 0001 0001 012C\r\n"), std::string::npos) << text;

  // Changed, then written back from the file.
  Write("7", 24, "7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7,7");
  Write("7", 58, "1,2,3,0,0,4");
  r = Ctl({"settings", "write", saved, "--type", "KVELT", "--addr", "7"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("write 7 48 11\n"), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("block 7 24 16\nblock 7 40 8\nRecorded\n")) << r.out;  // one per file

  // Saved again: the same settings (the next file number).
  const std::string again = Save("KVELT", "7", false);
  EXPECT_EQ(again, (folder / "2400007_1.set").string());
  EXPECT_EQ(Settings(again), Settings(saved));
}

TEST_F(SettingsOnSim, Z5SaveCompareAndWriteBack) {
  // The factory table's 0 degC point holds 0: --yes records the file anyway.
  const std::string saved = Save("Z5", "2", true);
  EXPECT_EQ(saved, (folder / "5100002_0.set").string());
  auto r = Ctl({"settings", "compare", saved, "--type", "Z5", "--addr", "2"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Settings are equal\n");

  Write("2", 96, "1,2,3,4,5");
  Write("2", 150, "77");
  r = Ctl({"settings", "compare", saved, "--type", "Z5", "--addr", "2", "--lang", "ru"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "Настройки не совпали\n 97  98 100 101  99 151 \n");

  // A file of another detector stops before anything is written.
  std::string other = FileText(saved);
  other.replace(other.find("SER_NUM  5100002"), 16, "SER_NUM  5100003");
  const std::string otherPath = (folder / "other.set").string();
  std::ofstream(otherPath, std::ios::binary) << other;
  r = Ctl({"settings", "write", otherPath, "--type", "Z5", "--addr", "2"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "Serial numbers are different\n");

  r = Ctl({"settings", "write", saved, "--type", "Z5", "--addr", "2"});
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(r.out.rfind("write 2 21 1\nwrite 2 22 ", 0) == 0) << r.out;
  r = Ctl({"settings", "compare", saved, "--type", "Z5", "--addr", "2"});
  EXPECT_EQ(r.exitCode, 0) << r.out;
  EXPECT_EQ(Settings(Save("Z5", "2", true)), Settings(saved));
}

// Every kvlctl command that writes fails (exit status 1) when anything it was
// asked to write or record did not happen: a journal that cannot be kept
// stops it before the detector is touched; a settings block that reads back
// otherwise is listed.
TEST_F(SettingsOnSim, ExitStatusSaysWhetherEverythingAskedForHappened) {
  const std::string journal = (folder / "journal" / "deeper").string(),
                    bad = (folder / "plain" / "sub").string();
  std::ofstream(folder / "plain") << "a file, not a folder";
  const std::string saved = Save("Z5", "2", true), log = (folder / "5100002.tab").string();
  Write("2", 96, "1,2,3,4,5");
  {
    std::ofstream out(log, std::ios::binary);  // a graduation log's G lines: single writes
    out << "SER_NUM 5100002\r\n";
    for (int k = 0; k < 8; ++k)
      out << "G" << k << " " << -40 + 15 * k << " 1000 1100 1200 1300 1400 1500\r\n";
  }
  testing::TempFolder runs;  // run data whose tables name no address, or another detector's
  const std::string run0 = testing::WriteSimulatedRun(runs, kTypeZ5, "600", 2500, 11, "0");
  const std::string run2 = testing::WriteSimulatedRun(runs, kTypeZ5, "601", 2500, 12, "2");
  ASSERT_EQ(sim.Command("fault 2 nostore"), "fault 2 nostore");  // block writes to 2 are forgotten
  struct Row {
    std::vector<std::string> args;
    std::string said;        // "Recorded": exit status 0
    std::string reg, value;  // "ADDR:REG" afterwards
  };
  // clang-format off
  const std::vector<Row> rows = {
      {{"write", "--addr", "7", "--reg", "60", "--value", "5", "--journal", journal}, "Recorded", "7:60", "5"},
      {{"write", "--addr", "7", "--reg", "60", "--value", "6", "--journal", bad}, "write journal", "7:60", "5"},
      {{"cmd", "password", "1234", "--type", "Z5", "--addr", "2", "--journal", journal}, "Recorded", "7:60", "5"},
      {{"settings", "write", saved, "--type", "Z5", "--addr", "2", "--journal", bad}, "write journal", "2:96", "1"},
      {{"settings", "write", log, "--type", "Z5", "--addr", "2", "--yes", "--journal", journal}, "Recorded", "2:104", "65496"},
      {{"calc", "--type", "Z5", "--write", run0}, "600_0.grad, line 2: Modbus_number=\"0\" - out of range", "2:96", "1"},
      {{"calc", "--type", "Z5", "--write", run2}, "601, but the detector at address 2 has serial number 5100002", "2:96", "1"},
      {{"record", "--type", "Z5", "--addr", "2", "--period", "0.2", "--duration", "1.5", "--folder", bad}, "failed write(s)",
       "7:60", "5"},
      {{"settings", "write", saved, "--type", "Z5", "--addr", "2", "--journal", journal},
       "the registers read back differ from those written:\nregister 96: written ", "2:96", "1"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[0] + " " + row.args[1] + " " + row.args.back());
    const auto r = Ctl(row.args);
    EXPECT_EQ(r.exitCode, row.said == "Recorded" ? 0 : 1) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find(row.said), std::string::npos) << r.out << r.err;
    const auto read =
        Ctl({"read", "--addr", row.reg.substr(0, 1), "--first", row.reg.substr(2), "--count", "1", "--json"});
    EXPECT_NE(read.out.find("\"words\": [" + row.value + "]"), std::string::npos) << read.out;
  }
  // Each line names the serial number read from its detector, the password's too.
  std::string lines;
  for (const auto& e : std::filesystem::directory_iterator(journal)) lines += FileText(e.path().string());
  for (const char* line : {"serial=2400007  addr=7  cause=write  f6@60=5  result=ok",
                           "serial=5100002  addr=2  cause=password  f6@32=*  result=ok",
                           "serial=5100002  addr=2  cause=5100002.tab  file_serial=5100002"})
    EXPECT_NE(lines.find(line), std::string::npos) << lines;
}

}  // namespace
}  // namespace kvl
