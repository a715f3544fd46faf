// The bus without a line: request framing, answers, faults, broadcast and
// address moves, as HandleRequest produces them.
#include <gtest/gtest.h>

#include "detector/register_map.h"
#include "sim/sim_bus.h"
#include "sim/sim_request.h"

namespace kvl {
namespace {

Bytes Garbage() { return {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}; }  // bad CRC

TEST(SimRequestAssembler, CutsFramesByLength) {
  CRequestAssembler a;
  Bytes stream = BuildReadRequest(1, 3, 0, 9);
  const Bytes block = BuildWriteMultiple(2, 104, {1, 2, 3});
  const Bytes single = BuildWriteSingle(3, 6, 5, 30);
  stream.insert(stream.end(), block.begin(), block.end());
  stream.insert(stream.end(), single.begin(), single.end());
  // Byte by byte, as a slow line delivers it.
  std::vector<Bytes> frames;
  for (std::uint8_t b : stream)
    for (Bytes& f : a.Feed(&b, 1)) frames.push_back(f);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[0], BuildReadRequest(1, 3, 0, 9));
  EXPECT_EQ(frames[1], block);
  EXPECT_EQ(frames[2], single);
  EXPECT_FALSE(a.Pending());
}

TEST(SimRequestAssembler, ResynchronisesAtSilence) {
  CRequestAssembler a;
  Bytes stream = Garbage();
  const Bytes good = BuildReadRequest(1, 3, 0, 2);
  stream.insert(stream.end(), good.begin(), good.end());
  EXPECT_TRUE(a.Feed(stream.data(), stream.size()).empty());  // dropped with the garbage
  EXPECT_TRUE(a.Pending());
  EXPECT_TRUE(a.Silence().empty());
  EXPECT_EQ(a.DroppedBytes(), 16u);
  const auto frames = a.Feed(good.data(), good.size());
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], good);

  // A torn frame is dropped at the silence; the next one is whole.
  a.Feed(good.data(), 5);
  EXPECT_TRUE(a.Silence().empty());
  EXPECT_EQ(a.Feed(good.data(), good.size()).size(), 1u);
}

TEST(SimRequestAssembler, UnknownFunctionsEndAtSilence) {
  CRequestAssembler a;
  Bytes f{1, 0x41, 0x10, 0x20, 0x30};
  AppendCrc(f);
  EXPECT_TRUE(a.Feed(f.data(), f.size()).empty());
  const auto frames = a.Silence();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], f);
}

class SimBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.SetTimeScale(0);
    ASSERT_TRUE(bus.AddDetectors(kTypeZ5, 3, 1));
  }
  CSimBus bus{5};
};

TEST_F(SimBusTest, AnswersReadsWritesAndBlockWrites) {
  const SimAnswer read = bus.HandleRequest(BuildReadRequest(2, 3, 1, 15));
  ASSERT_EQ(CheckReadAnswer(read.bytes.data(), int(read.bytes.size()), 2, 3, 15), 0);
  std::uint16_t words[15];
  ExtractWords(read.bytes.data(), 15, words);
  const auto regs = bus.Registers(2);
  ASSERT_TRUE(regs);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(words[i], (*regs)[std::size_t(1 + i)]);
  EXPECT_EQ(read.delayMs, 0);

  const Bytes write = BuildWriteSingle(2, 6, 5, 33);
  EXPECT_EQ(bus.HandleRequest(write).bytes, write);
  EXPECT_EQ(HighByte((*bus.Registers(2))[reg::kLimits]), 33u);

  EXPECT_EQ(bus.HandleRequest(BuildWriteMultiple(2, 104, {7, 8})).bytes, BuildWriteMultipleAnswer(2, 104, 2));
  EXPECT_EQ((*bus.Registers(2))[105], 8);

  // Function 4 reads the same map.
  const SimAnswer input = bus.HandleRequest(BuildReadRequest(2, 4, 104, 2));
  EXPECT_EQ(CheckReadAnswer(input.bytes.data(), int(input.bytes.size()), 2, 4, 2), 0);
}

TEST_F(SimBusTest, ExceptionsForUnknownFunctionsAndAddresses) {
  Bytes coils{1, 1, 0, 0, 0, 8};
  AppendCrc(coils);
  EXPECT_EQ(bus.HandleRequest(coils).bytes, BuildException(1, 1, kExIllegalFunction));
  EXPECT_EQ(bus.HandleRequest(BuildReadRequest(1, 3, 152, 10)).bytes, BuildException(1, 3, kExIllegalAddress));
  EXPECT_EQ(bus.HandleRequest(BuildWriteSingle(1, 6, 200, 1)).bytes, BuildException(1, 6, kExIllegalAddress));
  EXPECT_EQ(bus.HandleRequest(BuildWriteMultiple(1, 0, {1})).bytes, BuildException(1, 16, kExIllegalAddress));
  // Nobody at address 9: no answer at all.
  EXPECT_TRUE(bus.HandleRequest(BuildReadRequest(9, 3, 0, 1)).bytes.empty());
}

TEST_F(SimBusTest, FaultsShapeTheAnswer) {
  const Bytes req = BuildReadRequest(3, 3, 1, 4);
  const Bytes clean = bus.HandleRequest(req).bytes;

  ASSERT_TRUE(bus.SetFault(3, {SimFaultKind::Silent, 0}));
  EXPECT_TRUE(bus.HandleRequest(req).bytes.empty());

  bus.SetFault(3, {SimFaultKind::Slow, 300});
  SimAnswer a = bus.HandleRequest(req);
  EXPECT_EQ(a.bytes, clean);
  EXPECT_EQ(a.delayMs, 300);

  bus.SetFault(3, {SimFaultKind::Crc, 0});
  a = bus.HandleRequest(req);
  EXPECT_EQ(CheckReadAnswer(a.bytes.data(), int(a.bytes.size()), 3, 3, 4), 3);

  bus.SetFault(3, {SimFaultKind::Short, 0});
  a = bus.HandleRequest(req);
  EXPECT_EQ(a.bytes.size(), clean.size() / 2);
  EXPECT_EQ(CheckReadAnswer(a.bytes.data(), int(a.bytes.size()), 3, 3, 4), 2);

  bus.SetFault(3, {SimFaultKind::WrongAddress, 0});
  a = bus.HandleRequest(req);
  EXPECT_TRUE(CrcOk(a.bytes.data(), a.bytes.size()));
  EXPECT_EQ(CheckReadAnswer(a.bytes.data(), int(a.bytes.size()), 3, 3, 4), 4);

  // An exception fault refuses writes too, and changes nothing.
  bus.SetFault(3, {SimFaultKind::Exception, 6});
  EXPECT_EQ(bus.HandleRequest(BuildWriteSingle(3, 6, 5, 50)).bytes, BuildException(3, 6, 6));
  EXPECT_EQ(HighByte((*bus.Registers(3))[reg::kLimits]), 10u);

  bus.SetFault(0, {});
  EXPECT_EQ(bus.HandleRequest(req).bytes, clean);
  EXPECT_FALSE(bus.SetFault(99, {SimFaultKind::Crc, 0}));
}

// What a watcher of the line learns: the fault that shaped each answer and
// whether the write was carried out, which the write count follows.
TEST_F(SimBusTest, AnswersTellTheirFaultAndWhetherTheyWrote) {
  const struct {
    SimFault fault;
    bool wrote;
  } cases[] = {
      {{}, true},
      {{SimFaultKind::Silent, 0}, false},
      {{SimFaultKind::Slow, 40}, true},
      {{SimFaultKind::Crc, 0}, true},
      {{SimFaultKind::Short, 0}, true},
      {{SimFaultKind::WrongAddress, 0}, true},
      {{SimFaultKind::Exception, 2}, false},
  };
  unsigned writes = 0;
  std::uint16_t value = 100;
  for (const auto& c : cases) {
    bus.SetFault(3, c.fault);
    const SimAnswer w = bus.HandleRequest(BuildWriteSingle(3, 6, 96, ++value));
    EXPECT_EQ(w.fault, c.fault) << SimFaultText(c.fault);
    EXPECT_EQ(w.wrote, c.wrote) << SimFaultText(c.fault);
    writes += c.wrote;
    EXPECT_EQ(bus.WritesCarriedOut(), writes) << SimFaultText(c.fault);
    if (c.wrote) {
      EXPECT_EQ((*bus.Registers(3))[96], value);
    }
    const SimAnswer r = bus.HandleRequest(BuildReadRequest(3, 3, 1, 4));
    EXPECT_EQ(r.fault, c.fault);
    EXPECT_FALSE(r.wrote);
  }
  bus.SetFault(0, {});
  // Refused by the detector itself; a broadcast counts once.
  EXPECT_FALSE(bus.HandleRequest(BuildWriteSingle(3, 6, reg::kCmdLimit1, 0)).wrote);
  EXPECT_TRUE(bus.HandleRequest(BuildWriteMultiple(0, 96, {7, 8})).wrote);
  EXPECT_EQ(bus.WritesCarriedOut(), writes + 1);
}

TEST_F(SimBusTest, AddressMoveAnswersFromTheOldAddress) {
  const Bytes move = BuildWriteSingle(1, 6, 0, 40 * 256 + 8);
  EXPECT_EQ(bus.HandleRequest(move).bytes, move);
  EXPECT_TRUE(bus.HandleRequest(BuildReadRequest(1, 3, 0, 1)).bytes.empty());
  const Bytes read = bus.HandleRequest(BuildReadRequest(40, 3, 0, 1)).bytes;
  EXPECT_EQ(CheckReadAnswer(read.data(), int(read.size()), 40, 3, 1), 0);
  ASSERT_TRUE(bus.Detector(40));

  // A move to another baud rate: the detector no longer hears this line.
  EXPECT_FALSE(bus.HandleRequest(BuildWriteSingle(40, 6, 0, 40 * 256 + 16)).bytes.empty());
  EXPECT_TRUE(bus.HandleRequest(BuildReadRequest(40, 3, 0, 1)).bytes.empty());
}

TEST_F(SimBusTest, ConflictingAddressesGarbleTheAnswer) {
  EXPECT_FALSE(bus.HandleRequest(BuildWriteSingle(2, 6, 0, 3 * 256 + 8)).bytes.empty());
  const Bytes a = bus.HandleRequest(BuildReadRequest(3, 3, 0, 1)).bytes;
  EXPECT_EQ(CheckReadAnswer(a.data(), int(a.size()), 3, 3, 1), 3);
  EXPECT_TRUE(bus.RemoveDetector(3));  // removes the first of the two
  const Bytes b = bus.HandleRequest(BuildReadRequest(3, 3, 0, 1)).bytes;
  EXPECT_EQ(CheckReadAnswer(b.data(), int(b.size()), 3, 3, 1), 0);
}

TEST_F(SimBusTest, BroadcastWritesReachEveryoneAndGetNoAnswer) {
  EXPECT_TRUE(bus.HandleRequest(BuildWriteSingle(0, 6, 6, 55)).bytes.empty());
  for (int a = 1; a <= 3; ++a) EXPECT_EQ(LowByte((*bus.Registers(a))[reg::kLimits]), 55u) << a;
}

TEST_F(SimBusTest, DetectorsAndTheWorld) {
  EXPECT_FALSE(bus.AddDetectors(kTypeZ, 2, 3));  // 3 is taken: nothing added
  EXPECT_FALSE(bus.Detector(4));
  EXPECT_FALSE(bus.AddDetectors(kTypeZ, 2, 247));
  EXPECT_TRUE(bus.AddDetectors(kTypeZ40, 2, 10));
  EXPECT_EQ(bus.List().size(), 5u);
  EXPECT_EQ(bus.List().back().type, kTypeZ40);

  bus.SetChamberTemperature(50);
  bus.Advance(3600);
  EXPECT_NEAR(bus.Detector(10)->temperature, 52, 0.1);
  EXPECT_TRUE(bus.SetGasLel(2, 30));
  bus.Advance(60);
  EXPECT_NEAR(bus.Detector(2)->readingLel, 30, 1.5);
  EXPECT_NEAR(bus.Detector(2)->gasVolume, 1.32, 1e-9);
  EXPECT_NEAR(bus.Detector(1)->readingLel, 0, 1.5);
  EXPECT_FALSE(bus.SetGasVolume(77, 1));
  EXPECT_TRUE(bus.SetServiceable(1, false));
  EXPECT_EQ(StatusBits(bus.Detector(1)->registers) & reg::kStatusServiceable, 0u);
}

TEST(SimBus, ModelTimeFollowsTheClockAtTheTimeScale) {
  CSimBus bus;
  bus.AddDetectors(kTypeZ5, 1, 1);
  bus.SetTimeScale(0);
  bus.SetChamberTemperature(80);
  const double t0 = bus.Detector(1)->temperature;
  bus.HandleRequest(BuildReadRequest(1, 3, 0, 1));
  EXPECT_EQ(bus.Detector(1)->temperature, t0);  // frozen
  bus.SetTimeScale(10000);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  bus.HandleRequest(BuildReadRequest(1, 3, 0, 1));
  EXPECT_GT(bus.Detector(1)->temperature, t0 + 20);  // minutes of model time
}

}  // namespace
}  // namespace kvl
