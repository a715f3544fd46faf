// Recording and the graduation run through the window against simulated
// detectors: the operator's answers are scripted, files land in a temporary
// data folder, and the simulated detectors capture the graduation points.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "detector/register_map.h"
#include "graduation/grad_log.h"
#include "main_window_fixture.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::DialogAnswer;
using test::RunUntil;
using test::Settle;
using test::WindowRun;

std::string ReadAll(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

// Lines that start with `start` (and then a digit, when `digit` is set).
int CountLinesStartingWith(const std::string& bytes, const std::string& start, bool digit = false) {
  int n = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find('\n', at);
    const std::size_t next = at + start.size();
    if (bytes.compare(at, start.size(), start) == 0 &&
        (!digit || (next < bytes.size() && bytes[next] >= '0' && bytes[next] <= '9')))
      ++n;
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return n;
}

TEST(Recording, TheButtonAsksFilesGrowAndTheScheduleSwitchesWithoutAQuestion) {
  WindowRun run;
  run.Open(kTypeZ, 2);  // Z5 has no running-in
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeRunningIn);
  ASSERT_TRUE(run.WaitForRows(2));
  run.Control<QLineEdit>(id::kPeriod)->setText(QString());
  QTest::keyClicks(run.Control(id::kPeriod), QStringLiteral("1"));
  const std::string folder = run.dir.path().toStdString() + "/data";
  QDir().mkpath(QString::fromStdString(folder));
  run.folderChoice = folder;
  run.Control<QPushButton>(id::kDataFolder)->click();
  EXPECT_EQ(run.window->Settings().dataFolder, folder + "/");

  // "No" keeps it off; "Yes" starts a series.
  run.op.ScriptAnswers({kAnswerNo, kAnswerYes});
  run.Control<QPushButton>(id::kRecording)->click();
  EXPECT_FALSE(run.window->Recorder().Recording());
  run.Control<QPushButton>(id::kRecording)->click();
  ASSERT_TRUE(run.window->Recorder().Recording());
  EXPECT_EQ(run.op.Shown().back().text.rfind("Начать запись,  Вы уверены?  ", 0), 0u) << run.op.Shown().back().text;
  ASSERT_TRUE(RunUntil([&] { return run.window->Recorder().RecordedCount() >= 2; }, 8000));
  const QString serial = run.CellText(Column::Serial, 0);
  const std::string file = ReadAll(folder + "/" + serial.toStdString() + "_0.mon");
  EXPECT_EQ(CountLinesStartingWith(file, "*"), 5) << file;
  EXPECT_GE(CountLinesStartingWith(file, ""), 7);
  EXPECT_EQ(file.substr(file.size() - 2), "\r\n");
  EXPECT_EQ(run.Control<QLabel>(id::kRecorded)->text(), QString::number(run.window->Recorder().RecordedCount()));

  // The schedule: a stop entry due this very minute fires at once and
  // switches recording off without asking.
  const std::size_t asked = run.op.Shown().size();
  DialogAnswer schedule;
  schedule.clicks = {39965 + 1};  // stage 1, stop: tick its time
  schedule.button = 1001;
  run.dialogAnswers.push_back(schedule);
  run.Control<QPushButton>(id::kSchedule)->click();
  EXPECT_TRUE(RunUntil([&] { return !run.window->Recorder().Recording(); }, 3000));
  EXPECT_EQ(run.op.Shown().size(), asked);
}

TEST(GraduationRun, AWholeRunInTheWindowCapturesEveryPointAndLogsIt) {
  WindowRun run;
  run.stabilizationMs = 150;
  run.Open(kTypeZ5, 2);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduationZ5);
  ASSERT_TRUE(run.WaitForRows(2));
  const std::string folder = run.dir.path().toStdString() + "/";
  run.folderChoice = folder;
  run.Control<QPushButton>(id::kDataFolder)->click();

  run.dialogAnswers.push_back({{{1015, QStringLiteral("6847")}}, {}, {}, 1});                     // password
  run.dialogAnswers.push_back({{}, {{1018, 0}}, {}, 1});                                          // from +85 °C
  run.dialogAnswers.push_back({{{1028, QStringLiteral("0,5")}, {1029, QStringLiteral("1.0")}}, {}, {}, 1});
  run.Control<QPushButton>(id::kGraduation)->click();
  ASSERT_TRUE(run.window->Run().Running());
  auto* done = run.Control<QPushButton>(id::kDone);
  const bool ended = RunUntil(
      [&] {
        if (done->isEnabled() && done->isVisible()) done->click();
        return !run.window->Run().Running();
      },
      120000);
  ASSERT_TRUE(ended) << "stage " << run.window->Run().Stage() << " step " << run.window->Run().Step();

  for (int s = 0; s < 2; ++s) {
    const std::string serial = run.CellText(Column::Serial, s).toStdString();
    const std::string log = ReadAll(GradLogPath(folder, serial));
    EXPECT_EQ(CountLinesStartingWith(log, "G", true), 8) << log;  // the point lines G0..G7
    const RegisterImage image = *run.Bus().Registers(s + 1);
    for (int point = 0; point < 8; ++point)
      EXPECT_NE(image[size_t(reg::z5::GradTableAddress(point, 1))], 0) << "point " << point << " of detector " << s + 1;
  }
}

}  // namespace
}  // namespace kvl
