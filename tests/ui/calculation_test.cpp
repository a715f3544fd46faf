// The graduation table calculation through the window: run data files of the
// simulated detectors are read, the operator confirms, and the tables the
// core computes from the same files land in the detectors.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <sys/stat.h>

#include <QApplication>
#include <QComboBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <thread>
#include <tuple>

#include "graduation/calc_checks.h"
#include "graduation/calc_fit.h"
#include "graduation/calc_result.h"
#include "graduation/grad_file_reader.h"
#include "graduation/grad_log.h"
#include "text/flow_texts.h"
#include "main_window_fixture.h"
#include "sim/sim_run_data.h"
#include "text/format.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::RunUntil;
using test::WindowRun;

// Every box shown so far, one after the other.
std::string Shown(const WindowRun& run) {
  std::string all;
  for (const test::ShownMessage& m : run.op.Shown()) all += m.text + "\n";
  return all;
}

TEST(Calculation, ReadFromFileFitsConfirmedSensorsAndWritesTheirTables) {
  WindowRun run;
  run.Open(kTypeZ5, 3);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduationZ5);
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  ASSERT_TRUE(run.WaitForRows(3));

  // Runs recorded earlier for two of the three detectors on the bus; the
  // second names the third's address, where another detector answers.
  std::vector<std::string> paths;
  for (int s = 0; s < 2; ++s) {
    SimRunHeader header;
    header.type = kTypeZ5;
    header.language = kEnglish;
    header.serial = run.CellText(Column::Serial, s).toStdString();
    header.modbus = s == 0 ? "1" : "3";
    header.gas = "Methane";
    header.power = "1800", header.kur = "10000", header.kuw = "10100";
    SimRunSetup setup;
    setup.type = kTypeZ5;
    setup.lines = 20000;
    setup.seed = std::uint64_t(s + 1);
    paths.push_back(run.dir.path().toStdString() + "/" + header.serial + "_0.grad");
    std::ofstream(paths.back(), std::ios::binary) << SimRunFile(header, SimulatedRunRows(setup));
  }
  run.fileChoice = paths;
  const std::string second = run.CellText(Column::Serial, 1).toStdString();
  const std::string third = run.CellText(Column::Serial, 2).toStdString();
  // Both calculated and written: the second is refused by the detector at 3.
  run.op.ScriptAnswers({kAnswerOk, kAnswerOk, kAnswerOk, kAnswerOk});
  run.Control<QPushButton>(id::kReadFromFile)->click();
  EXPECT_FALSE(run.window->Table().TableWriting());
  const std::vector<test::ShownMessage> shown = run.op.Shown();
  ASSERT_GE(shown.size(), 5u);
  EXPECT_FALSE(shown[0].question);  // the summary comes first

  // The same calculation without the window.
  const CalcSettings settings = CalcSettingsFrom(run.window->Settings());
  CalcRead read = ReadGradFiles(paths, settings);
  CheckSegments(read, settings);
  ASSERT_EQ(read.sensors.size(), 2u);
  const CalcSensor& first = read.sensors[0];
  const SensorTables tables = FitSensor(first, settings, FitMethod::Fast);
  ASSERT_FALSE(tables.tables.empty());
  const std::vector<RegisterBlock> blocks =
      RegisterBlocks(first, tables.tables[size_t(std::max(0, tables.written))], kTypeZ5);
  ASSERT_FALSE(blocks.empty());
  auto holds = [&](int address, const RegisterBlock& block) {
    const auto image = run.Bus().Registers(address);
    for (std::size_t i = 0; i < block.words.size(); ++i)
      if ((*image)[block.first + i] != block.words[i]) return false;
    return true;
  };
  EXPECT_TRUE(RunUntil([&] { return holds(first.address, blocks.back()); }, 8000));
  const std::string refusal = "File " + second + "_0.grad is for serial number " + second +
                              ", but the detector at address 3 has serial number " + third +
                              ": nothing was written. Serial number " + second + " answers at address 2.";
  EXPECT_TRUE(RunUntil([&] { return Shown(run).find(refusal) != std::string::npos; }, 8000)) << Shown(run);
  for (int other : {2, 3})
    EXPECT_FALSE(
        holds(other, RegisterBlocks(read.sensors[1],
                                    FitSensor(read.sensors[1], settings, FitMethod::Fast).tables[0], kTypeZ5)
                         .back()));

  // Polling waits, as the stage field says, until a mode change polls the three of before.
  EXPECT_TRUE(run.Control(id::kStagePrompt)->isVisible());
  const std::uint64_t good = run.window->Table().Counters()[0];
  test::Settle();
  EXPECT_LE(run.window->Table().Counters()[0], good + 1);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduation);
  EXPECT_FALSE(run.Control(id::kStagePrompt)->isVisible());
  EXPECT_EQ(run.window->Table().AddressList(), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_TRUE(run.WaitForRows(3));
}

// "Read from tab": a file named after its detector's serial number goes into
// that detector; one named otherwise after the operator confirmed the serial
// number found at its address (the link's refusals are kvlctl write-tab's).
TEST(Calculation, ReadFromTabWritesEachTableOnlyIntoItsDetector) {
  WindowRun run;
  run.Open(kTypeKvelt, 2);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduation);
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  ASSERT_TRUE(run.WaitForRows(2));
  auto table = [](int address, int t0) {
    std::string text = Format("Modbus_number=%d\r\n", address);
    for (int n = 7; n >= 0; --n)
      text += Format("T[%d]=%d  D[%2d]=%d  K3[%2d]=0.25  K2[%2d]=-2  K1[%2d]=1\r\n", n, t0 + 10 * n, n, 500,
                     n, n, n);
    return text;
  };
  for (const auto& [name, address, t0] : {std::tuple("2400001.tab", 1, -400), {"a.tab", 2, -300}}) {
    run.fileChoice.push_back(run.dir.path().toStdString() + "/" + name);
    std::ofstream(run.fileChoice.back(), std::ios::binary) << table(address, t0);
  }
  run.op.ScriptAnswers({kAnswerYes});
  run.Control<QPushButton>(id::kReadFromTab)->click();
  auto t0 = [&](int address) { return int(std::int16_t((*run.Bus().Registers(address))[24])); };
  EXPECT_TRUE(RunUntil([&] { return t0(1) == -400 && t0(2) == -300; }, 15000)) << t0(1) << " " << t0(2);
  EXPECT_NE(Shown(run).find(
                "File a.tab names only address 2. The detector at that address has serial number 24002. "
                "Write the file into this detector?"),
            std::string::npos)
      << Shown(run);
}

TEST(Calculation, CancelWhileReadingResumesPollingWithNoSensorsTaken) {
  WindowRun run;
  run.Open(kTypeZ5, 2);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduation);
  ASSERT_TRUE(run.WaitForRows(2));

  // A run data file that keeps coming (a pipe) until the operator has cancelled.
  const std::string path = run.dir.path().toStdString() + "/5100001_0.grad";
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  std::atomic<bool> cancelled{false};
  std::thread feeder([&] {
    std::ofstream out(path, std::ios::binary);
    SimRunHeader header;
    header.type = kTypeZ5;
    header.serial = "5100001";
    header.power = "1800", header.kur = "10000", header.kuw = "10100";
    SimRunSetup setup;
    setup.type = kTypeZ5;
    setup.lines = 3000;
    const std::vector<SimRunRow> rows = SimulatedRunRows(setup);
    out << SimRunHeaderBlock(header);
    for (std::size_t k = 0; !cancelled; k = (k + 1) % rows.size()) out << SimRunLine(header, rows[k]);
  });

  QString label;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QProgressDialog*>(w);
      if (!box || !box->isVisible() || cancelled) continue;
      label = box->labelText();
      box->cancel();
      cancelled = true;
    }
  });
  watch.start(50);
  run.fileChoice = {path};
  const std::uint64_t before = run.window->Table().Counters()[0];
  run.Control<QPushButton>(id::kReadFromFile)->click();
  watch.stop();
  cancelled = true;
  feeder.join();

  EXPECT_TRUE(label.startsWith(QStringLiteral("Read from file\n")) || label.startsWith(QStringLiteral("Прочитать из файла\n")))
      << label.toStdString();
  EXPECT_TRUE(run.op.Shown().empty()) << run.op.Shown().front().text;  // no summary, no question
  EXPECT_FALSE(run.window->Table().TableWriting());
  EXPECT_TRUE(RunUntil([&] { return run.window->Table().Counters()[0] > before + 4; }, 8000));
}

// Whatever file the operator offers and the window refuses, the rows end
// with the polled detectors and polling runs, as after a file taken; also
// when a calculation's file rows were on screen before.
TEST(Calculation, EveryRefusedFileLeadsBackToThePolledRows) {
  WindowRun run;
  run.Open(kTypeZ5, 2);
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  ASSERT_TRUE(run.WaitForRows(2));
  const std::string serial = run.CellText(Column::Serial, 0).toStdString(), folder = run.dir.path().toStdString() + "/";
  auto write = [&](const std::string& name, const std::string& bytes) { std::ofstream(folder + name) << bytes; return folder + name; };
  const RegisterImage image = *run.Bus().Registers(1);
  const std::string log = write(serial + ".tab", GradLogRunHeader(kTypeZ5, 1, image, std::tm{}) +
                                                     GradLogPointLine(7, GradPointFromTable(image, 7), 85, false, false));
  const SimRunHeader header{.type = kTypeZ5, .serial = serial, .power = "1800", .kur = "10000", .kuw = "10100"};
  const std::string good = write(serial + "_0.grad", SimRunFile(header, SimulatedRunRows({.type = kTypeZ5, .lines = 2000})));
  const auto* prompt = run.Control<QLabel>(id::kStagePrompt);
  auto fileRowsShown = [&] { return prompt->isVisible() && prompt->text() == txt::kRowsShowFileData(kEnglish); };
  // With a calculation's rows on screen before (its table not calculated) or not; button 0: "Sett. from file".
  struct Case { bool overFileRows; std::string file; int button; const char* refusal; };
  const Case cases[] = {
      {false, log, id::kReadFromTab, "a graduation log, not a table file"},
      {true, log, id::kReadFromTab, "a graduation log"},
      {false, write("a.tab", "Modbus_number=0\r\nT[7]=1\r\n"), id::kReadFromTab, " from 1 to 255"},
      {true, write("b.tab", "Modbus_number=1\r\nT[7]=1\r\n"), id::kReadFromTab, "D[ 7]= not found"},
      {true, write("c_0.grad", "*\r\n12:00:00 1 2 3\r\n"), id::kReadFromFile, ""},
      {false, write("d.set", "GAS x\r\n"), 0, "Error in line"},
  };
  for (const Case& c : cases) {
    run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(c.button ? kModeGraduationZ5 : kModeSaveSettings);
    ASSERT_TRUE(run.WaitForRows(2));
    run.fileChoice = {good};
    run.op.ScriptAnswers({kAnswerCancel});
    if (c.overFileRows) run.Control<QPushButton>(id::kReadFromFile)->click();
    ASSERT_EQ(fileRowsShown(), c.overFileRows);
    run.op.ClearShown();
    run.fileChoice = {c.file};
    run.Control<QPushButton>(c.button ? c.button : CellId(Column::SettFromFile, 0))->click();
    const std::string shown = run.op.Shown().empty() ? std::string() : run.op.Shown().front().text;
    EXPECT_NE(shown.find(c.refusal), std::string::npos) << c.file << ": " << shown;
    EXPECT_FALSE(run.window->Table().TableWriting() || fileRowsShown());
    const std::uint64_t polled = run.window->Table().Counters()[0];
    EXPECT_TRUE(RunUntil([&] { return run.window->Table().Counters()[0] > polled + 2 && run.WaitForRows(2, 0); }, 8000));
  }
}

}  // namespace
}  // namespace kvl
