// One master per line and one run per folder, in the window: a detector line
// another master holds is refused with a box naming the line and its holder,
// and opens once the holder let go; a data folder another run holds refuses
// "   Start graduation" with a box before anything is asked, and a run holds
// its folder from its start to its end.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "graduation/run_folder_lock.h"
#include "link/serial_port.h"
#include "main_window_fixture.h"
#include "platform/files.h"
#include "support/pty_pair.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/link_texts.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::RunUntil;
using test::WindowRun;

bool ShownContains(const WindowRun& run, const std::string& part) {
  for (const test::ShownMessage& m : run.op.Shown())
    if (m.text.find(part) != std::string::npos) return true;
  return false;
}

std::string AllShown(const WindowRun& run) {
  std::string all;
  for (const test::ShownMessage& m : run.op.Shown()) all += m.text + "\n";
  return all;
}

TEST(WindowLocks, ALineAnotherMasterHoldsIsRefusedNamingItAndOpensOnceLetGo) {
  test::PtyPair pty;
  CSerialPort other;
  ASSERT_EQ(other.Open(pty.SlavePath()), 0);
  WindowRun run;
  run.linePort = pty.SlavePath();
  run.Open(kTypeZ, 0);
  // The holder is this test's own process, under its program name.
  const std::string refusal = Format(txt::kLineBusyBy(run.window->Language()), pty.SlavePath().c_str(), "test_ui",
                                     platform::ProcessId());
  EXPECT_TRUE(RunUntil([&] { return ShownContains(run, refusal); }, 8000)) << AllShown(run);
  auto* box = run.Control<QCheckBox>(id::LineOpen(0));
  auto* search = run.Control(id::kSearch);  // enabled on an open line only
  EXPECT_TRUE(RunUntil([&] { return !box->isChecked(); }, 8000));
  EXPECT_FALSE(search->isEnabled());
  other.Close();
  box->click();
  EXPECT_TRUE(RunUntil([&] { return search->isEnabled(); }, 8000)) << "the line let go stays refused";
  EXPECT_TRUE(box->isChecked());
}

TEST(WindowLocks, AFolderAnotherRunHoldsRefusesTheRunBeforeItAsksAndARunHoldsItsOwn) {
  WindowRun run;
  run.Open(kTypeZ5, 1);
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(kModeGraduationZ5);
  ASSERT_TRUE(run.WaitForRows(1));
  const std::string folder = run.dir.path().toStdString() + "/";
  run.folderChoice = folder;
  run.Control<QPushButton>(id::kDataFolder)->click();
  const FolderHolder stand{4711, "stand-3"};
  CRunFolderLock other;
  ASSERT_EQ(other.Take(folder, stand), FolderLockResult::kTaken);
  run.Control<QPushButton>(id::kGraduation)->click();
  EXPECT_FALSE(run.window->Run().Running());
  EXPECT_TRUE(run.dialogsOpened.empty()) << "asked for the password of a run that cannot start";
  EXPECT_TRUE(ShownContains(run, Format(txt::kFolderInUse(run.window->Language()), folder.c_str(), 4711ul, "stand-3")))
      << AllShown(run);
  other.Release();

  run.dialogAnswers.push_back({{{1015, QStringLiteral("6847")}}, {}, {}, 1});
  run.dialogAnswers.push_back({{}, {{1018, 0}}, {1029}, 1});  // without delay
  run.dialogAnswers.push_back({{{1028, QStringLiteral("0,5")}, {1029, QStringLiteral("1.0")}}, {}, {}, 1});
  run.Control<QPushButton>(id::kGraduation)->click();
  ASSERT_TRUE(run.window->Run().Running());
  EXPECT_EQ(other.Take(folder, stand), FolderLockResult::kHeld);
  EXPECT_EQ(other.Named().pid, platform::ProcessId());
  run.op.ScriptAnswers({kAnswerYes});
  run.Control<QPushButton>(id::kGraduation)->click();  // "   Stop graduation", yes
  ASSERT_FALSE(run.window->Run().Running());
  EXPECT_EQ(other.Take(folder, stand), FolderLockResult::kTaken) << "a stopped run keeps its folder";
}

}  // namespace
}  // namespace kvl
