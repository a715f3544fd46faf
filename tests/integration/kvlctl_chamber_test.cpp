// The simulated chamber and relay module of kvlsim driven through kvlctl
// chamber and kvlctl valves, as an operator without the window would.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include <poll.h>
#include <unistd.h>

#include "kvlctl_process.h"
#include "link/modbus_frames.h"
#include "sim/sim_line.h"
#include "sim_process.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"
#include "text/text_file.h"

namespace kvl {
namespace {

using test::RunKvlctl;
using test::SimProcess;

const std::string kProfiles = KVL_SOURCE_DIR_PATH "/profiles/";

// The value after "key " in kvlctl's plain output ("measured 39.98  set point 40.00").
double After(const std::string& out, const std::string& key) {
  const auto at = out.find(key + " ");
  return at == std::string::npos ? -999 : std::atof(out.c_str() + at + key.size() + 1);
}

// Detector 1's sensor temperature (Z5) or reading in %LEL, as kvlctl row shows it.
double RowCell(const std::string& bus, const std::string& cell) {
  const auto r = RunKvlctl({"row", "--port", bus, "--type", "Z5", "--addr", "1"});
  const auto at = r.out.find("\n" + cell + " ");
  return at == std::string::npos ? -999 : std::atof(r.out.c_str() + r.out.find_first_not_of(' ', at + cell.size() + 2));
}

template <class Check>
bool Within(int ms, Check check) { return test::WaitUntil(check, ms, 200); }

TEST(KvlctlChamber, BothProtocolsSetGetParkRefuseAndGoSilent) {
  for (const char* name : {"demo-ascii.chamber", "demo-modbus.chamber"}) {
    SCOPED_TRACE(name);
    const std::string profile = kProfiles + name;
    SimProcess sim({"--pty", "--chamber", profile, "--speed", "600"});
    std::string bus, chamber;
    ASSERT_TRUE(sim.ReadLine(&bus) && sim.ReadLine(&chamber));
    test::TempFolder journal;
    const std::vector<std::string> line = {"chamber", "--port", chamber, "--profile", profile};
    auto run = [&](std::vector<std::string> more) {
      std::vector<std::string> args = line;
      args.insert(args.end(), more.begin(), more.end());
      return RunKvlctl(args);
    };
    auto set = run({"set", "40", "--journal", journal.path()});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_DOUBLE_EQ(After(set.out, "set point"), 40);
    EXPECT_TRUE(Within(8000, [&] { return run({"get"}).out.find("reached") != std::string::npos; }));
    // The detectors feel the air with their own lag.
    EXPECT_TRUE(Within(8000, [&] { return RowCell(bus, "sensor_t") > 38; }));
    const auto json = run({"get", "--json"});
    EXPECT_NE(json.out.find("\"set_point\": 40.00, \"reached\": true"), std::string::npos) << json.out;

    EXPECT_EQ(run({"set", "150"}).exitCode, 2);
    EXPECT_EQ(run({"set", "4O"}).exitCode, 2);
    EXPECT_EQ(sim.Command("chamber off"), "chamber silent");
    const auto silent = run({"get"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_NE(silent.err.find("no answer"), std::string::npos) << silent.err;
    EXPECT_TRUE(silent.out.empty()) << silent.out;  // never a 0 read from silence
    EXPECT_EQ(sim.Command("chamber on"), "chamber answering");
    const auto park = run({"park", "--journal", journal.path()});
    EXPECT_EQ(park.exitCode, 0) << park.err;
    EXPECT_DOUBLE_EQ(After(park.out, "set point"), 22);

    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(journal.path())) ReadFileBytes(entry.path(), text);
    EXPECT_NE(text.find("kind=chamber-set  value=40.00  result=ok"), std::string::npos) << text;
    EXPECT_NE(text.find("kind=chamber-park  value=22.00  result=ok"), std::string::npos) << text;
    EXPECT_EQ(sim.CloseInputAndWait(), 0);
  }
}

TEST(KvlctlChamber, AReplyThatIsNoNumberFailsAndIsNamed) {
  test::TempFolder folder;
  const std::string profile = folder / "other.chamber";
  std::ofstream(profile) << "protocol = ascii\nset_command = \"SET {T}\"\nread_command = TEMP?\n"
                            "set_point_min = -10\nset_point_max = 50\n";
  SimProcess sim({"--pty", "--chamber", kProfiles + "demo-ascii.chamber"});
  std::string bus, chamber;
  ASSERT_TRUE(sim.ReadLine(&bus) && sim.ReadLine(&chamber));
  const auto r = RunKvlctl({"chamber", "--port", chamber, "--profile", profile, "get", "--line-end", "crlf"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("reply is not a number: 'ERR'"), std::string::npos) << r.err;
  const auto refused = RunKvlctl({"chamber", "--port", chamber, "--profile", folder / "none.chamber", "get"});
  EXPECT_EQ(refused.exitCode, 2);
  // kvlsim refuses a profile it cannot speak, and a valve module in a detector's place.
  SimProcess bad({"--pty", "--chamber", folder / "none.chamber"});
  EXPECT_EQ(bad.CloseInputAndWait(), 2);
  SimProcess clash({"--pty", "--first-addr", "230", "--count", "15", "--valves", kProfiles + "demo.valves"});
  EXPECT_EQ(clash.CloseInputAndWait(), 2);
}

TEST(KvlctlValves, OpenHighFeedsTheDetectorsAndCloseStopsTheGas) {
  const std::string profile = kProfiles + "demo.valves";
  SimProcess sim({"--pty", "--valves", profile, "--speed", "60"});
  std::string bus;
  ASSERT_TRUE(sim.ReadLine(&bus));
  const std::vector<std::string> line = {"valves", "--port", bus, "--profile", profile};
  auto run = [&](std::vector<std::string> more) {
    std::vector<std::string> args = line;
    args.insert(args.end(), more.begin(), more.end());
    return RunKvlctl(args);
  };
  EXPECT_EQ(run({"get"}).out, "open: closed\n");
  const auto open = run({"open", "high"});
  EXPECT_EQ(open.exitCode, 0) << open.err;
  EXPECT_EQ(open.out, "open: high\n");
  EXPECT_TRUE(Within(8000, [&] { return RowCell(bus, "lel") > 50; }));
  EXPECT_EQ(run({"open", "middle", "--json"}).out, "{\"open\": \"middle\"}\n");
  EXPECT_EQ(run({"close"}).out, "open: closed\n");
  EXPECT_TRUE(Within(8000, [&] { return RowCell(bus, "lel") < 5; }));
  EXPECT_EQ(run({"open", "all"}).exitCode, 2);
  // A module at another address: no answer, exit 1.
  test::TempFolder folder;
  std::ofstream(folder / "far.valves") << "address = 99\nzero = 0\nmiddle = 1\nhigh = 2\n";
  const auto far = RunKvlctl({"valves", "--port", bus, "--profile", folder / "far.valves", "open", "zero"});
  EXPECT_EQ(far.exitCode, 1);
  EXPECT_NE(far.err.find("no answer"), std::string::npos) << far.err;
}

// Bytes from the master side of a pty until `n` came or 3 s passed.
Bytes ReadAnswer(int fd, std::size_t n) {
  Bytes got;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (got.size() < n && std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    std::uint8_t buf[64];
    const ssize_t r = read(fd, buf, sizeof buf);
    if (r > 0) got.insert(got.end(), buf, buf + r);
  }
  return got;
}

// kvlsim on a serial device: the relay module answers a write-coil, and the
// read that follows at once (as the valve link's read-back does) is not lost.
TEST(KvlsimPort, TheValveModuleAnswersAWriteCoilAndItsReadBack) {
  SimPty pty;
  ASSERT_TRUE(OpenSimPty(pty, nullptr));
  SimProcess sim({"--port", pty.path, "--valves", kProfiles + "demo.valves", "--count", "2"});
  std::string where;
  ASSERT_TRUE(sim.ReadLine(&where));
  for (int round = 0; round < 5; ++round) {
    const Bytes write = BuildWriteSingle(240, 5, 2, round % 2 ? 0 : 0xFF00);
    ASSERT_EQ(::write(pty.master, write.data(), write.size()), ssize_t(write.size()));
    EXPECT_EQ(ReadAnswer(pty.master, write.size()), write) << "round " << round;
    const Bytes read = BuildReadRequest(240, 1, 2, 1);
    ASSERT_EQ(::write(pty.master, read.data(), read.size()), ssize_t(read.size()));
    Bytes want = {240, 1, 1, std::uint8_t(round % 2 ? 0 : 1)};
    AppendCrc(want);
    EXPECT_EQ(ReadAnswer(pty.master, want.size()), want) << "round " << round;
  }
  EXPECT_EQ(sim.CloseInputAndWait(), 0);
  close(pty.master);
  close(pty.slaveKeep);
}

}  // namespace
}  // namespace kvl
