// The rule for a line whose device went away, and the recognition of a line
// that hands the master back its own request.
#include "link/line_recovery.h"

#include <gtest/gtest.h>

#include "link/modbus_frames.h"

namespace kvl {
namespace {

TEST(LineRecovery, LooksTwiceASecondUntilTheDeviceIsBackAndOnlyWhileWanted) {
  constexpr int kI = CLineRecovery::kCheckIntervalMs;
  enum Step { Enable, Disable, Open, Close, Lose, Look, LookPresent, OpenFails };
  const struct {
    Step step;
    std::int64_t atMs;
    bool returns;     // what Lost() or Looked() answers
    LineWatch state;  // afterwards
    int untilLook;    // MsUntilLook(atMs) afterwards
  } script[] = {
      {Open, 0, false, LineWatch::Open, 0},
      {Lose, 10, false, LineWatch::Open, 0},  // not asked for: the line stays as it is
      {Enable, 20, false, LineWatch::Open, 0},
      {Lose, 100, true, LineWatch::Waiting, kI},  // the first look an interval after the loss
      {Lose, 150, false, LineWatch::Waiting, kI - 50},
      {Look, 100 + kI, false, LineWatch::Waiting, kI},  // absent: the next look an interval on
      {LookPresent, 100 + 2 * kI, true, LineWatch::Waiting, 0},  // the worker opens it now
      {OpenFails, 100 + 2 * kI, false, LineWatch::Waiting, kI},  // there but not ready: later again
      {LookPresent, 100 + 3 * kI, true, LineWatch::Waiting, 0},
      {Open, 100 + 3 * kI, false, LineWatch::Open, 0},
      {Lose, 5000, true, LineWatch::Waiting, kI},
      {Close, 5100, false, LineWatch::Off, 0},  // unticked by hand: nothing is awaited
      {Lose, 5200, false, LineWatch::Off, 0},
      {LookPresent, 5300, false, LineWatch::Off, 0},
      {Open, 6000, false, LineWatch::Open, 0},
      {Lose, 6100, true, LineWatch::Waiting, kI},
      {Disable, 6200, false, LineWatch::Off, 0},  // switched off while waiting
  };
  CLineRecovery rule;
  for (const auto& s : script) {
    SCOPED_TRACE(testing::Message() << "step at " << s.atMs);
    bool returned = false;
    switch (s.step) {
      case Enable: rule.SetEnabled(true); break;
      case Disable: rule.SetEnabled(false); break;
      case Open: rule.Opened(); break;
      case Close: rule.Closed(); break;
      case Lose: returned = rule.Lost(s.atMs); break;
      case Look: returned = rule.Looked(s.atMs, false); break;
      case LookPresent: returned = rule.Looked(s.atMs, true); break;
      case OpenFails: rule.ReopenFailed(s.atMs); break;
    }
    EXPECT_EQ(returned, s.returns);
    EXPECT_EQ(rule.State(), s.state);
    EXPECT_EQ(rule.MsUntilLook(s.atMs), s.untilLook);
    EXPECT_EQ(rule.LookDue(s.atMs + s.untilLook), s.state == LineWatch::Waiting);
    if (s.untilLook > 0) {
      EXPECT_FALSE(rule.LookDue(s.atMs + s.untilLook - 1));
    }
  }
  EXPECT_EQ(LineWatchNote(LineWatch::Waiting, "/dev/ttyUSB0", kEnglish), "Waiting for /dev/ttyUSB0 to come back");
  EXPECT_EQ(LineWatchNote(LineWatch::Waiting, "/dev/ttyUSB0", kRussian), "Ожидание возвращения /dev/ttyUSB0");
  EXPECT_EQ(LineWatchNote(LineWatch::Open, "/dev/ttyUSB0", kEnglish), "");
}

TEST(LineRecovery, AnAnswerThatBeginsWithTheRequestIsAnEcho) {
  const Bytes request = BuildReadRequest(1, 3, 0, 9);
  Bytes echoAndAnswer = request;
  for (std::uint8_t b : {1, 3, 18, 0, 1}) echoAndAnswer.push_back(b);
  Bytes answer = {1, 3, 18, 0, 1, 0, 2};
  const struct {
    Bytes got;
    bool echo;
  } cases[] = {
      {echoAndAnswer, true},                                  // the echo, then the start of the answer
      {Bytes(request.begin(), request.begin() + 7), true},    // a 1-register read expects 7 bytes
      {Bytes(request.begin(), request.begin() + 5), false},   // too few to tell
      {answer, false},
      {{}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(StartsWithEcho(request, c.got.data(), c.got.size()), c.echo) << DumpBytes(c.got);
}

}  // namespace
}  // namespace kvl
