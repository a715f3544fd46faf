// kvlsim as a program: its pty served to kvlctl row for every detector type
// and to an independent master (mbpoll); its commands on standard input; its
// argument errors and its clean exits.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "kvlctl_process.h"
#include "sim_process.h"

namespace kvl {
namespace {

using test::RunKvlctl;
using test::SimProcess;

// "key   text" lines of kvlctl row into a map.
std::map<std::string, std::string> Cells(const std::string& out) {
  std::map<std::string, std::string> cells;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    const auto sp = line.find(' ');
    const std::string key = line.substr(0, sp);
    const auto start = sp == std::string::npos ? std::string::npos : line.find_first_not_of(' ', sp);
    cells[key] = start == std::string::npos ? "" : line.substr(start);
  }
  return cells;
}

std::string StartSim(SimProcess& sim) {
  std::string path;
  EXPECT_TRUE(sim.Started());
  EXPECT_TRUE(sim.ReadLine(&path));
  EXPECT_EQ(path.rfind("/dev/", 0), 0u) << path;
  return path;
}

struct TypeCase {
  const char* name;
  const char* serial;    // address 3
  const char* firmware;
  const char* t;         // 22 degC in the type's unit (device units for KVELT and Z5)
};

TEST(SimTools, KvlctlRowDecodesEveryType) {
  const TypeCase cases[] = {
      {"KVELT", "2400003", "V7.47", "816"},
      {"Z", "11003", "V3.12", "22.0"},
      {"2", "12003", "V2.5", "22.0"},
      {"Z40", "14003", "V4.10", "22.0"},
      {"Z5", "5100003", "V5.21", "841"},
  };
  for (const TypeCase& c : cases) {
    SCOPED_TRACE(c.name);
    SimProcess sim({"--pty", "--type", c.name, "--count", "3", "--first-addr", "2", "--speed", "0"});
    const std::string port = StartSim(sim);
    EXPECT_EQ(sim.Command("gas 3 25 lel"), "gas 3 25.000 %LEL");
    EXPECT_EQ(sim.Command("advance 60"), "advanced 60 s");
    const auto r = RunKvlctl({"row", "--port", port, "--type", c.name, "--addr", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    auto cells = Cells(r.out);
    EXPECT_EQ(cells["serial"], c.serial);
    EXPECT_EQ(cells["firmware"], c.firmware);
    EXPECT_EQ(cells["gas"], "Methane");
    EXPECT_EQ(cells["t"], c.t);
    EXPECT_EQ(cells["limit1"], "10");
    EXPECT_EQ(cells["limit2"], "20");
    // 25 %LEL: both relays on, the reading within noise of it.
    EXPECT_EQ(cells["relay1_image"], "on");
    EXPECT_EQ(cells["relay2_image"], "on");
    EXPECT_EQ(cells["condition_image"], "on");
    double lel = 0;
    ASSERT_EQ(std::sscanf(cells["lel"].c_str(), "%lf", &lel), 1) << cells["lel"];
    EXPECT_NEAR(lel, 25, 1.5);

    // Russian names, and the raw view of the status word.
    const auto ru = RunKvlctl({"row", "--port", port, "--type", c.name, "--addr", "3", "--lang", "ru"});
    EXPECT_EQ(Cells(ru.out)["gas"], "Метан");
    const auto raw = RunKvlctl({"row", "--port", port, "--type", c.name, "--addr", "3", "--raw"});
    EXPECT_EQ(Cells(raw.out)["gas"], "2:0107");
    EXPECT_EQ(sim.CloseInputAndWait(), 0);
  }
}

TEST(SimTools, KvlctlRowFollowsSimulatorCommands) {
  SimProcess sim({"--pty", "--type", "Z5", "--count", "2", "--speed", "0"});
  const std::string port = StartSim(sim);
  // A 16-bit KVELT (even address: firmware 7.46) joins the bus.
  EXPECT_EQ(sim.Command("add KVELT 8"), "added 1 KVELT detector(s) from address 8");
  auto r = RunKvlctl({"row", "--port", port, "--type", "KVELT", "--addr", "8"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Cells(r.out)["serial"], "24008");
  EXPECT_EQ(Cells(r.out)["firmware"], "V7.46");

  EXPECT_EQ(sim.Command("status 1 fail"), "status 1 fail");
  r = RunKvlctl({"row", "--port", port, "--type", "Z5", "--addr", "1"});
  EXPECT_EQ(Cells(r.out)["condition_image"], "off");
  EXPECT_EQ(Cells(r.out)["ma"], "2.000");

  EXPECT_EQ(sim.Command("fault 2 silent"), "fault 2 silent");
  r = RunKvlctl({"row", "--port", port, "--type", "Z5", "--addr", "2"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("no answer"), std::string::npos) << r.err;
  EXPECT_EQ(sim.Command("fault 2 crc"), "fault 2 crc");
  r = RunKvlctl({"row", "--port", port, "--type", "Z5", "--addr", "2"});
  EXPECT_NE(r.err.find("(result 3)"), std::string::npos) << r.err;

  r = RunKvlctl({"row", "--port", port, "--type", "Z7", "--addr", "2"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(sim.SignalAndWait(SIGTERM), 0);
}

TEST(SimTools, MbpollReadsTheSimulator) {
  if (access("/usr/bin/mbpoll", X_OK) != 0) GTEST_SKIP() << "mbpoll is not installed";
  SimProcess sim({"--pty", "--type", "Z5", "--count", "2", "--first-addr", "7", "--speed", "0"});
  const std::string port = StartSim(sim);
  // mbpoll numbers registers from 1: -r 10 is protocol address 9, the serial low word.
  const std::string cmd = "timeout 10 /usr/bin/mbpoll -m rtu -a 8 -b 9600 -P none -t 4 -r 10 -c 3 -1 " + port + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  const int status = pclose(p);
  EXPECT_EQ(WEXITSTATUS(status), 0) << out;
  // Serial 5100008 = 77 x 65536 + 53736; firmware 5.21 = 0x0515 = 1301.
  EXPECT_NE(out.find("[10]: \t53736"), std::string::npos) << out;
  EXPECT_NE(out.find("[12]: \t1301"), std::string::npos) << out;
  EXPECT_EQ(sim.Command("read 8 79"), "79: 77 0x004D");
}

TEST(SimTools, ArgumentsAndExits) {
  struct Bad {
    std::vector<std::string> args;
    const char* message;
  };
  const Bad bad[] = {
      {{"--type", "Z5"}, "give exactly one of --pty and --port DEV"},
      {{"--pty", "--port", "/dev/null"}, "give exactly one of --pty and --port DEV"},
      {{"--pty", "--type", "Q"}, "unknown detector type 'Q'"},
      {{"--pty", "--count", "0"}, "--count needs a number from 1 to 247"},
      {{"--pty", "--count", "10", "--first-addr", "240"}, "the addresses would go beyond 247"},
      {{"--pty", "--baud", "1000"}, "--baud must be 1200, 2400, 4800, 9600 or 19200"},
      {{"--pty", "--bogus"}, "unknown argument '--bogus'"},
  };
  for (const Bad& b : bad) {
    SimProcess sim(b.args);
    std::string line;
    EXPECT_FALSE(sim.ReadLine(&line, 2000)) << line;  // nothing on stdout
    EXPECT_EQ(sim.CloseInputAndWait(), 2) << b.message;
  }
  SimProcess missing({"--port", "/dev/kvl-no-such-port"});
  EXPECT_EQ(missing.CloseInputAndWait(), 1);

  // End of input and SIGINT both end it cleanly.
  SimProcess a({"--pty"});
  StartSim(a);
  EXPECT_EQ(a.CloseInputAndWait(), 0);
  SimProcess b({"--pty", "--no-stdin"});
  StartSim(b);
  EXPECT_EQ(b.SignalAndWait(SIGINT), 0);
}

}  // namespace
}  // namespace kvl
