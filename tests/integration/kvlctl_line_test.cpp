// kvlctl poll on a line whose adapter goes away and comes back: a kvlsim pty
// behind a fixed link path (as /dev/serial/by-id/... is), that simulator
// ended and the link removed, then a new one behind the same path. Both
// simulators echo what they hear, as two-wire adapters do; kvlctl is told so
// with --echo and polls through the echoes.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>

#include "kvlctl_process.h"
#include "sim_process.h"
#include "support/temp_folder.h"

namespace kvl {
namespace {

using namespace std::chrono_literals;

// The next line of standard output that starts with `prefix`, skipping others.
bool WaitForLine(test::ChildProcess& p, const std::string& prefix, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string line;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !p.ReadLine(&line, int(left.count()))) return false;
    if (line.rfind(prefix, 0) == 0) return true;
  }
}

// User and system CPU time of a process, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(stat.substr(stat.rfind(')') + 2));
  std::string skip;
  for (int f = 3; f < 14; ++f) fields >> skip;  // state .. cmajflt
  long utime = 0, stime = 0;
  fields >> utime >> stime;
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

TEST(KvlctlLine, PollWithReconnectWaitsForTheDeviceAndPollsOnWhenItIsBack) {
  test::TempFolder folder;
  const std::string device = folder / "usb-adapter-port0";
  std::unique_ptr<test::SimProcess> sim;
  auto plugIn = [&] {
    sim = std::make_unique<test::SimProcess>(std::vector<std::string>{"--pty", "--echo", "--type", "Z", "--count", "1"});
    std::string pty;
    ASSERT_TRUE(sim->ReadLine(&pty));
    std::filesystem::create_symlink(pty, device);
  };
  plugIn();
  test::KvlctlProcess ctl({"poll", "--port", device, "--baud", "9600", "--echo", "--reconnect", "--addr", "1",
                           "--requests", "0:2", "--cycles", "0"});
  ASSERT_TRUE(WaitForLine(ctl, "WM_USER_DATA", 5000));

  // Unplugged: the simulator's pty goes, and with it the link to it.
  EXPECT_EQ(sim->CloseInputAndWait(), 0);
  std::filesystem::remove(device);
  ASSERT_TRUE(WaitForLine(ctl, "WM_USER_LINE_LOST", 5000));
  const double cpu = CpuSeconds(ctl.Pid());
  std::this_thread::sleep_for(1500ms);
  EXPECT_LT(CpuSeconds(ctl.Pid()) - cpu, 0.3) << "no busy loop while the device is gone";

  plugIn();  // another pty behind the same path
  ASSERT_TRUE(WaitForLine(ctl, "WM_USER_PORT_OPEN", 5000));
  EXPECT_TRUE(WaitForLine(ctl, "WM_USER_DATA", 5000));
  ctl.Signal(SIGINT);
  const test::KvlctlResult r = ctl.Finish(3000);
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_NE(r.err.find("kvlctl poll: Waiting for " + device + " to come back\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("kvlctl poll: " + device + " is back"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kvl
