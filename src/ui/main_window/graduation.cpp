// The graduation run and the table files from the window's side: the run's
// button, "   Done", the valve selector, timer 3 and the completion pause feed
// the run (graduation/graduation_run.h), and what each event returns is
// carried out here in order: boxes, the dialog whose answer is the next
// event, writes, log records, timers, recording, the gas selection; then the
// run's view is drawn. "Read from tab" writes table files into detectors as
// one reported batch. No step waits: every pause is a timer.
#include <QFileDialog>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <memory>
#include <ctime>

#include "detector/serial_read.h"
#include "graduation/grad_log.h"
#include "graduation/graduation_run.h"
#include "graduation/tab_file.h"
#include "sim/demo_bus.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/text_file.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_combo_box.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/dialogs/enter_1_edit.h"
#include "ui/dialogs/enter_2_combo_2_check.h"
#include "ui/dialogs/enter_2_edit.h"
#include "ui/main_window/graph_panel.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/qt_texts.h"
#include "platform/clock.h"

namespace kvl {

void CKvlDlg::ConnectGraduation() {
  completionTimer_.setSingleShot(true);
  connect(c_.graduation, &QPushButton::clicked, this, [this] { OnGraduationButton(); });
  connect(&pilotTimer_, &QTimer::timeout, this, [this] { OnPilotTick(); });
  connect(c_.done, &QPushButton::clicked, this, [this] { DriveRun(run_.OnDone(RunEnv())); });
  connect(&graduationTimer_, &QTimer::timeout, this, [this] { DriveRun(run_.OnStabilizationTimer()); });
  connect(&completionTimer_, &QTimer::timeout, this, [this] { DriveRun(run_.OnCompletionTimer()); });
  connect(c_.stageControl, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!settingUp_) DriveRun(run_.OnValveMode(i));
  });
  connect(c_.readFromTab, &QPushButton::clicked, this, [this] { OnReadFromTab(); });
  connect(c_.readFromFile, &QPushButton::clicked, this, [this] { OnReadFromFile(); });
}

RunEnvironment CKvlDlg::RunEnv() const {
  RunEnvironment env;
  env.table = &table_;
  env.type = config_.detectorType;
  env.language = config_.language;
  env.tLow = config_.checkRecords[kCheckT0][1];
  env.tHigh = config_.checkRecords[kCheckT7][1];
  env.dataFolder = config_.dataFolder;
  const std::time_t t = std::time(nullptr);
  env.now = platform::LocalTime(t);
  if (chamber_.IsOpen())
    if (const ChamberReading c = chamber_.Last(); c.answered) {
      env.chamberSetPointC = c.setPoint;
      env.chamberMeasuredC = c.measured;
    }
  return env;
}

void CKvlDlg::DriveRun(RunActions actions) {
  bool followAfterWrites = false;
  for (;;) {
    for (const std::string& message : actions.messages)
      if (UnattendedOn())
        NoteUnattended(message);  // nobody to close a box
      else
        operator_->ShowMessage(message, MessageIcon::None);
    // What the run tells without waiting (a detector let go) is never a box.
    for (const std::string& note : actions.notes) NoteUnattended(note);
    WriteOrigin origin = OriginOf("graduation run");
    if (pilot_) pilot_->TakeActions(actions, origin);  // its log lines wait for the writes
    if (!actions.writes.empty()) {
      std::vector<std::uint8_t> slaves;  // that take a capture command
      for (const RegisterWrite& w : actions.writes)
        if (w.reg == kRegGraduationCommand && std::find(slaves.begin(), slaves.end(), w.slave) == slaves.end())
          slaves.push_back(w.slave);
      if (demoBus_ && !pilot_ && !slaves.empty()) {
        // The demo's world changes when the last detector has run its list:
        // a capture command must meet the gas of the step it confirms.
        auto left = std::make_shared<std::atomic<int>>(int(slaves.size()));
        const unsigned generation = ++demoFollowPending_;
        demoFollowWaiting_ = true;
        demoFollowSince_.start();
        origin.done = [this, left, generation](const LinkWriteList&) {
          if (left->fetch_sub(1) != 1) return;
          QMetaObject::invokeMethod(
              this,
              [this, generation] {
                if (generation != demoFollowPending_) return;
                demoFollowWaiting_ = false;
                DemoFollowsRun();
              },
              Qt::QueuedConnection);
        };
      }
      link_.BeginWriteList(std::move(origin));
      QueueWriteList(actions.writes);
      link_.EndWriteList();
      followAfterWrites = followAfterWrites || !slaves.empty();
    }
    for (const RunLogAppend& log : actions.logs) AppendGradLog(log.path, log.bytes);  // a failed append is skipped
    if (actions.gas) {
      runHigh_ = actions.gas->first;
      runMedium_ = actions.gas->second;
      const int g = actions.gas->gasCode - 1;
      if (g >= 0 && g < kGasCount) {
        config_.gases[size_t(g)].concentration = {actions.gas->first, actions.gas->second};
        if (c_.gasSelector->currentIndex() != g)
          c_.gasSelector->setCurrentIndex(g);  // its handler shows the pair
        else
          OnGasSelected(g);
      }
    }
    if (actions.valveSelector) {
      const QSignalBlocker block(c_.stageControl);
      c_.stageControl->setCurrentIndex(*actions.valveSelector);
    }
    if (actions.hideValveSelector) c_.stageControl->Show(false);
    if (actions.clearSeen) table_.ClearStageSeen();
    if (actions.recording) SetRecording(*actions.recording, actions.recordingNewSeries);
    if (actions.stopStabilization) graduationTimer_.stop();
    if (actions.startStabilizationMs) graduationTimer_.start(*actions.startStabilizationMs);
    if (actions.startCompletionMs) completionTimer_.start(*actions.startCompletionMs);
    if (!actions.ask) break;
    actions = AskForRun(*actions.ask);
  }
  UpdatePilot();
  UpdateUnattended();
  SaveRunState();
  if (!run_.Running()) runFolder_.Release();  // ended, stopped, or never begun
  const RunEnvironment env = RunEnv();
  const RunView view = run_.View(env);
  table_.SetGraduationStage(view.seenStep);
  table_.SetStageExempt(run_.OutOfRun());
  // Poll results drive the run too: while captures wait for the line, only
  // their end moves the world (or, lists the link dropped, a long wait).
  if (!followAfterWrites && (!demoFollowWaiting_ || demoFollowSince_.hasExpired(kDemoFollowPatienceMs))) {
    demoFollowWaiting_ = false;
    DemoFollowsRun();
  }
  c_.graduation->SetTextIfChanged(view.buttonCaption);
  c_.stagePrompt->SetTextIfChanged(PilotMessage(view.message));
  c_.stagePrompt->setVisible(view.messageVisible);
  // "   Done" is there only while a run waits for it. Pressed, it keeps the
  // keyboard: Qt would pass it on to the next field ("P emitter", text
  // selected), whose target the next keystroke would overwrite.
  if (c_.done->hasFocus() && !(view.doneEnabled && view.doneVisible)) setFocus(Qt::OtherFocusReason);
  c_.done->Show(view.doneVisible && (config_.mode == kModeGraduation || config_.mode == kModeGraduationZ5));
  c_.done->setEnabled(view.doneEnabled && view.doneVisible);
  c_.stageNumber->SetTextIfChanged(run_.Running() && run_.Stage() <= 8 ? Format("%d", run_.Stage()) : "-");
  if (c_.stageControl->currentIndex() != view.valveMode) {
    const QSignalBlocker block(c_.stageControl);
    c_.stageControl->setCurrentIndex(view.valveMode);
  }
}

// Follows the run's present stage and step, so a late call is harmless.
void CKvlDlg::DemoFollowsRun() {
  // The autopilot sets the demo's chamber and valves itself.
  if (!demoBus_ || pilot_) return;
  const RunEnvironment env = RunEnv();
  demoBus_->Bus().FollowGraduation(run_.Stage(), run_.Step(), env.tLow, env.tHigh);
}

RunActions CKvlDlg::AskForRun(const RunDialogRequest& request) {
  const LanguageIndex lang = config_.language;
  const RunEnvironment env = RunEnv();
  switch (request.kind) {
    case RunDialog::Password: {
      CEnter1Edit dialog(request.prompt, lang, this);
      if (RunDialog(dialog) != kIdOk) return run_.OnPassword(std::nullopt, env);
      return run_.OnPassword(dialog.Value(), env);
    }
    case RunDialog::StartChoice: {
      CEnter2Combo2Check::Input input;
      input.prompt = request.prompt;
      input.firstItems = request.stageItems;
      input.secondItems = request.valveItems;
      input.secondPosition = request.valveSelected;
      input.firstCheck = request.withoutDelayCaption;
      input.secondCheck = request.withoutGasCaption;
      input.okCaption = request.beginCaption;
      CEnter2Combo2Check dialog(input, lang, this);
      if (RunDialog(dialog) != kIdOk) return run_.OnStartChoice(std::nullopt, env);
      RunStartChoice choice;
      choice.stageIndex = dialog.FirstPosition();
      choice.valveMode = dialog.SecondPosition();
      choice.withoutDelay = dialog.FirstChecked();
      choice.withoutGas = dialog.SecondChecked();
      return run_.OnStartChoice(choice, env);
    }
    case RunDialog::Concentrations: {
      CEnter2Edit dialog("", "", lang, this);
      if (RunDialog(dialog) != kIdOk) return run_.OnConcentrations(std::nullopt, env);
      return run_.OnConcentrations(std::make_pair(dialog.Medium(), dialog.High()), env);
    }
    case RunDialog::StopQuestion:
      return run_.OnStopAnswer(operator_->Ask(request.prompt, MessageIcon::Question, QuestionButtons::YesNo) ==
                               kAnswerYes);
  }
  return {};
}

std::vector<std::string> CKvlDlg::ChooseGraduationFiles(const std::string& title, const std::string& extension) {
  std::vector<std::string> paths;
  // The run just wrote its data files and logs into the data folder: the
  // operator starts looking there.
  if (options_.chooseFiles) {
    paths = options_.chooseFiles(title, config_.dataFolder, extension);
  } else {
    const QString filter = QStringLiteral("%1 files (*.%1)").arg(QString::fromStdString(extension));
    for (const QString& path : QFileDialog::getOpenFileNames(this, TitleText(title),
                                                             QString::fromStdString(config_.dataFolder), filter))
      paths.push_back(path.toStdString());
  }
  // The folder of the selection becomes the graduation folder.
  if (const std::size_t slash = paths.empty() ? std::string::npos : paths.front().find_last_of('/');
      slash != std::string::npos) {
    config_.graduationFolder = paths.front().substr(0, slash + 1);
    PostConfig();
  }
  return paths;
}

void CKvlDlg::OnReadFromTab() {
  const LanguageIndex lang = config_.language;
  if (autoEndPending_) EndAutoRun({});  // the operator is back: boxes again
  if (writer_.Recording()) StopRecording();
  c_.recording->setEnabled(false);
  const std::vector<std::string> paths = ChooseGraduationFiles(txt::kSelectTabFile(lang), "tab");
  if (paths.empty()) {
    c_.recording->setEnabled(table_.LineOpen());
    return;
  }
  // The rows are reset for the table files; polling fills them again.
  table_.SetTableWriting(true);
  ResetRowsForFiles();
  for (int s = 0; s < kSlotCount; ++s) table_.MutableSlot(s).history.Clear();
  DropSeriesBreaks();
  if (graphPanel_) graphPanel_->SamplesChanged();
  const TableFilesPlan plan = PlanTableFiles(paths, lang);
  if (!plan.writes.empty()) {
    // One batch over every block queued, so that its report follows the last real write.
    link_.BeginBatch(int(plan.writes.size()));
    c_.stagePrompt->SetTextIfChanged(std::string(txt::kRecordingToDevice(lang)));
    c_.stagePrompt->setVisible(true);
    // Each file's blocks are one write list, read back after writing.
    const std::size_t perFile = plan.writes.size() / std::max<std::size_t>(1, plan.filesQueued.size());
    for (std::size_t k = 0; k < plan.writes.size(); ++k) {
      if (perFile && k % perFile == 0) {
        // A file named after its serial number goes only into that detector;
        // any other the operator confirms by the serial number found.
        const std::string& path = plan.filesQueued[k / perFile];
        WriteOrigin origin = OriginOf(NameOf(path));
        origin.identity =
            FileIdentity(config_.detectorType, NameOf(path), SerialFromFileName(path), table_.AddressList());
        link_.BeginWriteList(std::move(origin));
      }
      const TableBlockWrite& w = plan.writes[k];
      link_.QueueBlockWrite(w.slave, w.first, w.words, false, true);
    }
    link_.EndWriteList();
  }
  if (plan.refusal) operator_->ShowMessage(*plan.refusal, MessageIcon::None);
  // A file that could not be read at all is named, never passed over in silence.
  std::string unreadable;
  for (const std::string& why : plan.unreadable) unreadable += (unreadable.empty() ? "" : "\r\n") + why;
  if (!unreadable.empty()) operator_->ShowMessage(unreadable, MessageIcon::Warning);
  BackToPolledRows();
  c_.recording->setEnabled(table_.LineOpen());
}

}  // namespace kvl
