// The simulated detectors against the command rules: every write list a
// command makes is accepted and shows on the next poll, decoded as the row
// would show it; and the type guess of the tools recognises every layout.
#include <gtest/gtest.h>

#include <functional>

#include "commands/command_rules.h"
#include "detector/decoding.h"
#include "detector/register_map.h"
#include "detector/type_guess.h"
#include "sim/sim_detector.h"

namespace kvl {
namespace {

// Odd addresses: the KVELT plays firmware 7.47 with a 32-bit serial number.
CSimDetector Make(int type, std::uint8_t address = 3) {
  CSimDetector d(DefaultSimSetup(type, address, 5));
  d.Advance(60, 20);
  return d;
}

CommandTarget TargetOf(const CSimDetector& d, int mode = kModeTuning) {
  CommandTarget t;
  t.type = d.Type();
  t.mode = mode;
  t.slave = d.Address();
  t.image = d.Registers();
  t.language = kEnglish;
  return t;
}

// Sends the outcome's writes; every one must be accepted.
void Apply(CSimDetector& d, const CommandOutcome& out) {
  ASSERT_FALSE(out.Rejected()) << out.message;
  ASSERT_FALSE(out.writes.empty());
  for (const RegisterWrite& w : out.writes) EXPECT_EQ(d.WriteSingle(w.reg, w.value), 0) << "register " << w.reg;
  d.Advance(1, 20);
}

std::string CellText(const CSimDetector& d, Cell cell) {
  DecodeContext ctx;
  ctx.type = d.Type();
  ctx.language = kEnglish;
  return DecodeRow(d.Registers(), ctx)[cell].text;
}

struct Reaction {
  const char* what;
  int type;
  std::function<CommandOutcome(const CommandTarget&)> command;
  Cell cell;
  const char* shown;  // the cell's text on the next poll
};

TEST(SimCommandReactions, EveryCommandShowsOnTheNextPoll) {
  const Reaction cases[] = {
      {"limit 1", kTypeZ, [](auto& t) { return LimitCommand(t, 1, "35"); }, Cell::Limit1, "35"},
      {"limit 2", kTypeZ40, [](auto& t) { return LimitCommand(t, 2, "100"); }, Cell::Limit2, "100"},
      {"LEL_CONC Z", kTypeZ, [](auto& t) { return LelConcCommand(t, "5,0"); }, Cell::LelConc, "5"},
      {"LEL_CONC Z5", kTypeZ5, [](auto& t) { return LelConcCommand(t, "1.7"); }, Cell::LelConc, "1.7"},
      {"gas Z", kTypeZ, [](auto& t) { return GasCommand(t, 1); }, Cell::Gas, "Propane"},
      {"gas Z5 with its LEL", kTypeZ5, [](auto& t) { return GasCommand(t, 1); }, Cell::LelConc, "1.7"},
      {"serial 16-bit", kTypeZ40, [](auto& t) { return SerialCommand(t, "00123"); }, Cell::SerialNumber, "123"},
      {"serial 32-bit Z5", kTypeZ5, [](auto& t) { return SerialCommand(t, "70000"); }, Cell::SerialNumber, "70000"},
      {"serial 32-bit KVELT", kTypeKvelt, [](auto& t) { return SerialCommand(t, "123456"); }, Cell::SerialNumber,
       "123456"},
      {"magnetic Z", kTypeZ, [](auto& t) { return MagneticCalibrationCommand(t, "1.5"); },
       Cell::MagneticCalibration, "1.500"},
      {"magnetic Z40", kTypeZ40, [](auto& t) { return MagneticCalibrationCommand(t, "2.5"); },
       Cell::MagneticCalibration, "2.500"},
      {"heating on Z", kTypeZ, [](auto& t) { return HeatingLimitCommand(t, 1, "12.5"); }, Cell::HeatingLimit,
       "12.5"},
      {"heating on Z5", kTypeZ5, [](auto& t) { return HeatingLimitCommand(t, 1, "15"); }, Cell::HeatingLimit, "15"},
      {"emitter power type 2", kType2, [](auto& t) { return EmitterPowerCommand(t, "3000", false); },
       Cell::EmitterPower, "3000"},
      {"emitter power Z5 above 4095", kTypeZ5, [](auto& t) { return EmitterPowerCommand(t, "5000", false); },
       Cell::EmitterPower, "5000"},
      {"zeroing off", kTypeKvelt, [](auto& t) { return ZeroingNegativeCommand(t); }, Cell::ZeroingNegative,
       "disable"},
      {"show negative on", kTypeZ5, [](auto& t) { return ShowNegativeCommand(t); }, Cell::ShowNegative, "enable"},
      {"latching Z40", kTypeZ40, [](auto& t) { return LatchingCommand(t, 2); }, Cell::Latching2, "Latch"},
      {"latching Z5", kTypeZ5, [](auto& t) { return LatchingCommand(t, 1); }, Cell::Latching1, "Latch"},
      {"RU6310 on", kTypeZ40, [](auto& t) { return Ru6310Command(t); }, Cell::Ru6310, "FM"},
      {"KUW level", kTypeZ5, [](auto& t) { return CorrectionFactorCommand(t, false, FactorKind::SetOne, ""); },
       Cell::Kuw, "10000"},
      {"KUR as in graduation", kTypeZ5,
       [](auto& t) { return CorrectionFactorCommand(t, true, FactorKind::AsInGraduation, ""); }, Cell::Kur, "10000"},
  };
  for (const Reaction& c : cases) {
    SCOPED_TRACE(c.what);
    CSimDetector d = Make(c.type);
    Apply(d, c.command(TargetOf(d)));
    EXPECT_EQ(CellText(d, c.cell), c.shown);
  }
}

TEST(SimCommandReactions, SwitchesTogglesAndOneShots) {
  {
    SCOPED_TRACE("RU6310 switches off with its code");
    CSimDetector d = Make(kTypeZ40);
    Apply(d, Ru6310Command(TargetOf(d)));
    Apply(d, Ru6310Command(TargetOf(d)));
    EXPECT_EQ(CellText(d, Cell::Ru6310), "Non-FM");
  }
  {
    SCOPED_TRACE("relay test on and off; Z40 forced relays");
    CSimDetector z = Make(kTypeZ);
    Apply(z, RelayTestCommand(TargetOf(z), true, "+20"));
    EXPECT_EQ(RelayTestState(kTypeZ, z.Registers()), RelayTestBox::On);
    // 20 %LEL a second: limit 1 (10 %LEL) is passed within the first second.
    EXPECT_EQ(CellText(z, Cell::Relay1), "20");
    Apply(z, RelayTestCommand(TargetOf(z), false, ""));
    EXPECT_EQ(RelayTestState(kTypeZ, z.Registers()), RelayTestBox::Off);
    CSimDetector z40 = Make(kTypeZ40);
    Apply(z40, RelayTestCommand(TargetOf(z40), true, ""));
    EXPECT_EQ(StatusBits(z40.Registers()), 0u);  // every field forced off
    Apply(z40, RelayPictureCommand(TargetOf(z40), RelayPicture::Relay1, true));
    EXPECT_EQ(StatusBits(z40.Registers()), reg::kStatusLimit1);
    Apply(z40, RelayPictureCommand(TargetOf(z40), RelayPicture::Relay1, false));
    EXPECT_EQ(StatusBits(z40.Registers()), reg::kStatusServiceable);
  }
  {
    SCOPED_TRACE("address and baud move");
    CSimDetector d = Make(kTypeZ5);
    Apply(d, AssignAddressCommand(TargetOf(d), "40", "19200"));
    EXPECT_EQ(d.Address(), 40);
    EXPECT_EQ(BaudOfCode(d.BaudCode()), 19200);
  }
  {
    SCOPED_TRACE("Z5 one-shots and factory defaults");
    CSimDetector d = Make(kTypeZ5);
    Apply(d, SwitchToHartCommand(TargetOf(d)));
    EXPECT_EQ(d.Register(reg::z5::kSwitchToHart), 1);
    Apply(d, GradRecalcCommand(TargetOf(d)));
    EXPECT_EQ(CellText(d, Cell::BadGraduation), "---");
    Apply(d, LimitCommand(TargetOf(d), 1, "50"));
    Apply(d, FactoryDefaultsCommand(TargetOf(d), CalibrationReset::Propane));
    EXPECT_EQ(CellText(d, Cell::Gas), "Propane");
    EXPECT_EQ(CellText(d, Cell::Limit1), "10");
    CSimDetector z = Make(kTypeZ);
    Apply(z, LimitCommand(TargetOf(z), 1, "50"));
    Apply(z, FactoryDefaultsCommand(TargetOf(z)));
    EXPECT_EQ(CellText(z, Cell::Limit1), "10");
  }
  {
    SCOPED_TRACE("password to every detector");
    CSimDetector d = Make(kTypeZ5);
    const CommandOutcome out = PasswordCommand("6847", {d.Address()}, kEnglish);
    Apply(d, out);
    EXPECT_TRUE(d.PasswordAccepted());
  }
  {
    SCOPED_TRACE("KVELT emitter power moves the computed power");
    CSimDetector k = Make(kTypeKvelt);
    const double before = KveltEmitterPower(k.Register(56), k.Register(57));
    CommandTarget t = TargetOf(k);
    CommandOutcome out;
    out.writes.push_back({t.slave, 55, 2548});
    Apply(k, out);
    EXPECT_GT(KveltEmitterPower(k.Register(56), k.Register(57)), before + 0.05);
  }
}

TEST(SimCommandReactions, TypeGuessRecognisesEveryLayout) {
  for (int type = 0; type < kDetectorTypeCount; ++type) {
    SCOPED_TRACE(type);
    for (std::uint8_t address : {std::uint8_t(3), std::uint8_t(4)}) {
      const CSimDetector d = Make(type, address);
      EXPECT_EQ(GuessDetectorType(d.Registers()), type);
    }
  }
  RegisterImage blank{};
  EXPECT_EQ(GuessDetectorType(blank), -1);
}

}  // namespace
}  // namespace kvl
