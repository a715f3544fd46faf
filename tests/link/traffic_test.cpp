// The traffic view's lines: frames as the link reports them, through the
// ring, to their text lines and the address filter's choice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "link/modbus_frames.h"
#include "link/traffic_buffer.h"
#include "link/traffic_line.h"
#include "support/environment.h"

namespace kvl {
namespace {

TEST(TrafficLines, FramesToLinesAndTheAddressFilter) {
  test::SetEnvironment("TZ", "UTC");
  tzset();
  const TrafficClock clock{5'000'000'000, 1767268800'000'000'000};  // 2026-01-01 12:00:00 UTC
  Bytes crcBroken = BuildResponse(3, 3, {1, 2});
  crcBroken.back() ^= 1;
  const auto S = FrameDirection::Sent;
  const auto R = FrameDirection::Received;
  const struct {
    FrameDirection direction;
    Bytes bytes;
    int result;
    double ms;  // after the clock's monotonic time
    const char* line;
    bool passes;  // the filter "2, 5-7"
    bool slaveRole = false;
  } cases[] = {
      {S, BuildReadRequest(1, 3, 0, 2), 0, 0, "12:00:00.000 -> 01 03 00 00 00 02 C4 0B  | addr 1: read holding 0..1 (2)", false},
      {R, BuildResponse(1, 3, {264, 0}), 0, 12.9, "12:00:00.012 <- 01 03 04 01 08 00 00 7A 0D  | addr 1: 2 words 264 0", false},
      {S, BuildReadRequest(2, 4, 151, 1), 0, 999.9, "12:00:00.999 -> 02 04 00 97 00 01 80 15  | addr 2: read input 151", true},
      {R, BuildException(2, 4, 2), 4, 1015, "12:00:01.015 <- 02 84 02 32 C1  | addr 2: exception 2 (illegal data address) to function 4  [result 4]", true},
      {S, BuildReadRequest(6, 3, 0, 2), 0, 61000, "12:01:01.000 -> 06 03 00 00 00 02 C5 BC  | addr 6: read holding 0..1 (2)", true},
      {R, {}, 1, 61500, "12:01:01.500 <- (no answer)", true},
      {S, BuildReadRequest(3, 3, 0, 2), 0, 62000, "12:01:02.000 -> 03 03 00 00 00 02 C5 E9  | addr 3: read holding 0..1 (2)", false},
      {R, crcBroken, 3, 62020, "12:01:02.020 <- 03 03 04 00 01 00 02 09 F3  | CRC wrong  [result 3]", false},
      {S, BuildReadRequest(2, 3, 0, 2), 0, 63000, "12:01:03.000 -> 02 03 00 00 00 02 C4 38  | addr 2: read holding 0..1 (2)", true},
      {R, {2, 3}, 2, 63030, "12:01:03.030 <- 02 03  | too short (2 bytes)  [result 2]", true},
      // A whole answer from another detector stays with the request it came after.
      {S, BuildReadRequest(7, 3, 0, 2), 0, 64000, "12:01:04.000 -> 07 03 00 00 00 02 C4 6D  | addr 7: read holding 0..1 (2)", true},
      {R, BuildResponse(9, 3, {1, 2}), 4, 64015, "12:01:04.015 <- 09 03 04 00 01 00 02 A3 F2  | addr 9: 2 words 1 2  [result 4]", true},
      {S, BuildWriteSingle(0, 6, 0, 264), 0, 65000, "12:01:05.000 -> 00 06 00 00 01 08 88 4D  | broadcast: write 0 = 264", true},
      {S, BuildWriteMultiple(4, 104, {1, 2}), 0, 66000, "12:01:06.000 -> 04 10 00 68 00 02 04 00 01 00 02 35 EC  | addr 4: write 104..105 (2) = 1 2", false},
      {R, BuildWriteMultipleAnswer(4, 104, 2), 0, 66040, "12:01:06.040 <- 04 10 00 68 00 02 C0 41  | addr 4: wrote 104..105 (2)", false},
      // Playing detectors: a received request names the address, the answer follows it.
      {R, BuildReadRequest(5, 3, 0, 1), 0, 67000, "12:01:07.000 <- 05 03 00 00 00 01 85 8E  | addr 5: read holding 0", true, true},
      {S, BuildResponse(5, 3, {7}), 0, 67010, "12:01:07.010 -> 05 03 02 00 07 08 46  | addr 5: 1 words 7", true, true},
      {R, BuildReadRequest(3, 3, 0, 1), 0, 67100, "12:01:07.100 <- 03 03 00 00 00 01 85 E8  | addr 3: read holding 0", false, true},
  };
  CTrafficBuffer buffer(64);
  for (const auto& c : cases)
    buffer.OnFrame({c.direction, c.bytes, clock.monotonicNs + std::int64_t(c.ms * 1e6), c.result, c.slaveRole});
  const TrafficPull pull = buffer.Since(0);
  ASSERT_EQ(pull.frames.size(), std::size(cases));
  CAddressFilter all, some;
  ASSERT_TRUE(some.Parse(" 2, 5-7"));
  for (std::size_t k = 0; k < pull.frames.size(); ++k) {
    EXPECT_EQ(TrafficLine(pull.frames[k].frame, clock), cases[k].line);
    EXPECT_EQ(some.Passes(pull.frames[k]), cases[k].passes) << cases[k].line;
    EXPECT_TRUE(all.Passes(pull.frames[k]));
  }

  // Filter texts: what is a list of addresses and what is not.
  const struct {
    const char* text;
    bool valid;
  } texts[] = {{"", true}, {"  ", true}, {"1", true}, {"1,3 4-6", true}, {"247", true}, {"5 - 9", true},
               {"248", false}, {"6-2", false}, {"1a", false}, {"-3", false}, {"1,,x", false}, {"4-", false}};
  for (const auto& t : texts) {
    CAddressFilter f;
    f.Parse("1");
    EXPECT_EQ(f.Parse(t.text), t.valid) << t.text;
    EXPECT_EQ(f.All(), t.valid && std::string(t.text).find_first_not_of(' ') == std::string::npos) << t.text;
  }
}

TEST(TrafficLines, ARingTellsAReaderWhatItMissed) {
  CTrafficBuffer buffer(4);
  for (int k = 0; k < 10; ++k) buffer.OnFrame({FrameDirection::Sent, BuildReadRequest(std::uint8_t(k + 1), 3, 0, 1), k, 0});
  TrafficPull pull = buffer.Since(0);
  EXPECT_EQ(pull.dropped, 6u);
  ASSERT_EQ(pull.frames.size(), 4u);
  EXPECT_EQ(pull.frames.front().seq, 6u);
  EXPECT_EQ(pull.frames.front().address, 7);
  EXPECT_EQ(pull.next, 10u);
  pull = buffer.Since(7, 2);
  EXPECT_EQ(pull.dropped, 0u);
  ASSERT_EQ(pull.frames.size(), 2u);
  EXPECT_EQ(pull.frames.back().seq, 8u);
  EXPECT_EQ(pull.next, 9u);
  EXPECT_TRUE(buffer.Since(buffer.Next()).frames.empty());
}

}  // namespace
}  // namespace kvl
