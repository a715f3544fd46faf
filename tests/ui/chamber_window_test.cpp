// The "T=" field on the demo's chamber, and the demo's valves on the detector line.
#include <gtest/gtest.h>

#include "main_window_fixture.h"
#include "text/chamber_texts.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

TEST(ChamberWindow, TemperatureFieldFollowsTheDemoChamberAndTellsItsSilence) {
  test::WindowRun run;
  run.Open(kTypeZ5, 2);
  run.Bus().SetTimeScale(600);
  auto* measured = run.Control<CColorStaticST>(id::TemperatureValue(0));
  auto* setPoint = run.Control<CColorStaticST>(id::TemperatureValue(1));
  ASSERT_TRUE(run.window->Chamber().IsOpen());
  // Idle, the demo chamber reports the air of the demo's world as its set point.
  EXPECT_TRUE(test::RunUntil([&] { return setPoint->text() == QStringLiteral("→ 20.0"); }, 8000))
      << setPoint->text().toStdString();

  EXPECT_FALSE(run.window->Chamber().SetPoint(150));  // outside the demo profile's range
  ASSERT_TRUE(run.window->Chamber().SetPoint(40));
  EXPECT_TRUE(test::RunUntil([&] { return setPoint->text() == QStringLiteral("→ 40.0") && measured->text().toDouble() > 39.4; },
                             15000))
      << measured->text().toStdString() << " " << setPoint->text().toStdString();

  run.window->DemoBus()->Chamber()->SetAnswering(false);
  EXPECT_TRUE(test::RunUntil([&] { return measured->text() == QStringLiteral("—"); }, 8000));
  EXPECT_EQ(setPoint->text().toStdString(), txt::kChamberNoAnswer(run.window->Language()));
  run.window->DemoBus()->Chamber()->SetAnswering(true);
  EXPECT_TRUE(test::RunUntil([&] { return measured->text() != QStringLiteral("—"); }, 8000));

  // The valves sit on the detector line, served between polls.
  run.window->Valves().Open(GasValve::kHigh);
  EXPECT_TRUE(test::RunUntil([&] { return run.window->DemoBus()->Valves()->Mixture() == 2; }, 5000));
}

TEST(ChamberWindow, Line2AsksForAProfileKeepsItAndTellsAPortThatDoesNotOpen) {
  test::WindowRun run;
  run.Open(kTypeZ5, 0);  // no demo: line 2 is the configured port
  auto* open = run.Control<QCheckBox>(id::LineOpen(1));
  EXPECT_FALSE(open->isChecked());  // no profile chosen yet
  open->setChecked(true);            // the file dialog is cancelled
  EXPECT_FALSE(open->isChecked());
  EXPECT_FALSE(run.window->Chamber().IsOpen());

  run.fileChoice = {KVL_SOURCE_DIR_PATH "/profiles/demo-ascii.chamber"};
  open->setChecked(true);
  ASSERT_TRUE(run.window->Chamber().IsOpen());
  EXPECT_EQ(run.window->Settings().chamberProfile, run.fileChoice[0]);
  auto* setPoint = run.Control<CColorStaticST>(id::TemperatureValue(1));
  // Port "2" is /dev/ttyS1, no serial device here.
  EXPECT_TRUE(test::RunUntil([&] { return setPoint->toolTip().contains(QStringLiteral("ttyS1")); }, 5000))
      << setPoint->toolTip().toStdString();
  EXPECT_EQ(run.Control<CColorStaticST>(id::TemperatureValue(0))->text(), QStringLiteral("—"));
  open->setChecked(false);
  EXPECT_FALSE(run.window->Chamber().IsOpen());
  EXPECT_EQ(setPoint->text(), QStringLiteral("-"));
}

}  // namespace
}  // namespace kvl
