// What polling twenty detectors costs the workstation: the main window
// (offscreen) polls 20 simulated detectors of the demo bus at pause 0 for
// about ten seconds, first with nothing else open, then with everything an
// operator may have open at once: two graph series of every row selected,
// the traffic window shown and recording at a period of 1 s ("Running-in").
// Prints, for each, the polls per second, the CPU time of the GUI thread
// (the window's share) and of the whole process (which also runs the link's
// worker and the simulated bus) as a share of one core.
//   bench_window_poll [seconds] [type]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "link/operator.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/control_lookup.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/main_window/main_controls.h"

namespace {

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

class PrintingOperator : public kvl::COperator {
 public:
  void ShowMessage(const std::string& text, kvl::MessageIcon, const std::atomic<bool>*) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  // "Start recording, are you sure?"
  int Ask(const std::string&, kvl::MessageIcon, kvl::QuestionButtons) override { return kvl::kAnswerYes; }
};

// The application's own event loop, as kvlgrad runs it.
void RunFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const int type = argc > 2 ? std::atoi(argv[2]) : kvl::kTypeZ5;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  QTemporaryDir dir;
  PrintingOperator op;
  kvl::KvlDlgOptions options;
  options.configPath = dir.filePath(QStringLiteral("KvlGrad.cfg")).toStdString();
  options.op = &op;
  options.demo = kvl::DemoOptions{type, 20};
  options.chooseFolder = [&dir](const std::string&, const std::string&) { return dir.path().toStdString(); };
  kvl::CKvlDlg window(std::move(options));
  window.resize(1280, 1024);
  window.show();

  RunFor(2000);  // every row filled, fonts and layout settled
  auto measure = [&](const char* what, const char* processGoal) {
    const auto polls0 = window.Table().Counters()[0];
    const double gui0 = ThreadCpuSeconds(), proc0 = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunFor(seconds * 1000);
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const double gui = ThreadCpuSeconds() - gui0, proc = ProcessCpuSeconds() - proc0;
    const auto polls = window.Table().Counters()[0] - polls0;
    std::printf("window polling 20 detectors of type %d at pause 0 for %.1f s, %s\n", type, elapsed, what);
    std::printf("  good answers      %.0f per second\n", double(polls) / elapsed);
    std::printf("  GUI thread CPU    %.2f %% of one core (goal < 5 %%)\n", 100.0 * gui / elapsed);
    std::printf("  process CPU       %.2f %% of one core (window, link worker and simulated bus%s)\n",
                100.0 * proc / elapsed, processGoal);
  };
  measure("nothing else open", "");

  // Everything open: the mode that records every row, a folder, a period of 1 s.
  kvl::FindControl<QComboBox>(&window, kvl::id::kModeSelector)->setCurrentIndex(kvl::kModeRunningIn);
  kvl::FindControl<QPushButton>(&window, kvl::id::kDataFolder)->click();
  auto* period = kvl::FindControl<QLineEdit>(&window, kvl::id::kPeriod);
  period->setText(QStringLiteral("1"));
  emit period->textEdited(period->text());
  kvl::FindControl<QPushButton>(&window, kvl::id::kRecording)->click();
  for (int r = 0; r < 20; ++r)
    for (kvl::Column c : {kvl::Column::T, kvl::Column::D})
      emit kvl::FindControl<kvl::CColorStaticST>(&window, kvl::CellId(c, r))->Clicked(kvl::CellId(c, r));
  window.OpenTrafficWindow();
  RunFor(2000);
  if (!window.Recorder().Recording()) std::fprintf(stderr, "recording did not start\n");
  measure("40 graph series, the traffic window and recording at 1 s", "; goal < 4 %");

  // The same after hours of polling: every row's history at its cap, the
  // rows as far from their next trim as hours of polling leave them (a
  // history cut at its start is drawn anew once). Filled at once (the
  // window's table is the bench's to touch) instead of waiting the hours.
  auto& table = const_cast<kvl::CDetectorTable&>(window.Table());
  for (int r = 0; r < kvl::kSlotCount; ++r) {
    kvl::CSampleHistory& history = table.MutableSlot(r).history;
    kvl::HistorySample sample{};
    for (int q = 0; q < kvl::kHistorySeriesCount; ++q)
      sample[std::size_t(q)] = history.Series(q).empty() ? 0.0f : history.Series(q).back();
    const std::size_t cap = kvl::CSampleHistory::kMaxSamples - std::size_t(r) * kvl::CSampleHistory::kTrimCount / 20;
    for (std::size_t k = history.Size(); k < cap; ++k) {
      sample[kvl::kSeriesT] += (k % 7 == 0) ? 0.5f : -0.0625f;
      history.Append(sample);
    }
  }
  measure("the same with every history at its cap of 1,000 samples", "; goal < 4 %");
  return 0;
}
