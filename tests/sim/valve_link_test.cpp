// The valve link on the detector line: the link's worker lets it speak
// between polls, the others are closed before one opens, and closing leaves
// no gas flowing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "chamber/valve_link.h"
#include "link/modbus_slave.h"
#include "sim/sim_relay_module.h"

namespace kvl {
namespace {

// Takes every poll at once, as the window does.
class CResumingTarget : public CMessageTarget {
 public:
  explicit CResumingTarget(CModbusSlave& link) : link_(link) {}
  void Post(unsigned message, std::intptr_t, std::intptr_t) override {
    if (message != WM_USER_DATA) return;
    ++polls;
    link_.Resume();
  }
  std::atomic<int> polls{0};

 private:
  CModbusSlave& link_;
};

template <class Check>
bool Within(int ms, Check check) {
  for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
       std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
    if (check()) return true;
  return false;
}

TEST(ValveLink, OnTheDetectorLineBetweenPollsOthersClosedFirst) {
  CSimBus bus;
  ASSERT_TRUE(bus.AddDetectors(kTypeZ5, 2, 1));
  CSimRelayModule relay(DemoValveProfile(), bus);
  std::mutex writesMutex;
  std::vector<std::pair<int, bool>> writes;  // output, on
  bus.SetExchangeWatcher([&](const SimExchange& e) {
    if (e.request[0] != 240 || e.request[1] != 5) return;
    std::lock_guard lock(writesMutex);
    writes.push_back({e.request[3], e.request[4] != 0});
  });
  SimPty pty;
  ASSERT_TRUE(OpenSimPty(pty, nullptr));
  ASSERT_TRUE(bus.Start(MakeSimFdLine(pty.master, 9600)));

  CModbusSlave link;
  CResumingTarget target(link);
  link.StartWorker(&target, 0, pty.path, "9600", {1, 2}, "3", "0", "3", true);
  CValveLink valves;
  std::vector<std::string> journal;
  valves.SetEventSink([&](const DeviceEvent& e) { journal.push_back(e.value + " " + e.result); });
  valves.AttachToDetectorLine(DemoValveProfile(), link, kEnglish);
  valves.Open(GasValve::kHigh);
  EXPECT_TRUE(Within(3000, [&] { return relay.Mixture() == 2 && valves.Last().open == GasValve::kHigh; }));
  EXPECT_TRUE(valves.Last().answered);
  const int pollsBefore = target.polls.load();
  EXPECT_TRUE(Within(3000, [&] { return target.polls.load() > pollsBefore + 4; }));  // polling goes on
  {
    std::lock_guard lock(writesMutex);
    ASSERT_GE(writes.size(), 3u);
    const std::vector<std::pair<int, bool>> last(writes.end() - 3, writes.end());
    EXPECT_EQ(last, (std::vector<std::pair<int, bool>>{{0, false}, {1, false}, {2, true}}));
  }
  valves.Close();
  EXPECT_EQ(relay.Mixture(), -1);
  EXPECT_FALSE(valves.IsOpen());
  link.StopWorker();
  bus.Stop();
  close(pty.master);
  close(pty.slaveKeep);
  // The gas (it overtook the rest state queued at attaching: it closes the others itself) and the end.
  EXPECT_EQ(journal, (std::vector<std::string>{"high ok", "closed ok"}));
}

// A module that acknowledges every switch but whose outputs stay off (a
// stuck relay): the change is not taken for done, the state says why.
TEST(ValveLink, OnTheDetectorLineAMismatchReadBackIsTheModulesFault) {
  CSimBus bus;
  ASSERT_TRUE(bus.AddDetectors(kTypeZ5, 1, 1));
  bus.SetSideSlave([](const Bytes& request) -> std::optional<Bytes> {
    if (request.size() < 8 || request[0] != 240) return std::nullopt;
    if (request[1] == 5) return request;
    Bytes answer = {240, 1, 1, 0};  // every output off
    AppendCrc(answer);
    return answer;
  });
  SimPty pty;
  ASSERT_TRUE(OpenSimPty(pty, nullptr));
  ASSERT_TRUE(bus.Start(MakeSimFdLine(pty.master, 9600)));
  CModbusSlave link;
  CResumingTarget target(link);
  link.StartWorker(&target, 0, pty.path, "9600", {1}, "3", "0", "3", true);
  CValveLink valves;
  std::vector<std::string> journal;
  valves.SetEventSink([&](const DeviceEvent& e) { journal.push_back(e.value + " " + e.result); });
  valves.AttachToDetectorLine(DemoValveProfile(), link, kEnglish);
  valves.Open(GasValve::kHigh);
  EXPECT_TRUE(Within(3000, [&] { return valves.Last().reason.find("reads back") != std::string::npos; }));
  const ValveState s = valves.Last();
  EXPECT_FALSE(s.answered);
  EXPECT_EQ(s.open, GasValve::kClosed);
  EXPECT_EQ(s.reason, "the module reads back \"closed\", not \"high\"");
  valves.Close();
  link.StopWorker();
  bus.Stop();
  close(pty.master);
  close(pty.slaveKeep);
  ASSERT_FALSE(journal.empty());
  EXPECT_EQ(journal.front(), "high failed: the module reads back \"closed\", not \"high\"");
}

}  // namespace
}  // namespace kvl
