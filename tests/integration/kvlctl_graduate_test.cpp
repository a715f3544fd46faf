// kvlctl graduate against kvlsim with its chamber and valve module: a whole
// unattended run, cut by SIGKILL half-way and taken up with --resume, ends
// with every table calculated, written and read back, and every point line
// in the logs once.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "kvlctl_process.h"
#include "sim_process.h"
#include "support/temp_folder.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using test::KvlctlProcess;
using test::RunKvlctl;
using test::SimProcess;
using test::TempFolder;

const std::string kProfiles = KVL_SOURCE_DIR_PATH "/profiles/";

// The demo chamber with one-second gas windows: a whole run in about two
// minutes. The temperature keeps its window: the tables are fitted to the
// clean air of the temperature steps, where the detectors must have settled.
std::string FastChamber(const TempFolder& folder) {
  std::string text;
  EXPECT_EQ(ReadFileBytes(kProfiles + "demo-ascii.chamber", text), 0);
  text = std::regex_replace(text, std::regex(R"((steady_signal_window|min_gas_flow_time) = \d+)"), "$1 = 1");
  const std::string path = folder / "fast.chamber";
  EXPECT_EQ(WriteFileAtomic(path, text), 0);
  return path;
}

TEST(KvlctlGraduate, UnattendedRunKilledAndResumedWritesEveryTable) {
  TempFolder folder;
  const std::string chamber = FastChamber(folder);
  SimProcess sim({"--pty", "--type", "Z5", "--count", "2", "--chamber", kProfiles + "demo-ascii.chamber", "--valves",
                  kProfiles + "demo.valves", "--speed", "600"});
  std::string pty, chamberPty;
  ASSERT_TRUE(sim.ReadLine(&pty));
  ASSERT_TRUE(sim.ReadLine(&chamberPty));
  std::vector<std::string> args = {"graduate", "--port", pty, "--chamber-port", chamberPty, "--chamber", chamber,
                                   "--valves", kProfiles + "demo.valves", "--type", "Z5", "--addr", "1,2",
                                   "--data", folder.path(), "--conc", "0.5", "1.0", "--stabilization", "1"};
  pid_t killedPid = 0;
  {
    std::vector<std::string> first = args;
    first.insert(first.end(), {"--operator", "Ivanov <QA>"});
    KvlctlProcess ctl(first);
    killedPid = ctl.Pid();
    ASSERT_TRUE(ctl.WaitForOut("stage 3 step 3", 150000));
    ctl.Signal(SIGKILL);
    EXPECT_EQ(ctl.Finish(5000).exitCode, 128 + SIGKILL);
  }
  ASSERT_TRUE(std::filesystem::exists(folder / "graduation.run"));
  // What was recorded while gas flowed stays out of the tables: no sample lies far from them.
  args.insert(args.end(), {"--resume", "--write", "--report", folder / "reports"});
  const test::KvlctlResult r = RunKvlctl(args, 300000);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("resuming stage 3, step [23]"))) << r.out;
  EXPECT_NE(r.err.find("was locked by process " + std::to_string(killedPid)), std::string::npos)
      << "the killed run's lock is taken over with a note: " << r.err;
  EXPECT_FALSE(std::filesystem::exists(folder / "graduation.lock")) << "a completed run keeps its folder locked";
  EXPECT_FALSE(std::filesystem::exists(folder / "graduation.run")) << "a completed run keeps no state";
  for (const char* serial : {"5100001", "5100002"}) {
    SCOPED_TRACE(serial);
    std::string log;
    ASSERT_EQ(ReadFileBytes(folder / (std::string(serial) + ".tab"), log), 0);
    auto count = [&](const std::string& pattern) {
      const std::regex re(pattern);
      return std::distance(std::sregex_iterator(log.begin(), log.end(), re), std::sregex_iterator());
    };
    EXPECT_EQ(count("DATE "), 1);
    for (int point = 0; point < 8; ++point) EXPECT_EQ(count("\r\nG" + std::to_string(point) + " "), 1) << point;
    EXPECT_EQ(log.find("\r\nG0     0     0"), std::string::npos) << "a point the detector did not capture";
    // The report tells the run, with the operator its state kept across the resume.
    std::string html;
    ASSERT_EQ(ReadFileBytes(folder / ("reports/" + std::string(serial) + "_0.html"), html), 0);
    for (const char* fact : {"Ivanov &lt;QA&gt;", "Auto, Graduation", "medium 0.5 vol.%, high 1.0 vol.%",
                             "fast.chamber (CRC-32 ", "Stages of the run", "Captured points", "Written at"})
      EXPECT_NE(html.find(fact), std::string::npos) << fact;
    const std::regex high("<td class=\"l\">high mixture</td>");
    EXPECT_EQ(std::distance(std::sregex_iterator(html.begin(), html.end(), high), std::sregex_iterator()), 8)
        << "a high-mixture capture per stage";
  }
  EXPECT_NE(r.out.find("Operator: Ivanov <QA>"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("farther than deltaDmax"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("written to 1: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("written to 2: "), std::string::npos) << r.out;
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
}

}  // namespace
}  // namespace kvl
