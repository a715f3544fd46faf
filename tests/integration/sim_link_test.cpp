// The simulated bus on a pty, driven by the workstation's own Modbus master:
// every transaction ends in the result code a real detector would give.
#include <gtest/gtest.h>

#include <thread>

#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "link/modbus_slave.h"
#include "sim/sim_bus.h"
#include "support/capture.h"
#include "support/pty_pair.h"
#include "text/format.h"
#include "text/link_texts.h"

namespace kvl {
namespace {

class SimLink : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.SetTimeScale(0);
    ASSERT_TRUE(bus.AddDetectors(kTypeZ5, 4, 1));
    ASSERT_TRUE(bus.AddDetectors(kTypeKvelt, 2, 11));
    ASSERT_TRUE(bus.Start(MakeSimFdLine(pty.MasterFd(), 9600)));
    ASSERT_EQ(link.Open(pty.SlavePath()), 0);
    ASSERT_EQ(link.Configure(9600, 200), 0);
  }
  void TearDown() override {
    link.Close();
    bus.Stop();
  }
  int Read(int slave, int first, int count, std::uint16_t* words = nullptr) {
    std::uint16_t buf[125];
    return link.ReadRegisters(std::uint8_t(slave), 3, std::uint16_t(first), std::uint8_t(count), words ? words : buf);
  }

  test::PtyPair pty;
  CSimBus bus{3};
  CModbusSlave link;
};

TEST_F(SimLink, PollSetsOfEveryTypeReadCleanly) {
  std::uint16_t words[125];
  for (int i : PollSetRequests(PollSetFor(kTypeZ5, kModeGraduationZ5))) {
    const PollRequest& r = kPollRequests[std::size_t(i)];
    ASSERT_EQ(Read(2, r.first, r.count, words), 0) << i;
    const auto regs = *bus.Registers(2);
    for (int k = 0; k < r.count; ++k) EXPECT_EQ(words[k], regs[std::size_t(r.first + k)]);
  }
  for (int i : PollSetRequests(PollSetFor(kTypeKvelt, kModeSaveSettings)))
    EXPECT_EQ(Read(11, kPollRequests[std::size_t(i)].first, kPollRequests[std::size_t(i)].count), 0) << i;
  EXPECT_EQ(Read(5, 1, 15), 1);  // nobody there
  EXPECT_GE(bus.AnsweredCount(), 12u);
}

TEST_F(SimLink, WritesReachTheDetector) {
  EXPECT_EQ(link.WriteRegister(3, 6, reg::kCmdLimit1, 45), 0);
  EXPECT_EQ(HighByte((*bus.Registers(3))[reg::kLimits]), 45u);
  // Refused value: exception answer, reported as a failed write.
  EXPECT_EQ(link.WriteRegister(3, 6, reg::kCmdLimit1, 0), 1);
  EXPECT_EQ(link.WriteRegisters(3, 96, {700, 1400}, false), 0);
  EXPECT_EQ((*bus.Registers(3))[97], 1400);
  EXPECT_EQ(link.WriteRegisters(3, 159, {1, 2, 3}, false), 1);

  // Address change: the echo comes from the old address, polls go to the new one.
  EXPECT_EQ(link.WriteRegister(4, 6, reg::kAddressBaud, 30 * 256 + 8), 0);
  EXPECT_EQ(Read(4, 1, 9), 1);
  EXPECT_EQ(Read(30, 1, 9), 0);
}

// A detector that acknowledges a table but keeps its old one: the check read
// names each register that differs, the write fails and its write list
// carries the differences; the good detector's list reads back equal.
TEST_F(SimLink, TableReadBackNamesTheRegistersADetectorDidNotTake) {
  struct Lists : CWriteListener {
    std::vector<LinkWriteList> got;
    void OnWriteList(const LinkWriteList& list) override { got.push_back(list); }
  } lists;
  test::CapturingOperator op;
  link.SetOperator(&op);
  link.SetWriteListener(&lists);
  bus.SetFault(2, {SimFaultKind::NoStore, 0});
  const std::vector<std::uint16_t> table = {1083, 1004, 924, 853};
  const RegisterImage kept = *bus.Registers(2);
  for (int slave : {1, 2}) {
    link.BeginWriteList({"test", "table.grad", {{std::uint8_t(slave), Format("500%d", slave)}}, {}});
    EXPECT_EQ(link.WriteRegisters(std::uint8_t(slave), 104, table, false, true), slave == 1 ? 0 : 1);
    link.EndWriteList();
  }
  ASSERT_EQ(lists.got.size(), 2u);
  EXPECT_EQ(lists.got[0].serial, "5001");
  EXPECT_TRUE(lists.got[0].AllWritten());
  EXPECT_TRUE(lists.got[0].writes.at(0).checked && lists.got[0].writes[0].differences.empty());
  std::vector<ReadBackDifference> want;
  for (std::uint16_t i = 0; i < table.size(); ++i)
    if (kept[104u + i] != table[i]) want.push_back({std::uint16_t(104 + i), table[i], kept[104u + i]});
  ASSERT_FALSE(want.empty());
  EXPECT_FALSE(lists.got[1].AllWritten());
  EXPECT_EQ(lists.got[1].writes.at(0).differences, want);
  const std::vector<test::ShownMessage> shown = op.Shown();
  ASSERT_FALSE(shown.empty());
  for (const ReadBackDifference& d : want)
    EXPECT_NE(shown.back().text.find(Format(txt::kReadBackRegister(kEnglish), unsigned(d.reg), unsigned(d.written),
                                            unsigned(d.read))),
              std::string::npos)
        << shown.back().text;
  EXPECT_EQ(lists.got[1].writes[0].failure, WriteFailure::kReadBackDiffers);

  // A table of two blocks in one batch: one head over both blocks' registers.
  link.BeginBatch(2);
  link.BeginWriteList({"test", "table.grad", {{2, "5002"}}, {}});
  EXPECT_EQ(link.WriteRegisters(2, 104, table, false, true), 1);
  EXPECT_EQ(link.WriteRegisters(2, 128, table, false, true), 1);
  link.EndWriteList();
  const std::string told = op.Shown().back().text;
  const std::string head = Format("%s %u: %s", txt::kDeviceWord(kEnglish), 2u, txt::kReadBackDiffers(kEnglish));
  EXPECT_EQ(told.find(head), told.rfind(head)) << told;
  EXPECT_NE(told.find(Format(txt::kReadBackRegister(kEnglish), 128u, unsigned(table[0]), unsigned(kept[128]))),
            std::string::npos)
      << told;
}

TEST_F(SimLink, FaultsGiveTheirResultCodes) {
  bus.SetFault(1, {SimFaultKind::Silent, 0});
  EXPECT_EQ(Read(1, 1, 15), 1);
  bus.SetFault(1, {SimFaultKind::Short, 0});
  EXPECT_EQ(Read(1, 1, 15), 2);
  bus.SetFault(1, {SimFaultKind::Crc, 0});
  EXPECT_EQ(Read(1, 1, 15), 3);
  bus.SetFault(1, {SimFaultKind::WrongAddress, 0});
  EXPECT_EQ(Read(1, 1, 15), 4);
  bus.SetFault(1, {SimFaultKind::Exception, 2});
  EXPECT_EQ(Read(1, 1, 15), 2);  // a 5-byte exception answer is short
  EXPECT_EQ(link.WriteRegister(1, 6, reg::kCmdLimit2, 30), 1);
  // Later than the master's time-out: no answer; a little late: fine.
  bus.SetFault(1, {SimFaultKind::Slow, 400});
  EXPECT_EQ(Read(1, 1, 2), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));  // let the late answer pass
  bus.SetFault(1, {SimFaultKind::Slow, 50});
  EXPECT_EQ(Read(1, 1, 2), 0);
  bus.SetFault(1, {});
  EXPECT_EQ(Read(1, 1, 15), 0);
  EXPECT_EQ(Read(2, 1, 15), 0);  // the others were never affected
}

TEST_F(SimLink, GarbageOnTheLineIsSkipped) {
  const std::uint8_t noise[] = {0x55, 0x01, 0x03, 0x00, 0x07, 0xAA, 0x13, 0x99, 0x01};
  ASSERT_EQ(link.Write(noise, sizeof noise), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(Read(2, 1, 15), 0);
  EXPECT_GT(bus.DroppedBytes(), 0u);
}

TEST_F(SimLink, GraduationCaptureThroughTheLink) {
  using namespace reg::z5;
  EXPECT_EQ(link.WriteRegister(1, 6, 102, 0x1107), 1);  // locked
  EXPECT_EQ(link.WriteRegister(1, 6, reg::kPassword, kSimGraduationPassword), 0);
  bus.SetChamberTemperature(85);
  bus.Advance(3600);
  EXPECT_EQ(link.WriteRegister(1, 6, 102, 0x1107), 0);
  std::uint16_t t[1];
  ASSERT_EQ(Read(1, GradTableAddress(7, 0), 1, t), 0);
  EXPECT_NEAR(t[0], SimTemperatureUnits(kTypeZ5, 87), 1);  // device units
}

// A two-wire adapter hands the master back every byte it sends. With the
// echo option the link takes that echo before the answer; without it, a line
// that echoes is recognised and told once per opening; and an echo that does
// not come fails the transaction, told once as well.
TEST_F(SimLink, EchoOptionAgainstLinesThatDoAndDoNotEcho) {
  test::CapturingOperator op;
  link.SetOperator(&op);
  link.SetLanguage(kEnglish);
  const struct {
    bool lineEchoes, option;
    int result;              // of each read
    const TextEntry* told;   // once per opening
  } cases[] = {
      {true, true, 0, nullptr},
      {true, false, 4, &txt::kEchoHeard},  // the echo's third byte is no byte count
      {false, true, 2, &txt::kEchoMissing},  // the answer came where the echo was due
      {false, false, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "line echoes " << c.lineEchoes << ", option " << c.option);
    bus.SetEcho(c.lineEchoes);
    link.SetEcho(c.option);
    op.ClearShown();
    for (int opening = 0; opening < 2; ++opening) {
      ASSERT_EQ(link.Open(pty.SlavePath()), 0);
      ASSERT_EQ(link.Configure(9600, 200), 0);
      std::uint16_t words[2] = {};
      for (int k = 0; k < 3; ++k) EXPECT_EQ(Read(2, 1, 2, words), c.result) << k;
      if (c.result == 0) {
        EXPECT_EQ(words[1], (*bus.Registers(2))[2]);
      }
    }
    const std::vector<test::ShownMessage> shown = op.Shown();
    if (!c.told) {
      EXPECT_TRUE(shown.empty()) << shown.front().text;
      continue;
    }
    ASSERT_EQ(shown.size(), 2u);
    for (const test::ShownMessage& m : shown) EXPECT_EQ(m.text, Format((*c.told)(kEnglish), pty.SlavePath().c_str()));
  }
  // Writes take their echo too, and each answer after it.
  bus.SetEcho(true);
  link.SetEcho(true);
  EXPECT_EQ(link.WriteRegisters(3, 96, {700, 1400}, false), 0);
  EXPECT_EQ((*bus.Registers(3))[97], 1400);
  EXPECT_EQ(link.WriteRegister(3, 6, reg::kCmdLimit1, 45), 0);
  EXPECT_EQ(HighByte((*bus.Registers(3))[reg::kLimits]), 45u);
}

}  // namespace
}  // namespace kvl
