// Run data recording from the window's side: the recording switch and its
// button and question, the recording tick of timer 2, the "Recorded" count
// (with the failed writes beside it), the data folder and the recording
// schedule's six alarms. What goes into the files, and how, is the run data
// writer's (graduation/run_data_writer.h); the tick never waits on the disk.
#include <QFileDialog>
#include <ctime>

#include "graduation/run_data_format.h"
#include "link/alarm_timer.h"
#include "text/dialog_texts.h"
#include "text/file_texts.h"
#include "text/format.h"
#include "text/message_texts.h"
#include "text/selector_lists.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_static.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/dialogs/enter_schedule.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/qt_texts.h"
#include "platform/clock.h"

namespace kvl {

void CKvlDlg::ConnectRecording() {
  writer_.SetFolder(config_.dataFolder);
  journal_.SetFolder(config_.dataFolder);
  connect(c_.recording, &QPushButton::clicked, this, [this] { OnRecordingClicked(); });
  connect(c_.dataFolder, &QPushButton::clicked, this, [this] { OnDataFolderClicked(); });
  connect(c_.schedule, &QPushButton::clicked, this, [this] { OnScheduleClicked(); });
  connect(&recordTimer_, &QTimer::timeout, this, [this] { OnRecordTick(); });
}

void CKvlDlg::OnRecordingClicked() {
  const LanguageIndex lang = config_.language;
  const std::string question = std::string(kRecordingButton[writer_.Recording() ? 1 : 0](lang)) + ",  " +
                               txt::kAreYouSure(lang) + "  ";
  if (operator_->Ask(question, MessageIcon::Question, QuestionButtons::YesNo) != kAnswerYes) return;
  SetRecording(!writer_.Recording());
}

void CKvlDlg::SetRecording(bool on, bool newSeries) {
  writer_.SetRecording(on, newSeries);
  c_.recording->SetTextIfChanged(std::string(kRecordingButton[writer_.Recording() ? 1 : 0](config_.language)));
  ShowRecordedCount();
}

void CKvlDlg::StopRecording() { SetRecording(false); }

void CKvlDlg::ShowRecordedCount() {
  // Lines lost to a missing folder or a full disk are counted beside the
  // recorded ticks, so a recording that silently skips files is noticed.
  const std::uint64_t failed = writer_.FailedWrites();
  const std::string text = failed == 0 ? Format("%u", writer_.RecordedCount())
                                       : Format("%u !%llu", writer_.RecordedCount(), (unsigned long long)failed);
  c_.recorded->SetTextIfChanged(text);
  c_.recorded->setToolTip(QString::fromStdString(writer_.LastFailure()));
}

void CKvlDlg::OnRecordTick() {
  if (table_.Searching() || table_.TableWriting() || !table_.LineOpen() || !writer_.Recording()) return;
  std::vector<RunDataRow> rows;
  const int n = std::min(int(table_.AddressList().size()), kSlotCount);
  rows.reserve(std::size_t(n));
  for (int s = 0; s < n; ++s) rows.push_back(RunDataRowFromView(table_.DescribeRow(s, true), table_.Slot(s)));
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  now = platform::LocalTime(t);
  const std::uint64_t failedBefore = writer_.FailedWrites();
  if (writer_.Tick(rows, RunDataContext{config_.detectorType, config_.mode, config_.language}, now) ||
      writer_.FailedWrites() != failedBefore)
    ShowRecordedCount();
}

void CKvlDlg::OnDataFolderClicked() {
  const std::string title = txt::kSelectDataFolder(config_.language);
  std::string folder;
  if (options_.chooseFolder) {
    folder = options_.chooseFolder(title, config_.dataFolder);
  } else {
    folder = QFileDialog::getExistingDirectory(this, TitleText(title),
                                               QString::fromStdString(config_.dataFolder))
                 .toStdString();
  }
  if (folder.empty()) return;
  if (folder.back() != '/') folder += '/';
  config_.dataFolder = folder;
  writer_.SetFolder(folder);
  journal_.SetFolder(folder);
  c_.dataFolderDisplay->SetTextIfChanged(folder);
  PostConfig();
}

void CKvlDlg::OnScheduleClicked() {
  CEnterSchedule dialog(txt::kEnterSchedule(config_.language), schedule_, config_.language, this);
  if (RunDialog(dialog) != kIdSet) return;
  schedule_ = dialog.Entries();
  // Row by row, start before stop: a start and a stop in the same minute fire stop first.
  for (int k = 0; k < kScheduleEntries; ++k) {
    const ScheduleEntry& entry = schedule_[size_t(k)];
    if (entry.enabled)
      alarms_[size_t(k)].Arm(ScheduleDueTime(entry.time, k % 2 == 0));
    else
      alarms_[size_t(k)].Cancel();
  }
}

void CKvlDlg::OnAlarm(int alarm) {
  if (alarm < 0 || alarm >= kScheduleEntries) return;
  SetRecording(alarm % 2 == 0);  // the schedule switches without a question
}

}  // namespace kvl
