// The simulated detector: register layout by type, reactions to the registers
// the workstation writes, and the plausibility of its live values.
#include <gtest/gtest.h>

#include "detector/register_map.h"
#include "sim/sim_detector.h"

namespace kvl {
namespace {

CSimDetector Make(int type, std::uint8_t address = 1) {
  CSimDetector d(DefaultSimSetup(type, address, 7));
  d.Advance(600, 20);  // settled at 22 degC
  return d;
}

int Signed(const CSimDetector& d, int a) { return Signed16(d.Register(a)); }

TEST(SimDetector, PowerOnRegistersFollowTheTypesLayout) {
  for (int type = 0; type < kDetectorTypeCount; ++type) {
    SCOPED_TRACE(type);
    const CSimDetector d = Make(type, 5);
    const RegisterLayout& lay = LayoutFor(type);
    EXPECT_EQ(d.Register(reg::kAddressBaud), 5 * 256 + reg::kBaud9600);
    EXPECT_EQ(GasCode(d.Registers()), 1u);
    EXPECT_TRUE(IsServiceable(d.Registers()));
    EXPECT_EQ(d.Register(reg::kLimits), 0x0A14);
    EXPECT_EQ(d.Register(std::size_t(lay.gasSetting)), 1);
    // Methane: 4.4 vol.% in the type's LEL_CONC unit.
    EXPECT_EQ(d.Register(std::size_t(lay.LEL_CONC)), lay.lelConcInThousandths ? 4400 : 440);
    EXPECT_EQ(SerialNumber(type, d.Registers()), d.Serial());
    // Z and Z40 count tenths of a degree, KVELT and Z5 device units.
    const bool degrees = LayoutFor(type).temperatureInTenths;
    EXPECT_NEAR(Temperature(type, d.Registers()), degrees ? 22 : SimTemperatureUnits(type, 22), degrees ? 0.3 : 1);
  }
}

TEST(SimDetector, SerialNumbersAre32BitForZ5AndKveltFrom747) {
  const CSimDetector odd = Make(kTypeKvelt, 3), even = Make(kTypeKvelt, 4), z5 = Make(kTypeZ5, 4), z = Make(kTypeZ, 4);
  EXPECT_EQ(odd.Register(reg::kFirmware), reg::kSerial32Firmware);
  EXPECT_GT(odd.Serial(), 65535u);
  EXPECT_EQ(SerialNumber(kTypeKvelt, odd.Registers()), odd.Serial());
  EXPECT_LT(even.Register(reg::kFirmware), reg::kSerial32Firmware);
  EXPECT_LE(even.Serial(), 65535u);
  EXPECT_GT(z5.Serial(), 65535u);
  EXPECT_LE(z.Serial(), 65535u);

  // 70000 = 1 x 65536 + 4464: low word to 51, then high word to 79.
  CSimDetector d = Make(kTypeZ5);
  EXPECT_EQ(d.WriteSingle(51, 4464), 0);
  EXPECT_EQ(d.WriteSingle(79, 1), 0);
  EXPECT_EQ(d.Serial(), 70000u);
  EXPECT_EQ(d.Register(reg::SER_NUM), 4464);

  CSimDetector t2 = Make(kType2);
  EXPECT_EQ(t2.WriteSingle(59, 1234), 0);
  EXPECT_EQ(t2.Serial(), 1234u);
  EXPECT_EQ(t2.WriteSingle(59, 0), kExIllegalValue);
}

TEST(SimDetector, AddressAndBaudMoveTheDetector) {
  CSimDetector d = Make(kTypeZ);
  EXPECT_EQ(d.WriteSingle(0, 17 * 256 + reg::kBaud19200), 0);
  EXPECT_EQ(d.Address(), 17);
  EXPECT_EQ(d.BaudCode(), reg::kBaud19200);
  EXPECT_EQ(d.Register(0), 17 * 256 + reg::kBaud19200);
  // Address 0, 248 and baud code 3 are refused and change nothing.
  EXPECT_EQ(d.WriteSingle(0, 0 * 256 + 8), kExIllegalValue);
  EXPECT_EQ(d.WriteSingle(0, 248 * 256 + 8), kExIllegalValue);
  EXPECT_EQ(d.WriteSingle(0, 9 * 256 + 3), kExIllegalValue);
  EXPECT_EQ(d.Address(), 17);
  EXPECT_EQ(d.BaudCode(), reg::kBaud19200);
}

TEST(SimDetector, LimitsGasAndLelConc) {
  CSimDetector z = Make(kTypeZ);
  EXPECT_EQ(z.WriteSingle(5, 30), 0);
  EXPECT_EQ(z.WriteSingle(6, 100), 0);
  EXPECT_EQ(z.Register(reg::kLimits), 30 * 256 + 100);
  EXPECT_EQ(z.WriteSingle(5, 0), kExIllegalValue);
  EXPECT_EQ(z.WriteSingle(6, 101), kExIllegalValue);
  EXPECT_EQ(z.Register(reg::kLimits), 30 * 256 + 100);

  // Gas register 50: the status word's high byte follows, and a Z takes the
  // propane limit from its gas library.
  EXPECT_EQ(z.WriteSingle(50, 2), 0);
  EXPECT_EQ(GasCode(z.Registers()), 2u);
  EXPECT_EQ(z.Register(71), 170);
  EXPECT_EQ(z.WriteSingle(50, 86), kExIllegalValue);
  EXPECT_EQ(z.WriteSingle(50, 0), kExIllegalValue);
  EXPECT_EQ(z.WriteSingle(71, 500), 0);
  EXPECT_EQ(z.Register(71), 500);
  EXPECT_EQ(z.WriteSingle(71, 0), kExIllegalValue);

  // A Z5 is told its limit separately (code to 21, then LEL x 1000 to 22).
  CSimDetector z5 = Make(kTypeZ5);
  EXPECT_EQ(z5.WriteSingle(21, 2), 0);
  EXPECT_EQ(GasCode(z5.Registers()), 2u);
  EXPECT_EQ(z5.Register(22), 4400);
  EXPECT_EQ(z5.WriteSingle(22, 1700), 0);
  EXPECT_EQ(z5.Register(22), 1700);
}

TEST(SimDetector, MeasuredAndOutOfMapRegistersAreRefused) {
  CSimDetector d = Make(kTypeZ5);
  std::vector<std::uint16_t> words;
  EXPECT_EQ(d.Read(151, 10, &words), 0);
  EXPECT_EQ(words.size(), 10u);
  EXPECT_EQ(d.Read(152, 10, &words), kExIllegalAddress);
  EXPECT_EQ(d.Read(0, 0, &words), kExIllegalValue);
  EXPECT_EQ(d.Read(0, 126, &words), kExIllegalValue);
  EXPECT_EQ(d.WriteSingle(161, 1), kExIllegalAddress);
  for (int a : {8, 9, 10, 11, 13, 16, 17, 18, 23, 31, 38, 50, 69}) EXPECT_EQ(d.WriteSingle(std::uint16_t(a), 1), kExIllegalAddress) << a;
  EXPECT_EQ(d.WriteSingle(7, 1), kExIllegalAddress);  // a command only on Z40
}

TEST(SimDetector, BlockWritesStoreTablesButNotCommands) {
  CSimDetector k = Make(kTypeKvelt);
  std::vector<std::uint16_t> table(16);
  for (int i = 0; i < 16; ++i) table[std::size_t(i)] = std::uint16_t(100 + i);
  EXPECT_EQ(k.WriteMultiple(24, table), 0);
  EXPECT_EQ(k.Register(24), 100);
  EXPECT_EQ(k.Register(32), 108);  // D[0]: a table word here, not the password
  EXPECT_FALSE(k.PasswordAccepted());
  EXPECT_EQ(k.WriteMultiple(4, {1, 2}), kExIllegalAddress);
  EXPECT_EQ(k.WriteMultiple(159, {1, 2, 3}), kExIllegalAddress);
  EXPECT_EQ(k.WriteMultiple(7, {1}), kExIllegalAddress);
  EXPECT_EQ(k.Register(159), 0);
}

TEST(SimDetector, GraduationCaptureNeedsThePasswordAndFillsTheTable) {
  using namespace reg::z5;
  CSimDetector d = Make(kTypeZ5);
  EXPECT_EQ(d.WriteSingle(102, 0x1103), kExDeviceFailure);
  EXPECT_EQ(d.WriteSingle(32, 1234), 0);
  EXPECT_EQ(d.WriteSingle(102, 0x1103), kExDeviceFailure);
  EXPECT_EQ(d.WriteSingle(32, kSimGraduationPassword), 0);
  EXPECT_EQ(d.Register(32), 0);  // the code is not kept in the register

  EXPECT_EQ(d.WriteSingle(GRAD_CONC1, 500), 0);  // 50 %LEL
  EXPECT_EQ(d.WriteSingle(GRAD_CONC2, 1000), 0);
  EXPECT_EQ(d.Register(GRAD_CONC1), 500);
  EXPECT_EQ(d.Register(GRAD_CONC2), 1000);

  // Point 3 at 0 degC: clean air, then high gas, then middle gas.
  d.Advance(3600, -2);
  EXPECT_EQ(d.WriteSingle(102, 0x1103), 0);
  EXPECT_EQ(Signed(d, GradTableAddress(3, 0)), Signed(d, reg::kT));
  EXPECT_EQ(d.Register(GradTableAddress(3, 1)), d.Register(reg::kR));
  EXPECT_EQ(d.Register(GradTableAddress(3, 2)), d.Register(reg::kW));
  d.SetGas(4.4);
  d.Advance(60, -2);
  EXPECT_EQ(d.WriteSingle(102, 0x3303), 0);
  EXPECT_EQ(d.Register(GradTableAddress(3, 6)), d.Register(reg::kW));
  d.SetGas(2.2);
  d.Advance(60, -2);
  EXPECT_EQ(d.WriteSingle(102, 0x2203), 0);
  EXPECT_EQ(d.Register(GradTableAddress(3, 4)), d.Register(reg::kW));
  // Working channel falls with gas: the point is good.
  EXPECT_GT(d.Register(GradTableAddress(3, 2)), d.Register(GradTableAddress(3, 4)));
  EXPECT_GT(d.Register(GradTableAddress(3, 4)), d.Register(GradTableAddress(3, 6)));
  EXPECT_EQ(d.Register(kBadGraduation) & 0x08, 0);
  EXPECT_EQ(d.Register(GRAD_POWER), d.Register(26));

  EXPECT_EQ(d.WriteSingle(102, 0x4403), kExIllegalValue);
  EXPECT_EQ(d.WriteSingle(102, 0x1108), kExIllegalValue);

  // A point whose clean-air capture saw more gas than its high gas goes bad;
  // recalculation drops G.
  d.SetGas(6.6);
  d.Advance(60, -2);
  EXPECT_EQ(d.WriteSingle(102, 0x1105), 0);
  EXPECT_NE(d.Register(kBadGraduation) & 0x20, 0);
  EXPECT_EQ(d.WriteSingle(kGradRecalc, 1), 0);
  EXPECT_EQ(d.Register(kFlags) & kFlagG, 0);
  // Factory graduation reset restores a good table and the graduation flag.
  EXPECT_EQ(d.WriteSingle(kFactoryDefaults, 5), 0);
  EXPECT_EQ(d.Register(kBadGraduation), 0);
  EXPECT_NE(d.Register(kFlags) & kFlagG, 0);
  EXPECT_EQ(d.WriteSingle(kFactoryDefaults, 7), kExIllegalValue);
}

TEST(SimDetector, Z5FactoryResetChoosesTheGas) {
  CSimDetector d = Make(kTypeZ5);
  EXPECT_EQ(d.WriteSingle(5, 40), 0);
  EXPECT_EQ(d.WriteSingle(reg::z5::kFactoryDefaults, 20), 0);
  EXPECT_EQ(d.GasCode(), 2);
  EXPECT_EQ(d.Register(22), 1700);
  EXPECT_EQ(d.Register(reg::kLimits), 0x0A14);
  EXPECT_EQ(d.WriteSingle(reg::z5::kFactoryDefaults, 10), 0);
  EXPECT_EQ(d.GasCode(), 1);
  EXPECT_EQ(d.Register(22), 4400);
}

TEST(SimDetector, TemperatureFollowsTheChamberWithALag) {
  CSimDetector d = Make(kTypeZ);
  d.Advance(120, 60);  // one time constant: about 63 % of the way to 62
  EXPECT_NEAR(d.HousingTemperature(), 22 + 0.632 * 40, 1.0);
  d.Advance(3600, 60);
  EXPECT_NEAR(d.HousingTemperature(), 62, 0.1);
  EXPECT_NEAR(Signed(d, reg::kT), 620, 2);  // Z: tenths
  CSimDetector k = Make(kTypeKvelt);
  k.Advance(3600, -40);
  EXPECT_NEAR(Signed(k, reg::kT), SimTemperatureUnits(kTypeKvelt, -38), 1);  // KVELT: device units
}

TEST(SimDetector, ChannelsDependOnTemperatureAndGas) {
  CSimDetector d = Make(kTypeZ);
  const int r20 = Signed(d, reg::kR), w20 = Signed(d, reg::kW);
  EXPECT_NEAR(Signed(d, reg::kD), 10000, 10);
  d.Advance(3600, 60);
  EXPECT_LT(Signed(d, reg::kR), r20 - 100);
  EXPECT_LT(Signed(d, reg::kW), w20 - 100);
  // The detector compensates most of the drift: the reading stays near zero.
  EXPECT_NEAR(d.ReadingLel(), 0, 1.5);

  const int r = Signed(d, reg::kR), w = Signed(d, reg::kW);
  d.SetGas(2.2);  // 50 %LEL methane
  d.Advance(60, 60);
  EXPECT_NEAR(Signed(d, reg::kR), r, 10);
  EXPECT_LT(Signed(d, reg::kW), w - 150);
  EXPECT_NEAR(d.ReadingLel(), 50, 2);
  EXPECT_NEAR(Signed(d, reg::kConcentration), 500, 20);
  EXPECT_NEAR(Signed(d, reg::kVolumeConcentration), 2200, 90);
  EXPECT_NEAR(d.Register(65), 12000, 350);  // 4..20 mA at 50 %LEL
}

TEST(SimDetector, LimitBitsFollowTheConcentration) {
  CSimDetector d = Make(kTypeZ5);
  EXPECT_EQ(StatusBits(d.Registers()), reg::kStatusServiceable);
  d.SetGas(4.4 * 0.15);
  d.Advance(60, 20);
  EXPECT_EQ(StatusBits(d.Registers()), reg::kStatusServiceable | reg::kStatusLimit1);
  d.SetGas(4.4 * 0.25);
  d.Advance(60, 20);
  EXPECT_EQ(StatusBits(d.Registers()), reg::kStatusServiceable | reg::kStatusLimit1 | reg::kStatusLimit2);
  d.SetGas(0);
  d.Advance(60, 20);
  EXPECT_EQ(StatusBits(d.Registers()), reg::kStatusServiceable);

  // Latching relay 1 holds after the gas is gone until latching is switched off.
  EXPECT_EQ(d.WriteSingle(reg::z5::kLatching1, 1), 0);
  d.SetGas(4.4 * 0.15);
  d.Advance(60, 20);
  d.SetGas(0);
  d.Advance(60, 20);
  EXPECT_EQ(StatusBits(d.Registers()), reg::kStatusServiceable | reg::kStatusLimit1);
  EXPECT_EQ(d.WriteSingle(reg::z5::kLatching1, 0), 0);
  EXPECT_EQ(StatusBits(d.Registers()), reg::kStatusServiceable);
  EXPECT_EQ(d.WriteSingle(reg::z5::kLatching1, 2), kExIllegalValue);

  d.SetServiceable(false);
  EXPECT_EQ(StatusBits(d.Registers()), 0u);
  EXPECT_EQ(d.Register(38), 2000);  // fault current 2 mA
}

TEST(SimDetector, ZeroAndSpanCalibration) {
  CSimDetector d = Make(kTypeZ);
  // Main calibration without gas has nothing to work with.
  EXPECT_EQ(d.WriteSingle(3, 2200), kExDeviceFailure);
  d.SetGas(2.2);
  d.Advance(60, 20);
  // Told the gas is 2.0 vol.%, the detector rescales to read 2.0.
  EXPECT_EQ(d.WriteSingle(3, 2000), 0);
  EXPECT_NEAR(d.ReadingVolume(), 2.0, 0.02);
  d.SetGas(1.1);
  d.Advance(60, 20);
  EXPECT_NEAR(d.ReadingVolume(), 1.0, 0.05);
  // Additional calibration adds a point: now 1.1 vol.% reads 1.1.
  EXPECT_EQ(d.WriteSingle(2, 1100), 0);
  EXPECT_NEAR(d.ReadingVolume(), 1.1, 0.02);
  EXPECT_EQ(d.WriteSingle(3, 0), kExIllegalValue);

  // Zero setting with gas in the cell makes that gas the new zero.
  EXPECT_EQ(d.WriteSingle(1, 0), 0);
  EXPECT_NEAR(d.ReadingLel(), 0, 1);
  EXPECT_EQ(d.Register(reg::kRo), d.Register(reg::kR));

  // Factory defaults undo it all.
  EXPECT_EQ(d.WriteSingle(4, 1), 0);
  EXPECT_NEAR(d.ReadingVolume(), 1.1, 0.05);
  EXPECT_EQ(d.WriteSingle(4, 2), kExIllegalValue);
}

TEST(SimDetector, NegativeReadingsAreZeroedOnlyWhenSwitchedOn) {
  CSimDetector d = Make(kTypeZ);
  d.SetGas(2.2);
  d.Advance(60, 20);
  EXPECT_EQ(d.WriteSingle(1, 0), 0);  // zero with gas present...
  d.SetGas(0);
  d.Advance(60, 20);                   // ...so clean air reads negative
  EXPECT_LT(d.ReadingLel(), -30);
  EXPECT_EQ(d.Register(reg::kConcentration), 0);
  EXPECT_EQ(d.WriteSingle(61, 0), 0);
  EXPECT_LT(Signed(d, reg::kConcentration), -300);
  EXPECT_EQ(d.WriteSingle(61, 2), kExIllegalValue);
}

TEST(SimDetector, RelayTestRampsAndRecordsTheSwitchingLevels) {
  CSimDetector d = Make(kTypeZ);
  EXPECT_EQ(d.WriteSingle(68, 5), 0);
  EXPECT_EQ(d.WriteSingle(67, 1), 0);
  EXPECT_EQ(d.Register(69), 0xFFFF);
  d.Advance(3, 20);  // 15 %LEL
  EXPECT_EQ(d.Register(reg::kConcentration), 150);
  EXPECT_EQ(d.Register(69), 10);
  EXPECT_EQ(d.Register(70), 0xFFFF);
  EXPECT_EQ(StatusBits(d.Registers()), reg::kStatusServiceable | reg::kStatusLimit1);
  d.Advance(2, 20);
  EXPECT_EQ(d.Register(70), 20);
  EXPECT_EQ(d.WriteSingle(67, 0), 0);
  EXPECT_EQ(StatusBits(d.Registers()), reg::kStatusServiceable);
  EXPECT_EQ(d.WriteSingle(67, 2), kExIllegalValue);

  // Z40: fields forced by register 89.
  CSimDetector z40 = Make(kTypeZ40);
  EXPECT_EQ(z40.Register(89), 63);
  EXPECT_EQ(z40.WriteSingle(89, 0x2A), 0);  // every field 2: forced on
  EXPECT_EQ(StatusBits(z40.Registers()), 7u);
  EXPECT_EQ(z40.WriteSingle(89, 21), 0);  // every field 1: forced off
  EXPECT_EQ(StatusBits(z40.Registers()), 0u);
  EXPECT_EQ(z40.WriteSingle(89, 63), 0);
  EXPECT_EQ(StatusBits(z40.Registers()), reg::kStatusServiceable);
}

TEST(SimDetector, Z40OwnRegisters) {
  CSimDetector d = Make(kTypeZ40);
  EXPECT_EQ(d.WriteSingle(7, 2500), 0);  // magnetic calibration command
  EXPECT_EQ(d.Register(88), 2500);
  EXPECT_EQ(d.WriteSingle(88, 1), kExIllegalAddress);
  EXPECT_EQ(d.WriteSingle(92, 1), 0);
  EXPECT_EQ(d.Register(92) & 1, 1);
  EXPECT_EQ(d.WriteSingle(92, 41257), 0);
  EXPECT_EQ(d.Register(92) & 1, 0);
  EXPECT_EQ(d.WriteSingle(92, 2), kExIllegalValue);
}

TEST(SimDetector, HeatingKeepsTheHousingWarm) {
  CSimDetector d = Make(kTypeZ);
  EXPECT_EQ(d.WriteSingle(62, 2), kExIllegalValue);
  EXPECT_EQ(d.WriteSingle(63, 1000), 0);  // 10.00 degC
  EXPECT_EQ(d.WriteSingle(62, 1), 0);
  d.Advance(7200, -30);
  EXPECT_GT(d.HousingTemperature(), 0);
  EXPECT_LT(d.HousingTemperature(), 10);
  EXPECT_GT(d.Register(64), 0);  // heater power
  EXPECT_EQ(d.WriteSingle(62, 0), 0);
  d.Advance(7200, -30);
  EXPECT_NEAR(d.HousingTemperature(), -28, 0.1);
  EXPECT_EQ(d.Register(64), 0);
}

TEST(SimDetector, EmitterPowerAndCorrectionFactorsScaleTheChannels) {
  CSimDetector d = Make(kTypeZ);
  const int r = Signed(d, reg::kR), w = Signed(d, reg::kW);
  EXPECT_EQ(d.WriteSingle(55, 4096), kExIllegalValue);
  EXPECT_EQ(d.WriteSingle(55, 4095), 0);
  d.Advance(1, 20);
  EXPECT_GT(Signed(d, reg::kR), r * 1.5);
  EXPECT_EQ(d.WriteSingle(55, 2048), 0);
  EXPECT_EQ(d.WriteSingle(59, 5000), 0);  // KUW 0.5
  d.Advance(1, 20);
  EXPECT_NEAR(Signed(d, reg::kW), w / 2, 10);
  EXPECT_NEAR(Signed(d, reg::kR), r, 10);

  CSimDetector k = Make(kTypeKvelt);
  const double p = KveltEmitterPower(k.Register(56), k.Register(57));
  EXPECT_EQ(k.WriteSingle(55, 2548), 0);
  // About 0.00015 per step of the coefficient, what the KVELT tuning expects.
  EXPECT_NEAR((KveltEmitterPower(k.Register(56), k.Register(57)) - p) / 500, 0.00015, 0.00003);
}

TEST(SimDetector, SameSeedSameReadings) {
  CSimDetector a(DefaultSimSetup(kTypeZ5, 2, 99)), b(DefaultSimSetup(kTypeZ5, 2, 99)), c(DefaultSimSetup(kTypeZ5, 2, 98));
  for (int i = 0; i < 5; ++i) {
    a.Advance(1, 30);
    b.Advance(1, 30);
    c.Advance(1, 30);
  }
  EXPECT_EQ(a.Registers(), b.Registers());
  EXPECT_NE(a.Registers(), c.Registers());
}

}  // namespace
}  // namespace kvl
