// Pictures of the window in every mode, for a reviewer to look at: written
// to <build>/screenshots/, never compared with anything stored.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QTest>

#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "main_window_fixture.h"
#include "ui/main_window/graph_panel.h"
#include "ui/main_window/main_controls.h"
#include "ui/main_window/traffic_window.h"

namespace kvl {
namespace {

using test::RunUntil;
using test::Settle;

QString ScreenshotFolder() {
  const QString dir = QString::fromUtf8(KVL_BUILD_DIR_PATH) + QStringLiteral("/screenshots");
  QDir().mkpath(dir);
  return dir;
}

void Save(QWidget* window, const QString& name) {
  Settle();
  const QString path = ScreenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
  EXPECT_TRUE(window->grab().save(path)) << path.toStdString();
}

TEST(MainWindowScreenshots, EveryModeAsPlacedOnA1920x1200Screen) {
  struct Shot {
    int type;
    int mode;
    LanguageIndex language;
    const char* name;
  };
  const Shot shots[] = {
      {kTypeZ5, kModeTuning, kEnglish, "mode0_tuning_z5"},
      {kTypeZ40, kModeTuning, kEnglish, "mode0_tuning_z40"},
      {kTypeKvelt, kModeTuning, kEnglish, "mode0_tuning_kvelt"},
      {kTypeZ5, kModeCalibration, kEnglish, "mode1_calibration_z5"},
      {kTypeZ5, kModeGraduation, kEnglish, "mode2_graduation_z5"},
      {kTypeZ5, kModeGraduationZ5, kEnglish, "mode3_graduation_z5_z5"},
      {kTypeZ, kModeRunningIn, kEnglish, "mode4_running_in_z"},
      {kTypeZ5, kModeSaveSettings, kEnglish, "mode5_save_settings_z5"},
      {kTypeZ, kModeImitation, kEnglish, "mode6_imitation_z"},  // Z5 has no imitation
      {kTypeZ5, kModeTuning, kRussian, "mode0_tuning_z5_ru"},
      {kTypeZ5, kModeCalibration, kRussian, "mode1_calibration_z5_ru"},
  };
  test::WindowRun run;
  run.Open(kTypeZ5, 20, true, {}, QRect(0, 0, 1920, 1200));
  for (const Shot& shot : shots) {
    run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(shot.language);
    run.Control<QComboBox>(id::kTypeSelector)->setCurrentIndex(shot.type);
    run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(shot.mode);
    // The demo replaces its detectors by the new type, and a mode reads its
    // own registers; rows keep older words until polled again. Wait until
    // every row shows the detector now at its address, then for a whole
    // cycle of good answers in the new poll set.
    auto repolled = [&] {
      for (int s = 0; s < 20; ++s) {
        const SlotState& slot = run.window->Table().Slot(s);
        const auto sim = run.Bus().Detector(slot.address);
        if (!slot.HasDetector() || !sim || sim->type != shot.type ||
            SerialNumber(shot.type, slot.image) != (HasSerial32(shot.type, slot.image) ? sim->serial : sim->serial & 0xFFFF))
          return false;
      }
      return true;
    };
    // In "Imitation" nothing is polled: the rows are the imitated detectors at once.
    if (shot.mode != kModeImitation) {
      ASSERT_TRUE(RunUntil(repolled, 20000)) << shot.name;
      const std::uint64_t good = run.window->Table().Counters()[0];
      const std::uint64_t cycle = 20 * PollSetRequests(PollSetFor(shot.type, shot.mode)).size();
      ASSERT_TRUE(RunUntil([&] { return run.window->Table().Counters()[0] >= good + cycle; }, 20000)) << shot.name;
    }
    run.window->Place();  // the size the program would start with in this state
    Save(run.window.get(), QString::fromLatin1(shot.name));
  }
}

// The graph below the table with a few series of the demo bus selected,
// against the sample number and against temperature.
TEST(MainWindowScreenshots, GraphInBothViews) {
  test::WindowRun run;
  run.Open(kTypeZ5, 6, true, {}, QRect(0, 0, 1920, 1200));
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  ASSERT_TRUE(run.WaitForRows(6));
  const std::pair<Column, int> chosen[] = {{Column::W, 0}, {Column::W, 1}, {Column::R, 0},
                                           {Column::R, 1}, {Column::W, 4}, {Column::R, 5}};
  for (const auto& [column, row] : chosen) {
    QWidget* cell = run.Control(CellId(column, row));
    ASSERT_TRUE(cell && cell->isVisible()) << int(column) << " " << row;
    QTest::mouseClick(cell, Qt::LeftButton);
  }
  // A warming chamber, at a quicker model time, gives the f(T) view a span of temperatures.
  run.Bus().SetTimeScale(40);
  run.Bus().SetChamberTemperature(60);
  const std::size_t start = run.window->Table().Slot(5).history.Size();
  ASSERT_TRUE(RunUntil([&] { return run.window->Table().Slot(5).history.Size() >= start + 30; }, 60000));
  Save(run.window.get(), QStringLiteral("graph_fN"));
  QTest::mouseClick(run.Control(id::kFOfT), Qt::LeftButton);
  ASSERT_EQ(run.window->GraphPanel().Settings().view, kGraphViewOfT);
  Save(run.window.get(), QStringLiteral("graph_fT"));
}

// The traffic window over the demo bus, two of its detectors failing in
// different ways, so that the figures show latency and failures by kind.
TEST(MainWindowScreenshots, TrafficWindow) {
  test::WindowRun run;
  run.Open(kTypeZ5, 6, true, {}, QRect(0, 0, 1920, 1200));
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  ASSERT_TRUE(run.WaitForRows(6));
  run.window->OpenTrafficWindow();
  CTrafficWindow* traffic = run.window->TrafficWindow();
  ASSERT_TRUE(traffic);
  traffic->resize(1400, 760);
  run.Bus().SetFault(4, {SimFaultKind::Crc, 0});
  run.Bus().SetFault(5, {SimFaultKind::Exception, 2});
  run.Bus().SetFault(6, {SimFaultKind::Silent, 0});
  QTest::qWait(4000);
  traffic->Refresh();
  Save(traffic, QStringLiteral("traffic_window"));
}

}  // namespace
}  // namespace kvl
