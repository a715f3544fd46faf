// Pictures of the window in every mode, for a reviewer to look at: written
// to <build>/screenshots/, never compared with anything stored; and the rule
// the pictures are judged by, checked from the widgets' geometry: no text
// drawn over another, none cut by the edge of its control.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>

#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "main_window_fixture.h"
#include "text/format.h"
#include "text/selector_lists.h"
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

// Where a text is drawn (canvas coordinates), and whether its control has room for it.
struct ShownText {
  QString text;
  QRect rect;
  bool whole = true;
};

std::vector<ShownText> ShownTexts(const CKvlDlg& window) {
  QWidget* canvas = window.Canvas();
  std::vector<ShownText> out;
  auto add = [&](QWidget* w, const QString& text, const QRect& room, int flags) {
    const QRect r = QFontMetrics(w->font()).boundingRect(room, flags, text);
    out.push_back({text, r.translated(w->mapTo(canvas, QPoint())), room.adjusted(-1, -1, 1, 1).contains(r)});
  };
  for (QWidget* w : canvas->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!w->isVisibleTo(canvas) || w->width() <= 0) continue;
    if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
      add(w, label->text(), label->contentsRect(), int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0));
    } else if (auto* check = qobject_cast<QCheckBox*>(w); check && !check->text().isEmpty()) {
      QStyleOptionButton opt;
      opt.initFrom(check);
      add(w, check->text(), check->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, check),
          Qt::AlignLeft | Qt::AlignVCenter);
    } else if (auto* button = qobject_cast<QPushButton*>(w); button && !button->text().isEmpty()) {
      QStyleOptionButton opt;
      opt.initFrom(button);
      add(w, button->text(), button->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, button),
          Qt::AlignCenter);
    } else if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->currentText().isEmpty()) {
      QStyleOptionComboBox opt;
      opt.initFrom(combo);
      add(w, combo->currentText(),
          combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo),
          Qt::AlignLeft | Qt::AlignVCenter);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w); edit && !edit->text().isEmpty()) {
      add(w, edit->text(), edit->rect().adjusted(3, 0, -3, 0), Qt::AlignLeft | Qt::AlignVCenter);
    }
  }
  const CGraphPanel& graph = window.GraphPanel();
  for (const QRect& r : graph.LabelRects())
    out.push_back({QStringLiteral("graph label at %1").arg(r.y()), r.translated(graph.pos()), graph.rect().contains(r)});
  return out;
}

// Every mode, type and language as the window opens on a 1280 and a 1600 px
// wide screen, a stage prompt and graph labels shown.
TEST(MainWindowLayout, NoTextOverlapsAnotherOrIsCut) {
  const int types[] = {kTypeKvelt, kTypeZ, kTypeZ40, kTypeZ5};
  std::vector<std::string> faults;
  for (const QRect screen : {QRect(0, 0, 1280, 800), QRect(0, 0, 1600, 1000)}) {
    test::WindowRun run;
    run.Open(kTypeZ5, 20, true, {}, screen);
    ASSERT_TRUE(run.WaitForRows(20));
    for (int q : {0, 1}) QTest::mouseClick(run.Control(CellId(Column(int(Column::Lel) + q), 0)), Qt::LeftButton);
    for (LanguageIndex language : {kEnglish, kRussian})
      for (int type : types)
        for (int mode = 0; mode < kOperatingModeCount; ++mode) {
          run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(language);
          run.Control<QComboBox>(id::kTypeSelector)->setCurrentIndex(type);
          run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(mode);
          CColorStaticST* prompt = run.window->Controls().stagePrompt;
          prompt->setText(QString::fromStdString(Format(kStagePrompts[1](language), 85)));
          prompt->setVisible(mode == kModeGraduation || mode == kModeGraduationZ5);
          run.window->Place();
          Settle();
          const std::vector<ShownText> texts = ShownTexts(*run.window);
          const std::string state =
              Format("%d px, language %d, type %d, mode %d: ", screen.width(), int(language), type, mode);
          for (std::size_t i = 0; i < texts.size(); ++i) {
            if (!texts[i].whole) faults.push_back(state + "cut: " + texts[i].text.toStdString());
            for (std::size_t j = i + 1; j < texts.size(); ++j)
              // Side by side, four pixels apart at least, so that neighbours do not read as one text.
              if (texts[i].rect.adjusted(-2, 0, 2, 0).intersects(texts[j].rect))
                faults.push_back(state + texts[i].text.toStdString() + " | " + texts[j].text.toStdString());
          }
        }
  }
  EXPECT_EQ(faults.size(), 0u) << [&] {
    std::string all;
    for (std::size_t k = 0; k < faults.size() && k < 60; ++k) all += faults[k] + "\n";
    return all;
  }();
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

// Started in Russian: Qt's own dialog texts are Russian from the first file
// dialog on; "Tuning" at 1280 px, scrolled to its last column, still shows
// each row's "Modbus #", serial number and gas, over what scrolls under them.
TEST(MainWindowScreenshots, RussianStartUpFileDialogAndTuningScrolledRightAt1280) {
  test::WindowRun run;
  run.Open(kTypeZ5, 20, false);
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kRussian);
  run.window.reset();  // the settings keep Russian for the next start
  run.Open(kTypeZ5, 20, true, QSize(1280, 800));
  QFileDialog dialog(run.window.get(), QStringLiteral("Выберите файл"), run.dir.path(), QStringLiteral("grad (*.grad)"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.show();
  Save(&dialog, QStringLiteral("startup_ru_file_dialog"));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text(), QStringLiteral("&Имя файла:"));
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeTuning);
  ASSERT_TRUE(run.WaitForRows(20));
  run.window->resize(1280, 800);
  Settle();
  auto* scroll = run.window->findChild<QScrollArea*>(QStringLiteral("scroll"));
  auto* bar = scroll->horizontalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->setValue(bar->maximum());
  Save(run.window.get(), QStringLiteral("tuning_1280_scrolled_right"));
  for (Column c : {Column::ModbusNumber, Column::Serial, Column::Gas, Column::SwitchToHart}) {
    QWidget* cell = run.Control(CellId(c, 0));
    EXPECT_TRUE(QRect(QPoint(bar->value(), 0), scroll->viewport()->size()).contains(cell->geometry())) << int(c);
    EXPECT_EQ(run.window->Canvas()->childAt(cell->geometry().center()), cell) << int(c);
  }
}

}  // namespace
}  // namespace kvl
