// The graph panel in the main window on the demo bus: value cells select
// series in their colours, new samples reach the painted panel, the five
// controls act (or wait, during a search), and the graduation calculation's
// files and fitted tables become series, breaks and the characteristic.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/grad_file_reader.h"
#include "main_window_fixture.h"
#include "sim/sim_run_data.h"
#include "ui/main_window/graph_panel.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::RunUntil;
using test::Settle;
using test::WindowRun;

CColorStaticST* ValueCell(const WindowRun& run, int slot, int quantity) {
  return run.Control<CColorStaticST>(CellId(Column(int(Column::Lel) + quantity), slot));
}

void Click(const WindowRun& run, int id) {
  QWidget* w = run.Control(id);
  ASSERT_NE(w, nullptr) << id;
  QTest::mouseClick(w, Qt::LeftButton);
}

std::size_t Samples(const WindowRun& run, int slot) { return run.window->Table().Slot(slot).history.Size(); }

// The last sample of each listed series is painted in its quantity's colour
// where the panel's own axes put it (or on a neighbouring pixel). The panel
// follows new samples a few times a second: the picture is looked at until it has caught up.
void ExpectLastSamplesPainted(const WindowRun& run, const std::vector<std::pair<int, int>>& series,
                              const std::string& where) {
  const CGraphPanel& panel = run.window->GraphPanel();
  std::string missing;
  auto painted = [&] {
    const QImage image = const_cast<CGraphPanel&>(panel).grab().toImage();
    const GraphAxes axes = panel.Axes();
    const CPixelMap map(panel.Plot(), axes.x, axes.y);
    const bool ofT = panel.Settings().view == kGraphViewOfT;
    missing.clear();
    for (const auto& [slot, q] : series) {
      const std::span<const float> values = run.window->GraphData().Samples(slot, q);
      const std::span<const float> t = run.window->GraphData().Samples(slot, kSeriesT);
      if (values.empty()) return false;
      const std::size_t i = values.size() - 1;
      const QPoint at(ofT ? map.X(t[i]) : map.X(double(i)), map.Y(values[i]));
      bool found = false;
      for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
          found = found || image.pixelColor(at + QPoint(dx, dy)) == CGraphPanel::QuantityColor(q);
      if (!found) missing += " slot " + std::to_string(slot) + " quantity " + std::to_string(q);
    }
    return missing.empty();
  };
  EXPECT_TRUE(RunUntil(painted, 5000)) << where << ":" << missing;
}

TEST(GraphWindow, ValueCellsSelectSeriesThePanelPaintsAndTheControlsAct) {
  WindowRun run;
  run.Open(kTypeZ5, 3);
  ASSERT_TRUE(run.WaitForRows(3));
  const CGraphPanel& panel = run.window->GraphPanel();
  QWidget* canvas = run.window->Canvas();
  EXPECT_EQ(panel.geometry(), CGraphPanel::PanelGeometry(canvas->width(), canvas->height(), run.window->GraphTop()));
  for (int control = id::kGradChar; control <= id::kFOfT; ++control) {
    QWidget* w = run.Control(control);
    EXPECT_EQ(canvas->childAt(w->geometry().center()), w) << control << " hidden by the panel";
  }

  // Clicks toggle; the cell takes the quantity's colour, black when cleared.
  const std::vector<std::pair<int, int>> chosen = {{0, kSeriesD}, {1, kSeriesW}, {2, kSeriesR}};
  Click(run, CellId(Column::D, 0));
  EXPECT_TRUE(panel.SeriesSelected(0, kSeriesD));
  Click(run, CellId(Column::D, 0));
  EXPECT_FALSE(panel.SeriesSelected(0, kSeriesD));
  EXPECT_EQ(ValueCell(run, 0, kSeriesD)->TextColor(), QColor(Qt::black));
  for (const auto& [slot, q] : chosen) Click(run, CellId(Column(int(Column::Lel) + q), slot));
  for (const auto& [slot, q] : chosen) {
    EXPECT_TRUE(panel.SeriesSelected(slot, q));
    EXPECT_EQ(ValueCell(run, slot, q)->TextColor(), CGraphPanel::QuantityColor(q));
  }

  // Samples keep arriving and reach the screen in both views.
  const std::size_t before = Samples(run, 2);
  ASSERT_TRUE(RunUntil([&] { return Samples(run, 2) >= before + 3; }, 8000));
  ExpectLastSamplesPainted(run, chosen, "f(N)");
  Click(run, id::kFOfT);
  EXPECT_EQ(panel.Settings().view, kGraphViewOfT);
  EXPECT_EQ(run.Control<CColorStaticST>(id::kFOfT)->TextColor(), QColor(Qt::black));
  EXPECT_EQ(run.Control<CColorStaticST>(id::kFOfN)->TextColor(), QColor(150, 150, 150));
  ExpectLastSamplesPainted(run, chosen, "f(T)");
  Click(run, id::kGrid);
  EXPECT_FALSE(panel.Settings().grid);
  EXPECT_EQ(run.Control<CColorStaticST>(id::kGrid)->TextColor(), QColor(150, 150, 150));

  // "Calibration" keeps the view.
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeCalibration);
  Settle();
  EXPECT_EQ(panel.Context().mode, kModeCalibration);
  Click(run, id::kFOfN);
  EXPECT_EQ(panel.Settings().view, kGraphViewOfT);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeTuning);
  Settle();
  Click(run, id::kFOfN);
  EXPECT_EQ(panel.Settings().view, kGraphViewOfN);

  // "Clear" empties every series; the selection stays.
  ASSERT_TRUE(RunUntil([&] { return Samples(run, 0) > 0; }, 8000));
  Click(run, id::kClear);
  for (int s = 0; s < 3; ++s) EXPECT_EQ(Samples(run, s), 0u) << s;
  EXPECT_TRUE(panel.SeriesSelected(0, kSeriesD));

  // An address search clears the selection and the cells' colours; meanwhile
  // the views and "Clear" wait.
  ASSERT_TRUE(RunUntil([&] { return Samples(run, 0) > 0; }, 8000));
  Click(run, id::kSearch);
  ASSERT_TRUE(run.window->Table().Searching());
  EXPECT_FALSE(panel.Settings().AnySelected());
  for (const auto& [slot, q] : chosen) EXPECT_EQ(ValueCell(run, slot, q)->TextColor(), QColor(Qt::black));
  const std::size_t kept = Samples(run, 0);
  Click(run, id::kClear);
  EXPECT_EQ(Samples(run, 0), kept);
  Click(run, id::kFOfT);
  EXPECT_EQ(panel.Settings().view, kGraphViewOfN);
  Click(run, id::kSearch);
  EXPECT_FALSE(run.window->Table().Searching());
}

TEST(GraphWindow, CalculationFilesBecomeSeriesWithBreaksAndTheirCharacteristic) {
  WindowRun run;
  run.Open(kTypeZ5, 1);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduation);
  ASSERT_TRUE(run.WaitForRows(1));

  // Two runs of the one detector on the bus: two segments of one sensor.
  std::vector<std::string> paths;
  for (int k = 0; k < 2; ++k) {
    SimRunHeader header;
    header.type = kTypeZ5;
    header.serial = run.CellText(Column::Serial, 0).toStdString();
    header.power = "1800", header.kur = "10000", header.kuw = "10100";
    SimRunSetup setup;
    setup.type = kTypeZ5;
    setup.lines = 8000;
    setup.seed = std::uint64_t(k + 1);
    paths.push_back(run.dir.path().toStdString() + "/" + header.serial + "_" + std::to_string(k) + ".grad");
    std::ofstream(paths.back(), std::ios::binary) << SimRunFile(header, SimulatedRunRows(setup));
  }
  run.fileChoice = paths;
  Click(run, CellId(Column::W, 0));
  Click(run, id::kFOfT);
  run.op.ScriptAnswers({kAnswerOk, kAnswerCancel});  // calculate, keep it out of the detector
  run.Control<QPushButton>(id::kReadFromFile)->click();

  const CalcSettings settings = CalcSettingsFrom(run.window->Settings());
  CalcRead read = ReadGradFiles(paths, settings);
  CheckSegments(read, settings);
  ASSERT_EQ(read.sensors.size(), 1u);
  const CalcSensor& sensor = read.sensors[0];
  ASSERT_EQ(sensor.segments.size(), 2u);
  const SensorTables tables = FitSensor(sensor, settings);
  ASSERT_EQ(tables.tables.size(), 2u);

  const CGraphData& data = run.window->GraphData();
  EXPECT_EQ(data.Samples(0, kSeriesW).size(), sensor.samples[kQW].size());
  const std::vector<std::size_t> ends = {sensor.segments[0].end, sensor.segments[1].end};
  EXPECT_EQ(std::vector<std::size_t>(data.Breaks(0).begin(), data.Breaks(0).end()), ends);
  ASSERT_TRUE(data.CharacteristicAvailable());
  // Z5: the R channel first, then W; one curve per file.
  for (const auto& [quantity, channel] : {std::pair{kSeriesR, 0}, std::pair{kSeriesW, 1}}) {
    const SeriesCharacteristic* curves = data.Characteristic(0, quantity);
    ASSERT_NE(curves, nullptr) << quantity;
    for (std::size_t c = 0; c < 2; ++c) {
      EXPECT_TRUE((*curves)[c].present);
      EXPECT_EQ((*curves)[c].t, tables.tables[c].T);
      EXPECT_EQ((*curves)[c].value, tables.tables[c].D[size_t(channel)]);
    }
    EXPECT_FALSE((*curves)[2].present);
  }

  // The selected W series carries the overlay: a black mark on each point.
  const CGraphPanel& panel = run.window->GraphPanel();
  const GraphAxes axes = panel.Axes();
  ASSERT_TRUE(axes.overlay);
  const QImage image = const_cast<CGraphPanel&>(panel).grab().toImage();
  const CPixelMap map(panel.Plot(), axes.x, axes.y);
  const CharacteristicCurve& curve = (*data.Characteristic(0, kSeriesW))[0];
  const PlotRect plot = panel.Plot();
  for (int j = 0; j < kCharacteristicPoints; ++j) {
    const QPoint point(map.X(curve.t[size_t(j)]), map.Y(curve.value[size_t(j)]));
    // The mark runs from 5 pixels above the point to 6 below: look on the side inside the plot.
    const int dy = point.y() > (plot.top + plot.bottom) / 2 ? -4 : 4;
    EXPECT_EQ(image.pixelColor(point + QPoint(0, dy)), QColor(Qt::black)) << j;
  }

  // "GradChar" takes the overlay away; back to live polling, the files' breaks go.
  Click(run, id::kGradChar);
  EXPECT_FALSE(panel.Axes().overlay);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeTuning);
  EXPECT_TRUE(data.Breaks(0).empty());
}

}  // namespace
}  // namespace kvl
