// The traffic window on the demo bus: opened by Ctrl+T, it lists the line's
// frames with their decodings and the per-detector figures, filters by
// address, pauses, saves a file and follows the language.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>

#include "main_window_fixture.h"
#include "ui/main_window/main_controls.h"
#include "ui/main_window/traffic_window.h"

namespace kvl {
namespace {

using test::RunUntil;

QStringList Lines(const QPlainTextEdit* view) {
  const QString text = view->toPlainText();
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

// The row of the figures table for a detector; -1 when it has none.
int StatsRow(const QTableWidget* table, int address) {
  for (int r = 0; r < table->rowCount(); ++r)
    if (table->item(r, 0) && table->item(r, 0)->text() == QString::number(address)) return r;
  return -1;
}

TEST(TrafficWindow, CtrlTOpensItOnTheDemoBusToFilterPauseAndSave) {
  test::WindowRun run;
  run.Open(kTypeZ5, 3);
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  ASSERT_TRUE(run.WaitForRows(3));
  run.Bus().SetFault(3, {SimFaultKind::Crc, 0});
  QTest::keyClick(run.window.get(), Qt::Key_T, Qt::ControlModifier);
  CTrafficWindow* traffic = run.window->TrafficWindow();
  ASSERT_TRUE(traffic && traffic->isVisible());
  auto* view = traffic->findChild<QPlainTextEdit*>(QStringLiteral("trafficView"));
  auto* stats = traffic->findChild<QTableWidget*>(QStringLiteral("trafficStats"));
  auto* filter = traffic->findChild<QLineEdit*>(QStringLiteral("trafficFilter"));
  auto* pause = traffic->findChild<QPushButton*>(QStringLiteral("trafficPause"));
  auto* status = traffic->findChild<QLabel*>(QStringLiteral("trafficStatus"));
  ASSERT_TRUE(view && stats && filter && pause && status);

  // Requests, good answers and the broken ones of detector 3, each decoded.
  const QRegularExpression request(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3} -> addr 1: read .* \| 01 0[34]( [0-9A-F]{2}){6}$)"));
  const QRegularExpression answer(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3} <- addr 2: \d+ words .* \| 02 0[34] [0-9A-F]{2}( [0-9A-F]{2})+$)"));
  const QRegularExpression broken(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3} <- CRC wrong  \[result 3\] +\| 03( [0-9A-F]{2})+$)"));
  auto anyLine = [&](const QRegularExpression& re) { return !Lines(view).filter(re).isEmpty(); };
  ASSERT_TRUE(RunUntil([&] { return anyLine(request) && anyLine(answer) && anyLine(broken); }, 8000))
      << view->toPlainText().right(2000).toStdString();
  // The figures: detector 2 answers with a latency, detector 3 only with CRC failures.
  ASSERT_TRUE(RunUntil([&] { return StatsRow(stats, 2) >= 0 && StatsRow(stats, 3) >= 0; }));
  ASSERT_TRUE(RunUntil([&] { return stats->item(StatsRow(stats, 3), 7)->text().toInt() > 0; }));
  EXPECT_GT(stats->item(StatsRow(stats, 2), 2)->text().toInt(), 0);
  EXPECT_GT(stats->item(StatsRow(stats, 2), 4)->text().toDouble(), 0.0);

  // Filtered to detector 2: what was shown is shown again, and new frames follow, all of it 2's.
  filter->setText(QStringLiteral("2"));
  const auto onlyTwo = [&] {
    const QStringList lines = Lines(view);
    return !lines.isEmpty() && lines.filter(QRegularExpression(QStringLiteral("[->] addr 2: "))).size() == lines.size();
  };
  EXPECT_TRUE(onlyTwo());
  const int before = int(Lines(view).size());
  ASSERT_TRUE(RunUntil([&] { return int(Lines(view).size()) > before + 4; }, 5000));
  EXPECT_TRUE(onlyTwo()) << view->toPlainText().right(2000).toStdString();
  filter->setText(QStringLiteral("2-"));  // not a list yet: the filter stays
  EXPECT_TRUE(onlyTwo());

  // Paused, the list stands still while the line goes on.
  pause->click();
  EXPECT_TRUE(traffic->Paused());
  EXPECT_TRUE(status->text().contains(QStringLiteral("paused")));
  const QStringList frozen = Lines(view);
  QTest::qWait(6 * CTrafficWindow::kRefreshMs);
  EXPECT_EQ(Lines(view), frozen);

  // Saved: the lines shown, an empty line, the figures per detector, CR LF each.
  const std::string path = QDir(run.dir.path()).filePath(QStringLiteral("traffic.txt")).toStdString();
  traffic->chooseSavePath = [&](const std::string&, const std::string& suggested) {
    EXPECT_NE(suggested.find("traffic_"), std::string::npos);
    return path;
  };
  traffic->findChild<QPushButton*>(QStringLiteral("trafficSave"))->click();
  const QStringList saved = QString::fromStdString(test::ReadAll(path)).split(QStringLiteral("\r\n"));
  ASSERT_GT(saved.size(), frozen.size() + 4);
  EXPECT_EQ(saved.mid(0, frozen.size()), frozen);
  EXPECT_EQ(saved[frozen.size()], QString());
  EXPECT_TRUE(saved[frozen.size() + 1].startsWith(QStringLiteral("addr 1: "))) << saved[frozen.size() + 1].toStdString();
  EXPECT_TRUE(saved[frozen.size() + 3].contains(QRegularExpression(QStringLiteral("^addr 3: .* CRC [1-9]"))));
  EXPECT_EQ(saved.back(), QString()) << "the last line ends with CR LF";

  // Resumed, it catches up; cleared, it starts again with the figures.
  pause->click();
  EXPECT_FALSE(traffic->Paused());
  EXPECT_GT(Lines(view).size(), frozen.size());
  traffic->findChild<QPushButton*>(QStringLiteral("trafficClear"))->click();
  EXPECT_TRUE(Lines(view).isEmpty());
  EXPECT_EQ(stats->rowCount(), 0);
  ASSERT_TRUE(RunUntil([&] { return onlyTwo() && StatsRow(stats, 2) >= 0; }, 5000));

  // The main window's language reaches it.
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kRussian);
  EXPECT_EQ(pause->text(), QString::fromUtf8("Пауза"));
  EXPECT_EQ(stats->horizontalHeaderItem(6)->text(), QString::fromUtf8("Нет ответа"));
  // Its frames' words too, and it follows the newest frames until the operator scrolls up.
  QScrollBar* bar = view->verticalScrollBar();
  ASSERT_TRUE(RunUntil([&] { return Lines(view).filter(QRegularExpression(QString::fromUtf8("[->] адр 2: "))).size() > 30; }, 8000));
  EXPECT_EQ(bar->value(), bar->maximum());
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  const int up = bar->value();
  ASSERT_TRUE(RunUntil([&] { return bar->maximum() > up + bar->pageStep(); }, 5000));
  EXPECT_EQ(bar->value(), up);
}

}  // namespace
}  // namespace kvl
