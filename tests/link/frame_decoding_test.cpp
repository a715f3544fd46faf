// Frames as they go over the line, to their one-line words.
#include "link/frame_decoding.h"

#include <gtest/gtest.h>

#include "link/modbus_frames.h"

namespace kvl {
namespace {

TEST(FrameDecoding, EveryKindOfFrameToItsLine) {
  Bytes crcBroken = BuildReadRequest(1, 3, 0, 10);
  crcBroken.back() ^= 0x01;
  Bytes oddCount = BuildResponse(1, 3, {1, 2});
  oddCount.erase(oddCount.end() - 3);  // one data byte less than the count says
  AppendCrc(oddCount);
  Bytes unknown = {7, 0x2B, 0x0E, 0x01};
  AppendCrc(unknown);
  const std::vector<std::uint16_t> many = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const struct {
    Bytes frame;
    std::string line;
  } cases[] = {
      {{}, "nothing"},
      {{1, 3, 0}, "too short (3 bytes)"},
      {crcBroken, "CRC wrong"},
      {BuildReadRequest(1, 3, 0, 10), "addr 1: read holding 0..9 (10)"},
      {BuildReadRequest(20, 4, 151, 1), "addr 20: read input 151"},
      {BuildReadRequest(20, 4, 151, 0), "addr 20: read input 151 (none)"},
      {BuildResponse(1, 3, {264, 0, 65535}), "addr 1: 3 words 264 0 65535"},
      {BuildResponse(1, 4, many), "addr 1: 10 words 1 2 3 4 5 6 7 8 ..."},
      {BuildWriteSingle(2, 6, 5, 40), "addr 2: write 5 = 40"},
      {BuildWriteSingle(0, 6, 0, 264), "broadcast: write 0 = 264"},
      {BuildWriteMultiple(2, 104, {1, 2}), "addr 2: write 104..105 (2) = 1 2"},
      {BuildWriteMultipleAnswer(2, 104, 24), "addr 2: wrote 104..127 (24)"},
      {BuildException(3, 3, 2), "addr 3: exception 2 (illegal data address) to function 3"},
      {BuildException(3, 16, 1), "addr 3: exception 1 (illegal function) to function 16"},
      {oddCount, "addr 1: function 3, malformed (10 bytes)"},
      {unknown, "addr 7: function 43, 2 data bytes"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeFrame(c.frame), c.line) << DumpBytes(c.frame);
}

}  // namespace
}  // namespace kvl
