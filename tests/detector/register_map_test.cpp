#include "detector/register_map.h"

#include <gtest/gtest.h>

namespace kvl {
namespace {

TEST(ValueKinds, SignedBytePairAndJoined) {
  EXPECT_EQ(Signed16(0x7FFF), 32767);
  EXPECT_EQ(Signed16(0x8000), -32768);
  EXPECT_EQ(Signed16(0xFFEC), -20);
  EXPECT_EQ(HighByte(0x1428), 0x14u);
  EXPECT_EQ(LowByte(0x1428), 0x28u);
  EXPECT_EQ(Join32(1, 4464), 70000u);
  EXPECT_EQ(Join32(0xFFFF, 0xFFFF), 4294967295u);
}

TEST(SerialNumber, ThirtyTwoBitsFromKveltFirmware747AndAlwaysForZ5) {
  RegisterImage img{};
  img[reg::SER_NUM] = 0x1234;
  img[reg::SER_NUM_HIGH] = 2;
  img[reg::kFirmware] = 0x072E;  // 7.46
  EXPECT_FALSE(HasSerial32(kTypeKvelt, img));
  EXPECT_EQ(SerialNumber(kTypeKvelt, img), 0x1234u);
  img[reg::kFirmware] = 0x072F;  // 7.47
  EXPECT_TRUE(HasSerial32(kTypeKvelt, img));
  EXPECT_EQ(SerialNumber(kTypeKvelt, img), 2u * 65536 + 0x1234);
  img[reg::kFirmware] = 0x0800;
  EXPECT_TRUE(HasSerial32(kTypeKvelt, img));
  // The firmware rule is KVELT's alone.
  for (int type : {kTypeZ, kType2, kTypeZ40}) {
    EXPECT_FALSE(HasSerial32(type, img)) << type;
    EXPECT_EQ(SerialNumber(type, img), 0x1234u) << type;
  }
  img[reg::kFirmware] = 0x0100;
  EXPECT_TRUE(HasSerial32(kTypeZ5, img));
  EXPECT_EQ(SerialNumber(kTypeZ5, img), 2u * 65536 + 0x1234);
}

TEST(StatusWord, GasCodeAndBits) {
  RegisterImage img{};
  img[reg::kStatus] = 0x5507;
  EXPECT_EQ(GasCode(img), 0x55u);
  EXPECT_EQ(StatusBits(img), 7u);
  EXPECT_TRUE(IsServiceable(img));
  img[reg::kStatus] = 0x0106;
  EXPECT_FALSE(IsServiceable(img));
  img[reg::kFirmware] = 0x070A;
  EXPECT_EQ(Firmware(img).major, 7u);
  EXPECT_EQ(Firmware(img).minor, 10u);
}

TEST(Layouts, TypeDependentAddresses) {
  // One column per type; the simulator and the commands rely on these.
  struct Row {
    int RegisterLayout::*field;
    int kvelt, z, t2, z40, z5;
  };
  const Row rows[] = {
      {&RegisterLayout::LEL_CONC, 71, 71, 78, 86, 22},
      {&RegisterLayout::outputCurrent, -1, 65, 73, 90, 38},
      {&RegisterLayout::magneticCalibration, -1, 73, 80, 88, 48},
      {&RegisterLayout::magneticCalibrationWrite, -1, 73, 80, 7, 48},
      {&RegisterLayout::emitterPower, 55, 55, 63, 55, 26},
      {&RegisterLayout::heatingOn, 62, 62, 70, 62, 29},
      {&RegisterLayout::heatingValue, 63, 63, 71, 63, 30},
      {&RegisterLayout::heaterPower, 64, 64, 72, 64, 31},
      {&RegisterLayout::KUR, 58, 58, 66, 58, 27},
      {&RegisterLayout::KUW, 59, 59, 67, 59, 28},
      {&RegisterLayout::zeroingNegative, 61, 61, 69, -1, 33},
      {&RegisterLayout::relayTest, 67, 67, 74, 89, 67},
      {&RegisterLayout::relayTestStep, 68, 68, 75, -1, 68},
      {&RegisterLayout::relay1ReadBack, 69, 69, 76, -1, 69},
      {&RegisterLayout::relay2ReadBack, 70, 70, 77, -1, 70},
      {&RegisterLayout::gasSetting, 50, 50, 58, 50, 21},
      {&RegisterLayout::serialSetting, 51, 51, 59, 51, 51},
  };
  for (const Row& r : rows) {
    const int want[5] = {r.kvelt, r.z, r.t2, r.z40, r.z5};
    for (int type = 0; type < kDetectorTypeCount; ++type)
      EXPECT_EQ(LayoutFor(type).*r.field, want[type]) << "type " << type << " expected " << want[type];
  }
  EXPECT_EQ(LayoutFor(kTypeKvelt).emitterVoltage1, 56);
  EXPECT_EQ(LayoutFor(kTypeKvelt).emitterVoltage2, 57);
  EXPECT_FALSE(LayoutFor(kTypeZ40).magneticCalibrationSigned);
  EXPECT_TRUE(LayoutFor(kTypeZ5).lelConcInThousandths);
  EXPECT_FALSE(LayoutFor(kTypeZ5).heatingValueInHundredths);
  // An unknown type has no type-dependent register at all.
  EXPECT_EQ(LayoutFor(7).emitterPower, -1);
  EXPECT_EQ(LayoutFor(-1).LEL_CONC, -1);
}

TEST(Layouts, Z5GraduationTableAddresses) {
  EXPECT_EQ(reg::z5::GradTableAddress(0, 0), 104);
  EXPECT_EQ(reg::z5::GradTableAddress(3, 2), 123);
  EXPECT_EQ(reg::z5::GradTableAddress(7, 6), 159);
}

TEST(Quantities, TemperatureScaleByType) {
  RegisterImage img{};
  img[reg::kT] = 0xFFEC;
  EXPECT_DOUBLE_EQ(Temperature(kTypeKvelt, img), -20);
  EXPECT_DOUBLE_EQ(Temperature(kTypeZ5, img), -20);
  EXPECT_DOUBLE_EQ(Temperature(kTypeZ, img), -2.0);
  EXPECT_DOUBLE_EQ(Temperature(kType2, img), -2.0);
  EXPECT_DOUBLE_EQ(Temperature(kTypeZ40, img), -2.0);
}

TEST(Quantities, KveltEmitterPower) {
  // U1 = 3000 * 5 / 4096, U2 = 2000 * 2.5 / 4096.
  EXPECT_NEAR(KveltEmitterPower(3000, 2000), 3.7251, 1e-4);
  EXPECT_DOUBLE_EQ(KveltEmitterPower(0, 0), 0.0);
  EXPECT_LT(KveltEmitterPower(0, 4095), 0.0);
}

}  // namespace
}  // namespace kvl
