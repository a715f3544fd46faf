#include <gtest/gtest.h>

#include "link/modbus_slave.h"
#include "support/capture.h"
#include "support/scripted_peer.h"

namespace kvl {
namespace {

using test::PeerReply;

// A link on one end of a pty, a scripted slave on the other.
class Transactions : public ::testing::Test {
 protected:
  void Open(int baud = 19200, const char* baudText = "19200") {
    link.SetOperator(&op);
    ASSERT_EQ(link.Open(pty.SlavePath()), 0);
    ASSERT_EQ(link.Configure(baud, 60), 0);
    link.SetBaudText(baudText);
  }
  void Peer(test::ScriptedPeer::Script script) { peer = std::make_unique<test::ScriptedPeer>(pty, std::move(script)); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (auto& m : op.Shown()) t.push_back(m.text);
    return t;
  }

  test::PtyPair pty;
  test::CapturingOperator op;
  CModbusSlave link;
  std::unique_ptr<test::ScriptedPeer> peer;
};

PeerReply Silent(const Bytes&, int) { return {}; }

TEST_F(Transactions, ReadRegistersResultCodes) {
  Open();
  // Script by request index: valid, silent, exception (short), wrong count, bad CRC.
  Peer([](const Bytes& req, int i) -> PeerReply {
    Bytes ok = test::ReadAnswerFor(req, [](std::uint16_t reg) { return static_cast<std::uint16_t>(reg * 3); });
    switch (i) {
      case 0: return {ok};
      case 1: return {};
      case 2: return {BuildException(req[0], req[1], 2)};
      case 3: ok[2] = 2; return {ok};
      default: ok[4] ^= 0x40; return {ok};
    }
  });
  std::uint16_t words[9] = {};
  EXPECT_EQ(link.ReadRegisters(1, 3, 10, 9, words), 0);
  EXPECT_EQ(words[0], 30);
  EXPECT_EQ(words[8], 54);
  EXPECT_EQ(link.ReadRegisters(1, 3, 10, 9, words), 1);
  EXPECT_EQ(link.ReadRegisters(1, 3, 10, 9, words), 2);
  EXPECT_EQ(link.ReadRegisters(1, 3, 10, 9, words), 4);
  EXPECT_EQ(link.ReadRegisters(1, 3, 10, 9, words), 3);
  ASSERT_EQ(peer->RequestCount(), 5);
  EXPECT_EQ(peer->Requests()[0], BuildReadRequest(1, 3, 10, 9));
  EXPECT_TRUE(op.Shown().empty()) << "read failures are never shown";
}

TEST_F(Transactions, WriteRegisterToSilentSlaveSendsThreeTimesAndReportsInRussian) {
  Open();
  link.SetLanguage(kEnglish);
  Peer(Silent);
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegister(1, 6, 2, 0x0102), 1);
  EXPECT_EQ(peer->RequestCount(), 3);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "Запись не выполнена, запрос= 1  6  0  2  1  2  A8  5B , нет ответа от прибора\n");
  EXPECT_EQ(DumpBytes(BuildWriteSingle(1, 6, 2, 0x0102)), " 1  6  0  2  1  2  A8  5B ");
}

TEST_F(Transactions, WriteRegisterExceptionIsReportedAfterOneSend) {
  Open();
  link.SetLanguage(kEnglish);
  Peer([](const Bytes&, int) -> PeerReply { return {{0x01, 0x86, 0x02, 0xC3, 0xA1}}; });
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegister(1, 6, 0, 5), 1);
  EXPECT_EQ(peer->RequestCount(), 1);
  const Bytes req = BuildWriteSingle(1, 6, 0, 5);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "Modbus # 1: Record is not executed, error number = 2 (incorrect address), запрос=" +
                            DumpBytes(req) + ", ответ= 1  86  2  C3  A1   \n");
}

TEST_F(Transactions, WriteRegisterSucceedsOnEchoAndResendsOnAWrongOne) {
  Open();
  link.SetLanguage(kRussian);
  Peer([](const Bytes& req, int i) -> PeerReply {
    if (i == 0) {
      Bytes wrong = req;
      wrong[5] ^= 1;
      return {wrong};
    }
    return {req};
  });
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegister(9, 6, 4, 1000), 0);
  EXPECT_EQ(peer->RequestCount(), 2);
  ASSERT_EQ(op.Shown().size(), 1u);
  EXPECT_EQ(op.Shown()[0].text, "Записано");
  EXPECT_EQ(op.Shown()[0].icon, MessageIcon::Information);
}

TEST_F(Transactions, ShortAnswerToSingleWriteIsDumped) {
  Open();
  link.SetLanguage(kEnglish);
  Peer([](const Bytes& req, int) -> PeerReply { return {Bytes(req.begin(), req.begin() + 3)}; });
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegister(2, 6, 4, 1), 1);
  EXPECT_EQ(peer->RequestCount(), 3);
  const Bytes req = BuildWriteSingle(2, 6, 4, 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "Modbus # 2: Record is not executed   \nзапрос=" + DumpBytes(req) + ", ответ= " +
                            DumpBytes(Bytes(req.begin(), req.begin() + 3)) + "  \n\n");
}

TEST_F(Transactions, WriteRegistersRefusesMoreThan127WordsWithoutTouchingTheLine) {
  Open();
  Peer(Silent);
  link.BeginBatch(3);
  EXPECT_EQ(link.WriteRegisters(1, 0, std::vector<std::uint16_t>(128, 1), true), 1);
  EXPECT_EQ(link.BatchLeft(), 3);
  EXPECT_EQ(peer->RequestCount(), 0);
  EXPECT_TRUE(op.Shown().empty());
}

TEST_F(Transactions, WriteRegistersSends127WordsAndCheckReads) {
  Open();
  Peer([](const Bytes& req, int) -> PeerReply {
    if (req[1] == 16)
      return {BuildWriteMultipleAnswer(req[0], static_cast<std::uint16_t>((req[2] << 8) | req[3]), req[5])};
    return {test::ReadAnswerFor(req, [](std::uint16_t) { return 0; })};
  });
  std::vector<std::uint16_t> words(127, 0xABCD);
  link.SetReadFunction(4);
  EXPECT_EQ(link.WriteRegisters(3, 40, words, true), 0);
  const auto reqs = peer->Requests();
  ASSERT_EQ(reqs.size(), 2u);
  EXPECT_EQ(reqs[0].size(), 263u);
  EXPECT_EQ(reqs[1], BuildReadRequest(3, 4, 40, 127)) << "the check read uses the link's read function";
  ASSERT_EQ(op.Shown().size(), 1u);
  EXPECT_EQ(op.Shown()[0].icon, MessageIcon::Information);
}

TEST_F(Transactions, WriteRegistersToSilentSlaveShowsNoAnswerAtOnceThenTheBatch) {
  Open();
  link.SetLanguage(kEnglish);
  Peer(Silent);
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegisters(4, 0, {1, 2}, false), 1);
  EXPECT_EQ(peer->RequestCount(), 4);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Record is not executed, no answer from device",
                                               "Modbus # 4: Record is not executed, no answer from device  \n"}));
}

TEST_F(Transactions, WriteRegistersReportsAWrongAnswerAndAnException) {
  Open();
  link.SetLanguage(kEnglish);
  Peer([](const Bytes& req, int i) -> PeerReply {
    if (i == 0) return {BuildWriteMultipleAnswer(req[0], 99, 1)};
    return {BuildException(req[0], 16, 3)};
  });
  link.BeginBatch(2);
  EXPECT_EQ(link.WriteRegisters(4, 10, {7}, false), 1);
  EXPECT_TRUE(op.Shown().empty());
  EXPECT_EQ(link.WriteRegisters(4, 10, {7}, false), 1);
  EXPECT_EQ(peer->RequestCount(), 2) << "neither outcome is sent again";
  const Bytes req = BuildWriteMultiple(4, 10, {7});
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0], "  \nзапрос=" + DumpBytes(req) + "  \n             ответ= " +
                            DumpBytes(BuildWriteMultipleAnswer(4, 99, 1)) + "  \nдолжно быть:" +
                            DumpBytes(BuildWriteMultipleAnswer(4, 10, 1)) + "  \n" +
                            "Modbus # 4: Record is not executed, error number = 3 (incorrect data),  запрос=" +
                            DumpBytes(req) + ",  ответ=" + DumpBytes(BuildException(4, 16, 3)) + "\n");
}

TEST_F(Transactions, CheckReadFailuresAreReported) {
  Open();
  link.SetLanguage(kRussian);
  Peer([](const Bytes& req, int i) -> PeerReply {
    if (req[1] == 16) return {BuildWriteMultipleAnswer(req[0], static_cast<std::uint16_t>((req[2] << 8) | req[3]), req[5])};
    if (i == 1) return {};                               // check read unanswered
    return {BuildException(req[0], req[1], 2)};           // check read short
  });
  link.BeginBatch(2);
  EXPECT_EQ(link.WriteRegisters(1, 0, {1}, true), 1);
  EXPECT_EQ(link.WriteRegisters(1, 0, {1}, true), 1);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0],
            "Проверочное чтение не выполнено, нет ответа от прибора\nПроверочное чтение не выполнено\n");
}

TEST_F(Transactions, ABatchShowsOneDialogAfterItsLastWrite) {
  Open();
  link.SetLanguage(kEnglish);
  Peer([](const Bytes& req, int i) -> PeerReply {
    if (i == 1) return {BuildException(req[0], req[1], 4)};
    return {req};
  });
  link.BeginBatch(4);
  EXPECT_EQ(link.WriteRegister(1, 6, 1, 1), 0);
  EXPECT_EQ(link.WriteRegister(1, 6, 2, 2), 1);
  EXPECT_EQ(link.WriteRegister(1, 6, 3, 3), 0);
  EXPECT_TRUE(op.Shown().empty());
  EXPECT_EQ(link.WriteRegister(1, 6, 4, 4), 0);
  ASSERT_EQ(Texts().size(), 1u);
  EXPECT_EQ(Texts()[0].rfind("Modbus # 1: Record is not executed, error number = 4 (slave device failure)", 0), 0u);
  // Outside a batch nothing more is shown; lines still collect.
  EXPECT_EQ(link.WriteRegister(1, 6, 5, 5), 0);
  EXPECT_EQ(link.BatchLeft(), -1);
  EXPECT_EQ(op.Shown().size(), 1u);
}

TEST_F(Transactions, WriteRegistersOnAClosedLineSaysSo) {
  link.SetOperator(&op);
  link.SetLanguage(kEnglish);
  EXPECT_EQ(link.WriteRegisters(1, 0, {1}, false), 1);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Port is not open "});
  link.SetLanguage(2);
  EXPECT_EQ(link.Language(), kEnglish);
  link.SetLanguage(kRussian);
  EXPECT_EQ(link.WriteRegisters(1, 0, {1}, false), 1);
  EXPECT_EQ(Texts().back(), "Порт не открыт ");
}

TEST_F(Transactions, SlowLineWaitsBeforeReadingAnswersButNotForWrites) {
  Open(1200, "1200");
  Peer([](const Bytes& req, int) -> PeerReply {
    if (req[1] == 6) return {req};
    return {test::ReadAnswerFor(req, [](std::uint16_t) { return 1; })};
  });
  std::uint16_t w[1];
  std::int64_t t0 = MonotonicNs();
  EXPECT_EQ(link.WriteRegister(1, 6, 0, 0), 0);
  const double writeMs = static_cast<double>(MonotonicNs() - t0) / 1e6;
  t0 = MonotonicNs();
  EXPECT_EQ(link.ReadRegisters(1, 3, 0, 1, w), 0);
  const double readMs = static_cast<double>(MonotonicNs() - t0) / 1e6;
  EXPECT_GE(readMs - writeMs, 650.0) << "read " << readMs << " ms, write " << writeMs << " ms";
}

TEST_F(Transactions, SlaveRoleReceivesRequestsAndAnswers) {
  Open();
  pty.Write(BuildReadRequest(7, 4, 0x10, 3));
  EXPECT_EQ(link.ReceiveRequest(), 0);
  EXPECT_EQ(link.LastRequest().slave, 7);
  EXPECT_EQ(link.LastRequest().function, 4);
  EXPECT_EQ(link.LastRequest().first, 0x10);
  EXPECT_EQ(link.LastRequest().countOrValue, 3);
  link.SendResponse(7, 4, {1, 2, 3});
  EXPECT_EQ(pty.ReadFrame(500), BuildResponse(7, 4, {1, 2, 3}));

  pty.Write(BuildWriteSingle(7, 6, 1, 2));
  EXPECT_EQ(link.ReceiveRequest(), 4);
  EXPECT_EQ(link.ReceiveRequest(), 1);
  pty.Write({7, 3, 0});
  EXPECT_EQ(link.ReceiveRequest(), 2);
  Bytes bad = BuildReadRequest(7, 3, 0, 1);
  bad[7] ^= 0xFF;
  pty.Write(bad);
  EXPECT_EQ(link.ReceiveRequest(), 3);
}

// Every frame sent and received reaches an observer, with the step's result.
TEST_F(Transactions, ObserverSeesEveryFrame) {
  struct Recorder : CLinkObserver {
    std::vector<LinkFrame> frames;
    void OnFrame(const LinkFrame& f) override { frames.push_back(f); }
  } rec;
  Open();
  link.SetObserver(&rec);
  Peer([](const Bytes& req, int i) -> PeerReply {
    if (i == 0) return {};
    return {test::ReadAnswerFor(req, [](std::uint16_t) { return 2; })};
  });
  std::uint16_t w[2];
  EXPECT_EQ(link.ReadRegisters(1, 3, 0, 2, w), 1);
  EXPECT_EQ(link.ReadRegisters(1, 3, 0, 2, w), 0);
  ASSERT_EQ(rec.frames.size(), 4u);
  EXPECT_EQ(rec.frames[0].direction, FrameDirection::Sent);
  EXPECT_EQ(rec.frames[0].bytes, BuildReadRequest(1, 3, 0, 2));
  EXPECT_EQ(rec.frames[1].direction, FrameDirection::Received);
  EXPECT_TRUE(rec.frames[1].bytes.empty());
  EXPECT_EQ(rec.frames[1].result, 1);
  EXPECT_EQ(rec.frames[3].bytes.size(), 9u);
  EXPECT_EQ(rec.frames[3].result, 0);
  EXPECT_LE(rec.frames[2].monotonicNs, rec.frames[3].monotonicNs);
  link.SetObserver(nullptr);
}

}  // namespace
}  // namespace kvl
