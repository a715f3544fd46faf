// The per-detector command rules: answers to writes, image changes or
// refusals, one table per family of commands.
#include "commands/command_rules.h"

#include <gtest/gtest.h>

#include <functional>

#include "detector/register_map.h"

namespace kvl {
namespace {

constexpr std::uint8_t kSlave = 7;
using Writes = std::vector<RegisterWrite>;
using Images = std::vector<ImageChange>;

CommandTarget Row(int type, std::initializer_list<std::pair<int, std::uint16_t>> words = {},
                  int mode = kModeTuning) {
  CommandTarget t;
  t.type = type;
  t.mode = mode;
  t.slave = kSlave;
  t.language = kEnglish;
  t.image[reg::kLimits] = 0x0A14;
  for (const auto& [a, v] : words) t.image[std::size_t(a)] = v;
  return t;
}

Writes W(std::initializer_list<std::pair<int, int>> regValues) {
  Writes w;
  for (const auto& [r, v] : regValues) w.push_back({kSlave, std::uint16_t(r), std::uint16_t(v)});
  return w;
}

struct Case {
  const char* what;
  std::function<CommandOutcome()> run;
  Writes writes;
  const char* message = nullptr;  // refused with this message
  Images images = {};
};

void Check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CommandOutcome out = c.run();
    EXPECT_EQ(out.writes, c.writes);
    EXPECT_EQ(out.imageChanges, c.images);
    EXPECT_EQ(out.rejected, c.message != nullptr);
    if (c.message) {
      EXPECT_EQ(out.message, c.message);
    }
  }
}

constexpr const char* kIllegal = "Illegal value";
constexpr const char* kNoMessage = "";

TEST(CommandRules, LimitsLelConcAndMagneticCalibration) {
  const CommandTarget z = Row(kTypeZ), z5 = Row(kTypeZ5), z40 = Row(kTypeZ40), t2 = Row(kType2), k = Row(kTypeKvelt);
  Check({
      {"limit 0", [&] { return LimitCommand(z, 1, "0"); }, {}, kIllegal},
      {"limit 1", [&] { return LimitCommand(z, 1, "1"); }, W({{5, 1}})},
      {"limit 100", [&] { return LimitCommand(z, 1, " 100 "); }, W({{5, 100}})},
      {"limit 101", [&] { return LimitCommand(z, 2, "101"); }, {}, kIllegal},
      {"limit word", [&] { return LimitCommand(z, 2, "ten"); }, {}, kIllegal},
      {"limit 2", [&] { return LimitCommand(z5, 2, "50"); }, W({{6, 50}})},
      {"limit imitation", [&] { return LimitCommand(Row(kTypeZ, {}, kModeImitation), 1, "30"); }, {}, nullptr,
       {{3, 0x1E14}}},
      {"limit 2 imitation", [&] { return LimitCommand(Row(kTypeZ, {}, kModeImitation), 2, "99"); }, {}, nullptr,
       {{3, 0x0A63}}},
      {"LEL 4,4", [&] { return LelConcCommand(z, "4,4"); }, W({{71, 440}})},
      {"LEL 4/4", [&] { return LelConcCommand(z, "4/4"); }, W({{71, 440}})},
      {"LEL 655.35", [&] { return LelConcCommand(z, "655.35"); }, W({{71, 65535}})},
      {"LEL 655.36", [&] { return LelConcCommand(z, "655.36"); }, {}, "Illegal value (>655.35)"},
      {"LEL 0", [&] { return LelConcCommand(z, "0.004"); }, {}, kIllegal},
      {"LEL word", [&] { return LelConcCommand(z, "abc"); }, {}, kIllegal},
      {"LEL type 2", [&] { return LelConcCommand(t2, "2.2"); }, W({{78, 220}})},
      {"LEL Z40", [&] { return LelConcCommand(z40, "5"); }, W({{86, 500}})},
      {"LEL Z5 4,4", [&] { return LelConcCommand(z5, "4,4"); }, W({{22, 4400}})},
      {"LEL Z5 0.001", [&] { return LelConcCommand(z5, "0/001"); }, W({{22, 1}})},
      {"LEL Z5 65.536", [&] { return LelConcCommand(z5, "65.536"); }, {}, "Illegal value (>65.535)"},
      {"LEL KVELT", [&] { return LelConcCommand(k, "5"); }, {}},
      {"magnetic 32.7675", [&] { return MagneticCalibrationCommand(z, "32.7675"); }, {},
       "Illegal concentration value for magnetic calibration"},
      {"magnetic 32.767", [&] { return MagneticCalibrationCommand(z, "32.767"); }, W({{73, 32767}})},
      {"magnetic 0.0004", [&] { return MagneticCalibrationCommand(z, "0.0004"); }, {},
       "Illegal concentration value for magnetic calibration"},
      {"magnetic Z40", [&] { return MagneticCalibrationCommand(z40, "1,5"); }, W({{7, 1500}})},
      {"magnetic Z5", [&] { return MagneticCalibrationCommand(z5, "2.2"); }, W({{48, 2200}})},
      {"magnetic type 2", [&] { return MagneticCalibrationCommand(t2, "2.2"); }, W({{80, 2200}})},
      {"magnetic KVELT", [&] { return MagneticCalibrationCommand(k, "2.2"); }, {}},
  });
}

TEST(CommandRules, SerialNumberBy16And32BitDetectors) {
  const CommandTarget z = Row(kTypeZ), z5 = Row(kTypeZ5);
  const CommandTarget k747 = Row(kTypeKvelt, {{reg::kFirmware, 0x072F}});
  const CommandTarget k746 = Row(kTypeKvelt, {{reg::kFirmware, 0x072E}});
  Check({
      {"00123", [&] { return SerialCommand(z, "00123"); }, W({{51, 123}})},
      {"blanks and plus", [&] { return SerialCommand(z, " +0 12 3"); }, W({{51, 123}})},
      {"12a", [&] { return SerialCommand(z, "12a"); }, {}, kIllegal},
      {"0", [&] { return SerialCommand(z, "000"); }, {}, kIllegal},
      {"minus", [&] { return SerialCommand(z, "-5"); }, {}, kIllegal},
      {"65535 16-bit", [&] { return SerialCommand(z, "65535"); }, W({{51, 65535}})},
      {"70000 16-bit", [&] { return SerialCommand(z, "70000"); }, {}, kIllegal},
      {"70000 Z5", [&] { return SerialCommand(z5, "70000"); }, W({{51, 4464}, {79, 1}})},
      {"70000 KVELT 7.47", [&] { return SerialCommand(k747, "70000"); }, W({{51, 4464}, {79, 1}})},
      {"70000 KVELT 7.46", [&] { return SerialCommand(k746, "70000"); }, {}, kIllegal},
      {"32-bit top", [&] { return SerialCommand(z5, "4294967295"); }, W({{51, 65535}, {79, 65535}})},
      {"past 32 bits", [&] { return SerialCommand(z5, "4294967296"); }, {}, kIllegal},
      {"type 2", [&] { return SerialCommand(Row(kType2), "5"); }, W({{59, 5}})},
      {"imitation 32-bit", [&] { return SerialCommand(Row(kTypeZ5, {}, kModeImitation), "70000"); }, {}, nullptr,
       {{9, 4464}, {79, 1}}},
  });
}

TEST(CommandRules, EmitterPowerHeatingLimitPasswordAndAddress) {
  const CommandTarget z = Row(kTypeZ), z5 = Row(kTypeZ5, {{reg::z5::GRAD_POWER, 2222}, {30, 12}, {29, 1}});
  const CommandTarget heatZ = Row(kTypeZ, {{63, 1250}});
  const char* kCoef = "Enter correct coefficient for emitter power control (0-4095):";
  Check({
      {"power 4095", [&] { return EmitterPowerCommand(z, "4095", false); }, W({{55, 4095}})},
      {"power 0", [&] { return EmitterPowerCommand(z, " 0 ", false); }, W({{55, 0}})},
      {"power 4096", [&] { return EmitterPowerCommand(z, "4096", false); }, {}, kCoef},
      {"power 1e3", [&] { return EmitterPowerCommand(z, "1e3", false); }, {}, kCoef},
      {"power +5", [&] { return EmitterPowerCommand(z, "+5", false); }, {}, kCoef},
      {"power -1", [&] { return EmitterPowerCommand(z, "-1", false); }, {}, kCoef},
      {"power Z5 5000", [&] { return EmitterPowerCommand(z5, "5000", false); }, W({{26, 5000}})},
      {"power Z5 past 16 bits", [&] { return EmitterPowerCommand(z5, "70000", false); }, {}, kCoef},
      {"power Z5 as in graduation", [&] { return EmitterPowerCommand(z5, "", true); }, W({{26, 2222}})},
      {"power type 2", [&] { return EmitterPowerCommand(Row(kType2), "100", false); }, W({{63, 100}})},
      {"power imitation", [&] { return EmitterPowerCommand(Row(kTypeZ, {}, kModeImitation), "100", false); }, {},
       nullptr, {{55, 100}}},
      {"heat on 12.5 x", [&] { return HeatingLimitCommand(z, 1, "12.5 x"); }, W({{62, 1}, {63, 1250}})},
      {"heat unchanged", [&] { return HeatingLimitCommand(heatZ, 2, "12,5"); }, {}},
      {"heat negative", [&] { return HeatingLimitCommand(z, 0, "-0.5"); }, W({{63, 65486}})},
      {"heat too high", [&] { return HeatingLimitCommand(z, 1, "400"); }, {}, "Illegal heat limit value"},
      {"heat off only", [&] { return HeatingLimitCommand(z5, 0, " "); }, W({{29, 0}})},
      {"heat Z5 whole", [&] { return HeatingLimitCommand(z5, 1, "12.7"); }, {}},
      {"heat Z5 value", [&] { return HeatingLimitCommand(z5, 1, "15"); }, W({{30, 15}})},
      {"heat Z5 too high", [&] { return HeatingLimitCommand(z5, 1, "70000"); }, {}, "Illegal heat limit value"},
      {"password", [&] { return PasswordCommand(" 1234 ", {1, 5}, kEnglish); },
       Writes{{1, 32, 1234}, {5, 32, 1234}}},
      {"password 65536", [&] { return PasswordCommand("65536", {1}, kEnglish); }, {}, "Illegal value: a password from 0 to 65535"},
      {"password word", [&] { return PasswordCommand("abc", {1}, kEnglish); }, {}, "Illegal value: a password from 0 to 65535"},
      {"address", [&] { return AssignAddressCommand(z, "17", "19200"); }, W({{0, 17 * 256 + 16}})},
      {"address 1200", [&] { return AssignAddressCommand(z, "1", "1200"); }, W({{0, 256 + 1}})},
      {"address odd baud", [&] { return AssignAddressCommand(z, "247", "38400"); }, W({{0, 247 * 256 + 8}})},
      {"address 248", [&] { return AssignAddressCommand(z, "248", "9600"); }, {}, kNoMessage},
      {"address imitation", [&] { return AssignAddressCommand(Row(kTypeZ, {}, kModeImitation), "9", "2400"); }, {},
       nullptr, {{0, 9 * 256 + 2}}},
  });
  EXPECT_EQ(AssignAddressCommand(z, "17", "9600").newListAddress, 17);
  EXPECT_EQ(AssignAddressCommand(z, "0", "9600").newListAddress, -1);
}

TEST(CommandRules, SwitchesOneShotsGasAndRelays) {
  const CommandTarget z = Row(kTypeZ, {{61, 1}}), z5 = Row(kTypeZ5, {{36, 0}, {34, 1}});
  const CommandTarget z40 = Row(kTypeZ40, {{91, 0x02}, {92, 0x0001}, {89, 0x15}});
  const CommandTarget k = Row(kTypeKvelt);
  Check({
      {"set 0", [&] { return SetZeroCommand(z5); }, W({{1, 0}})},
      {"HART", [&] { return SwitchToHartCommand(z5); }, W({{37, 1}})},
      {"HART Z", [&] { return SwitchToHartCommand(z); }, {}},
      {"grad recalc", [&] { return GradRecalcCommand(z5); }, W({{94, 1}})},
      {"defaults Z", [&] { return FactoryDefaultsCommand(z); }, W({{4, 1}})},
      {"defaults Z5 graduation", [&] { return FactoryDefaultsCommand(z5, CalibrationReset::Graduation); },
       W({{47, 5}})},
      {"defaults Z5 methane", [&] { return FactoryDefaultsCommand(z5, CalibrationReset::Methane); }, W({{47, 10}})},
      {"defaults Z5 propane", [&] { return FactoryDefaultsCommand(z5, CalibrationReset::Propane); }, W({{47, 20}})},
      {"defaults Z5 cancel", [&] { return FactoryDefaultsCommand(z5, CalibrationReset::Cancel); }, {}},
      {"gas Z propane", [&] { return GasCommand(z, 1); }, W({{50, 2}})},
      {"gas type 2", [&] { return GasCommand(Row(kType2), 0); }, W({{58, 1}})},
      {"gas Z5 propane", [&] { return GasCommand(z5, 1); }, W({{21, 2}, {22, 1700}})},
      {"gas Z5 without limit", [&] { return GasCommand(z5, 8); }, W({{21, 9}, {22, 0}})},
      {"gas none chosen", [&] { return GasCommand(z, -1); }, {}},
      {"zeroing 1 -> 0", [&] { return ZeroingNegativeCommand(z); }, W({{61, 0}})},
      {"zeroing Z5 0 -> 1", [&] { return ZeroingNegativeCommand(z5); }, W({{33, 1}})},
      {"zeroing Z40", [&] { return ZeroingNegativeCommand(z40); }, {}},
      {"show negative", [&] { return ShowNegativeCommand(z5); }, W({{36, 1}})},
      {"latching Z40 1", [&] { return LatchingCommand(z40, 1); }, W({{91, 0}})},
      {"latching Z40 2", [&] { return LatchingCommand(z40, 2); }, W({{91, 0x06}})},
      {"latching Z5 1", [&] { return LatchingCommand(z5, 1); }, W({{34, 0}})},
      {"latching Z5 2", [&] { return LatchingCommand(z5, 2); }, W({{35, 1}})},
      {"RU6310 off", [&] { return Ru6310Command(z40); }, W({{92, 41257}})},
      {"RU6310 on", [&] { return Ru6310Command(Row(kTypeZ40)); }, W({{92, 1}})},
      {"relay test Z on", [&] { return RelayTestCommand(z, true, "-5"); }, W({{68, 65531}, {67, 1}})},
      {"relay test Z on no step", [&] { return RelayTestCommand(z, true, ""); }, {}},
      {"relay test type 2 on", [&] { return RelayTestCommand(Row(kType2), true, "+20"); }, W({{75, 20}, {74, 1}})},
      {"relay test off", [&] { return RelayTestCommand(k, false, "+5"); }, W({{67, 0}})},
      {"relay test Z40 on", [&] { return RelayTestCommand(z40, true, ""); }, W({{89, 21}})},
      {"relay test Z40 off", [&] { return RelayTestCommand(z40, false, ""); }, W({{89, 63}})},
      {"picture Z40 test relay 1", [&] { return RelayPictureCommand(z40, RelayPicture::Relay1, true); },
       W({{89, 0x19}})},
      {"picture Z40 test condition", [&] { return RelayPictureCommand(z40, RelayPicture::Condition, true); },
       W({{89, 0x16}})},
      {"picture Z40 no test", [&] { return RelayPictureCommand(z40, RelayPicture::Relay2, false); },
       W({{89, 0xFFFF}})},
      {"picture Z40 no test condition", [&] { return RelayPictureCommand(z40, RelayPicture::Condition, false); }, {}},
      {"picture imitation", [&] { return RelayPictureCommand(Row(kTypeZ, {{1, 0x0101}}, kModeImitation),
                                                             RelayPicture::Relay2, false); },
       {}, nullptr, {{1, 0x0105}}},
  });
  const CommandOutcome on = RelayTestCommand(z, true, "+5"), off = RelayTestCommand(z, false, "");
  EXPECT_EQ(on.relayStepListEnabled, false);
  EXPECT_EQ(off.relayStepListEnabled, true);
  EXPECT_TRUE(on.emptyLatchingCells && off.emptyLatchingCells);
  EXPECT_EQ(GasCommand(z, 1).rememberGas, 1);
}

TEST(CommandRules, CalibrationUsesTheGasPanel) {
  GasCalibrationTable gases = DefaultGasCalibrations();
  gases[0].concentration = {"0.57", " +2,2"};
  gases[1].concentration = {"0", "70"};
  const CommandTarget z = Row(kTypeZ), z40 = Row(kTypeZ40);
  Check({
      {"main methane", [&] { return CalibrationCommand(z, true, "Methane", gases, 0); }, W({{3, 570}})},
      {"additional methane", [&] { return CalibrationCommand(z, false, "Methane", gases, 0); }, W({{2, 2200}})},
      {"isobutane", [&] { return CalibrationCommand(z, true, "Isobutane", gases, 0); }, W({{3, 550}})},
      {"unknown", [&] { return CalibrationCommand(z, true, "? 9", gases, 0); }, {}, "Unknown gas  "},
      {"zero", [&] { return CalibrationCommand(z, true, "Propane", gases, 1); }, {},
       "Enter concentration for main calibration  "},
      {"too much", [&] { return CalibrationCommand(z, false, "Propane", gases, 1); }, {},
       "Enter concentration for additional calibration  "},
  });
  const CommandOutcome select = CalibrationCommand(z, true, "Propane", gases, 0);
  EXPECT_EQ(select.selectGas, 1);
  EXPECT_EQ(select.focusConcentration, 0);
  EXPECT_EQ(CalibrationCommand(z, true, "Methane", gases, 0).selectGas, -1);
  // Z40 names its gases from its own table.
  EXPECT_EQ(GasListPosition(kTypeZ40, kEnglish, "Paraxylene"), 24);
  EXPECT_EQ(GasListPosition(kTypeZ, kEnglish, "Paraxylene"), -1);
  EXPECT_EQ(CalibrationCommand(z40, true, "Paraxylene", gases, 24).writes, W({{3, 1000}}));
  EXPECT_EQ(GasListPosition(kTypeZ, kRussian, "Изобутан"), 4);
  EXPECT_EQ(GasListPosition(kTypeZ, kEnglish, "Nothing"), -1);
}

TEST(CommandRules, ChannelCorrectionFactors) {
  using enum FactorKind;
  // W reads 2000, R 2500; KUW 9000, KUR 11000; graduation KUR 10000, KUW 12000.
  const CommandTarget z5 = Row(kTypeZ5, {{reg::kW, 2000}, {reg::kR, 2500}, {28, 9000}, {27, 11000},
                                         {reg::z5::GRAD_KUR, 10000}, {reg::z5::GRAD_KUW, 12000}});
  const CommandTarget z = Row(kTypeZ, {{reg::kW, 2000}, {reg::kR, 0xFFFF}, {59, 10000}, {58, 10000}});
  Check({
      {"set 1", [&] { return CorrectionFactorCommand(z, false, SetOne, ""); }, W({{59, 10000}})},
      {"set 1 R", [&] { return CorrectionFactorCommand(z5, true, SetOne, ""); }, W({{27, 10000}})},
      {"as in graduation W", [&] { return CorrectionFactorCommand(z5, false, AsInGraduation, ""); },
       W({{28, 12000}})},
      {"as in graduation R", [&] { return CorrectionFactorCommand(z5, true, AsInGraduation, ""); },
       W({{27, 10000}})},
      {"as in graduation Z", [&] { return CorrectionFactorCommand(z, true, AsInGraduation, ""); }, {}, kNoMessage},
      {"proportional", [&] { return CorrectionFactorCommand(z5, false, InProportion, ""); }, W({{28, 13200}})},
      {"proportional without graduation",
       [&] { return CorrectionFactorCommand(Row(kTypeZ5, {{27, 1}}), false, InProportion, ""); }, {}, kIllegal},
      {"level", [&] { return CorrectionFactorCommand(z5, false, Irrespective, "2 500"); }, W({{28, 11250}})},
      {"level held to 65535", [&] { return CorrectionFactorCommand(z5, false, Irrespective, "65535"); },
       W({{28, 65535}})},
      {"level 0", [&] { return CorrectionFactorCommand(z5, false, Irrespective, "0"); }, {}, kNoMessage},
      {"negative reading", [&] { return CorrectionFactorCommand(z, true, Irrespective, "100"); }, {}, kNoMessage},
  });
}

}  // namespace
}  // namespace kvl
