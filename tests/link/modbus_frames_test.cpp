#include "link/modbus_frames.h"

#include <gtest/gtest.h>

namespace kvl {
namespace {

TEST(ModbusFrames, CrcAndReadRequestMatchTheReferenceExample) {
  const Bytes six{0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
  EXPECT_EQ(ModbusCrc(six), 0x0A84);
  EXPECT_EQ(BuildReadRequest(1, 3, 0, 1), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
  const Bytes exception{0x01, 0x86, 0x02, 0xC3, 0xA1};
  EXPECT_TRUE(CrcOk(exception.data(), exception.size()));
  EXPECT_EQ(BuildException(1, 6, 2), exception);
}

TEST(ModbusFrames, WriteMultipleIsLimitedTo127Words) {
  std::vector<std::uint16_t> words(127);
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = static_cast<std::uint16_t>(0x1234 + i);
  const Bytes frame = BuildWriteMultiple(7, 0x0102, words);
  ASSERT_EQ(frame.size(), 263u);
  EXPECT_EQ(frame[0], 7);
  EXPECT_EQ(frame[1], 16);
  EXPECT_EQ(frame[2], 0x01);
  EXPECT_EQ(frame[3], 0x02);
  EXPECT_EQ(frame[4], 0);
  EXPECT_EQ(frame[5], 127);
  EXPECT_EQ(frame[6], 254);
  EXPECT_EQ(frame[7], 0x12);
  EXPECT_EQ(frame[8], 0x34);
  const std::uint16_t crc = ModbusCrc(frame.data(), 261);
  EXPECT_EQ(frame[261], crc & 0xFF);
  EXPECT_EQ(frame[262], crc >> 8);

  words.push_back(0);
  EXPECT_TRUE(BuildWriteMultiple(7, 0, words).empty());
  EXPECT_TRUE(BuildWriteMultiple(7, 0, {}).empty());
}

TEST(ModbusFrames, ReadAnswerChecksGiveTheResultCodes) {
  const std::uint8_t slave = 5, function = 3;
  Bytes answer{slave, function, 18};
  for (int k = 0; k < 9; ++k) {
    answer.push_back(0);
    answer.push_back(static_cast<std::uint8_t>(k));
  }
  AppendCrc(answer);
  ASSERT_EQ(answer.size(), 23u);
  EXPECT_EQ(CheckReadAnswer(answer.data(), 23, slave, function, 9), 0);
  std::uint16_t words[9];
  ExtractWords(answer.data(), 9, words);
  EXPECT_EQ(words[8], 8);

  EXPECT_EQ(CheckReadAnswer(answer.data(), 0, slave, function, 9), 1);
  const Bytes exception = BuildException(slave, function, 2);
  EXPECT_EQ(CheckReadAnswer(exception.data(), 5, slave, function, 9), 2);

  Bytes wrongCount = answer;
  wrongCount[2] = 16;
  EXPECT_EQ(CheckReadAnswer(wrongCount.data(), 23, slave, function, 9), 4);
  Bytes wrongSlave = answer;
  wrongSlave[0] = 6;
  EXPECT_EQ(CheckReadAnswer(wrongSlave.data(), 23, slave, function, 9), 4);
  Bytes badCrc = answer;
  badCrc[10] ^= 0x01;
  EXPECT_EQ(CheckReadAnswer(badCrc.data(), 23, slave, function, 9), 3);
}

TEST(ModbusFrames, SlaveRoleResponsesAndDumps) {
  // An exception keeps only the low byte of the first word as its code.
  Bytes ex = BuildResponse(3, 0x83, {0x0102});
  EXPECT_EQ(ex.size(), 5u);
  EXPECT_EQ(ex[2], 0x02);
  // Function 6 echoes register and value.
  EXPECT_EQ(BuildResponse(3, 6, {10, 0xBEEF}), BuildWriteSingle(3, 6, 10, 0xBEEF));
  // Reads carry at most 127 words.
  Bytes big = BuildResponse(3, 4, std::vector<std::uint16_t>(200, 1));
  EXPECT_EQ(big.size(), 127u * 2 + 5);
  EXPECT_EQ(big[2], 254);

  const Bytes b{0x01, 0x0A, 0xFF, 0x00};
  EXPECT_EQ(DumpBytes(b), " 1  A  FF  0 ");
}

// Slave role: what follows the first 8 bytes of a request, and its result code.
TEST(ModbusFrames, SlaveRoleRequestsAreReadWhole) {
  const Bytes block = BuildWriteMultiple(7, 40, {1, 2, 3});
  Bytes badCrc = BuildReadRequest(7, 3, 0, 1);
  badCrc[7] ^= 0xFF;
  struct Case {
    const char* what;
    Bytes frame;
    std::size_t rest;  // after the first 8 bytes
    int result;
  };
  const Case cases[] = {
      {"read holding", BuildReadRequest(7, 3, 0x10, 3), 0, 0},
      {"read input", BuildReadRequest(7, 4, 0, 125), 0, 0},
      {"write single", BuildWriteSingle(7, 6, 1, 2), 0, 4},
      {"write multiple", block, block.size() - 8, 4},
      {"CRC wrong", badCrc, 0, 3},
      {"block cut short", Bytes(block.begin(), block.end() - 1), block.size() - 8, 3},
      {"fewer than 8", Bytes(block.begin(), block.begin() + 7), 0, 3},
  };
  for (const Case& c : cases) {
    if (c.frame.size() >= 8) {
      EXPECT_EQ(RequestRestLength(c.frame.data()), c.rest) << c.what;
    }
    ModbusRequest q;
    EXPECT_EQ(ParseRequest(c.frame.data(), c.frame.size(), q), c.result) << c.what;
    if (c.result != 3) {
      EXPECT_EQ(q.slave, 7) << c.what;
      EXPECT_EQ(q.function, c.frame[1]) << c.what;
    }
  }
}

}  // namespace
}  // namespace kvl
