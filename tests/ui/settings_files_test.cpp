// Settings files through the window against simulated detectors: a row's
// settings saved to the data folder, the detector changed on the bus and
// restored from the file, and a Z5 compared with its file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>

#include "detector/register_map.h"
#include "link/modbus_frames.h"
#include "main_window_fixture.h"
#include "text/format.h"
#include "text/text_file.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::ReadAll;
using test::RunUntil;
using test::WindowRun;

// The register line a saved file must carry for the detector's block.
std::string BlockLine(int type, const RegisterImage& image, int first, int last) {
  const bool kvelt = type == kTypeKvelt;
  std::string line = Format(kvelt ? "R%02X" : "R%03u", unsigned(first + 1));
  for (int a = first; a <= last; ++a) line += Format(kvelt ? " %04X" : " %5u", unsigned(image[size_t(a)]));
  return line + "\r\n";
}

bool RowHoldsBusRegisters(WindowRun& run, int first, int last) {
  const RegisterImage bus = *run.Bus().Registers(1);
  const RegisterImage& row = run.window->Table().Slot(0).image;
  for (int a = first; a <= last; ++a)
    if (row[size_t(a)] != bus[size_t(a)]) return false;
  return true;
}

// Changes registers on the simulated detector (a block write stores them as
// they stand) and waits until the window's row has read them.
void ChangeOnBus(WindowRun& run, int address, std::uint16_t value) {
  run.Bus().HandleRequest(BuildWriteMultiple(1, std::uint16_t(address), {value}));
  ASSERT_TRUE(RunUntil([&] { return run.window->Table().Slot(0).image[size_t(address)] == value; }, 8000));
}

// The window in English and mode "Save settings" on one detector, its data folder in the run's folder.
std::string OpenInSaveSettings(WindowRun& run, int type, int first, int last) {
  run.Open(type, 1);
  run.Control<QComboBox>(id::kLanguageSelector)->setCurrentIndex(kEnglish);
  // Tuning first: a KVELT's LEL_CONC is read there, not in "Save settings".
  EXPECT_TRUE(run.WaitForRows(1));
  EXPECT_TRUE(RunUntil([&] { return run.window->Table().Slot(0).image[size_t(LayoutFor(type).LEL_CONC)] != 0; }, 8000));
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeSaveSettings);
  EXPECT_TRUE(RunUntil([&] { return RowHoldsBusRegisters(run, first, last); }, 8000));
  const std::string folder = run.dir.path().toStdString() + "/data";
  QDir().mkpath(QString::fromStdString(folder));
  run.folderChoice = folder;
  run.Control<QPushButton>(id::kDataFolder)->click();
  return folder + "/";
}

void Click(WindowRun& run, Column column) { run.Control<QPushButton>(CellId(column, 0))->click(); }

TEST(SettingsFiles, KveltSavedAfterTheZeroQuestionAndWrittenBack) {
  WindowRun run;
  const std::string folder = OpenInSaveSettings(run, kTypeKvelt, 24, 63);
  ChangeOnBus(run, 30, 0);
  const std::string serial = run.CellText(Column::Serial, 0).toStdString();
  const std::string path = folder + serial + "_0.set";

  // Register 31 (hex 1F) at 0: "No" writes nothing, "Yes" the file.
  run.op.ScriptAnswers({kAnswerNo, kAnswerYes});
  Click(run, Column::SettToFile);
  ASSERT_FALSE(run.op.Shown().empty());
  EXPECT_NE(run.op.Shown().back().text.find("The following registers are 0, record the file?\n(hex)"),
            std::string::npos);
  EXPECT_NE(run.op.Shown().back().text.find("  1F"), std::string::npos) << run.op.Shown().back().text;
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
  Click(run, Column::SettToFile);
  const std::string bytes = ReadAll(path);
  ASSERT_FALSE(bytes.empty()) << path;

  const RegisterImage saved = *run.Bus().Registers(1);
  EXPECT_EQ(bytes.rfind("DATE", 0), 0u);
  EXPECT_NE(bytes.find("\r\nMODBUS_NUM     1\r\nSER_NUM" + Format("%9s", serial.c_str()) + "\r\nGAS"),
            std::string::npos)
      << bytes;
  EXPECT_NE(bytes.find(Format("\r\nLEL_CONC%8u\r\n\r\n", unsigned(saved[71]))), std::string::npos) << bytes;
  EXPECT_EQ(bytes.substr(bytes.find("\r\n\r\n") + 4),
            BlockLine(kTypeKvelt, saved, 24, 39) + BlockLine(kTypeKvelt, saved, 40, 55) +
                BlockLine(kTypeKvelt, saved, 58, 63));

  // Changed on the bus (a block register and one written singly), then restored from the file.
  ChangeOnBus(run, 30, 0x1234);
  ChangeOnBus(run, 60, std::uint16_t(saved[60] ^ 0x0101));
  run.fileChoice = {path};
  const std::size_t shown = run.op.Shown().size();
  Click(run, Column::SettFromFile);
  EXPECT_TRUE(RunUntil(
      [&] {
        const RegisterImage now = *run.Bus().Registers(1);
        return now[30] == saved[30] && now[60] == saved[60];
      },
      8000));
  // The link reports the batch once, after its last write.
  ASSERT_TRUE(RunUntil([&] { return run.op.Shown().size() > shown; }, 8000));
  const std::string report = run.op.Shown().back().text;
  EXPECT_NE(report.find("Recorded"), std::string::npos) << report;
  EXPECT_EQ(report.find("not executed"), std::string::npos) << report;
  EXPECT_FALSE(run.window->Table().TableWriting());
}

TEST(SettingsFiles, Z5ComparedWithAnEqualAndADifferentFileThenRestored) {
  WindowRun run;
  const std::string folder = OpenInSaveSettings(run, kTypeZ5, 96, 159);
  run.op.ScriptAnswers({kAnswerYes});  // in case some setting holds 0
  Click(run, Column::SettToFile);
  const std::string path = folder + run.CellText(Column::Serial, 0).toStdString() + "_0.set";
  const std::string bytes = ReadAll(path);
  ASSERT_FALSE(bytes.empty()) << path;
  const RegisterImage saved = *run.Bus().Registers(1);
  EXPECT_NE(bytes.find("\r\n\r\n" + BlockLine(kTypeZ5, saved, 96, 100) + BlockLine(kTypeZ5, saved, 104, 111)),
            std::string::npos)
      << bytes;

  run.fileChoice = {path};
  Click(run, Column::CompareSett);
  ASSERT_FALSE(run.op.Shown().empty());
  EXPECT_EQ(run.op.Shown().back().text, "Settings are equal");

  ChangeOnBus(run, 130, std::uint16_t(saved[130] + 7));
  Click(run, Column::CompareSett);
  EXPECT_EQ(run.op.Shown().back().text, "Settings aren't equal\n131 ");

  // Cancelled: nothing happens.
  const std::size_t shown = run.op.Shown().size();
  run.fileChoice.clear();
  Click(run, Column::SettFromFile);
  EXPECT_EQ(run.op.Shown().size(), shown);

  // A detector that keeps its registers: the report lists them, never "Recorded".
  ASSERT_TRUE(run.Bus().SetFault(1, {SimFaultKind::NoStore, 0}));
  run.fileChoice = {path};
  Click(run, Column::SettFromFile);
  ASSERT_TRUE(RunUntil([&] { return run.op.Shown().size() > shown; }, 8000));
  EXPECT_NE(run.op.Shown().back().text.find("differ from those written:\nregister 130: written " +
                                            std::to_string(saved[130])),
            std::string::npos)
      << run.op.Shown().back().text;
  ASSERT_TRUE(run.Bus().SetFault(1, SimFault{}));
  // The row's button comes back once the batch is over: a click before that is lost.
  ASSERT_TRUE(RunUntil([&] { return run.Control<QPushButton>(CellId(Column::SettFromFile, 0))->isEnabled(); }, 8000));
  const std::size_t failed = run.op.Shown().size();
  Click(run, Column::SettFromFile);
  EXPECT_TRUE(RunUntil([&] { return (*run.Bus().Registers(1))[130] == saved[130]; }, 8000));
  ASSERT_TRUE(RunUntil([&] { return run.op.Shown().size() > failed; }, 8000));
  EXPECT_EQ(run.op.Shown().back().text.find("not executed"), std::string::npos) << run.op.Shown().back().text;
  ASSERT_TRUE(RunUntil([&] { return run.window->Table().Slot(0).image[130] == saved[130]; }, 8000));
  Click(run, Column::CompareSett);
  EXPECT_EQ(run.op.Shown().back().text, "Settings are equal");
}

}  // namespace
}  // namespace kvl
