// Imitated detectors on a real line: the link's worker in slave role answers
// through the imitation core, first frame by frame from this test, then to
// masters written by others (libmodbus, mbpoll).
#include <gtest/gtest.h>
#include <modbus/modbus.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "detector/register_map.h"
#include "imitation/imitation_runner.h"
#include "support/child_process.h"
#include "support/pty_bridge.h"
#include "support/pty_pair.h"

namespace kvl {
namespace {

// Twenty imitated Z detectors (list 1..20) with rows 0 and 1 ticked.
class ImitationOnLine {
 public:
  explicit ImitationOnLine(const std::string& port) : runner_(table_, imitation_) {
    table_.SetType(kTypeZ);
    table_.SetLanguage(kEnglish);
    started_ = runner_.Start(port, "19200");
    runner_.Edit([](CDetectorTable&, CImitation& im) {
      im.SetTicked(0, true);
      im.SetTicked(1, true);
    });
  }
  bool Started() const { return started_; }
  CImitationRunner& Runner() { return runner_; }
  RegisterImage Image(int slot) {
    RegisterImage img{};
    runner_.Edit([&](CDetectorTable& t, CImitation&) { img = t.Slot(slot).image; });
    return img;
  }

 private:
  CDetectorTable table_;
  CImitation imitation_{11};
  CImitationRunner runner_;
  bool started_ = false;
};

std::vector<std::uint16_t> Words(const RegisterImage& img, int first, int count) {
  return {img.begin() + first, img.begin() + first + count};
}

TEST(ImitationLink, TheSlaveRoleAnswersTheEdgeCases) {
  test::PtyPair pty;
  ImitationOnLine line(pty.SlavePath());
  ASSERT_TRUE(line.Started());
  const RegisterImage start = line.Image(0);

  struct Case {
    const char* name;
    Bytes request;
    bool answered;
    Bytes expected;  // empty for a read: the words come from the image afterwards
  };
  const Case cases[] = {
      {"unknown address", BuildReadRequest(9, 3, 0, 4), false, {}},
      {"10 from 151", BuildReadRequest(1, 3, 151, 10), true, {}},
      {"10 from 152", BuildReadRequest(1, 3, 152, 10), true, BuildException(1, 3, 2)},
      {"limit 300", BuildWriteSingle(1, 6, 5, 300), true, BuildWriteSingle(1, 6, 5, 300)},
      {"register 1", BuildWriteSingle(1, 6, 1, 0x0505), true, BuildWriteSingle(1, 6, 1, 0x0505)},
      {"function 16", BuildWriteMultiple(1, 5, {30, 40}), true, BuildException(1, 16, 1)},
      {"count 126", BuildReadRequest(2, 4, 0, 126), true, BuildException(2, 4, 3)},
      {"input registers of row 1", BuildReadRequest(2, 4, 0, 16), true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int served = line.Runner().Served();
    pty.Write(c.request);
    const Bytes got = pty.ReadFrame(c.answered ? 1500 : 500, 20);
    if (!c.answered) {
      EXPECT_TRUE(got.empty());
      continue;
    }
    if (!c.expected.empty()) {
      EXPECT_EQ(got, c.expected);
    } else {
      const std::uint8_t slave = c.request[0], function = c.request[1];
      const int first = (c.request[2] << 8) | c.request[3], count = (c.request[4] << 8) | c.request[5];
      EXPECT_EQ(got, BuildResponse(slave, function, Words(line.Image(slave - 1), first, count)));
    }
    EXPECT_EQ(line.Runner().Served(), served + 1);
  }
  // The limit write above 255 and the zero setting left their registers alone.
  const RegisterImage now = line.Image(0);
  EXPECT_EQ(now[reg::kLimits], start[reg::kLimits]);
  EXPECT_EQ(now[reg::kConcentration], 0);
  EXPECT_EQ(now[reg::kStatus] & 0xFF, 1);  // refreshed by the reads, never written
  line.Runner().Stop();
}

// A libmodbus RTU master on the far end of a pty bridge.
class LibmodbusMaster {
 public:
  explicit LibmodbusMaster(const std::string& path) {
    ctx_ = modbus_new_rtu(path.c_str(), 19200, 'N', 8, 1);
    if (ctx_ && modbus_connect(ctx_) == 0) connected_ = true;
    if (connected_) modbus_set_response_timeout(ctx_, 1, 0);
  }
  ~LibmodbusMaster() {
    if (!ctx_) return;
    if (connected_) modbus_close(ctx_);
    modbus_free(ctx_);
  }
  bool Ready() const { return connected_; }
  modbus_t* operator->() const { return ctx_; }
  modbus_t* Ctx() const { return ctx_; }
  void Slave(int s) { modbus_set_slave(ctx_, s); }

 private:
  modbus_t* ctx_ = nullptr;
  bool connected_ = false;
};

TEST(ImitationLink, ALibmodbusMasterReadsAndWrites) {
  test::PtyBridge bridge;
  ImitationOnLine line(bridge.PathA());
  ASSERT_TRUE(line.Started());
  LibmodbusMaster master(bridge.PathB());
  ASSERT_TRUE(master.Ready());

  std::uint16_t w[20] = {};
  for (int slave : {1, 2}) {
    master.Slave(slave);
    ASSERT_EQ(modbus_read_registers(master.Ctx(), 0, 16, w), 16) << modbus_strerror(errno);
    const RegisterImage img = line.Image(slave - 1);
    EXPECT_EQ(std::vector<std::uint16_t>(w, w + 16), Words(img, 0, 16));
    EXPECT_EQ(w[reg::SER_NUM], 1000 + slave);
    ASSERT_EQ(modbus_read_input_registers(master.Ctx(), 151, 10, w), 10) << modbus_strerror(errno);
  }
  master.Slave(2);
  ASSERT_EQ(modbus_write_register(master.Ctx(), 51, 4242), 1) << modbus_strerror(errno);
  EXPECT_EQ(line.Image(1)[reg::SER_NUM], 4242);
  ASSERT_EQ(modbus_write_register(master.Ctx(), 5, 300), 1);

  EXPECT_EQ(modbus_read_registers(master.Ctx(), 152, 10, w), -1);
  EXPECT_EQ(errno, EMBXILADD);
  const std::uint16_t two[2] = {1, 2};
  EXPECT_EQ(modbus_write_registers(master.Ctx(), 5, 2, two), -1);
  EXPECT_EQ(errno, EMBXILFUN);
  master.Slave(3);  // not ticked
  EXPECT_EQ(modbus_read_registers(master.Ctx(), 0, 1, w), -1);
  EXPECT_EQ(errno, ETIMEDOUT);
  line.Runner().Stop();
}

std::string Mbpoll(const std::vector<std::string>& args) {
  std::vector<std::string> argv{"/usr/bin/mbpoll", "-m", "rtu", "-b", "19200", "-P", "none", "-1", "-o", "1"};
  argv.insert(argv.end(), args.begin(), args.end());
  test::ChildProcess p(argv);
  const test::ProcessResult r = p.Finish(10000);
  return r.out + r.err;
}

TEST(ImitationLink, MbpollReadsSeveralDetectorsAndWrites) {
  if (access("/usr/bin/mbpoll", X_OK) != 0) GTEST_SKIP() << "mbpoll missing";
  test::PtyBridge bridge;
  ImitationOnLine line(bridge.PathA());
  ASSERT_TRUE(line.Started());

  // Reference 10 (1-based) is the serial number register 9.
  const std::string read = Mbpoll({"-a", "1,2", "-r", "10", "-c", "3", bridge.PathB()});
  EXPECT_NE(read.find("-- Polling slave 1..."), std::string::npos) << read;
  EXPECT_NE(read.find("[10]: \t1001"), std::string::npos) << read;
  EXPECT_NE(read.find("[10]: \t1002"), std::string::npos) << read;
  EXPECT_NE(read.find("[11]: \t12"), std::string::npos) << read;

  const std::string write = Mbpoll({"-a", "2", "-r", "6", bridge.PathB(), "40"});
  EXPECT_NE(write.find("Written 1 references."), std::string::npos) << write;
  EXPECT_EQ(line.Image(1)[reg::kLimits], 0x2814);  // limit 1 is now 40

  const std::string silent = Mbpoll({"-a", "7", "-r", "1", bridge.PathB()});
  EXPECT_NE(silent.find("timed out"), std::string::npos) << silent;
  line.Runner().Stop();
}

}  // namespace
}  // namespace kvl
