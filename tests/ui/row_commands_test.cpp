// Per-detector commands through the window against simulated detectors: the
// operator's dialogs are answered by the script, the writes go over the
// pseudo-terminal, and the row shows what the detector then reports.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "commands/command_rules.h"
#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "main_window_fixture.h"
#include "text/flow_texts.h"
#include "text/gas_tables.h"
#include "text/message_texts.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::DialogAnswer;
using test::RunUntil;
using test::Settle;
using test::WindowRun;

void ClickButton(WindowRun& run, Column column, int row) { run.Control<QPushButton>(CellId(column, row))->click(); }

void RightClick(WindowRun& run, Column column, int row) {
  QTest::mouseClick(run.Control(CellId(column, row)), Qt::RightButton);
  Settle();
}

bool CellBecomes(WindowRun& run, Column column, int row, const QString& text, int timeoutMs = 8000) {
  return RunUntil([&] { return run.CellText(column, row) == text; }, timeoutMs);
}

std::uint16_t SimRegister(WindowRun& run, int address, int reg) {
  const auto image = run.Bus().Registers(address);
  return image ? (*image)[size_t(reg)] : 0xFFFF;
}

TEST(RowCommands, ChangeTheSimulatedDetectorAndTheRowShowsIt) {
  WindowRun run;
  run.Open(kTypeZ5, 2);
  ASSERT_TRUE(run.WaitForRows(2));
  auto chooseMode = [&](int mode) {
    run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(mode);
    ASSERT_TRUE(RunUntil([&] { return run.window->Table().PollSetEcho() == PollSetFor(kTypeZ5, mode); }, 8000));
    ASSERT_TRUE(run.WaitForRows(2));
  };
  auto lastDialog = [&] { return run.dialogsOpened.empty() ? std::string() : run.dialogsOpened.back(); };
  chooseMode(kModeCalibration);

  // A value dialog: limit 1 of row 0.
  run.dialogAnswers.push_back({{{1015, QStringLiteral("35")}}, {}, {}, 1});
  ClickButton(run, Column::Limit1, 0);
  EXPECT_EQ(lastDialog(), "kvl::CEnterLimit");
  EXPECT_TRUE(CellBecomes(run, Column::Limit1, 0, QStringLiteral("35")));

  // A refused answer shows its message and writes nothing.
  run.op.ClearShown();
  run.dialogAnswers.push_back({{{1015, QStringLiteral("101")}}, {}, {}, 1});
  ClickButton(run, Column::Limit1, 0);
  ASSERT_EQ(run.op.Shown().size(), 1u);
  EXPECT_EQ(run.op.Shown()[0].text, txt::kIllegalValue(run.window->Language()));
  Settle();
  EXPECT_EQ(run.CellText(Column::Limit1, 0), QStringLiteral("35"));

  chooseMode(kModeTuning);
  // A write list: the gas of row 1 (Z5 writes the code, then its LEL).
  const int gas = 2;
  CommandTarget z5;
  z5.type = kTypeZ5;
  const std::uint16_t lel = GasCommand(z5, gas).writes.at(1).value;  // the LEL the rules give that gas
  run.dialogAnswers.push_back({{}, {{1006, gas}}, {}, 1001});
  RightClick(run, Column::Gas, 1);
  EXPECT_EQ(lastDialog(), "kvl::CEnterGasName");
  EXPECT_TRUE(RunUntil([&] { return run.Bus().Detector(2)->gasCode == gas + 1 && SimRegister(run, 2, 22) == lel; }));
  EXPECT_EQ(run.window->Settings().gasDialogPosition, gas);

  // A 32-bit serial number: low word, then high word.
  run.dialogAnswers.push_back({{{1015, QStringLiteral("70000")}}, {}, {}, 1001});
  RightClick(run, Column::Serial, 0);
  EXPECT_TRUE(CellBecomes(run, Column::Serial, 0, QStringLiteral("70000")));

  // The relay test on, then off again.
  auto* box = run.Control<QCheckBox>(CellId(Column::RelayTest, 0));
  box->click();
  EXPECT_TRUE(RunUntil([&] { return RelayTestState(kTypeZ5, *run.Bus().Registers(1)) == RelayTestBox::On; }));
  EXPECT_EQ(box->checkState(), Qt::Checked);
  box->click();
  EXPECT_TRUE(RunUntil([&] { return RelayTestState(kTypeZ5, *run.Bus().Registers(1)) == RelayTestBox::Off; }));

  // A one-shot command.
  ClickButton(run, Column::SwitchToHart, 1);
  EXPECT_TRUE(RunUntil([&] { return SimRegister(run, 2, 37) == 1; }));

  // Address and baud rate: the detector of row 1 moves to 7, and the row follows it.
  const QString serial = run.CellText(Column::Serial, 1);
  run.dialogAnswers.push_back({{{1015, QStringLiteral("7")}}, {{1004, 3}}, {}, 1001});
  ClickButton(run, Column::ModbusNumber, 1);
  EXPECT_EQ(lastDialog(), "kvl::CEnterSlaveNumber");
  EXPECT_TRUE(RunUntil([&] { return run.Bus().Detector(7).has_value(); }));
  EXPECT_EQ(run.window->Table().AddressList(), (std::vector<std::uint8_t>{1, 7}));
  EXPECT_TRUE(CellBecomes(run, Column::Serial, 1, serial));
  EXPECT_EQ(run.CellText(Column::ModbusNumber, 1), QStringLiteral("7"));

  // "Poll number" with an empty field removes row 0: row 1 moves up.
  run.dialogAnswers.push_back({{{1015, QString()}}, {}, {}, 1000});
  ClickButton(run, Column::ModbusNumber, 0);
  EXPECT_EQ(run.window->Table().AddressList(), (std::vector<std::uint8_t>{7}));
  EXPECT_TRUE(CellBecomes(run, Column::Serial, 0, serial));
  // The only row stays, and the operator is told why.
  run.dialogAnswers.push_back({{{1015, QString()}}, {}, {}, 1000});
  ClickButton(run, Column::ModbusNumber, 0);
  EXPECT_EQ(run.window->Table().AddressList(), (std::vector<std::uint8_t>{7}));
  EXPECT_EQ(run.op.Shown().back().text, txt::kLastRowStays(run.window->Language()));

  // The password goes to every detector in the list.
  run.dialogAnswers.push_back({{{1015, QString::number(kSimGraduationPassword)}}, {}, {}, 1});
  run.Control<QPushButton>(id::kEnterPassword)->click();
  EXPECT_TRUE(RunUntil([&] { return run.Bus().Detector(7)->passwordAccepted; }));
}

}  // namespace
}  // namespace kvl
