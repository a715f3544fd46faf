// "Auto" with the demo's chamber and valves: the run confirms its own steps,
// the stage field says what it waits for, and at the end the valves are
// closed and the chamber parked, with every point captured and logged.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "chamber/profiles.h"
#include "graduation/grad_log.h"
#include "main_window_fixture.h"
#include "text/autopilot_texts.h"
#include "text/format.h"
#include "text/report_texts.h"
#include "ui/controls/color_static_st.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

// `count` demo detectors in `mode` (-1: as opened), the test's folder as the
// data folder, and an "Auto" run started with the password and the limits
// given; `stage` answers the first-stage question. Returns the data folder.
std::string StartAutoRun(test::WindowRun& run, int count, int timeScale, int mode,
                         const test::DialogAnswer& stage, std::string folder = {}) {
  run.Open(kTypeZ5, count);
  run.Bus().SetTimeScale(timeScale);
  if (mode >= 0) run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(mode);
  if (!run.WaitForRows(count)) return {};
  if (folder.empty()) folder = run.dir.path().toStdString() + "/";
  run.folderChoice = folder;
  run.Control<QPushButton>(id::kDataFolder)->click();
  run.dialogAnswers.push_back({{{1015, QStringLiteral("6847")}}, {}, {}, 1});
  run.Control<QComboBox>(id::kStageControl)->setCurrentIndex(1);  // "Auto"
  run.dialogAnswers.push_back(stage);
  run.dialogAnswers.push_back({{{1028, QStringLiteral("0,5")}, {1029, QStringLiteral("1.0")}}, {}, {}, 1});
  run.Control<QPushButton>(id::kGraduation)->click();
  return run.window->Run().Running() ? folder : std::string();
}

TEST(GraduationPilot, AutoRunsTheLastStageWithoutAKeyPress) {
  test::WindowRun run;
  run.stabilizationMs = 1000;
  // "Graduation-Z5" polls the table: the log shows the captures. Stage 8 only.
  const std::string folder = StartAutoRun(run, 2, 600, kModeGraduationZ5, {{}, {{1018, 7}}, {}, 1});
  ASSERT_FALSE(folder.empty());
  auto* prompt = run.Control<CColorStaticST>(id::kStagePrompt);
  const std::string since = txt::kApStepSince(run.window->Language());
  const QString waits = QString::fromStdString(since.substr(0, since.find('%')));
  EXPECT_TRUE(test::RunUntil([&] { return prompt->text().contains(waits); }, 5000))
      << prompt->text().toStdString();
  EXPECT_TRUE(test::RunUntil([&] { return !run.window->Run().Running(); }, 90000))
      << "stage " << run.window->Run().Stage() << " step " << run.window->Run().Step() << ": "
      << prompt->text().toStdString();
  for (int s = 0; s < 2; ++s) {
    const std::string log = test::ReadAll(GradLogPath(folder, run.CellText(Column::Serial, s).toStdString()));
    EXPECT_NE(log.find("\r\nG0 "), std::string::npos) << log;
    EXPECT_EQ(log.find("\r\nG0     0     0"), std::string::npos) << log;
  }
  EXPECT_TRUE(test::RunUntil([&] { return run.window->DemoBus()->Valves()->Mixture() < 0; }, 5000)) << "all closed";
  EXPECT_TRUE(test::RunUntil([&] { return run.window->Chamber().Last().setPoint == DemoAsciiChamberProfile().parkC; },
                             8000));
}

// A data folder that fills up holds the run, naming the folder and the
// reason, and nothing is confirmed on data that were not written; once there
// is room again the run goes on by itself and logs every point once.
TEST(GraduationPilot, AFullDataFolderHoldsTheRunUntilThereIsRoomAgain) {
  test::WindowRun run;
  run.stabilizationMs = 1000;
  const std::string disk = run.dir.path().toStdString() + "/disk/";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(disk)));
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "no tmpfs can be mounted here";
  struct Unmount {
    std::string at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{disk};
  ASSERT_FALSE(StartAutoRun(run, 2, 600, kModeGraduationZ5, {{}, {{1018, 7}}, {}, 1}, disk).empty());
  auto* prompt = run.Control<CColorStaticST>(id::kStagePrompt);
  {
    std::FILE* filler = std::fopen((disk + "filler").c_str(), "wb");
    ASSERT_TRUE(filler);
    const std::vector<char> block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
    }
    std::fclose(filler);
  }
  const std::string hold = Format(txt::kApFolderFails(run.window->Language()), (disk + ": ").c_str());
  ASSERT_TRUE(
      test::RunUntil([&] { return prompt->text().toStdString().find(hold) != std::string::npos; }, 10000))
      << prompt->text().toStdString();
  const int stage = run.window->Run().Stage(), step = run.window->Run().Step();
  EXPECT_FALSE(test::RunUntil([&] { return run.window->Run().Step() != step; }, 4000))
      << "confirmed while held";
  EXPECT_EQ(run.window->Run().Stage(), stage);
  std::remove((disk + "filler").c_str());
  EXPECT_TRUE(test::RunUntil([&] { return !run.window->Run().Running(); }, 90000))
      << "stage " << run.window->Run().Stage() << " step " << run.window->Run().Step() << ": "
      << prompt->text().toStdString();
  for (int s = 0; s < 2; ++s) {
    const std::string log = test::ReadAll(GradLogPath(disk, run.CellText(Column::Serial, s).toStdString()));
    std::size_t points = 0;
    for (std::size_t at = log.find("\r\nG"); at != std::string::npos; at = log.find("\r\nG", at + 1))
      points += at + 3 < log.size() && std::isdigit(static_cast<unsigned char>(log[at + 3]));
    EXPECT_EQ(points, 1u) << log;  // stage 8's point, once
    EXPECT_NE(log.find("\r\nG0 "), std::string::npos) << log;
    // The series found before the folder filled up, not a later number for each empty file the refusals left.
    EXPECT_TRUE(
        QFileInfo::exists(QString::fromStdString(disk) + run.CellText(Column::Serial, s) + "_0.grad"));
  }
  for (const test::ShownMessage& m : run.op.Shown()) EXPECT_FALSE(m.question) << m.text;
}

// The demo's whole path in "Graduation-Z5": every stage by "Auto", then the
// tables of the run's own files (the samples of the gas steps left out, the
// factors from the rows) calculated, written into the detectors, read back
// and reported, without one more key press.
TEST(GraduationPilot, AutoGraduationEndsWithTablesWrittenAndReported) {
  test::WindowRun run;
  run.stabilizationMs = 6000;  // the tables come from the clean air of the temperature steps
  ASSERT_FALSE(StartAutoRun(run, 2, 350, kModeGraduationZ5, {{}, {}, {}, 1}).empty());  // from stage 1
  EXPECT_TRUE(test::RunUntil([&] { return !run.window->Run().Running(); }, 400000))
      << "stage " << run.window->Run().Stage() << " step " << run.window->Run().Step();
  // Each detector's table written and read back: its report and the run's summary say "verified".
  const QDir dir(run.dir.path());
  const std::string verified = txt::kReportVerified(run.window->Language());
  auto bothVerified = [&] {  // the run's summary, one line per detector
    const QStringList found = dir.entryList({QStringLiteral("graduation_*.html")});
    const std::string text = found.isEmpty() ? "" : test::ReadAll(dir.filePath(found.front()).toStdString());
    const std::size_t first = text.find(verified);
    return first != std::string::npos && text.find(verified, first + 1) != std::string::npos;
  };
  EXPECT_TRUE(test::RunUntil(bothVerified, 30000))
      << run.Control<CColorStaticST>(id::kStagePrompt)->text().toStdString() << "\n"
      << (run.op.Shown().empty() ? std::string("no message") : run.op.Shown().back().text);
  for (int s = 0; s < 2; ++s)
    EXPECT_TRUE(dir.exists(run.CellText(Column::Serial, s) + QStringLiteral("_0.html")));
  for (const test::ShownMessage& m : run.op.Shown()) EXPECT_FALSE(m.question) << m.text;
}

// A night's run must not grow the window: twenty demo detectors through an
// Auto run of KVL_MEMORY_RUN_MINUTES (130 by default), resident memory
// sampled every minute, the last hour's mean within 1 % of the first's (of a
// shorter run: its last and first 40 %).
// Hours long, so off in the suite; run it by hand:
//   build/tests/test_ui --gtest_also_run_disabled_tests --gtest_filter='*ResidentMemory*'
long ResidentKb() {
  const std::string status = test::ReadAll("/proc/self/status");
  const std::size_t at = status.find("VmRSS:");
  return at == std::string::npos ? 0 : std::strtol(status.c_str() + at + 6, nullptr, 10);
}

TEST(GraduationPilot, DISABLED_ResidentMemoryStaysFlatOverALongAutoRun) {
  const char* minutesText = std::getenv("KVL_MEMORY_RUN_MINUTES");
  const int minutes = minutesText ? std::atoi(minutesText) : 130;
  ASSERT_GE(minutes, 30);
  test::WindowRun run;
  run.stabilizationMs = minutes * 60 * 1000 / 8;  // the run outlasts the measurement
  ASSERT_FALSE(StartAutoRun(run, 20, 60, -1, {{}, {}, {}, 1}).empty());
  std::vector<long> kb;
  for (int m = 0; m < minutes && run.window->Run().Running(); ++m) {
    test::RunUntil([] { return false; }, 60000);
    kb.push_back(ResidentKb());
    std::printf("minute %d: %ld kB, stage %d step %d\n", m + 1, kb.back(), run.window->Run().Stage(),
                run.window->Run().Step());
    std::fflush(stdout);
  }
  ASSERT_GE(kb.size(), std::size_t(minutes) * 9 / 10) << "the run ended early";
  const auto part = long(std::min<std::size_t>(60, kb.size() * 2 / 5));
  const auto mean = [](auto from, auto to) { return double(std::accumulate(from, to, 0L)) / double(to - from); };
  const double first = mean(kb.begin(), kb.begin() + part), last = mean(kb.end() - part, kb.end());
  std::printf("resident memory kB: first %ld min mean %.0f, last %ld min mean %.0f, ratio %.4f\n", part, first, part, last,
              last / first);
  EXPECT_LT(last / first, 1.01);
}

}  // namespace
}  // namespace kvl
