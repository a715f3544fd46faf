// kvlctl as the operator runs it: a child process on one end of a pty, a
// scripted detector bus on the other.
#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <array>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "kvlctl_process.h"
#include "link/modbus_frames.h"
#include "support/scripted_peer.h"
#include "text/format.h"

namespace kvl {
namespace {

using test::KvlctlResult;
using test::PeerReply;
using test::RunKvlctl;

// Detectors at the given addresses: register value = address * 1000 +
// register; single writes echoed, block writes acknowledged.
PeerReply Bus(const std::set<int>& present, const Bytes& req) {
  if (req.size() < 8 || !present.count(req[0])) return {};
  if (req[1] == 6) return {req};
  if (req[1] == 16)
    return {BuildWriteMultipleAnswer(req[0], static_cast<std::uint16_t>((req[2] << 8) | req[3]), req[5])};
  const int a = req[0];
  return {test::ReadAnswerFor(req, [a](std::uint16_t reg) { return static_cast<std::uint16_t>(a * 1000 + reg); })};
}

class Kvlctl : public ::testing::Test {
 protected:
  void Peer(std::set<int> present) {
    peer = std::make_unique<test::ScriptedPeer>(pty, [present](const Bytes& req, int) { return Bus(present, req); });
  }
  void Peer(test::ScriptedPeer::Script script) { peer = std::make_unique<test::ScriptedPeer>(pty, std::move(script)); }
  // kvlctl <command> --port <pty> --baud 19200 <args>
  KvlctlResult Run(const std::string& command, std::vector<std::string> args) {
    args.insert(args.begin(), {command, "--port", pty.SlavePath(), "--baud", "19200"});
    return RunKvlctl(args);
  }

  test::PtyPair pty;
  std::unique_ptr<test::ScriptedPeer> peer;
};

TEST_F(Kvlctl, ReadPrintsTheWordsByProtocolAddress) {
  Peer({5});
  KvlctlResult r = Run("read", {"--addr", "5", "--first", "10", "--count", "3"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "10: 5010 0x1392\n11: 5011 0x1393\n12: 5012 0x1394\n");
  r = Run("read", {"--addr", "5", "--first", "0x10", "--count", "2", "--function", "4", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"result\": 0, \"first\": 16, \"words\": [5016, 5017]}\n");
  ASSERT_EQ(peer->RequestCount(), 2);
  EXPECT_EQ(peer->Requests()[0], BuildReadRequest(5, 3, 10, 3));
  EXPECT_EQ(peer->Requests()[1], BuildReadRequest(5, 4, 16, 2));
}

TEST_F(Kvlctl, ReadFromASilentDetectorFails) {
  Peer({5});
  KvlctlResult r = Run("read", {"--addr", "6", "--first", "0", "--count", "1", "--json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "{\"result\": 1, \"first\": 0, \"words\": []}\n");
  EXPECT_NE(r.err.find("no answer (result 1)"), std::string::npos) << r.err;
  EXPECT_EQ(peer->RequestCount(), 1) << "a read is sent once";
}

TEST_F(Kvlctl, ReadWithABadCrcReportsResult3) {
  Peer([](const Bytes& req, int) -> PeerReply {
    Bytes a = test::ReadAnswerFor(req, [](std::uint16_t) { return 7; });
    a.back() ^= 1;
    return {a};
  });
  const KvlctlResult r = Run("read", {"--addr", "1", "--first", "0", "--count", "2", "--json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "{\"result\": 3, \"first\": 0, \"words\": []}\n");
}

TEST_F(Kvlctl, SingleWriteReportsRecordedInEitherLanguage) {
  Peer({3});
  KvlctlResult r = Run("write", {"--addr", "3", "--reg", "7", "--value", "42"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Recorded\n");
  r = Run("write", {"--addr", "3", "--reg", "7", "--value", "0xFFFF", "--lang", "ru", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"result\": 0, \"report\": \"Записано\"}\n");
  ASSERT_EQ(peer->RequestCount(), 2);
  EXPECT_EQ(peer->Requests()[0], BuildWriteSingle(3, 6, 7, 42));
  EXPECT_EQ(peer->Requests()[1], BuildWriteSingle(3, 6, 7, 0xFFFF));
}

TEST_F(Kvlctl, SingleWriteToASilentDetectorGivesTheNoAnswerReport) {
  Peer({3});
  const std::string expected =
      "Запись не выполнена, запрос=" + DumpBytes(BuildWriteSingle(9, 6, 1, 300)) + ", нет ответа от прибора\n";
  KvlctlResult r = Run("write", {"--addr", "9", "--reg", "1", "--value", "300", "--lang", "ru"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(peer->RequestCount(), 3) << "three sends before giving up";
  // The same text whatever the language; JSON escapes the line break.
  r = Run("write", {"--addr", "9", "--reg", "1", "--value", "300", "--json"});
  EXPECT_EQ(r.exitCode, 1);
  std::string json = expected.substr(0, expected.size() - 1) + "\\n";
  EXPECT_EQ(r.out, "{\"result\": 1, \"report\": \"" + json + "\"}\n");
}

TEST_F(Kvlctl, BlockWriteSendsFunction16ThenTheCheckRead) {
  Peer({4});
  const KvlctlResult r = Run("write", {"--addr", "4", "--reg", "100", "--values", "1,2,0x300", "--function", "4"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Recorded\n");
  ASSERT_EQ(peer->RequestCount(), 2);
  EXPECT_EQ(peer->Requests()[0], BuildWriteMultiple(4, 100, {1, 2, 0x300}));
  EXPECT_EQ(peer->Requests()[1], BuildReadRequest(4, 4, 100, 3));
}

TEST_F(Kvlctl, BlockWriteWhoseCheckReadGoesUnansweredFails) {
  Peer([](const Bytes& req, int) -> PeerReply {
    if (req[1] == 16) return {BuildWriteMultipleAnswer(req[0], static_cast<std::uint16_t>((req[2] << 8) | req[3]), req[5])};
    return {};
  });
  const KvlctlResult r = Run("write", {"--addr", "4", "--reg", "5", "--values", "9,9", "--lang", "ru", "--json"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "{\"result\": 1, \"report\": \"Проверочное чтение не выполнено, нет ответа от прибора\\n\"}\n");
}

TEST_F(Kvlctl, BlockWriteToASilentDetectorShowsBothReports) {
  Peer({4});
  const KvlctlResult r = Run("write", {"--addr", "7", "--reg", "5", "--values", "1"});
  EXPECT_EQ(r.exitCode, 1);
  // The immediate box, then the batch text once the batch of one is done.
  EXPECT_EQ(r.out,
            "Record is not executed, no answer from device\n"
            "Modbus # 7: Record is not executed, no answer from device  \n");
  EXPECT_EQ(peer->RequestCount(), 4) << "four sends before giving up";
}

TEST_F(Kvlctl, CtrlCEndsAReadOrAWriteWithinAHundredMilliseconds) {
  Peer(std::set<int>{});
  // 1200 baud: one unanswered read waits far longer than 100 ms, a write's retries longer still.
  const std::vector<std::vector<std::string>> commands = {
      {"read", "--port", pty.SlavePath(), "--baud", "1200", "--addr", "2", "--first", "0", "--count", "100"},
      {"write", "--port", pty.SlavePath(), "--baud", "1200", "--addr", "2", "--reg", "0", "--value", "1", "--lang", "ru"}};
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0]);
    const int before = peer->RequestCount();
    test::KvlctlProcess p(args);
    for (int i = 0; i < 400 && peer->RequestCount() == before; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(peer->RequestCount(), before + 1);
    const auto signalled = std::chrono::steady_clock::now();
    p.Signal(SIGINT);
    const KvlctlResult r = p.Finish(3000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - signalled);
    EXPECT_EQ(r.exitCode, 130) << r.err;
    EXPECT_NE(r.err.find(args.back() == "ru" ? "прервано" : "interrupted"), std::string::npos) << r.err;
    EXPECT_LT(took.count(), 1000) << "far sooner than the transaction's own end";
    EXPECT_EQ(peer->RequestCount(), before + 1) << "no retry after the stop";
  }
}

TEST_F(Kvlctl, PollPrintsEveryMessageOverTwoCycles) {
  Peer({1, 2});
  const KvlctlResult r = Run("poll", {"--addr", "1,2", "--requests", "0:2,10:1", "--cycles", "2"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string detector1 =
      "WM_USER_RESULT w=0 l=0\nWM_USER_RESULT w=0 l=0\n";
  const std::string data1 = "WM_USER_DATA w=0 l=0 position=0 addr=1 words=1000 1001 1010\n";
  const std::string detector2 =
      "WM_USER_RESULT w=0 l=1\nWM_USER_RESULT w=0 l=1\n"
      "WM_USER_DATA w=0 l=0 position=1 addr=2 words=2000 2001 2010\n";
  const std::string cycle = "WM_USER_CYCLE w=0 l=0\n";
  EXPECT_EQ(r.out, "WM_USER_PORT_OPEN w=0 l=0\n" + detector1 + "WM_USER_CONFIG w=0 l=0\n" + data1 + detector2 + cycle +
                       detector1 + data1 + detector2 + cycle);
  // Two cycles take 8 reads; the worker may have begun the next before it was stopped.
  EXPECT_GE(peer->RequestCount(), 8);
  EXPECT_LE(peer->RequestCount(), 9);
}

TEST_F(Kvlctl, PollAsJsonWithASilentDetector) {
  Peer({1});
  const KvlctlResult r = Run("poll", {"--addr", "1,8", "--requests", "3:2", "--json"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"msg\": \"WM_USER_PORT_OPEN\", \"w\": 0, \"l\": 0}\n"
            "{\"msg\": \"WM_USER_RESULT\", \"w\": 0, \"l\": 0}\n"
            "{\"msg\": \"WM_USER_CONFIG\", \"w\": 0, \"l\": 0}\n"
            "{\"msg\": \"WM_USER_DATA\", \"w\": 0, \"l\": 0, \"position\": 0, \"addr\": 1, \"words\": [1003, 1004]}\n"
            "{\"msg\": \"WM_USER_RESULT\", \"w\": 1, \"l\": 1}\n"
            "{\"msg\": \"WM_USER_RESULT\", \"w\": 1, \"l\": 1}\n"
            "{\"msg\": \"WM_USER_CLEAR\", \"w\": 0, \"l\": 0}\n"
            "{\"msg\": \"WM_USER_CYCLE\", \"w\": 0, \"l\": 0}\n");
}

TEST_F(Kvlctl, PollStatsCountAnswersAndSilencePerDetector) {
  Peer({1});
  const KvlctlResult r = Run("poll", {"--addr", "1,8", "--requests", "3:2", "--cycles", "2", "--stats"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // The worker may have begun the next cycle when the figures are taken.
  const std::regex line(R"(addr (\d+): (\d+) requests, (\d+) answers, latency min/mean/max ([0-9.]+)/([0-9.]+)/([0-9.]+) ms; )"
                        R"(no answer (\d+), CRC 0, short 0, exception 0, wrong address 0, other 0\n)");
  std::map<int, std::array<double, 6>> figures;
  for (std::sregex_iterator it(r.out.begin(), r.out.end(), line), end; it != end; ++it) {
    std::array<double, 6> f{};
    for (int k = 0; k < 6; ++k) ASSERT_TRUE(ParseDouble((*it)[k + 2].str(), &f[size_t(k)]));
    figures[std::stoi((*it)[1].str())] = f;
  }
  ASSERT_EQ(figures.size(), 2u) << r.out;
  const auto one = figures[1], eight = figures[8];
  EXPECT_GE(one[1], 2);                      // answers
  EXPECT_LE(one[2], one[3]);                 // min <= mean
  EXPECT_LE(one[3], one[4]);                 // mean <= max
  EXPECT_GT(one[2], 0);
  EXPECT_EQ(eight[1], 0);
  EXPECT_GE(eight[5], 4) << "two sends a cycle, unanswered";
}

TEST_F(Kvlctl, PollOfASilentBusFails) {
  Peer({1});
  const KvlctlResult r = Run("poll", {"--addr", "8,9", "--requests", "3:2"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("no detector answered"), std::string::npos) << r.err;
}

// kvlctl's own complaints on stderr speak --lang too, as its reports do.
TEST_F(Kvlctl, DiagnosticsFollowTheLanguageAsked) {
  Peer({1});
  struct Case {
    std::string command;
    std::vector<std::string> args;
    std::string en, ru;
  };
  const std::vector<Case> cases = {
      {"poll", {"--addr", "8", "--requests", "3:1"}, "no detector answered", "ни один прибор не ответил"},
      {"row", {"--addr", "8", "--type", "Z5"}, "slave 8: read of", "прибор 8: чтение"},
  };
  for (const Case& c : cases)
    for (const std::string lang : {"en", "ru"}) {
      std::vector<std::string> args = c.args;
      args.insert(args.end(), {"--lang", lang});
      const KvlctlResult r = Run(c.command, args);
      EXPECT_EQ(r.exitCode, 1) << c.command << " " << lang << ": " << r.err;
      EXPECT_NE(r.err.find("kvlctl " + c.command + ": " + (lang == "en" ? c.en : c.ru)), std::string::npos)
          << c.command << " " << lang << ": " << r.err;
    }
  const KvlctlResult calc = RunKvlctl({"calc", "--type", "Z5", "--lang", "ru", "/nonexistent/run.grad"});
  EXPECT_NE(calc.exitCode, 0);
  EXPECT_NE(calc.err.find("kvlctl calc: не удаётся прочитать"), std::string::npos) << calc.err;
}

TEST_F(Kvlctl, CtrlCStopsAnEndlessPoll) {
  Peer({1});
  test::KvlctlProcess p({"poll", "--port", pty.SlavePath(), "--baud", "19200", "--addr", "1", "--requests", "0:1",
                         "--cycles", "0"});
  ASSERT_TRUE(p.WaitForOut("WM_USER_CYCLE", 5000));
  p.Signal(SIGINT);
  const KvlctlResult r = p.Finish(3000);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 130) << r.err;
  EXPECT_NE(r.err.find("interrupted"), std::string::npos);
}

TEST_F(Kvlctl, TracePrintsFramesToStderrWithTimes) {
  Peer({5});
  const KvlctlResult r = Run("read", {"--addr", "5", "--first", "1", "--count", "1", "--json", "--trace"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "{\"result\": 0, \"first\": 1, \"words\": [5001]}\n") << "stdout stays plain JSON";
  std::string sent = " ->";
  for (std::uint8_t b : BuildReadRequest(5, 3, 1, 1)) sent += Format(" %02X", b);
  std::string received = " <-";
  for (std::uint8_t b : test::ReadAnswerFor(BuildReadRequest(5, 3, 1, 1), [](std::uint16_t) { return 5001; }))
    received += Format(" %02X", b);
  const std::regex line(R"(^ *(\d+\.\d{3}) ms( (->|<-)( [0-9A-F]{2})+)  \| (.*?)(  \[result (\d)\])?$)");
  std::size_t start = 0;
  std::vector<std::string> texts;
  while (start < r.err.size()) {
    const std::size_t nl = r.err.find('\n', start);
    texts.push_back(r.err.substr(start, nl - start));
    start = nl == std::string::npos ? r.err.size() : nl + 1;
  }
  ASSERT_EQ(texts.size(), 2u) << r.err;
  std::smatch m0, m1;
  ASSERT_TRUE(std::regex_match(texts[0], m0, line)) << texts[0];
  ASSERT_TRUE(std::regex_match(texts[1], m1, line)) << texts[1];
  EXPECT_EQ(m0[2].str(), sent);
  EXPECT_EQ(m1[2].str(), received);
  EXPECT_FALSE(m1[6].matched) << "an accepted answer carries no result code";
  EXPECT_EQ(m0[5].str(), "addr 5: read holding 1");
  EXPECT_EQ(m1[5].str(), "addr 5: 1 words 5001");
  double t0 = 0, t1 = 0;
  ASSERT_TRUE(ParseDouble(m0[1].str(), &t0));
  ASSERT_TRUE(ParseDouble(m1[1].str(), &t1));
  EXPECT_LE(t0, t1);
}

struct BadArgs {
  std::vector<std::string> args;
  int exitCode;
  std::string message;  // expected in stderr
  std::string out = "";  // expected stdout
};

TEST(KvlctlArguments, AreRefusedWithAClearMessage) {
  const std::vector<BadArgs> cases = {
      {{}, 2, "no command given"},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
      {{"read", "--addr", "1", "--first", "0", "--count", "1"}, 2, "option --port is required"},
      {{"read", "--port", "/dev/null", "--addr", "1", "--first", "0", "--count", "126"}, 2, "--count: 126 is out of range 1..125"},
      {{"read", "--port", "/dev/null", "--addr", "256", "--first", "0", "--count", "1"}, 2, "--addr: 256 is out of range 0..255"},
      {{"read", "--port", "/dev/null", "--addr", "1", "--first", "65535", "--count", "2"}, 2, "runs past register 65535"},
      {{"read", "--port", "/dev/null", "--addr", "x1", "--first", "0", "--count", "1"}, 2, "--addr: 'x1' is not a number"},
      {{"read", "--port", "/dev/null", "--addr", "1", "--first", "0", "--count", "1", "--baud", "9601"}, 2, "--baud: 9601 is not one of"},
      {{"read", "--port", "/dev/null", "--addr", "1", "--first", "0", "--count", "1", "--speed", "1"}, 2, "unknown option '--speed'"},
      {{"read", "--port", "/dev/null", "--addr", "1", "--addr", "2", "--first", "0", "--count", "1"}, 2, "--addr given twice"},
      {{"read", "--port", "/dev/null", "--addr"}, 2, "--addr needs a value"},
      {{"write", "--port", "/dev/null", "--addr", "0", "--reg", "0", "--value", "1"}, 2, "--addr: 0 is out of range 1..247"},
      {{"write", "--port", "/dev/null", "--addr", "248", "--reg", "0", "--value", "1"}, 2, "--addr: 248 is out of range 1..247"},
      {{"write", "--port", "/dev/null", "--addr", "1", "--reg", "0", "--value", "65536"}, 2, "--value: 65536 is out of range 0..65535"},
      {{"write", "--port", "/dev/null", "--addr", "1", "--reg", "0", "--value", "1", "--values", "1"}, 2, "exactly one of --value and --values"},
      {{"write", "--port", "/dev/null", "--addr", "1", "--reg", "0", "--values", "1,,2"}, 2, "--values: empty item"},
      {{"write", "--port", "/dev/null", "--addr", "1", "--reg", "0", "--value", "1", "--lang", "de"}, 2, "--lang: 'de'"},
      {{"poll", "--port", "/dev/null", "--addr", "1", "--requests", "0"}, 2, "'0' is not FIRST:COUNT"},
      {{"poll", "--port", "/dev/null", "--addr", "1", "--requests", "0:125,200:125,400:7"}, 2, "more than the poll image's 256 words"},
      {{"read", "--port", "/dev/kvl-no-such-port", "--addr", "1", "--first", "0", "--count", "1"}, 3,
       "cannot open /dev/kvl-no-such-port: No such file or directory"},
      {{"read", "--port", "/dev/null", "--addr", "1", "--first", "0", "--count", "1"}, 3, "cannot open /dev/null: not a serial device"},
      {{"poll", "--port", "kvl-no-such-port", "--addr", "1", "--requests", "0:1"}, 3,
       "cannot open /dev/kvl-no-such-port (port kvl-no-such-port): No such file or directory",
       "WM_USER_PORT_FAIL w=0 l=0\n"},
  };
  for (const BadArgs& c : cases) {
    std::string joined;
    for (auto& a : c.args) joined += a + " ";
    const KvlctlResult r = RunKvlctl(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << joined << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << joined << "\n" << r.err;
    EXPECT_NE(r.err.find("--help'"), std::string::npos) << "usage hint missing: " << joined << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << joined;
  }
}

TEST(KvlctlArguments, HelpGloballyAndPerCommand) {
  KvlctlResult r = RunKvlctl({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  for (const char* cmd : {"read", "write", "poll"}) EXPECT_NE(r.out.find(std::string("\n  ") + cmd), std::string::npos) << cmd;
  for (const char* cmd : {"read", "write", "poll"}) {
    r = RunKvlctl({cmd, "--help"});
    EXPECT_EQ(r.exitCode, 0) << cmd;
    EXPECT_EQ(r.out.rfind(std::string("Usage: kvlctl ") + cmd + " --port DEV", 0), 0u) << r.out;
    EXPECT_EQ(RunKvlctl({"help", cmd}).out, r.out);
    EXPECT_EQ(RunKvlctl({cmd, "--addr", "999", "--help"}).out, r.out) << "help wins over a mistake";
  }
}

}  // namespace
}  // namespace kvl
