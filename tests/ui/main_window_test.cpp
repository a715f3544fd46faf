// The main window against simulated detectors on a pseudo-terminal: rows
// filled from the bus, cells per mode and type, counters, the language
// switch, the edits, and the exit path with its saved configuration.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QFile>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>

#include "config/configuration.h"
#include "main_window_fixture.h"
#include "text/gas_tables.h"
#include "text/main_window_texts.h"
#include "text/selector_lists.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/controls/note_static.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::PaintCounter;
using test::RunUntil;
using test::Settle;
using test::WindowRun;

QString Utf8(const char* s) { return QString::fromUtf8(s); }

TEST(MainWindow, FillsItsRowsFromTheBus) {
  WindowRun run;
  run.Open(kTypeZ5, 4);
  ASSERT_TRUE(run.WaitForRows(4));
  for (int r = 0; r < 4; ++r) {
    const auto detector = run.Bus().Detector(r + 1);
    ASSERT_TRUE(detector);
    EXPECT_EQ(run.CellText(Column::Serial, r), QString::number(detector->serial)) << r;
    EXPECT_EQ(run.CellText(Column::ModbusNumber, r), QString::number(r + 1));
    EXPECT_TRUE(run.CellShown(Column::Lel, r));
  }
  // Rows beyond the address list stay empty.
  EXPECT_TRUE(run.CellText(Column::Serial, 4).isEmpty());
  EXPECT_TRUE(run.CellText(Column::ModbusNumber, 4).isEmpty());
  EXPECT_FALSE(run.CellShown(Column::SetZero, 4));
  // The line statistics count good answers and nothing else.
  const QString stats = run.Control<QLabel>(id::kResponses)->text();
  const QStringList parts = stats.split(QLatin1Char(':'));
  ASSERT_EQ(parts.size(), 3) << stats.toStdString();
  EXPECT_GT(parts[0].toInt(), 0);
  EXPECT_EQ(parts[1], QStringLiteral("0"));
  EXPECT_EQ(parts[2], QStringLiteral("0"));
  EXPECT_TRUE(run.op.Shown().empty());
}

TEST(MainWindow, ShowsTheCellsOfEachModeAndType) {
  WindowRun run;
  run.Open(kTypeZ5, 2);
  ASSERT_TRUE(run.WaitForRows(2));
  auto select = [&](int type, int mode) {
    run.Control<QComboBox>(id::kTypeSelector)->setCurrentIndex(type);
    run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(mode);
    Settle();
  };
  select(kTypeZ5, kModeTuning);
  EXPECT_TRUE(run.CellShown(Column::HeatingLimit, 0));
  EXPECT_TRUE(run.CellShown(Column::SwitchToHart, 0));
  EXPECT_TRUE(run.CellShown(Column::RelayTest, 0));
  EXPECT_FALSE(run.CellShown(Column::Ru6310, 0));
  EXPECT_FALSE(run.CellShown(Column::MainCalibr, 0));
  EXPECT_FALSE(run.CellShown(Column::HeatingLimit, 5));  // no detector in that row

  select(kTypeZ40, kModeTuning);
  EXPECT_TRUE(run.CellShown(Column::Ru6310, 0));
  EXPECT_FALSE(run.CellShown(Column::Relay1, 0));
  EXPECT_FALSE(run.CellShown(Column::HeatingLimit, 0));

  select(kTypeKvelt, kModeCalibration);
  EXPECT_TRUE(run.CellShown(Column::MainCalibr, 0));
  EXPECT_FALSE(run.CellShown(Column::MagnCalibr, 0));
  EXPECT_TRUE(run.Control(id::kGasSelector)->isVisible());
  EXPECT_FALSE(run.Control(id::kRelayTestStep)->isVisible());

  select(kTypeZ, kModeRunningIn);
  EXPECT_TRUE(run.CellShown(Column::MinCrosses, 0));
  EXPECT_TRUE(run.Control(id::Limit(0))->isVisible());
  EXPECT_FALSE(run.Control(id::kGasSelector)->isVisible());

  select(kTypeZ, kModeImitation);  // Z5 has no imitation
  EXPECT_TRUE(run.CellShown(Column::Imitation, 0));
  EXPECT_FALSE(run.CellShown(Column::Disconnections, 0));
  EXPECT_EQ(run.Control<CNoteStatic>(id::kResponses)->Note()->text(), Utf8(txt::kRequests(kRussian)));

  // A mode whose graph top leaves too little room moves the graph below the table.
  EXPECT_GE(run.window->GraphTop(), ModeGraphTop(kModeImitation));
}

// Every control shown lies inside the window, overlaps no other one, and
// shows its text whole.
void ExpectTidy(const WindowRun& run, const std::string& where) {
  QWidget* canvas = run.window->Canvas();
  std::vector<QWidget*> shown;
  for (QWidget* w : canvas->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (w->isVisible() && w->objectName() != QStringLiteral("separator")) shown.push_back(w);
  const QRect client = canvas->rect();
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const QRect a = shown[i]->geometry();
    EXPECT_TRUE(client.contains(a)) << where << ": " << shown[i]->objectName().toStdString() << " outside";
    for (std::size_t j = i + 1; j < shown.size(); ++j)
      EXPECT_FALSE(a.intersects(shown[j]->geometry()))
          << where << ": " << shown[i]->objectName().toStdString() << " overlaps "
          << shown[j]->objectName().toStdString();
    const QFontMetrics fm(shown[i]->font());
    if (auto* label = qobject_cast<QLabel*>(shown[i]); label && !label->text().isEmpty()) {
      const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
      const QRect need = fm.boundingRect(QRect(0, 0, a.width(), 1000), flags | Qt::AlignHCenter, label->text());
      EXPECT_LE(need.width(), a.width()) << where << ": " << label->text().toStdString() << " cut";
      EXPECT_LE(need.height(), a.height() + 2) << where << ": " << label->text().toStdString() << " cut";
    }
    if (auto* button = qobject_cast<QPushButton*>(shown[i]); button && !button->text().isEmpty()) {
      EXPECT_LE(fm.horizontalAdvance(button->text()), a.width() - 2)
          << where << ": " << button->text().toStdString() << " cut";
    }
  }
}

TEST(MainWindow, NothingOverlapsOrIsCutInAnyModeAt1280x1024) {
  WindowRun run;
  run.Open(kTypeZ5, 20);
  for (int language : {0, 1}) {
    run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(language);
    for (int type : {kTypeKvelt, kTypeZ, kTypeZ40, kTypeZ5}) {
      run.Control<QComboBox>(id::kTypeSelector)->setCurrentIndex(type);
      // Still in "Imitation" (the last mode) nothing is polled: the rows are imitated detectors.
      ASSERT_TRUE(RunUntil([&] { return run.window->Mode() == kModeImitation || run.window->Table().Slot(19).HasDetector(); },
                           15000));
      for (int mode = 0; mode < kOperatingModeCount; ++mode) {
        run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(mode);
        Settle();
        ExpectTidy(run, "language " + std::to_string(language) + " type " + std::to_string(type) + " mode " +
                            std::to_string(mode));
      }
    }
  }
}

// The table's shown columns all lie within the part of the window on screen.
void ExpectWholeTableInView(const WindowRun& run, const std::string& where) {
  auto* scroll = run.window->findChild<QScrollArea*>(QStringLiteral("scroll"));
  ASSERT_NE(scroll, nullptr);
  const int viewRight = scroll->viewport()->width();
  for (const ColumnInfo& info : Columns()) {
    QWidget* cell = run.Control(CellId(info.column, 0));
    if (cell->isHidden()) continue;
    EXPECT_LE(cell->geometry().right(), viewRight) << where << ": column " << int(info.column) << " out of view";
  }
  EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << where;
}

TEST(MainWindow, GrowsToItsTableAfterAChangeAndScrollsOnANarrowScreen) {
  auto chooseAndPlace = [](WindowRun& run, int language, int mode) {
    run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(language);
    run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(mode);
    Settle();
    run.window->Place();  // as if the program had started in this state
    Settle();
  };
  {
    WindowRun run;
    run.Open(kTypeZ, 20, true, {}, QRect(0, 0, 1920, 1080));  // Z5 has no running-in
    chooseAndPlace(run, kEnglish, kModeRunningIn);
    const int before = run.window->width();
    run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeTuning);
    Settle();
    EXPECT_GT(run.window->width(), before);
    ExpectWholeTableInView(run, "Z Running-in -> Tuning");
    ExpectTidy(run, "Z Tuning");

    run.Control<QComboBox>(id::kTypeSelector)->setCurrentIndex(kTypeZ40);
    chooseAndPlace(run, kEnglish, kModeTuning);
    run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kRussian);
    Settle();
    ExpectWholeTableInView(run, "Z40 Tuning English -> Russian");
    ExpectTidy(run, "Z40 Tuning Russian");
  }
  {
    // A screen narrower than the layout: nothing is cut, the content scrolls.
    WindowRun run;
    run.Open(kTypeZ5, 20, true, {}, QRect(0, 0, 800, 600));
    chooseAndPlace(run, kRussian, kModeTuning);
    EXPECT_LE(run.window->width(), 800);
    auto* scroll = run.window->findChild<QScrollArea*>(QStringLiteral("scroll"));
    EXPECT_GT(scroll->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    ExpectTidy(run, "Z5 Tuning Russian on 800x600");
    for (int selector : {id::kTypeSelector, id::kModeSelector, id::kLanguageSelector})
      EXPECT_TRUE(run.window->Canvas()->rect().contains(run.Control(selector)->geometry()));
  }
}

TEST(MainWindow, CountsABreakWhenADetectorFallsSilentAndKeepsItsCounters) {
  WindowRun run;
  run.Open(kTypeZ, 3);
  ASSERT_TRUE(run.WaitForRows(3));
  EXPECT_EQ(run.CellText(Column::Disconnections, 1), QStringLiteral("0"));

  for (int silence = 1; silence <= 2; ++silence) {
    run.Bus().SetFault(2, SimFault{SimFaultKind::Silent, 0});
    ASSERT_TRUE(RunUntil([&] { return run.CellText(Column::Serial, 1).isEmpty(); }, 5000));
    EXPECT_EQ(run.window->Table().Slot(1).counters.breaks, unsigned(silence));
    run.Bus().SetFault(2, SimFault{});
    ASSERT_TRUE(RunUntil([&] { return !run.CellText(Column::Serial, 1).isEmpty(); }, 5000));
    // The row comes back with the count it had.
    EXPECT_EQ(run.CellText(Column::Disconnections, 1), QString::number(silence));
  }
  EXPECT_EQ(run.CellText(Column::Disconnections, 0), QStringLiteral("0"));
  EXPECT_EQ(run.CellText(Column::Disconnections, 2), QStringLiteral("0"));
  const QStringList parts = run.Control<QLabel>(id::kResponses)->text().split(QLatin1Char(':'));
  ASSERT_EQ(parts.size(), 3);
  EXPECT_GT(parts[1].toInt(), 0);  // no-answer results
}

TEST(MainWindow, CountsStatusEdgesAndShowsTheRelays) {
  // The demo's fourth detector is in fault.
  WindowRun run;
  run.Open(kTypeZ5, 4);
  ASSERT_TRUE(run.WaitForRows(4));
  const MainControls& c = run.window->Controls();
  auto pictureOn = [&](Column column, int row) {
    auto* image = run.Control<QLabel>(CellId(column, row));
    return image->pixmap().cacheKey() == c.pictureOn.cacheKey();
  };
  auto waitFor = [&](Column column, int row, bool on) {
    return RunUntil(
        [&] {
          run.Bus().Advance(5);
          return pictureOn(column, row) == on;
        },
        8000);
  };
  auto countersOf = [&](int s) -> const SlotCounters& { return run.window->Table().Slot(s).counters; };

  // Found in fault: one defect at once.
  EXPECT_FALSE(pictureOn(Column::ConditionImage, 3));
  EXPECT_EQ(countersOf(3).defect, 1u);

  EXPECT_FALSE(pictureOn(Column::Relay1Image, 0));
  for (unsigned edges = 1; edges <= 2; ++edges) {
    run.Bus().SetGasLel(1, 60);
    ASSERT_TRUE(waitFor(Column::Relay2Image, 0, true));
    EXPECT_TRUE(pictureOn(Column::Relay1Image, 0));
    EXPECT_EQ(countersOf(0).over1, edges);
    EXPECT_EQ(countersOf(0).over2, edges);
    run.Bus().SetGasLel(1, 0);
    ASSERT_TRUE(waitFor(Column::Relay1Image, 0, false));
  }
  run.Bus().SetServiceable(4, true);
  ASSERT_TRUE(waitFor(Column::ConditionImage, 3, true));
  run.Bus().SetServiceable(4, false);
  ASSERT_TRUE(waitFor(Column::ConditionImage, 3, false));
  EXPECT_EQ(countersOf(3).defect, 2u);
  EXPECT_EQ(countersOf(2).over1 + countersOf(2).over2 + countersOf(2).defect, 0u);
}

TEST(MainWindow, ALanguageChangeRelabelsEveryControlAndKeepsTheSelectors) {
  WindowRun run;
  run.Open(kTypeZ40, 2);
  auto* mode = run.Control<QComboBox>(id::kModeSelector);
  auto* type = run.Control<QComboBox>(id::kTypeSelector);
  auto* gas = run.Control<QComboBox>(id::kGasSelector);
  mode->setCurrentIndex(kModeGraduationZ5);
  gas->setCurrentIndex(4);
  Settle();

  for (LanguageIndex lang : {kEnglish, kRussian, kEnglish}) {
    run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(lang);
    Settle();
    auto text = [lang](const TextEntry& e) { return QString::fromUtf8(e(lang)); };
    EXPECT_EQ(run.window->windowTitle(), text(txt::kWindowTitle));
    for (const HeaderInfo& h : Headers()) EXPECT_EQ(run.Control<QLabel>(h.id)->text(), text(*h.text)) << h.id;
    EXPECT_EQ(run.Control<QPushButton>(id::kSearch)->text(), text(kSearchButton[0]));
    EXPECT_EQ(run.Control<QPushButton>(id::kEnterPassword)->text(), text(txt::kEnterPasswordButton));
    EXPECT_EQ(run.Control<QPushButton>(id::kRecording)->text(), text(kRecordingButton[0]));
    EXPECT_EQ(run.Control<QPushButton>(id::kGraduation)->text(), text(kGraduationButton[0]));
    EXPECT_EQ(run.Control<QPushButton>(id::kDone)->text(), text(txt::kDone));
    EXPECT_EQ(run.Control<QLabel>(id::kLimitsCaption)->text(), text(txt::kLimits));
    EXPECT_EQ(run.Control<QLabel>(id::kGradChar)->text(), text(txt::kGradChar));
    EXPECT_EQ(run.Control<CNoteComboBox>(id::Port(0))->Note()->text(), text(txt::kPortCom));
    EXPECT_EQ(run.Control<CNoteComboBox>(id::kModeSelector)->Note()->text(), text(txt::kMode));
    EXPECT_EQ(run.Control<CNoteEdit>(id::kPeriod)->Note()->text(), text(txt::kPeriodSec));
    EXPECT_EQ(run.Control<CNoteComboBox>(id::kLanguageSelector)->Note()->text(), QStringLiteral("Language"));
    // The lists are in the new language at the positions they had.
    EXPECT_EQ(mode->currentIndex(), kModeGraduationZ5);
    EXPECT_EQ(mode->currentText(), text(kOperatingModes[kModeGraduationZ5]));
    EXPECT_EQ(type->currentIndex(), kTypeZ40);
    EXPECT_EQ(type->currentText(), text(kDetectorTypes[kTypeZ40]));
    EXPECT_EQ(gas->currentIndex(), 4);
    EXPECT_EQ(gas->currentText(), QString::fromStdString(SelectorGasName(GasTable(kTypeZ40)[4](lang))));
    EXPECT_EQ(run.window->Language(), lang);
    // Qt's own texts (the file dialogs') follow too.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:") == QStringLiteral("Look in:"), lang == kEnglish);
  }
  // The configuration text follows: its comments are in the window's language.
  ASSERT_TRUE(RunUntil([&] {
    return run.window->ConfigurationText().find("deltaDmax depends") != std::string::npos;
  }));
}

TEST(MainWindow, TheUnnamedTypeCannotBeChosen) {
  WindowRun run;
  run.Open(kTypeZ, 1, false);
  auto* type = run.Control<QComboBox>(id::kTypeSelector);
  type->setCurrentIndex(kType2);
  EXPECT_EQ(type->currentIndex(), kTypeZ40);
  EXPECT_EQ(run.window->DetectorType(), kTypeZ40);
}

TEST(MainWindow, EditsKeepOnlyTheirCharacters) {
  WindowRun run;
  run.Open(kTypeZ, 1, false);  // Z5 has no running-in
  auto* pause = run.Control<QLineEdit>(id::Pause(0));
  pause->clear();
  QTest::keyClicks(pause, QStringLiteral("1a2"));
  EXPECT_EQ(pause->text(), QStringLiteral("12"));
  EXPECT_EQ(pause->cursorPosition(), 2);
  EXPECT_EQ(run.window->Settings().lines[0].pause, "12");

  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeCalibration);
  auto* concentration = run.Control<QLineEdit>(id::Concentration(0));
  concentration->clear();
  QTest::keyClicks(concentration, QStringLiteral("2,5"));
  EXPECT_EQ(concentration->text(), QStringLiteral("2.5"));
  EXPECT_EQ(run.window->Settings().gases[0].concentration[0], "2.5");

  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeRunningIn);
  auto* period = run.Control<QLineEdit>(id::kPeriod);
  period->clear();
  QTest::keyClicks(period, QStringLiteral("0"));
  EXPECT_FALSE(run.window->RecordingTimerActive());
  period->clear();
  QTest::keyClicks(period, QStringLiteral("x5"));
  EXPECT_EQ(period->text(), QStringLiteral("5"));
  EXPECT_TRUE(run.window->RecordingTimerActive());
  EXPECT_EQ(run.window->RecordingTimerInterval(), 5000);

  auto* low = run.Control<QLineEdit>(id::Limit(0));
  low->clear();
  QTest::keyClicks(low, QStringLiteral("-2,5z"));
  EXPECT_EQ(low->text(), QStringLiteral("-2.5"));
  EXPECT_DOUBLE_EQ(run.window->Table().MinThreshold(), -2.5);
}

TEST(MainWindow, ConvertsAPropaneEntryForTheSelectedGas) {
  WindowRun run;
  run.Open(kTypeZ, 1);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeCalibration);
  run.Control<QComboBox>(id::kGasSelector)->setCurrentIndex(3);  // butane
  auto* usePropane = run.Control<QCheckBox>(id::kUsePropane);
  ASSERT_TRUE(usePropane->isVisible());
  EXPECT_FALSE(run.Control(id::PropaneEntry(0))->isVisible());
  QTest::mouseClick(usePropane, Qt::LeftButton, {}, QPoint(5, usePropane->height() / 2));
  ASSERT_TRUE(usePropane->isChecked());
  EXPECT_TRUE(run.Control(id::PropaneEntry(0))->isVisible());
  EXPECT_FALSE(run.Control(id::Concentration(0))->isEnabled());
  EXPECT_EQ(run.Control<QLineEdit>(id::kCoefficient)->text(), QStringLiteral("1.000"));
  QTest::keyClicks(run.Control<QLineEdit>(id::PropaneEntry(0)), QStringLiteral("1.7"));
  EXPECT_EQ(run.Control<QLineEdit>(id::Concentration(0))->text(), QStringLiteral("1.400"));
  // Not offered in "Tuning".
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeTuning);
  EXPECT_FALSE(usePropane->isVisible());
}

TEST(MainWindow, UntickingTheLineClosesItAndDisablesSearchUntilTickedAgain) {
  WindowRun run;
  run.Open(kTypeZ5, 2);
  ASSERT_TRUE(run.WaitForRows(2));
  auto* open = run.Control<QCheckBox>(id::LineOpen(0));
  auto* search = run.Control<QPushButton>(id::kSearch);
  EXPECT_TRUE(search->isEnabled());
  open->click();
  EXPECT_FALSE(search->isEnabled());
  // The closed line empties the rows.
  ASSERT_TRUE(RunUntil([&] { return run.CellText(Column::Serial, 0).isEmpty(); }));
  EXPECT_FALSE(search->isEnabled());
  EXPECT_FALSE(run.Control(CellId(Column::ModbusNumber, 0))->isEnabled());
  open->click();
  ASSERT_TRUE(RunUntil([&] { return search->isEnabled(); }));
  EXPECT_TRUE(open->isChecked());
  ASSERT_TRUE(run.WaitForRows(2));
  EXPECT_TRUE(run.op.Shown().empty());
}

TEST(MainWindow, RefreshingARowDoesNotRepaintUnchangedCells) {
  WindowRun run;
  run.Open(kTypeZ5, 2);
  ASSERT_TRUE(run.WaitForRows(2));
  RunUntil([] { return false; }, 300);
  Settle();
  QWidget* serial = run.Control(CellId(Column::Serial, 0));
  QWidget* firmware = run.Control(CellId(Column::Firmware, 0));
  PaintCounter serialPaints(serial), firmwarePaints(firmware);
  const std::uint64_t before = run.window->Table().Counters()[0];
  ASSERT_TRUE(RunUntil([&] { return run.window->Table().Counters()[0] >= before + 10; }, 5000));
  Settle();
  EXPECT_EQ(serialPaints.Count(), 0);
  EXPECT_EQ(firmwarePaints.Count(), 0);
}

// ---------------------------------------------------------------------------
// Exit.

std::string FileBytes(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll().toStdString();
}

TEST(MainWindow, AnsweringNoKeepsEverythingRunningAndSavesNothing) {
  WindowRun run;
  run.Open(kTypeZ5, 2);
  ASSERT_TRUE(run.WaitForRows(2));
  run.exitAnswer = kIdNo;
  run.window->close();
  EXPECT_EQ(run.questionsAsked, 1);
  EXPECT_TRUE(run.window->isVisible());
  EXPECT_FALSE(run.window->Exited());
  EXPECT_TRUE(run.window->RecordingTimerActive());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(run.ConfigPath())));
  const std::uint64_t before = run.window->Table().Counters()[0];
  EXPECT_TRUE(RunUntil([&] { return run.window->Table().Counters()[0] > before + 2; }));
  QTest::keyClick(run.window.get(), Qt::Key_Escape);
  EXPECT_EQ(run.questionsAsked, 2);
  EXPECT_FALSE(run.window->Exited());
}

TEST(MainWindow, AConfirmedExitSavesTheConfigurationAndStopsTheLink) {
  WindowRun run;
  run.Open(kTypeZ, 2);  // Z5 has no running-in
  ASSERT_TRUE(run.WaitForRows(2));
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeRunningIn);
  run.exitAnswer = kIdYes;
  run.window->close();
  EXPECT_TRUE(run.window->Exited());
  EXPECT_FALSE(run.window->isVisible());
  EXPECT_FALSE(run.window->LinkRunning());
  EXPECT_FALSE(run.window->RecordingTimerActive());

  const std::string bytes = FileBytes(run.ConfigPath());
  EXPECT_EQ(bytes, EncodeConfigurationText(run.window->ConfigurationText()));
  Configuration saved;
  ASSERT_EQ(LoadConfiguration(run.ConfigPath(), ConfigurationContext{"/tmp/", {}}, saved), 0);
  EXPECT_EQ(saved.language, kEnglish);
  EXPECT_EQ(saved.mode, kModeRunningIn);
  EXPECT_EQ(saved.detectorType, kTypeZ);
  // The demo bus's address list is not the operator's: the configured one stays.
  EXPECT_EQ(saved.addresses, std::vector<unsigned>{1});
  // Messages still queued for the window change nothing now.
  Settle();
}

TEST(MainWindow, ASettingIsSavedSoonWithoutAnExitButNotTheDemosType) {
  WindowRun run;
  run.Open(kTypeZ5, 1);  // the configured type is the default, Z
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  Configuration saved;
  ASSERT_TRUE(RunUntil(
      [&] { return LoadConfiguration(run.ConfigPath(), {"/tmp/", {}}, saved) == 0 && saved.language == kEnglish; }, 8000));
  EXPECT_EQ(saved.detectorType, kTypeZ);
}

TEST(MainWindow, ExitWithTheLineClosedStillSavesAndEndsTheWorker) {
  WindowRun run;
  run.Open(kTypeZ, 1);
  ASSERT_TRUE(run.WaitForRows(1));
  run.Control<QCheckBox>(id::LineOpen(0))->click();
  ASSERT_TRUE(RunUntil([&] { return run.CellText(Column::Serial, 0).isEmpty(); }));
  run.exitAnswer = kIdYes;
  EXPECT_TRUE(run.window->OnCancel());
  EXPECT_FALSE(run.window->LinkRunning());
  EXPECT_FALSE(FileBytes(run.ConfigPath()).empty());
}

TEST(MainWindow, ReadsItsConfigurationAtStart) {
  WindowRun run;
  // A configuration from an earlier run: English, mode "Running-in", period 0.
  Configuration settings = DefaultConfiguration(ConfigurationContext{"/tmp/", {}});
  settings.language = kEnglish;
  settings.mode = kModeRunningIn;
  settings.period = "0";
  settings.lowLimit = -1.5;
  run.WriteConfig(EncodeConfigurationText(ComposeConfigurationText(settings)));
  run.Open(kTypeZ, 1, false);
  EXPECT_EQ(run.window->Language(), kEnglish);
  EXPECT_EQ(run.window->windowTitle(), QString::fromUtf8(txt::kWindowTitle(kEnglish)));
  EXPECT_EQ(run.Control<QComboBox>(id::kModeSelector)->currentIndex(), kModeRunningIn);
  EXPECT_FALSE(run.window->RecordingTimerActive());
  EXPECT_EQ(run.Control<QLineEdit>(id::Limit(0))->text(), QStringLiteral("-1.500"));
  EXPECT_DOUBLE_EQ(run.window->Table().MinThreshold(), -1.5);
}

TEST(MainWindow, PollsADevicePathFromItsConfigurationOrTypedIntoThePortSelector) {
  // Two simulated buses on pseudo-terminals that exist only for this run.
  CDemoBus first, second;
  std::string error;
  ASSERT_TRUE(first.Start(kTypeZ5, 2, 1, 9600, &error)) << error;
  ASSERT_TRUE(second.Start(kTypeZ5, 2, 1, 9600, &error)) << error;
  WindowRun run;
  Configuration settings = DefaultConfiguration(ConfigurationContext{"/tmp/", {}});
  settings.lines[0].port = first.DevicePath();
  settings.lines[1].port = "/dev/serial/by-id/usb-absent-if00-port0";
  settings.detectorType = kTypeZ5;
  settings.addresses = {1, 2};
  run.WriteConfig(EncodeConfigurationText(ComposeConfigurationText(settings)));
  run.Open(kTypeZ5, 0);
  ASSERT_TRUE(run.WaitForRows(2));
  auto* port = run.Control<QComboBox>(id::Port(0));
  EXPECT_EQ(PortItem(port), first.DevicePath());
  EXPECT_EQ(PortItem(run.Control<QComboBox>(id::Port(1))), settings.lines[1].port);  // absent, still kept

  // The operator types the other bus's device; polling goes on there.
  port->lineEdit()->selectAll();
  QTest::keyClicks(port->lineEdit(), QString::fromStdString(second.DevicePath()));
  QTest::keyClick(port->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(PortItem(port), second.DevicePath());
  first.Stop();
  const std::uint64_t good = run.window->Table().Counters()[0];
  EXPECT_TRUE(RunUntil([&] { return run.window->Table().Counters()[0] >= good + 10; }, 10000));

  run.exitAnswer = kIdYes;
  ASSERT_TRUE(run.window->OnCancel());
  Configuration saved;
  ASSERT_EQ(LoadConfiguration(run.ConfigPath(), ConfigurationContext{"/tmp/", {}}, saved), 0);
  EXPECT_EQ(saved.lines[0].port, second.DevicePath());
  EXPECT_EQ(saved.lines[1].port, settings.lines[1].port);
}

}  // namespace
}  // namespace kvl
