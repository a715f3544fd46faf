// When commands are offered, what they ask, KVELT emitter tuning and the
// address list edits of the "Modbus #" dialog.
#include "commands/command_catalog.h"

#include <gtest/gtest.h>

#include "commands/emitter_tuning.h"
#include "detector/register_map.h"

namespace kvl {
namespace {

CommandContext Ctx(int type, int mode, bool detector = true) {
  CommandContext c;
  c.type = type;
  c.mode = mode;
  c.rowInList = true;
  c.rowHasDetector = detector;
  c.lineOpen = true;
  return c;
}

TEST(CommandCatalog, AvailabilityByModeTypeRowAndBlocks) {
  using enum CommandId;
  struct Case {
    const char* what;
    CommandId id;
    CommandContext c;
    bool available;
  };
  CommandContext writing = Ctx(kTypeZ5, kModeTuning);
  writing.tableWriting = true;
  CommandContext outside = Ctx(kTypeZ, kModeTuning);
  outside.rowInList = false;
  CommandContext searching = Ctx(kTypeZ, kModeTuning);
  searching.searching = true;
  CommandContext closed = Ctx(kTypeZ, kModeTuning);
  closed.lineOpen = false;
  CommandContext testOn = Ctx(kTypeZ5, kModeTuning);
  testOn.relayTestOn = true;
  const Case cases[] = {
      {"set 0 in tuning", SetZero, Ctx(kTypeZ, kModeTuning), true},
      {"set 0 in graduation", SetZero, Ctx(kTypeZ, kModeGraduation), false},
      {"set 0 without detector", SetZero, Ctx(kTypeZ, kModeTuning, false), false},
      {"limit in imitation without detector", Limit1, Ctx(kTypeZ, kModeImitation, false), true},
      {"limit in tuning", Limit1, Ctx(kTypeZ, kModeTuning), false},
      {"LEL_CONC on KVELT", LelConc, Ctx(kTypeKvelt, kModeTuning), false},
      {"LEL_CONC on Z5", LelConc, Ctx(kTypeZ5, kModeTuning), true},
      {"HART on Z5", SwitchToHart, Ctx(kTypeZ5, kModeTuning), true},
      {"HART on Z", SwitchToHart, Ctx(kTypeZ, kModeTuning), false},
      {"magnetic on KVELT", MagneticCalibration, Ctx(kTypeKvelt, kModeCalibration), false},
      {"emitter power in graduation-Z5", EmitterPower, Ctx(kTypeZ5, kModeGraduationZ5), true},
      {"emitter power in graduation", EmitterPower, Ctx(kTypeZ5, kModeGraduation), false},
      {"emitter power while writing", EmitterPower, writing, false},
      {"serial in calibration", Serial, Ctx(kTypeZ, kModeCalibration), false},
      {"serial in imitation without detector", Serial, Ctx(kTypeZ, kModeImitation, false), true},
      {"gas without detector", Gas, Ctx(kTypeZ, kModeRunningIn, false), false},
      {"gas in running-in", Gas, Ctx(kTypeZ, kModeRunningIn), true},
      {"zeroing on Z40", ZeroingNegative, Ctx(kTypeZ40, kModeTuning), false},
      {"show negative on Z", ShowNegative, Ctx(kTypeZ, kModeTuning), false},
      {"latching on Z5", Latching1, Ctx(kTypeZ5, kModeTuning), true},
      {"latching on Z5 with relay test on", Latching1, testOn, false},
      {"latching on Z", Latching2, Ctx(kTypeZ, kModeTuning), false},
      {"RU6310 on Z40", Ru6310, Ctx(kTypeZ40, kModeTuning), true},
      {"relay picture in imitation", RelayPicture, Ctx(kTypeZ, kModeImitation, false), true},
      {"relay picture Z in tuning", RelayPicture, Ctx(kTypeZ, kModeTuning), false},
      {"KUW in tuning", WorkingFactor, Ctx(kTypeZ, kModeTuning), true},
      {"KUR in graduation", ReferenceFactor, Ctx(kTypeZ5, kModeGraduation), false},
      {"row outside the list", SetZero, outside, false},
      {"Modbus # during a search", ModbusAddress, searching, false},
      {"Modbus # while writing", ModbusAddress, writing, false},
      {"Modbus # on a row without detector", ModbusAddress, Ctx(kTypeZ, kModeGraduation, false), true},
      {"search on a closed line", AddressSearch, closed, false},
      {"password on an open line", Password, outside, true},
      {"password in imitation", Password, Ctx(kTypeZ, kModeImitation), false},
      {"search in imitation", AddressSearch, Ctx(kTypeZ, kModeImitation), false},
  };
  for (const Case& c : cases) EXPECT_EQ(CommandAvailable(c.id, c.c), c.available) << c.what;
}

TEST(CommandCatalog, SettingsButtonsByModeTypeRowAndBlocks) {
  using C = Column;
  struct Case {
    const char* what;
    Column column;
    CommandContext c;
    bool available;
  };
  CommandContext writing = Ctx(kTypeZ5, kModeSaveSettings);
  writing.tableWriting = true;
  CommandContext outside = Ctx(kTypeKvelt, kModeSaveSettings);
  outside.rowInList = false;
  const Case cases[] = {
      {"save KVELT", C::SettToFile, Ctx(kTypeKvelt, kModeSaveSettings), true},
      {"write Z5", C::SettFromFile, Ctx(kTypeZ5, kModeSaveSettings), true},
      {"compare Z5", C::CompareSett, Ctx(kTypeZ5, kModeSaveSettings), true},
      {"compare KVELT", C::CompareSett, Ctx(kTypeKvelt, kModeSaveSettings), false},
      {"save Z", C::SettToFile, Ctx(kTypeZ, kModeSaveSettings), false},
      {"write Z40", C::SettFromFile, Ctx(kTypeZ40, kModeSaveSettings), false},
      {"save in tuning", C::SettToFile, Ctx(kTypeZ5, kModeTuning), false},
      {"write without detector", C::SettFromFile, Ctx(kTypeZ5, kModeSaveSettings, false), false},
      {"row outside the list", C::SettToFile, outside, false},
      {"compare while a file is processed", C::CompareSett, writing, false},
      {"not a settings column", C::Limit1, Ctx(kTypeZ5, kModeSaveSettings), false},
  };
  for (const Case& c : cases) EXPECT_EQ(SettingsButtonAvailable(c.column, c.c), c.available) << c.what;
}

TEST(CommandCatalog, PromptsByCommandTypeAndLanguage) {
  EXPECT_EQ(CommandPrompt(CommandId::Limit1, kTypeZ, kEnglish), "Enter new Limit 1 value  (1-100  LEL%):");
  EXPECT_EQ(CommandPrompt(CommandId::Limit2, kTypeZ, kRussian), "Введите новое значение 2 порога  (1-100 %НКПР):");
  EXPECT_EQ(CommandPrompt(CommandId::LelConc, kTypeZ5, kEnglish), "Enter new LEL value (0.001-65.535 %vol.):");
  EXPECT_EQ(CommandPrompt(CommandId::LelConc, kTypeZ40, kEnglish), "Enter new LEL value (0.01-655.35 %vol.):");
  EXPECT_EQ(CommandPrompt(CommandId::ModbusAddress, kTypeZ, kSpanish), "");
  EXPECT_EQ(CommandPrompt(CommandId::EmitterPower, kTypeKvelt, kEnglish), "");
  EXPECT_EQ(CommandPrompt(CommandId::FactoryDefaults, kTypeZ5, kEnglish), "Calibration reset");
  EXPECT_EQ(CommandPrompt(CommandId::Password, kTypeZ, kEnglish), "Enter password");
  const auto buttons = CalibrationResetButtons(kEnglish);
  EXPECT_EQ(buttons[0], "Graduation and CALCONC1,2");
  EXPECT_EQ(buttons[3], "Cancel");
  for (int i = 0; i < kCommandCount; ++i) EXPECT_EQ(CommandFromKey(CommandKey(CommandId(i))), CommandId(i));
  EXPECT_FALSE(CommandFromKey("nonsense"));
}

TEST(EmitterTuning, SlopeQuestionAndMemory) {
  CommandTarget row;
  row.type = kTypeKvelt;
  row.slave = 3;
  EmitterTuningMemory m;
  // First tuning with the target at the present power writes the coefficient again.
  EmitterTuningStep s = ComputeEmitterTuning(m, 1.0, 2000, 1.0, kEnglish);
  EXPECT_FALSE(m.firstTuning);
  EXPECT_EQ(s.k1, 2000);
  EXPECT_TRUE(s.question.empty());
  CommandOutcome out = CommitEmitterTuning(m, row, s);
  EXPECT_EQ(out.writes, (std::vector<RegisterWrite>{{3, 55, 2000}}));
  EXPECT_EQ(m.k0, 2000);
  EXPECT_DOUBLE_EQ(m.P0, 1.0);
  // Same coefficient again: the default slope, 0.1 W above -> about 653 steps up.
  s = ComputeEmitterTuning(m, 1.0, 2000, 1.1, kEnglish);
  EXPECT_EQ(s.k1, 2653);
  // A measured slope of 0.0002 per step from the last tuning.
  s = ComputeEmitterTuning(m, 1.1, 2500, 1.2, kEnglish);
  EXPECT_NEAR(s.slope, 0.1 / 500, 1e-12);
  EXPECT_EQ(s.k1, 3000);
  // A falling slope is not believed: the least slope instead.
  s = ComputeEmitterTuning(m, 0.9, 2500, 0.91, kEnglish);
  EXPECT_DOUBLE_EQ(s.slope, kEmitterMinSlope);
  EXPECT_EQ(s.k1, 2700);
  // Past the ends: held there, with the question.
  s = ComputeEmitterTuning(m, 1.0, 2000, -5, kEnglish);
  EXPECT_EQ(s.k1, 0);
  EXPECT_EQ(s.question, "Transmitter power tuning:\nthe minimum coefficient = 0 will be recorded  ");
  s = ComputeEmitterTuning(m, 1.0, 2000, 5, kEnglish);
  EXPECT_EQ(s.k1, 4095);
  EXPECT_EQ(s.question, "Transmitter power tuning:\nthe maximum coefficient = 4095 will be recorded  ");
}

// A table with detectors at addresses 10, 11, 12 in rows 0..2.
CDetectorTable ThreeRows() {
  CDetectorTable t;
  t.SetLanguage(kEnglish);
  t.SetAddressList({10, 11, 12});
  for (int s = 0; s < 3; ++s) {
    SlotState& st = t.MutableSlot(s);
    st.address = 10 + s;
    st.image[reg::SER_NUM] = std::uint16_t(100 + s);
    st.image[reg::kStatus] = std::uint16_t(((s + 1) << 8) | 1);  // methane, propane, hexane
    t.RefreshRow(s, true);  // polled once
  }
  return t;
}

TEST(AddressListEdits, RemoveRowsAndNewEntries) {
  {
    SCOPED_TRACE("remove row 0: every row moves up");
    CDetectorTable t = ThreeRows();
    t.MutableSlot(1).history.Append({});  // each history comes up with its row
    const auto e = t.PollNumber(0, "  ");
    ASSERT_TRUE(e);
    EXPECT_EQ(t.Slot(0).history.Size() + t.Slot(1).history.Size() + t.Slot(2).history.Size(), 3u);
    EXPECT_EQ(e->addressList, (std::vector<std::uint8_t>{11, 12}));
    EXPECT_EQ(e->position, -1);
    EXPECT_EQ(e->rows.size(), 3u);
    EXPECT_EQ(t.Slot(0).address, 11);
    EXPECT_EQ(t.Slot(0).image[reg::SER_NUM], 101);
    EXPECT_EQ(t.Slot(1).values.gasNameText, "Hexane");
    EXPECT_EQ(t.Slot(2).address, -1);
    EXPECT_TRUE(e->rows[2].emptied);
  }
  {
    SCOPED_TRACE("remove the last row: the others stay");
    CDetectorTable t = ThreeRows();
    const auto e = t.PollNumber(2, "");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->addressList, (std::vector<std::uint8_t>{10, 11}));
    EXPECT_EQ(e->position, 1);
    EXPECT_EQ(t.Slot(0).address, 10);
    EXPECT_EQ(t.Slot(1).image[reg::SER_NUM], 101);
    EXPECT_EQ(t.Slot(2).address, -1);
  }
  {
    SCOPED_TRACE("a new number empties the row and polls it next");
    CDetectorTable t = ThreeRows();
    t.MutableSlot(1).history.Append({});
    const auto e = t.PollNumber(1, " 40 ");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->addressList, (std::vector<std::uint8_t>{10, 40, 12}));
    EXPECT_EQ(e->position, 0);
    EXPECT_TRUE(e->handToLink);
    EXPECT_EQ(t.Slot(1).address, -1);
    EXPECT_EQ(t.Slot(1).values.gasNameText, "");
    EXPECT_EQ(t.Slot(1).history.Size(), 0u);
    EXPECT_EQ(e->rows.at(0).cells[std::size_t(Column::ModbusNumber)].text, "40");
  }
  {
    SCOPED_TRACE("numbers outside 1..247 and rows outside the list change nothing");
    CDetectorTable t = ThreeRows();
    EXPECT_FALSE(t.PollNumber(1, "248"));
    EXPECT_FALSE(t.PollNumber(1, "x"));
    EXPECT_FALSE(t.PollNumber(3, "5"));
    EXPECT_EQ(t.AddressList(), (std::vector<std::uint8_t>{10, 11, 12}));
    EXPECT_EQ(t.Slot(1).address, 11);
  }
  {
    SCOPED_TRACE("imitation keeps the row's image and does not tell the link");
    CDetectorTable t = ThreeRows();
    t.SetMode(kModeImitation);
    const auto e = t.SetRowAddress(0, 99);
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->handToLink);
    EXPECT_EQ(t.Slot(0).address, 10);
    EXPECT_EQ(t.AddressList()[0], 99);
  }
  {
    SCOPED_TRACE("the row's command target");
    CDetectorTable t = ThreeRows();
    t.SetType(kTypeZ40);
    const auto target = TargetOfRow(t, 2);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->slave, 12);
    EXPECT_EQ(target->type, kTypeZ40);
    EXPECT_EQ(target->image[reg::SER_NUM], 102);
    EXPECT_FALSE(TargetOfRow(t, 3));
    t.MutableSlot(1).address = -1;
    EXPECT_EQ(PasswordSlaves(t), (std::vector<std::uint8_t>{10, 12}));
  }
}

}  // namespace
}  // namespace kvl
