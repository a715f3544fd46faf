#include <gtest/gtest.h>

#include <set>

#include "link/modbus_slave.h"
#include "support/capture.h"
#include "support/scripted_peer.h"

namespace kvl {
namespace {

using namespace std::chrono_literals;
using test::PeerReply;
using test::PostedMessage;

TEST(PollWorkerPause, SlicesAndTimeout) {
  auto t = CModbusSlave::ComputePause("250");
  EXPECT_EQ(t.slices, 3);
  EXPECT_EQ(t.slice, 83);
  EXPECT_EQ(t.timeoutMs, 250);
  t = CModbusSlave::ComputePause("0");
  EXPECT_EQ(t.slices, 1);
  EXPECT_EQ(t.slice, 0);
  EXPECT_EQ(t.timeoutMs, 200);
  t = CModbusSlave::ComputePause("100");
  EXPECT_EQ(t.slices, 1);
  EXPECT_EQ(t.slice, 100);
  t = CModbusSlave::ComputePause("abc");
  EXPECT_EQ(t.slices, 1);
  EXPECT_EQ(t.timeoutMs, 200);
}

// Answers reads for the addresses it plays (register value = address * 1000 +
// register), echoes single writes, acknowledges block writes; silent otherwise.
PeerReply Bus(const std::set<int>& present, const Bytes& req) {
  if (!present.count(req[0])) return {};
  if (req[1] == 6) return {req};
  if (req[1] == 16)
    return {BuildWriteMultipleAnswer(req[0], static_cast<std::uint16_t>((req[2] << 8) | req[3]), req[5])};
  const int a = req[0];
  return {test::ReadAnswerFor(req, [a](std::uint16_t reg) { return static_cast<std::uint16_t>(a * 1000 + reg); })};
}

class PollWorker : public ::testing::Test {
 protected:
  void SetUp() override {
    link.SetOperator(&op);
    link.SetLanguage(kEnglish);
  }
  void TearDown() override { link.StopWorker(); }

  void Start(const std::vector<std::uint8_t>& devices, const std::string& pause = "0",
             const std::string& baud = "19200", std::string port = "") {
    // Two requests: registers 0..1 into image 0, registers 10..12 into image 20.
    link.SetPollRequests({0, 10}, {2, 3}, {0, 20});
    link.SelectPollSet({0, 1}, 5);
    link.StartWorker(&queue, 0, port.empty() ? pty.SlavePath() : port, baud, devices, "3", pause, "3", true);
  }
  void Peer(std::set<int> present, int delayMs = 0) {
    peer = std::make_unique<test::ScriptedPeer>(pty, [present, delayMs](const Bytes& req, int) {
      PeerReply r = Bus(present, req);
      r.delayMs = delayMs;
      return r;
    });
  }
  // Next message of this id, handing over (Resume) every WM_USER_DATA passed on the way.
  bool Expect(unsigned id, PostedMessage* m, std::chrono::milliseconds timeout = 3000ms) {
    return queue.WaitFor(id, m, timeout);
  }
  // Collects the positions of the next n completed polls, resuming after each.
  std::vector<int> Positions(int n, std::vector<PostedMessage>* seen = nullptr) {
    std::vector<int> pos;
    for (int i = 0; i < n; ++i) {
      PostedMessage m{};
      if (!queue.WaitFor(WM_USER_DATA, &m, 3000ms, seen)) break;
      pos.push_back(link.LastPosition());
      link.Resume();
    }
    return pos;
  }

  test::PtyPair pty;
  test::CapturingOperator op;
  test::MessageQueue queue;
  CModbusSlave link;
  std::unique_ptr<test::ScriptedPeer> peer;
};

TEST_F(PollWorker, PollsTheListInOrderAndReportsCycles) {
  Peer({1, 2, 3});
  Start({1, 2, 3});
  PostedMessage m{};
  ASSERT_TRUE(Expect(WM_USER_PORT_OPEN, &m));
  std::vector<PostedMessage> seen;
  EXPECT_EQ(Positions(4, &seen), (std::vector<int>{0, 1, 2, 0}));
  int cycles = 0, configs = 0;
  for (auto& s : seen) {
    cycles += s.message == WM_USER_CYCLE;
    configs += s.message == WM_USER_CONFIG;
  }
  EXPECT_EQ(cycles, 1);
  EXPECT_EQ(configs, 1) << "one WM_USER_CONFIG before the first data after the start";
  EXPECT_EQ(link.ImagePollSet(), 5);
  // Image of address 1 (the last position polled): registers at their offsets.
  EXPECT_EQ(link.PollImage()[0], 1000);
  EXPECT_EQ(link.PollImage()[1], 1001);
  EXPECT_EQ(link.PollImage()[20], 1010);
  EXPECT_EQ(link.PollImage()[22], 1012);
  EXPECT_TRUE(op.Shown().empty());
}

TEST_F(PollWorker, SilentDetectorGetsTwoTriesThenIsCleared) {
  Peer({1, 3});
  Start({1, 2, 3});
  ASSERT_EQ(Positions(1), std::vector<int>{0});
  std::vector<PostedMessage> seen;
  PostedMessage m{};
  ASSERT_TRUE(queue.WaitFor(WM_USER_CLEAR, &m, 3000ms, &seen));
  EXPECT_EQ(link.FailedPosition(), 1);
  int noAnswer = 0;
  for (auto& s : seen)
    if (s.message == WM_USER_RESULT && s.l == 1) {
      EXPECT_EQ(s.w, 1);
      ++noAnswer;
    }
  EXPECT_EQ(noAnswer, 2);
  EXPECT_EQ(Positions(1), std::vector<int>{2});
  // Only the first request of the silent detector was tried.
  int toSilent = 0;
  for (auto& r : peer->Requests())
    if (r[0] == 2) {
      EXPECT_EQ(r, BuildReadRequest(2, 3, 0, 2));
      ++toSilent;
    }
  EXPECT_EQ(toSilent, 2);
}

TEST_F(PollWorker, WaitsForTheHandOverBeforePollingOn) {
  Peer({1, 2});
  Start({1, 2});
  PostedMessage m{};
  ASSERT_TRUE(Expect(WM_USER_DATA, &m));
  const int before = peer->RequestCount();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(peer->RequestCount(), before) << "nothing goes on the line until Resume";
  // Commands are still served while the image is with the window, without restarting the poll.
  link.SetPause("10");
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(peer->RequestCount(), before);
  link.Resume();
  EXPECT_EQ(Positions(1), std::vector<int>{1});
}

TEST_F(PollWorker, EmptyListPollsNothing) {
  Peer({1});
  Start({});
  PostedMessage m{};
  ASSERT_TRUE(Expect(WM_USER_PORT_OPEN, &m));
  std::this_thread::sleep_for(350ms);
  EXPECT_EQ(peer->RequestCount(), 0);
  for (auto& s : queue.All()) EXPECT_NE(s.message, WM_USER_RESULT);
  // A new list starts the polling.
  link.SetDeviceList({1}, -1, true);
  EXPECT_EQ(Positions(1), std::vector<int>{0});
}

TEST_F(PollWorker, ANewListGoesOnAfterTheGivenPositionOrFromItsFirstEntry) {
  Peer({1, 2, 3});
  Start({1, 2, 3});
  // Given position -> first position polled from the new list.
  for (const auto& [given, first] : std::vector<std::pair<int, int>>{{-1, 0}, {0, 1}, {2, 0}}) {
    PostedMessage m{};
    ASSERT_TRUE(Expect(WM_USER_DATA, &m));  // the worker waits for the hand-over
    link.SetDeviceList({1, 2, 3}, given, false);
    link.Resume();
    EXPECT_EQ(Positions(1), std::vector<int>{first}) << "position " << given;
  }
}

TEST_F(PollWorker, ClosePortClosesQuietlyAndOpenPortReopens) {
  Peer({1});
  Start({1});
  ASSERT_EQ(Positions(1), std::vector<int>{0});
  link.OpenPort(kClosePortName);
  PostedMessage m{};
  std::vector<PostedMessage> seen;
  ASSERT_TRUE(queue.WaitFor(WM_USER_PORT_FAIL, &m, 3000ms, &seen));
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().message, WM_USER_CLEAR);
  EXPECT_TRUE(op.Shown().empty());
  link.Resume();
  std::this_thread::sleep_for(100ms);
  const int before = peer->RequestCount();
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(peer->RequestCount(), before) << "a closed line stays idle";

  link.OpenPort(pty.SlavePath());
  ASSERT_TRUE(Expect(WM_USER_PORT_OPEN, &m));
  ASSERT_TRUE(Expect(WM_USER_CLEAR, &m)) << "the configure step clears the rows";
  EXPECT_EQ(Positions(1).size(), 1u);
}

TEST_F(PollWorker, AMissingPortIsReportedOnce) {
  Start({1}, "0", "9600", "/dev/kvlgrad-no-such-port");
  PostedMessage m{};
  ASSERT_TRUE(Expect(WM_USER_PORT_FAIL, &m));
  std::this_thread::sleep_for(100ms);
  ASSERT_EQ(op.Shown().size(), 1u);
  EXPECT_EQ(op.Shown()[0].text, "Port /dev/kvlgrad-no-such-port is not open  ");
}

TEST_F(PollWorker, AQueuedWriteOvertakesTheRestOfADetectorsPoll) {
  Peer({1, 2}, 60);
  Start({1, 2}, "0", "19200");
  ASSERT_EQ(Positions(1), std::vector<int>{0});
  // Address 2's first request is now on the line (answered after 60 ms).
  std::this_thread::sleep_for(20ms);
  link.QueueWrite(2, 7, 99, 0);
  std::vector<PostedMessage> seen;
  PostedMessage m{};
  ASSERT_TRUE(queue.WaitFor(WM_USER_DATA, &m, 3000ms, &seen));
  EXPECT_EQ(link.LastPosition(), 0) << "the detector whose poll was overtaken gets no data this cycle";
  const auto reqs = peer->Requests();
  std::size_t w = 0;
  while (w < reqs.size() && reqs[w][1] != 6) ++w;
  ASSERT_LT(w, reqs.size());
  EXPECT_EQ(reqs[w], BuildWriteSingle(2, 6, 7, 99));
  EXPECT_EQ(reqs[w - 1], BuildReadRequest(2, 3, 0, 2));
  EXPECT_EQ(reqs[w + 1][0], 1) << "polling continues with the next detector";
  link.Resume();
}

TEST_F(PollWorker, BlockWritesRunInQueueOrder) {
  Peer({1});
  Start({1});
  ASSERT_EQ(Positions(1), std::vector<int>{0});
  link.BeginBatch(2);
  link.QueueBlockWrite(1, 100, {1, 2, 3}, false);
  link.QueueBlockWrite(1, 200, {4}, false);
  link.Resume();
  Positions(2);
  std::vector<Bytes> writes;
  for (auto& r : peer->Requests())
    if (r[1] == 16) writes.push_back(r);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], BuildWriteMultiple(1, 100, {1, 2, 3}));
  EXPECT_EQ(writes[1], BuildWriteMultiple(1, 200, {4}));
  EXPECT_EQ(link.BatchLeft(), 0);
  EXPECT_TRUE(op.Shown().empty()) << "a clean batch without report flags shows nothing";
}

TEST_F(PollWorker, StopEndsTheWorkerDuringASlowLineWait) {
  Peer({1}, 0);
  Start({1}, "0", "1200");
  PostedMessage m{};
  ASSERT_TRUE(Expect(WM_USER_PORT_OPEN, &m));
  std::this_thread::sleep_for(400ms);  // inside the 700 ms wait before the first answer is read
  const std::int64_t t0 = MonotonicNs();
  EXPECT_EQ(link.StopWorker(), 0);
  EXPECT_LT(static_cast<double>(MonotonicNs() - t0) / 1e6, 2500.0);
  EXPECT_FALSE(link.IsOpen()) << "the worker closes the line as it ends";
}

TEST_F(PollWorker, StopClosesADialogTheWorkerWaitsOn) {
  op.HoldNext();
  Start({1}, "0", "9600", "/dev/kvlgrad-no-such-port");
  for (int i = 0; i < 100 && !op.Holding(); ++i) std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(op.Holding());
  EXPECT_EQ(link.StopWorker(), 0);
  EXPECT_FALSE(op.Holding());
}

TEST_F(PollWorker, SlaveRolePassesRequestsToTheWindow) {
  link.SetPollRequests({0}, {1}, {0});
  link.StartWorker(&queue, 0, pty.SlavePath(), "19200", {1}, "3", "0", "3", false);
  PostedMessage m{};
  ASSERT_TRUE(Expect(WM_USER_PORT_OPEN, &m));
  std::this_thread::sleep_for(50ms);
  pty.Write(BuildReadRequest(4, 3, 2, 2));
  ASSERT_TRUE(Expect(WM_USER_REQUEST, &m));
  EXPECT_EQ(m.w, 0);
  EXPECT_EQ(link.LastRequest().slave, 4);
  link.SendResponse(4, 3, {7, 8});
  EXPECT_EQ(pty.ReadFrame(1000), BuildResponse(4, 3, {7, 8}));
  link.Resume();
  pty.Write(BuildWriteSingle(4, 6, 1, 1));
  ASSERT_TRUE(Expect(WM_USER_REQUEST, &m));
  EXPECT_EQ(m.w, 4);
  link.Resume();
  // A write-multiple request is longer than 8 bytes: taken whole, not as noise.
  pty.Write(BuildWriteMultiple(4, 9, {1, 2, 3}));
  ASSERT_TRUE(Expect(WM_USER_REQUEST, &m));
  EXPECT_EQ(m.w, 4);
  EXPECT_EQ(link.LastRequest().function, 16);
  EXPECT_EQ(link.LastRequest().first, 9);
  EXPECT_EQ(link.LastRequest().countOrValue, 3);
  link.Resume();
}

TEST_F(PollWorker, LineNumberIsAddedToTheFirstParameter) {
  Peer({});
  link.SetPollRequests({0}, {1}, {0});
  link.StartWorker(&queue, 2, pty.SlavePath(), "19200", {1}, "3", "0", "3", true);
  PostedMessage m{};
  ASSERT_TRUE(Expect(WM_USER_RESULT, &m));
  EXPECT_EQ(m.w, 201);
  ASSERT_TRUE(Expect(WM_USER_CLEAR, &m));
  EXPECT_EQ(m.w, 200);
}

}  // namespace
}  // namespace kvl
