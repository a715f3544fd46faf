// The link against Modbus slaves written by others: libmodbus (one slave
// address per line: it loses sync on requests to other addresses) and
// pymodbus (several addresses on one bus).
#include <gtest/gtest.h>
#include <modbus/modbus.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "link/modbus_slave.h"
#include "support/capture.h"
#include "support/child_process.h"
#include "support/pty_bridge.h"

namespace kvl {
namespace {

using namespace std::chrono_literals;

class LibmodbusSlave {
 public:
  LibmodbusSlave(const std::string& path, int slave) {
    ctx_ = modbus_new_rtu(path.c_str(), 19200, 'N', 8, 1);
    map_ = modbus_mapping_new(0, 0, 50, 50);
    if (!ctx_ || !map_) return;
    for (int r = 0; r < 50; ++r) {
      map_->tab_registers[r] = static_cast<std::uint16_t>(slave * 1000 + r);
      map_->tab_input_registers[r] = static_cast<std::uint16_t>(slave * 1000 + 500 + r);
    }
    modbus_set_slave(ctx_, slave);
    modbus_set_indication_timeout(ctx_, 0, 50000);
    if (modbus_connect(ctx_) != 0) return;
    connected_ = true;
    thread_ = std::thread([this] { Run(); });
  }
  ~LibmodbusSlave() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (ctx_) {
      if (connected_) modbus_close(ctx_);
      modbus_free(ctx_);
    }
    if (map_) modbus_mapping_free(map_);
  }
  bool Ready() const { return connected_; }
  std::uint16_t Holding(int r) const { return map_->tab_registers[r]; }

 private:
  void Run() {
    std::uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    while (!stop_) {
      const int rc = modbus_receive(ctx_, query);
      if (rc > 0) modbus_reply(ctx_, query, rc, map_);
    }
  }

  modbus_t* ctx_ = nullptr;
  modbus_mapping_t* map_ = nullptr;
  bool connected_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class AgainstLibmodbus : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(slave.Ready()) << "libmodbus could not open " << bridge.PathB();
    link.SetOperator(&op);
    link.SetLanguage(kEnglish);
    ASSERT_EQ(link.Open(bridge.PathA()), 0);
    ASSERT_EQ(link.Configure(19200, 200), 0);
  }
  test::PtyBridge bridge;
  LibmodbusSlave slave{bridge.PathB(), 17};
  test::CapturingOperator op;
  CModbusSlave link;
};

TEST_F(AgainstLibmodbus, ReadsHoldingAndInputRegisters) {
  std::uint16_t w[10] = {};
  ASSERT_EQ(link.ReadRegisters(17, 3, 5, 10, w), 0);
  EXPECT_EQ(w[0], 17005);
  EXPECT_EQ(w[9], 17014);
  ASSERT_EQ(link.ReadRegisters(17, 4, 0, 2, w), 0);
  EXPECT_EQ(w[1], 17501);
  // Beyond the map libmodbus answers with an exception: a short answer here.
  EXPECT_EQ(link.ReadRegisters(17, 3, 45, 10, w), 2);
}

TEST_F(AgainstLibmodbus, SingleAndMultipleWritesLand) {
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegister(17, 6, 3, 0xBEEF), 0);
  EXPECT_EQ(slave.Holding(3), 0xBEEF);
  ASSERT_EQ(op.Shown().size(), 1u);
  EXPECT_EQ(op.Shown()[0].text, "Recorded");
  EXPECT_EQ(link.WriteRegisters(17, 10, {1, 2, 3, 4}, false), 0);
  EXPECT_EQ(slave.Holding(10), 1);
  EXPECT_EQ(slave.Holding(13), 4);
}

TEST_F(AgainstLibmodbus, AnExceptionAnswerIsWordedWithItsCode) {
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegister(17, 6, 60, 1), 1);
  ASSERT_EQ(op.Shown().size(), 1u);
  const Bytes req = BuildWriteSingle(17, 6, 60, 1);
  EXPECT_EQ(op.Shown()[0].text, "Modbus # 17: Record is not executed, error number = 2 (incorrect address), запрос=" +
                                    DumpBytes(req) + ", ответ=" + DumpBytes(BuildException(17, 6, 2)) + "  \n");
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegisters(17, 48, {1, 2, 3}, false), 1);
  ASSERT_EQ(op.Shown().size(), 2u);
  EXPECT_EQ(op.Shown()[1].text.rfind("Modbus # 17: Record is not executed, error number = 2 (incorrect address),  запрос=", 0),
            0u);
}

TEST_F(AgainstLibmodbus, TheWorkerPollsIt) {
  test::MessageQueue q;
  link.Close();
  link.SetPollRequests({0, 20}, {4, 2}, {0, 10});
  link.SelectPollSet({0, 1}, 1);
  link.StartWorker(&q, 0, bridge.PathA(), "19200", {17}, "3", "0", "3", true);
  test::PostedMessage m{};
  ASSERT_TRUE(q.WaitFor(WM_USER_DATA, &m, 3000ms));
  EXPECT_EQ(link.PollImage()[3], 17003);
  EXPECT_EQ(link.PollImage()[11], 17021);
  link.Resume();
  EXPECT_EQ(link.StopWorker(), 0);
}

class AgainstPymodbus : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string script = KVL_SOURCE_DIR_PATH;
    script += "/tests/peers/pymodbus_server.py";
    if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "/usr/bin/python3 missing";
    server = std::make_unique<test::ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", script, bridge.PathB(), "19200", "1,2,5"},
        test::ProcessOptions{.pipeInput = false, .captureError = false});
    std::string line;
    ASSERT_TRUE(server->ReadLine(&line, 10000)) << "pymodbus server did not start (python3-pymodbus installed?)";
    link.SetOperator(&op);
    link.SetLanguage(kEnglish);
    ASSERT_EQ(link.Open(bridge.PathA()), 0);
    ASSERT_EQ(link.Configure(19200, 200), 0);
    // The server opens the device only after its imports: wait for its first answer.
    std::uint16_t w[1];
    for (int i = 0; i < 50 && link.ReadRegisters(1, 3, 0, 1, w) != 0; ++i) std::this_thread::sleep_for(100ms);
  }
  test::PtyBridge bridge;
  std::unique_ptr<test::ChildProcess> server;
  test::CapturingOperator op;
  CModbusSlave link;
};

TEST_F(AgainstPymodbus, ServesSeveralAddressesOnOneBus) {
  std::uint16_t w[3] = {};
  for (int a : {1, 2, 5}) {
    ASSERT_EQ(link.ReadRegisters(static_cast<std::uint8_t>(a), 3, 7, 3, w), 0) << "address " << a;
    EXPECT_EQ(w[0], a * 1000 + 7);
    EXPECT_EQ(w[2], a * 1000 + 9);
  }
  ASSERT_EQ(link.ReadRegisters(2, 4, 0, 1, w), 0);
  EXPECT_EQ(w[0], 2000);
  EXPECT_EQ(link.ReadRegisters(3, 3, 0, 1, w), 1) << "an absent address stays silent";
}

TEST_F(AgainstPymodbus, WritesAndAnException) {
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegister(2, 6, 4, 4321), 0);
  std::uint16_t w[4] = {};
  ASSERT_EQ(link.ReadRegisters(2, 3, 4, 1, w), 0);
  EXPECT_EQ(w[0], 4321);
  EXPECT_EQ(link.WriteRegisters(5, 20, {9, 8, 7, 6}, false), 0);
  ASSERT_EQ(link.ReadRegisters(5, 3, 20, 4, w), 0);
  EXPECT_EQ(w[3], 6);
  link.BeginBatch(1);
  EXPECT_EQ(link.WriteRegister(1, 6, 150, 1), 1);
  ASSERT_EQ(op.Shown().size(), 2u);
  EXPECT_EQ(op.Shown()[1].text.rfind("Modbus # 1: Record is not executed, error number = 2 (incorrect address)", 0), 0u)
      << op.Shown()[1].text;
}

}  // namespace
}  // namespace kvl
