// Recording and the graduation run through the window against simulated
// detectors: the operator's answers are scripted, files land in a temporary
// data folder, and the simulated detectors capture the graduation points.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <cmath>
#include <ctime>
#include <optional>
#include <sstream>

#include "detector/register_map.h"
#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/calc_result.h"
#include "graduation/grad_file_reader.h"
#include "graduation/grad_log.h"
#include "graduation/write_journal.h"
#include "main_window_fixture.h"
#include "support/child_process.h"
#include "text/format.h"
#include "text/message_texts.h"
#include "text/report_texts.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::DialogAnswer;
using test::ReadAll;
using test::RunUntil;
using test::Settle;
using test::WindowRun;

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

// The tables the core computes from the files, and what a detector holds of them.
struct CoreTables {
  CalcRead read;
  std::vector<SensorTables> tables;
};

CoreTables CalculateWithoutTheWindow(const std::vector<std::string>& paths, const CalcSettings& settings) {
  CoreTables core;
  core.read = ReadGradFiles(paths, settings);
  CheckSegments(core.read, settings);
  for (const CalcSensor& sensor : core.read.sensors) core.tables.push_back(FitSensor(sensor, settings, FitMethod::Fast));
  return core;
}

bool DetectorHolds(WindowRun& run, int address, const std::vector<RegisterBlock>& blocks) {
  const auto image = run.Bus().Registers(address);
  for (const RegisterBlock& block : blocks)
    for (std::size_t i = 0; i < block.words.size(); ++i)
      if ((*image)[block.first + i] != block.words[i]) return false;
  return true;
}

std::string JsonInts(const GradPoints& v) {
  std::string out = "[";
  for (std::size_t i = 0; i < v.size(); ++i) out += (i ? ", " : "") + std::to_string(v[i]);
  return out + "]";
}

TEST(GraduationRun, StopHidesDone) {
  WindowRun run;
  run.Open(kTypeZ5, 1);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduationZ5);
  ASSERT_TRUE(run.WaitForRows(1));
  auto* done = run.Control<QPushButton>(id::kDone);
  run.dialogAnswers.push_back({{{1015, QStringLiteral("6847")}}, {}, {}, 1});
  run.dialogAnswers.push_back({{}, {{1018, 0}}, {1029}, 1});  // without delay
  run.dialogAnswers.push_back({{{1028, QStringLiteral("0,5")}, {1029, QStringLiteral("1.0")}}, {}, {}, 1});
  run.Control<QPushButton>(id::kGraduation)->click();
  QTest::mouseClick(done, Qt::LeftButton);  // now waiting for the detectors, it leaves "P emitter" alone
  EXPECT_NE(QApplication::focusWidget(), run.Control(id::kEmitterPower));
  run.op.ScriptAnswers({kAnswerYes});
  run.Control<QPushButton>(id::kGraduation)->click();
  EXPECT_FALSE(run.window->Run().Running() || done->isVisible());
  QTest::keyClick(run.Control(id::kModeSelector), Qt::Key_Down);  // past "Running-in", which a Z5 lacks
  EXPECT_EQ(run.window->Mode(), kModeSaveSettings);
}

// The README's demo graduation of four detectors: without gas, its files
// give every detector a whole table; then with gas, every detector captures
// each point with the gas of the step confirmed (the demo's gas moves on only
// after the captures). Both lie within the simulated detectors' own truth.
TEST(GraduationRun, AWholeRunInTheWindowCapturesEveryPointThenItsFilesAreCalculatedAndWritten) {
  constexpr int kDetectors = 4;
  WindowRun run;
  run.stabilizationMs = 150;
  run.Open(kTypeZ5, kDetectors);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduation);  // its files carry Power, KUR and KUW
  ASSERT_TRUE(run.WaitForRows(kDetectors));
  const std::string folder = run.dir.path().toStdString() + "/";
  run.folderChoice = folder;
  run.Control<QPushButton>(id::kDataFolder)->click();

  run.dialogAnswers.push_back({{{1015, QStringLiteral("6847")}}, {}, {}, 1});                     // password
  run.dialogAnswers.push_back({{}, {{1018, 0}}, {1030}, 1});  // from +85 °C, without gas, as a calculated table needs
  run.dialogAnswers.push_back({{{1028, QStringLiteral("0,5")}, {1029, QStringLiteral("1.0")}}, {}, {}, 1});
  run.Control<QPushButton>(id::kGraduation)->click();
  ASSERT_TRUE(run.window->Run().Running());
  auto* done = run.Control<QPushButton>(id::kDone);
  // Every measuring step records two lines of both detectors at its
  // temperature before it is done (the rows show the new temperature once
  // polled after the click), so the files cover the whole sweep.
  std::array<QString, 2> tAtClick;
  std::optional<std::size_t> recordedAtNewT;
  const bool ended = RunUntil(
      [&] {
        const std::size_t recorded = run.window->Recorder().RecordedCount();
        const bool newT = run.CellText(Column::T, 0) != tAtClick[0] && run.CellText(Column::T, 1) != tAtClick[1];
        if (newT && !recordedAtNewT) recordedAtNewT = recorded;
        const bool waited = run.window->Run().Step() == 0 || (recordedAtNewT && recorded >= *recordedAtNewT + 2);
        if (done->isEnabled() && done->isVisible() && waited) {
          if (run.window->Run().Step() == 0) tAtClick = {run.CellText(Column::T, 0), run.CellText(Column::T, 1)};
          recordedAtNewT.reset();
          done->click();
        }
        return !run.window->Run().Running();
      },
      120000);
  ASSERT_TRUE(ended) << "stage " << run.window->Run().Stage() << " step " << run.window->Run().Step();
  EXPECT_FALSE(done->isVisible());  // the run is over: nothing is left to confirm

  for (int s = 0; s < kDetectors; ++s) {
    const std::string serial = run.CellText(Column::Serial, s).toStdString();
    const std::string log = ReadAll(GradLogPath(folder, serial));
    EXPECT_EQ(CountLinesStartingWith(log, "G", true), 8) << log;  // the point lines G0..G7
    EXPECT_NE(log.find("SER_NUM    " + serial + "\r\n"), std::string::npos) << log;
    const RegisterImage image = *run.Bus().Registers(s + 1);
    for (int point = 0; point < 8; ++point)
      EXPECT_NE(image[size_t(reg::z5::GradTableAddress(point, 1))], 0) << "point " << point << " of detector " << s + 1;
  }

  // The run's own data files go into the calculation; both tables are written.
  std::vector<std::string> paths;
  for (const QString& name : QDir(run.dir.path()).entryList({QStringLiteral("*.grad")}, QDir::Files))
    paths.push_back(folder + name.toStdString());
  ASSERT_EQ(paths.size(), size_t(kDetectors));
  const CalcSettings settings = CalcSettingsFrom(run.window->Settings());
  const CoreTables core = CalculateWithoutTheWindow(paths, settings);
  ASSERT_EQ(core.read.sensors.size(), size_t(kDetectors));
  run.fileChoice = paths;
  run.op.ClearShown();
  run.op.ScriptAnswers(std::vector<int>(2 * kDetectors, kAnswerOk));
  run.Control<QPushButton>(id::kReadFromFile)->click();
  std::string summary;
  for (const auto& m : run.op.Shown()) summary += m.text + "\n";

  EXPECT_EQ(summary.find(txt::kNotFoundInFile(kEnglish)), std::string::npos) << summary;

  for (std::size_t k = 0; k < size_t(kDetectors); ++k) {
    const CalcSensor& sensor = core.read.sensors[k];
    const SensorTables& fitted = core.tables[k];
    ASSERT_FALSE(fitted.tables.empty()) << summary;
    const SegmentTable& table = fitted.tables[size_t(std::max(0, fitted.written))];
    // Clean air's R and W of the simulated detector at each of the table's temperatures.
    for (std::size_t i = 0; i < table.T.size(); ++i) {
      const auto truth = *run.Bus().TrueSignals(sensor.address, table.T[i], 0);
      EXPECT_NEAR(table.D[0][i], truth.first, 0.02 * truth.first) << sensor.serial << " R at T " << table.T[i];
      EXPECT_NEAR(table.D[1][i], truth.second, 0.02 * truth.second) << sensor.serial << " W at T " << table.T[i];
    }
    EXPECT_TRUE(RunUntil([&] { return DetectorHolds(run, sensor.address, RegisterBlocks(sensor, table, kTypeZ5)); }, 20000))
        << sensor.serial << "\n" << summary;
    // The run's record: the sensor's report, filed once its write was read back, and its journal line.
    const std::string report = folder + sensor.serial + "_0.html";
    auto verified = [&] {
      const std::string html = ReadAll(report);
      return html.find(txt::kReportVerdictVerified(kEnglish)) != std::string::npos ||
             html.find(txt::kReportVerdictVerified(kRussian)) != std::string::npos;
    };
    EXPECT_TRUE(RunUntil(verified, 8000)) << report;
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    // The serial number read from the detector just before the write, and the file's.
    EXPECT_NE(ReadAll(JournalFileName(folder, today))
                  .find("serial=" + sensor.serial + Format("  addr=%d", sensor.address)),
              std::string::npos);
    EXPECT_NE(ReadAll(JournalFileName(folder, today)).find("file_serial=" + sensor.serial),
              std::string::npos);
  }

  // The shell gives the same tables.
  std::vector<std::string> argv = {test::BuiltToolPath("kvlctl"), "calc", "--type", "Z5", "--json"};
  argv.insert(argv.end(), paths.begin(), paths.end());
  test::ChildProcess kvlctl(argv);
  const test::ProcessResult result = kvlctl.Finish(20000);
  ASSERT_EQ(result.exitCode, 0) << result.err;
  for (const SensorTables& fitted : core.tables) {
    const SegmentTable& table = fitted.tables[size_t(std::max(0, fitted.written))];
    EXPECT_NE(result.out.find("\"T\": " + JsonInts(table.T) + ", \"D\": [" + JsonInts(table.D[0]) + ", " +
                              JsonInts(table.D[1]) + "]"),
              std::string::npos)
        << result.out;
  }

  // With gas in "Graduation-Z5" (polling again), "   Done" as soon as enabled: each point captured is its gas's truth.
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduationZ5);
  ASSERT_TRUE(run.WaitForRows(kDetectors));
  run.dialogAnswers.push_back({{{1015, QStringLiteral("6847")}}, {}, {}, 1});
  run.dialogAnswers.push_back({{}, {{1018, 0}}, {1029}, 1});  // without delay
  run.dialogAnswers.push_back({{{1028, QStringLiteral("0,5")}, {1029, QStringLiteral("1.0")}}, {}, {}, 1});
  run.Control<QPushButton>(id::kGraduation)->click();
  ASSERT_TRUE(RunUntil([&] { return (done->isEnabled() && done->isVisible() && (done->click(), false)) || !run.window->Run().Running(); }, 120000));
  for (int s = 0; s < kDetectors; ++s) {
    const RegisterImage image = *run.Bus().Registers(s + 1);
    EXPECT_EQ(image[reg::z5::kBadGraduation], 0) << "detector " << s + 1;
    for (int k = 0; k < 24; ++k) {  // point k / 3 with zero gas, middle, high (k % 3): R0/W0, R1/W1, R2/W2
      const auto at = [&](int column) { return double(image[size_t(reg::z5::GradTableAddress(k / 3, column))]); };
      const auto truth = *run.Bus().TrueSignals(s + 1, Signed16(std::uint16_t(at(0))), k % 3);
      EXPECT_NEAR(at(1 + 2 * (k % 3)), truth.first, 0.01 * truth.first) << "detector " << s + 1 << " k " << k;
      EXPECT_NEAR(at(2 + 2 * (k % 3)), truth.second, 0.01 * truth.second) << "detector " << s + 1 << " k " << k;
    }
  }
}

}  // namespace
}  // namespace kvl
