// "Auto" with the chamber line open and a chamber profile chosen (and the
// valves, unless the run is without gas): the autopilot session sets the
// chamber and the gas and confirms the run's steps itself; the stage field
// says what it waits for. "   Done" still takes a step early, "Manually"
// hands the run over at once, "   Stop graduation" closes the valves and
// parks the chamber. Every step change of a run is saved in the data folder,
// and "   Start graduation" offers to take up a run cut off by a crash or a
// power cut.
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "graduation/grad_log.h"
#include "graduation/run_calc_facts.h"
#include "graduation/run_data_format.h"
#include "graduation/run_state_file.h"
#include "graduation/station_identity.h"
#include "link/serial_port.h"
#include "platform/clock.h"
#include "text/autopilot_texts.h"
#include "text/format.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_combo_box.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {
namespace {

constexpr int kPilotTickMs = 500;

int AppendRunLog(const RunLogAppend& log) {
  return AppendGradLog(log.path, log.bytes);
}

std::string LocalStamp() { return DateTimeText(platform::LocalTime(std::time(nullptr))); }

}  // namespace

void CKvlDlg::OnGraduationButton() {
  const bool before = run_.Running();
  if (!before) {
    // The operator is back: the last run's end says nothing more.
    if (autoEndPending_) EndAutoRun({});
    runNote_.clear();
  }
  if (!before && !TakeRunFolder()) return;
  if (!before && OfferResume()) return;
  DriveRun(run_.OnButton(RunEnv()));
  if (run_.Running() == before) return;
  if (!before) savedSeries_ = -1;  // a new run's series is its own, saved once found
  // A run starts and ends with no gas flowing.
  if (valves_.IsOpen()) valves_.Open(GasValve::kClosed);
  // Stopped on purpose: nothing to take up later (a crash or a power cut keeps it).
  if (before) RemoveRunState(config_.dataFolder);
}

void CKvlDlg::UpdatePilot() {
  const bool running = run_.Stage() >= 1 && run_.Stage() <= 8;
  const std::optional<ChamberProfile> profile = chamber_.Profile();
  const bool wanted = running && run_.ValveMode() == 1 && chamber_.IsOpen() && profile &&
                      (run_.WithoutGas() || valves_.IsOpen());
  if (wanted && !pilot_) {
    pilot_ = std::make_unique<CAutopilotSession>(chamber_, run_.WithoutGas() ? nullptr : &valves_,
                                                 RulesFromProfile(*profile));
    pilotTimer_.start(kPilotTickMs);
  }
  if (wanted) {
    c_.stageControl->Show(true);  // "Manually" takes the run over at once
    return;
  }
  if (!pilot_) return;
  // Stopped or completed: the chamber parked and the gas closed; handed over
  // to the operator: everything stays as it is.
  if (run_.Stage() == 0 || run_.Stage() > 8) pilot_->Finish();
  // Completed (not stopped): the tables follow from the run's own files.
  if (run_.Stage() > 8) {
    // The gas lingers a while after the valves close: as long as it takes to fill the cell.
    const long long clears = profile ? RulesFromProfile(*profile).minGasFlow.count() : 0;
    RunReportFacts choices;
    choices.autoMode = run_.ValveMode() == 1;
    choices.mode = config_.mode;
    choices.medium = runMedium_;
    choices.high = runHigh_;
    choices.chamberProfile = profile ? profile->name : std::string();
    choices.chamberChecksum = FileChecksumText(config_.chamberProfile);
    choices.stabilizationS = run_.StabilizationMs() / 1000;
    choices.operatorName = OperatorLoginName();  // the window has no operator field yet
    choices.dataFolder = config_.dataFolder;
    runFacts_ = RunCalcFactsOf(run_, RunEnv(), clears, std::move(choices));
    autoEndPending_ = true;  // nobody waits for its tables either
    std::vector<std::string> paths = RunFilePaths();
    QTimer::singleShot(0, this, [this, paths = std::move(paths)]() mutable { CalculateRunTables(std::move(paths), 100); });
  }
  pilot_->AppendSettledLogs(AppendRunLog);
  pilot_.reset();
  pilotTimer_.stop();
  pilotStatus_.clear();
  if (running) c_.stageControl->Show(false);
}

void CKvlDlg::OnPilotTick() {
  if (!pilot_) return;
  const auto now = std::chrono::steady_clock::now();
  // What cuts the run's data holds it: line 1 gone, or the data folder refusing the run data.
  pilot_->SetDetectorLineLost(lineWatch_ == LineWatch::Waiting ? SerialDevicePath(LinePortName())
                                                               : std::string());
  pilot_->SetDataFolder(config_.dataFolder);
  pilot_->FolderWrite(FolderWriter::kRunData, writer_.Recording() ? writer_.FailingNow() : 0);
  const AutopilotTick tick = pilot_->Tick(run_, RunEnv(), now);
  const auto wallNow = std::chrono::system_clock::now();
  pilotStatus_ = AutopilotStatus(tick.decision, now, wallNow, config_.language);
  // A hold's start goes on record: the stage field shows it only while it lasts.
  if (!tick.decision.holds.empty() && !pilotHeld_) journal_.OnDeviceEvent("run-note", pilotStatus_, "hold");
  pilotHeld_ = !tick.decision.holds.empty();
  for (const AutopilotDecision::Silent& silent : tick.decision.drop) {
    const std::string since = WallClockText(silent.since, now, wallNow);
    DriveRun(run_.Drop(silent.slot, Format(txt::kApNoAnswerSince(config_.language), since.c_str()), RunEnv()));
  }
  if (tick.confirm) {
    DriveRun(run_.OnDone(RunEnv()));
    return;
  }
  SaveRunState();
  c_.stagePrompt->SetTextIfChanged(PilotMessage(run_.View(RunEnv()).message));
}

std::string CKvlDlg::PilotMessage(const std::string& stepMessage) const {
  std::string text = stepMessage;
  if (pilot_ && !pilotStatus_.empty()) text += "  " + pilotStatus_;
  if (!runNote_.empty()) text += (text.empty() ? "" : "  ") + runNote_;
  return text;
}

void CKvlDlg::SaveRunState() {
  const int stage = run_.Stage(), step = run_.Step();
  if (stage != savedStage_ || step != savedStep_) runSaveDue_ = stage >= 1 && stage <= 8;
  savedStage_ = stage;
  savedStep_ = step;
  if (!writer_.NewSeriesPending() && savedSeries_ < 0 && writer_.Series() >= 0 && stage >= 1 && stage <= 8)
    runSaveDue_ = runSaveDue_ || writer_.Recording();
  if (pilot_ && !pilot_->Settled()) return;
  if (runSaveDue_) {
    SavedRun saved;
    run_.SnapshotInto(saved);
    saved.type = config_.detectorType;
    saved.medium = runMedium_;
    saved.high = runHigh_;
    saved.series = writer_.NewSeriesPending() ? -1 : writer_.Series();
    for (std::uint8_t a : table_.AddressList()) saved.addresses.push_back(a);
    saved.savedAt = LocalStamp();
    saved.operatorName = OperatorLoginName();
    const int rc = kvl::SaveRunState(config_.dataFolder, saved);
    if (pilot_) pilot_->FolderWrite(FolderWriter::kRunState, rc);
    // Not saved: tried again next tick; the point lines wait for it (an unattended run holds meanwhile).
    if (rc != 0 && pilot_) return;
    savedSeries_ = saved.series;
    runSaveDue_ = false;
  }
  if (pilot_) pilot_->AppendSettledLogs(AppendRunLog);
  if (run_.Stage() > 8) RemoveRunState(config_.dataFolder);
}

std::vector<std::string> CKvlDlg::RunFilePaths() const {
  std::vector<std::string> paths;
  if (writer_.Series() < 0) return paths;
  const int n = std::min(int(table_.AddressList().size()), kSlotCount);
  for (int s = 0; s < n; ++s) {
    const std::string serial = table_.DescribeRow(s, true)[Column::Serial].text;
    const std::string path = RunDataFileName(config_.dataFolder, serial, writer_.Series(), config_.mode);
    if (!serial.empty() && QFileInfo::exists(QString::fromStdString(path))) paths.push_back(path);
  }
  return paths;
}

bool CKvlDlg::TakeRunFolder() {
  const FolderLockResult taken = runFolder_.Take(config_.dataFolder);
  const std::string message = runFolder_.Message(config_.language);
  if (!runFolder_.Held()) {
    operator_->ShowMessage(message, MessageIcon::Error);
    return false;
  }
  // A run that has ended left it: the operator is here to start this one, a box would only hold it up.
  if (taken == FolderLockResult::kTakenOver) std::fprintf(stderr, "kvlgrad: %s\n", message.c_str());
  return true;
}

bool CKvlDlg::OfferResume() {
  std::string why;
  const std::optional<SavedRun> saved = LoadRunState(config_.dataFolder, &why);
  if (!saved) return false;
  const LanguageIndex l = config_.language;
  const std::string where = Format(txt::kApStepWords(l), saved->stage, saved->step);
  if (operator_->Ask(Format(txt::kApResumeQuestion(l), where.c_str(), saved->savedAt.c_str()), MessageIcon::Question,
                     QuestionButtons::YesNo) != kAnswerYes) {
    RemoveRunState(config_.dataFolder);
    return false;
  }
  // Before anything is sent: the saved run's detectors are the ones on the
  // bus, or the operator lets each one that is not go, by name.
  std::vector<int> letGo;
  for (const ResumeMismatch& m : ResumeMismatches(*saved, table_, config_.detectorType, l)) {
    if (m.slot < 0) {
      operator_->ShowMessage(m.text, MessageIcon::Warning);
      return true;  // the state stays for the run it belongs to
    }
    if (operator_->Ask(Format(txt::kApResumeWithout(l), m.text.c_str()), MessageIcon::Question,
                       QuestionButtons::YesNo) != kAnswerYes)
      return true;
    letGo.push_back(m.slot);
  }
  bool taken = false;
  RunActions actions = run_.Resume(*saved, RunEnv(), &taken);
  if (!taken && !actions.messages.empty()) {
    // The saved run cannot be taken up as it began (the messages say why): nothing more is asked.
    for (const std::string& message : actions.messages) operator_->ShowMessage(message, MessageIcon::Warning);
    return true;
  }
  if (!taken) return false;
  // Nothing goes to a detector the run goes on without.
  std::erase_if(actions.writes, [&](const RunWrite& w) {
    for (int s : letGo)
      if (run_.RunAddress(s) == w.slave) return true;
    return false;
  });
  if (saved->series >= 0) writer_.ContinueSeries(saved->series);
  savedSeries_ = saved->series;
  runMedium_ = saved->medium;
  runHigh_ = saved->high;
  if (valves_.IsOpen()) valves_.Open(GasValve::kClosed);
  DriveRun(std::move(actions));
  for (int s : letGo) DriveRun(run_.Drop(s, txt::kApDropAsked(l), RunEnv()));
  return true;
}

}  // namespace kvl
