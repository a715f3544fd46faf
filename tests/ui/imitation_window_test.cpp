// The window playing detectors: mode "Imitation" on one end of a linked pty
// pair, polled by mbpoll on the other end; the tick boxes decide who answers,
// the "LEL%" right-click changes what the next read returns, and a type that
// cannot imitate leaves the mode. On the demo bus, where nobody asks, the
// operator is told so.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <future>
#include <map>
#include <regex>
#include <sstream>

#include "detector/register_map.h"
#include "main_window_fixture.h"
#include "support/child_process.h"
#include "support/pty_bridge.h"
#include "text/command_texts.h"
#include "text/flow_texts.h"
#include "text/main_window_texts.h"
#include "text/message_texts.h"
#include "ui/controls/note_static.h"
#include "ui/main_window/main_controls.h"

namespace kvl {
namespace {

using test::RunUntil;
using test::Settle;
using test::WindowRun;

constexpr const char* kMbpoll = "/usr/bin/mbpoll";

struct MbpollRun {
  std::string text;                       // what it printed
  std::map<int, std::map<int, int>> got;  // slave -> reference -> value
};

// Runs mbpoll at 9600 baud (the window's default) while the window's event
// loop goes on answering: the window is the slave it talks to. Values to
// write follow the device.
MbpollRun Mbpoll(const std::string& device, const std::vector<std::string>& args, const std::string& value = "") {
  std::vector<std::string> argv{kMbpoll, "-m", "rtu", "-b", "9600", "-P", "none", "-1", "-o", "1"};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back(device);
  if (!value.empty()) argv.push_back(value);
  std::future<test::ProcessResult> done = std::async(std::launch::async, [argv] {
    test::ChildProcess p(argv);
    return p.Finish(10000);
  });
  RunUntil([&] { return done.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }, 15000);
  const test::ProcessResult r = done.get();
  MbpollRun out{r.out + r.err, {}};
  // "-- Polling slave 2..." then one "[reference]: \tvalue" line per register.
  static const std::regex slaveLine(R"(-- Polling slave (\d+))"), valueLine(R"(\[(\d+)\]:\s+(-?\d+))");
  int slave = 0;
  std::smatch m;
  std::istringstream lines(out.text);
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_search(line, m, slaveLine)) slave = std::stoi(m[1]);
    else if (std::regex_search(line, m, valueLine)) out.got[slave][std::stoi(m[1])] = std::stoi(m[2]);
  }
  return out;
}

// The window polled as the master until the mode changed; nobody read those
// frames at the far end, where a pty keeps them (a real line would not).
void DropWaitingBytes(const std::string& device) {
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return;
  tcflush(fd, TCIOFLUSH);
  close(fd);
}

void ChooseMode(WindowRun& run, int mode) {
  run.Control<QComboBox>(id::kModeSelector)->setCurrentIndex(mode);
  Settle();
}

TEST(ImitationWindow, MbpollReadsTheTickedRowsAndTheOperatorSetsTheConcentration) {
  if (access(kMbpoll, X_OK) != 0) GTEST_SKIP() << "mbpoll missing";
  test::PtyBridge bridge;
  WindowRun run;
  run.linePort = bridge.PathA();
  run.Open(kTypeZ, 0);
  ASSERT_TRUE(RunUntil([&] { return run.window->Table().LineOpen(); }, 5000));

  ChooseMode(run, kModeImitation);
  ASSERT_EQ(run.window->Mode(), kModeImitation);
  EXPECT_EQ(run.window->Table().AddressList().size(), 20u);
  EXPECT_EQ(run.CellText(Column::Serial, 19), QStringLiteral("1020"));
  EXPECT_TRUE(run.CellShown(Column::Imitation, 19));
  EXPECT_EQ(run.Control<CNoteStatic>(id::kResponses)->Note()->text(), QString::fromUtf8(txt::kRequests(kRussian)));
  // Only another master talks on the line now.
  EXPECT_FALSE(run.Control(id::kSearch)->isEnabled());
  EXPECT_FALSE(run.Control(id::kEnterPassword)->isEnabled());
  EXPECT_TRUE(run.op.Shown().empty());

  run.Control<QCheckBox>(CellId(Column::Imitation, 0))->click();
  run.Control<QCheckBox>(CellId(Column::Imitation, 1))->click();
  // A master read under way when the mode changed ends at its time-out and
  // takes whatever arrives meanwhile as its answer; a master on the line then
  // asks again, as this probe does, until the line has changed hands.
  for (int probe = 0; probe < 5; ++probe) {
    RunUntil([] { return false; }, 200);
    DropWaitingBytes(bridge.PathB());
    if (Mbpoll(bridge.PathB(), {"-a", "1", "-r", "10"}).got[1].size() == 1u) break;
  }

  // mbpoll counts references from 1: reference 10 is register 9, the serial number.
  MbpollRun read = Mbpoll(bridge.PathB(), {"-a", "1,2", "-r", "1", "-c", "10"});
  for (int slave : {1, 2}) {
    SCOPED_TRACE(read.text);
    ASSERT_EQ(read.got[slave].size(), 10u) << "slave " << slave;
    EXPECT_EQ(read.got[slave][10], 1000 + slave);
    EXPECT_EQ(read.got[slave][1], (slave * 256 + 8));  // address and the 9600 baud code
    // The answer is the row's image after the read refreshed its readings.
    const RegisterImage& image = run.window->Table().Slot(slave - 1).image;
    for (int ref = 1; ref <= 10; ++ref) EXPECT_EQ(read.got[slave][ref], image[size_t(ref - 1)]) << ref;
  }

  MbpollRun unticked = Mbpoll(bridge.PathB(), {"-a", "3", "-r", "1", "-c", "10"});
  EXPECT_TRUE(unticked.got[3].empty()) << unticked.text;
  EXPECT_NE(unticked.text.find("timed out"), std::string::npos) << unticked.text;

  // A write is echoed, and the row shows the detector's reaction: limit 1 (register 5) := 40.
  const MbpollRun write = Mbpoll(bridge.PathB(), {"-a", "2", "-r", "6"}, "40");
  EXPECT_NE(write.text.find("Written 1 references."), std::string::npos) << write.text;
  EXPECT_EQ(run.window->Table().Slot(1).image[reg::kLimits], 0x2814);
  EXPECT_EQ(run.CellText(Column::Limit1, 1), QStringLiteral("40"));

  // "LEL%" of row 0: "12,34" -> register 10 = 123, register 2 = 12.
  run.dialogAnswers.push_back({{{1015, QStringLiteral("12,34")}}, {}, {}, 1});
  QTest::mouseClick(run.Control(CellId(Column::Lel, 0)), Qt::RightButton);
  Settle();
  ASSERT_EQ(run.dialogsOpened, std::vector<std::string>{"kvl::CEnterLimit"});
  EXPECT_EQ(run.CellText(Column::Lel, 0), QStringLiteral("12.3"));
  MbpollRun lel = Mbpoll(bridge.PathB(), {"-a", "1", "-r", "3", "-c", "9"});
  EXPECT_EQ(lel.got[1][3], 12) << lel.text;
  EXPECT_EQ(lel.got[1][11], 123) << lel.text;

  // "Requests" counts the read requests the line received (the unticked one too).
  EXPECT_GE(run.window->Table().Counters()[0], 4u);
  EXPECT_EQ(run.Control<QLabel>(id::kResponses)->text().toStdString(), run.window->Table().Statistics().text);

  // Z5 cannot imitate: the type change leaves the mode, and choosing it again is refused.
  run.Control<QComboBox>(id::kTypeSelector)->setCurrentIndex(kTypeZ5);
  Settle();
  EXPECT_EQ(run.window->Mode(), kModeSaveSettings);
  EXPECT_EQ(run.Control<QComboBox>(id::kModeSelector)->currentIndex(), kModeSaveSettings);
  EXPECT_EQ(run.window->Table().AddressList(), std::vector<std::uint8_t>{1});
  EXPECT_TRUE(run.CellText(Column::Serial, 1).isEmpty());
  EXPECT_TRUE(run.Control(id::kSearch)->isEnabled());
  ChooseMode(run, kModeImitation);
  EXPECT_EQ(run.window->Mode(), kModeSaveSettings);
  ChooseMode(run, kModeRunningIn);
  EXPECT_EQ(run.window->Mode(), kModeGraduationZ5);
}

TEST(ImitationWindow, OnTheDemoBusTheOperatorIsToldNoMasterAsks) {
  WindowRun run;
  run.Open(kTypeZ, 2);
  ASSERT_TRUE(run.WaitForRows(2));
  const QString serial = run.CellText(Column::Serial, 1);
  // Outside "Imitation" the "LEL%" cell asks nothing.
  QTest::mouseClick(run.Control(CellId(Column::Lel, 0)), Qt::RightButton);
  Settle();
  EXPECT_TRUE(run.dialogsOpened.empty());

  ChooseMode(run, kModeRunningIn);  // a recording from here stops in "Imitation"
  run.folderChoice = run.dir.path().toStdString();
  run.Control<QPushButton>(id::kDataFolder)->click();
  run.op.ScriptAnswers({kAnswerYes});
  run.Control<QPushButton>(id::kRecording)->click();
  ASSERT_TRUE(run.window->Recorder().Recording());
  run.op.ClearShown();
  ChooseMode(run, kModeImitation);
  EXPECT_FALSE(run.window->Recorder().Recording());
  ASSERT_EQ(run.op.Shown().size(), 2u);  // then the note below
  EXPECT_EQ(run.op.Shown()[0].text, txt::kRecordingStoppedForImitation(kRussian));
  EXPECT_EQ(run.op.Shown()[1].text, txt::kImitationWithoutMaster(kRussian));
  // The rows are imitated detectors all the same, and late polls leave them so.
  EXPECT_EQ(run.CellText(Column::Serial, 1), QStringLiteral("1002"));
  EXPECT_EQ(run.CellText(Column::Serial, 5), QStringLiteral("1006"));
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(run.CellText(Column::Serial, 1), QStringLiteral("1002"));

  // Leaving goes back to the demo's detectors, not to address 1 alone.
  ChooseMode(run, kModeTuning);
  EXPECT_EQ(run.window->Table().AddressList(), DemoAddresses(2));
  EXPECT_TRUE(run.CellText(Column::Serial, 5).isEmpty());
  EXPECT_TRUE(RunUntil([&] { return run.CellText(Column::Serial, 1) == serial; }, 8000));
}

}  // namespace
}  // namespace kvl
