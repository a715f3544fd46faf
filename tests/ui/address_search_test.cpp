// The address search through the window, against simulated detectors at
// scattered addresses.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>

#include "detector/poll_sets.h"
#include "main_window_fixture.h"
#include "text/selector_lists.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::RunUntil;
using test::Settle;
using test::WindowRun;

TEST(AddressSearch, FillsRowsInAnswerOrderLocksTheLineAndEndsAtTwentyFound) {
  WindowRun run;
  run.Open(kTypeZ, 1);
  ASSERT_TRUE(run.WaitForRows(1));
  // Twenty detectors at every other address from 2: the probe meets them in
  // address order, and each takes the next free row.
  run.Bus().RemoveDetector(1);
  for (int a = 2; a <= 40; a += 2) ASSERT_TRUE(run.Bus().AddDetector(DefaultSimSetup(kTypeZ, std::uint8_t(a))));

  auto* search = run.Control<QPushButton>(id::kSearch);
  search->click();
  Settle();
  EXPECT_TRUE(run.window->Table().Searching());
  EXPECT_EQ(search->text(), QString::fromUtf8(kSearchButton[1](run.window->Language())));
  EXPECT_FALSE(run.Control(id::kTypeSelector)->isEnabled());
  EXPECT_FALSE(run.Control(id::kModeSelector)->isEnabled());
  EXPECT_FALSE(run.Control(id::Port(0))->isEnabled());
  EXPECT_FALSE(run.Control(CellId(Column::ModbusNumber, 0))->isEnabled());
  EXPECT_TRUE(search->isEnabled());

  ASSERT_TRUE(RunUntil([&] { return !run.window->Table().Searching(); }, 60000));
  const std::vector<std::uint8_t>& list = run.window->Table().AddressList();
  ASSERT_EQ(list.size(), 20u);
  for (int s = 0; s < 20; ++s) EXPECT_EQ(list[size_t(s)], 2 + 2 * s) << "row " << s;
  EXPECT_EQ(search->text(), QString::fromUtf8(kSearchButton[0](run.window->Language())));
  EXPECT_TRUE(run.Control(id::kTypeSelector)->isEnabled());
  EXPECT_TRUE(run.Control(CellId(Column::ModbusNumber, 0))->isEnabled());
  // The type's own poll set again: every row gets its full row back.
  EXPECT_TRUE(RunUntil([&] { return run.window->Table().PollSetEcho() == PollSetFor(kTypeZ, run.window->Mode()); }));
  EXPECT_TRUE(run.WaitForRows(20));

  // "Stop" ends a search at once with the rows found so far.
  search->click();
  ASSERT_TRUE(RunUntil([&] { return run.window->Table().FoundCount() >= 2; }, 20000));
  search->click();
  EXPECT_FALSE(run.window->Table().Searching());
  EXPECT_LE(run.window->Table().AddressList().size(), 20u);
  EXPECT_EQ(run.window->Table().AddressList()[0], 2);
}

TEST(AddressSearch, ProbesAddressOneFirstAndTheConfigurationKeepsWhatItFound) {
  WindowRun run;
  run.Open(kTypeZ, 8);
  ASSERT_TRUE(run.WaitForRows(8));
  run.Control<QPushButton>(id::kSearch)->click();
  // The probe meets address 1 first: the rows fill in address order.
  ASSERT_TRUE(RunUntil([&] { return run.window->Table().FoundCount() >= 8; }, 30000));
  run.Control<QPushButton>(id::kSearch)->click();
  EXPECT_EQ(run.window->Table().AddressList(), DemoAddresses(8));
  run.exitAnswer = kIdYes;
  ASSERT_TRUE(run.window->OnCancel());
  EXPECT_NE(test::ReadAll(run.ConfigPath()).find("8\r\n1\n2\n3\n4\n5\n6\n7\n8\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kvl
