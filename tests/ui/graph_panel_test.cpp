// The graph panel painted offscreen: known series at known pixels, the views,
// breaks and characteristic, and the axis dialog of a maximised window. The
// pictures go to <build>/screenshots/graph_*.png for a reviewer.
#include "ui/main_window/graph_panel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QTest>
#include <cmath>

#include "graph/graph_data.h"
#include "ui/controls/control_lookup.h"
#include "ui/dialogs/dialog_ids.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/dialogs/enter_axis.h"

namespace kvl {
namespace {

constexpr int kWidth = 1020, kHeight = 300;  // plot 50..1010 x 8..284
const QColor kWhite(255, 255, 255);

struct Panel {
  CDetectorTable table;
  CGraphData data{table};
  std::vector<std::string> dialogs;
  std::function<int(QDialog&)> answer = [](QDialog&) { return kIdCancel; };
  CGraphPanel panel{data, [this](QDialog& d) {
                      dialogs.push_back(d.metaObject()->className());
                      return answer(d);
                    }};

  Panel() { panel.resize(kWidth, kHeight); }

  // Appends samples to slot s: D (and every other quantity but T) from
  // `values`, T from `temperatures` (or 25).
  void Fill(int slot, const std::vector<float>& values, const std::vector<float>& temperatures = {}) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      HistorySample sample;
      sample.fill(values[i]);
      sample[kSeriesT] = temperatures.empty() ? 25.0f : temperatures[i];
      table.MutableSlot(slot).history.Append(sample);
    }
    panel.SamplesChanged();
  }
  QImage Picture() const {
    QImage image;
    panel.Render(image);
    return image;
  }
  CPixelMap Map() const {
    const GraphAxes axes = panel.Axes();
    return CPixelMap(panel.Plot(), axes.x, axes.y);
  }
};

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

void Save(const QImage& image, const char* name) {
  const QString dir = QString::fromUtf8(KVL_BUILD_DIR_PATH) + QStringLiteral("/screenshots");
  QDir().mkpath(dir);
  EXPECT_TRUE(image.save(dir + QLatin1Char('/') + QLatin1String(name))) << name;
}

TEST(GraphPanel, WithoutSeriesAnEmptyWhitePlot) {
  Panel p;
  p.Fill(0, std::vector<float>(50, 10000.0f));  // data, but nothing selected
  const QImage image = p.Picture();
  ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
  const QColor face = p.panel.palette().color(QPalette::Window);
  for (int y = 0; y < kHeight; y += 3)
    for (int x = 0; x < kWidth; x += 3) {
      const bool inPlot = x >= 50 && x < 1010 && y >= 8 && y < 284;
      ASSERT_EQ(At(image, x, y), inPlot ? kWhite : face) << x << "," << y;
    }
}

TEST(GraphPanel, KnownSeriesAtKnownPixels) {
  Panel p;
  // A flat D of 10001 over 120 samples: y axis 10000..10002, x axis 0..500;
  // the line lies on y 146 from x 50 (sample 0) to x 278 (sample 119).
  p.Fill(0, std::vector<float>(120, 10001.0f));
  EXPECT_TRUE(p.panel.ToggleSeries(0, kSeriesD));
  EXPECT_EQ(p.panel.Axes().x, (Axis{0, 500, 50}));
  EXPECT_EQ(p.panel.Axes().y, (Axis{10000, 10002, 1}));
  QImage image = p.Picture();
  const QColor green = CGraphPanel::QuantityColor(kSeriesD);
  EXPECT_EQ(green, QColor(64, 160, 0));
  for (int x : {50, 100, 200, 278}) EXPECT_EQ(At(image, x, 146), green) << x;
  EXPECT_EQ(At(image, 290, 146), QColor(180, 180, 180)) << "the grid line at 10001 goes on";
  EXPECT_EQ(At(image, 242, 60), QColor(180, 180, 180)) << "the grid line at x = 100";
  EXPECT_EQ(At(image, 250, 60), kWhite);
  Save(image, "graph_fN_flat.png");

  // Grid off: ticks instead, black, on the axes.
  p.panel.ToggleGrid();
  image = p.Picture();
  EXPECT_EQ(At(image, 242, 60), kWhite);
  EXPECT_EQ(At(image, 242, 281), QColor(0, 0, 0));
  EXPECT_EQ(At(image, 242, 277), kWhite);
  EXPECT_EQ(At(image, 52, 146), green);

  // Manual y ends above the line: it is clipped away, margins included.
  p.panel.SetAxisEnd(kYMinEnd, {true, 10002});
  p.panel.SetAxisEnd(kYMaxEnd, {true, 10010});
  image = p.Picture();
  int greens = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) greens += At(image, x, y) == green;
  EXPECT_EQ(greens, 0);
  p.panel.SetAxisEnd(kYMinEnd, {false, 9000});
  p.panel.SetAxisEnd(kYMaxEnd, {false, 11000});

  // In f(T) a steady detector's samples (T 25 throughout) fall on one pixel: it still shows.
  p.panel.ChooseView(kGraphViewOfT);
  image = p.Picture();
  EXPECT_EQ(At(image, p.Map().X(25), p.Map().Y(10001)), green);
  p.panel.ChooseView(kGraphViewOfN);

  // Deselected again: the empty plot.
  EXPECT_FALSE(p.panel.ToggleSeries(0, kSeriesD));
  image = p.Picture();
  EXPECT_EQ(At(image, 100, 146), kWhite);
}

TEST(GraphPanel, TwoViewsWithBreaksAndTheCharacteristic) {
  Panel p;
  // Slot 2: a D curve rising with T, read from two "files" (a break at 60),
  // each a warm-up from 500 to 1000; slot 4's R as a second series.
  std::vector<float> t, d;
  for (int i = 0; i < 120; ++i) {
    t.push_back(500.0f + float(i % 60) * 500.0f / 59.0f);
    d.push_back(9500.0f + float(i % 60) * 10.0f + (i >= 60 ? 300.0f : 0.0f));
  }
  p.Fill(2, d, t);
  p.data.AddBreak(2, 60);
  std::vector<float> r;
  for (int i = 0; i < 200; ++i) r.push_back(10000.0f + 400.0f * std::sin(float(i) / 20.0f));
  p.Fill(4, r, std::vector<float>(200, 700.0f));
  p.panel.SelectSeries(2, kSeriesD, true);
  p.panel.SelectSeries(4, kSeriesR, true);

  QImage image = p.Picture();
  Save(image, "graph_panel_fN.png");
  CPixelMap map = p.Map();
  EXPECT_EQ(At(image, map.X(30), map.Y(d[30])), CGraphPanel::QuantityColor(kSeriesD));
  EXPECT_EQ(At(image, map.X(150), map.Y(r[150])), CGraphPanel::QuantityColor(kSeriesR));

  // f(T): each file's samples a curve of its own; no line from the end of
  // the first (1000, 10090) back to the start of the second (500, 9800).
  ASSERT_TRUE(p.panel.ChooseView(kGraphViewOfT));
  GraphContext context;
  context.mode = kModeGraduation;
  context.type = kTypeKvelt;
  context.t0 = 450;
  context.t7 = 1100;
  p.panel.SetContext(context);
  p.panel.ToggleGrid();  // grid off: nothing but curves in the plot
  image = p.Picture();
  map = p.Map();
  const QColor green = CGraphPanel::QuantityColor(kSeriesD);
  EXPECT_EQ(At(image, map.X(t[10]), map.Y(d[10])), green);
  EXPECT_EQ(At(image, map.X(t[70]), map.Y(d[70])), green);
  EXPECT_EQ(At(image, map.X(750), map.Y(9945)), kWhite) << "no line across the break";

  // The characteristic: only once the calculation marks it available.
  SeriesCharacteristic curves{};
  curves[0].present = true;
  curves[0].t = {450, 543, 636, 729, 821, 914, 1007, 1100};
  curves[0].value = {9400, 9480, 9560, 9640, 9720, 9800, 9880, 9960};
  curves[4] = curves[0];
  for (int& v : curves[4].value) v += 250;
  p.data.SetCharacteristic(2, kSeriesD, curves);
  EXPECT_FALSE(p.panel.Axes().overlay);
  p.data.SetCharacteristicAvailable(true);
  p.panel.SamplesChanged();
  EXPECT_TRUE(p.panel.Axes().overlay);
  image = p.Picture();
  map = p.Map();
  EXPECT_EQ(map.XAxis().min, 450);
  EXPECT_EQ(map.XAxis().max, 1100);
  const int x3 = map.X(729), y3 = map.Y(9640), y3red = map.Y(9890);
  EXPECT_EQ(At(image, x3, y3 - 4), QColor(0, 0, 0)) << "the mark of point 3, curve 0";
  EXPECT_EQ(At(image, x3, y3red + 5), QColor(240, 0, 0)) << "the mark of point 3, curve 4";
  Save(image, "graph_panel_fT.png");

  // "GradChar" off, or another mode: no overlay.
  p.panel.ToggleGradChar();
  EXPECT_FALSE(p.panel.Axes().overlay);
  p.panel.ToggleGradChar();
  context.mode = kModeTuning;
  p.panel.SetContext(context);
  EXPECT_FALSE(p.panel.Axes().overlay);
}

TEST(GraphPanel, AxisDialogOnlyInAMaximisedWindow) {
  Panel p;
  p.Fill(0, std::vector<float>(120, 10001.0f));
  p.panel.SelectSeries(0, kSeriesD, true);
  // The operator sets the x minimum to manual 400.
  p.answer = [](QDialog& d) {
    FindControl<QAbstractButton>(&d, dlg::kManualRadio)->click();
    FindControl<QLineEdit>(&d, dlg::kAxisValue)->setText(QStringLiteral("400"));
    FindControl<QAbstractButton>(&d, dlg::kSetButton)->click();
    return d.result();
  };
  const QPoint xMinZone(60, kHeight - 5);

  QTest::mouseClick(&p.panel, Qt::RightButton, {}, xMinZone);
  EXPECT_TRUE(p.dialogs.empty()) << "not maximised: nothing";
  EXPECT_FALSE(p.panel.Settings().ends[kXMinEnd].manual);

  p.panel.setWindowState(Qt::WindowMaximized);
  ASSERT_TRUE(p.panel.isMaximized());
  QTest::mouseClick(&p.panel, Qt::RightButton, {}, QPoint(500, 150));
  EXPECT_TRUE(p.dialogs.empty()) << "outside the zones: nothing";
  QTest::mouseClick(&p.panel, Qt::LeftButton, {}, xMinZone);
  EXPECT_TRUE(p.dialogs.empty()) << "left button: nothing";

  QTest::mouseClick(&p.panel, Qt::RightButton, {}, xMinZone);
  ASSERT_EQ(p.dialogs, std::vector<std::string>{"kvl::CEnterAxis"});
  EXPECT_EQ(p.panel.Settings().ends[kXMinEnd], (AxisEnd{true, 400}));
  EXPECT_EQ(p.panel.Axes().x, (Axis{400, 500, 10}));

  // Cancel changes nothing; the y maximum zone opens its own end.
  p.answer = [](QDialog&) { return kIdCancel; };
  QTest::mouseClick(&p.panel, Qt::RightButton, {}, QPoint(20, 10));
  EXPECT_EQ(p.dialogs.size(), 2u);
  EXPECT_EQ(p.panel.Settings().ends[kYMaxEnd], (AxisEnd{false, 11000}));
  Save(p.Picture(), "graph_fN_manual_xmin.png");
}

TEST(GraphPanel, SelectionCaptionsAndGeometry) {
  Panel p;
  EXPECT_FALSE(p.panel.ToggleSeries(20, 0));
  EXPECT_FALSE(p.panel.ToggleSeries(0, 9));
  EXPECT_TRUE(p.panel.ToggleSeries(19, 8));
  EXPECT_TRUE(p.panel.SeriesSelected(19, 8));
  p.panel.ClearSelection();
  EXPECT_FALSE(p.panel.Settings().AnySelected());
  EXPECT_FALSE(p.panel.ChooseView(3));

  const QColor k(0, 0, 0), g(150, 150, 150);
  EXPECT_EQ(p.panel.CaptionColors(), (std::array<QColor, 5>{k, k, k, k, g}));
  p.panel.ChooseView(kGraphViewOfT);
  p.panel.ToggleGrid();
  EXPECT_EQ(p.panel.CaptionColors(), (std::array<QColor, 5>{k, g, k, g, k}));

  EXPECT_EQ(CGraphPanel::PanelGeometry(1020, 1000, 674), QRect(0, 666, 1020, 334));
}

// A poll's growth is added to the picture, which then is the one made anew;
// growth beyond the axes makes the whole picture again.
TEST(GraphPanel, GrowthWithinTheAxesIsAddedToThePicture) {
  Panel p;
  std::vector<float> values;
  for (int i = 0; i < 40; ++i) values.push_back(float(100 + (i * 37) % 50));
  p.Fill(0, values);
  p.panel.SelectSeries(0, kSeriesD, true);
  QImage image = p.Picture();
  p.Fill(0, {120.0f, 140.0f, 101.0f});
  ASSERT_TRUE(p.panel.ExtendRender(image));
  EXPECT_EQ(image, p.Picture());
  p.Fill(0, {1000.0f});  // above the y axis
  EXPECT_FALSE(p.panel.ExtendRender(image));
}

}  // namespace
}  // namespace kvl
