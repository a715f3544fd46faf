// kvlctl graduate: a whole graduation run without a window. The run is the
// window's own state machine (graduation_run.h) and its autopilot session
// confirms the steps; this file only carries out what they decide, on the
// link's worker, the chamber's and the valves' links and the run data writer,
// and at the end hands the run's files to calc.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>

#include "calc_command.h"
#include "chamber/chamber_link.h"
#include "chamber/valve_link.h"
#include "command_registry.h"
#include "ctl_error.h"
#include "detector/decoding.h"
#include "detector/poll_sets.h"
#include "graduate_options.h"
#include "graduation/autopilot_session.h"
#include "graduation/calc_coverage.h"
#include "graduation/grad_log.h"
#include "graduation/graduation_run.h"
#include "graduation/run_calc_facts.h"
#include "graduation/run_data_writer.h"
#include "graduation/run_folder_lock.h"
#include "graduation/run_state_file.h"
#include "link/line_recovery.h"
#include "link_options.h"
#include "platform/clock.h"
#include "posted_queue.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/autopilot_texts.h"
#include "text/ctl_texts.h"
#include "text/format.h"
#include "text/link_texts.h"
#include "text/text_file.h"

namespace kvl::ctl {
namespace {

using Clock = std::chrono::steady_clock;

std::tm LocalNow() {
  const std::time_t t = std::time(nullptr);
  std::tm now{};
  now = platform::LocalTime(t);
  return now;
}

std::string Stamp() { return DateTimeText(LocalNow()); }

class CGraduate {
 public:
  explicit CGraduate(const GraduateOptions& o);
  ~CGraduate();
  // 0 completed, 130 stopped by a signal, 1 refused at the start.
  int Run();
  int Series() const { return writer_.Series(); }
  std::vector<std::string> RunFiles() const;
  RunCalcFacts CalcFacts() const {
    return RunCalcFactsOf(run_, Env(), RulesFromProfile(o_.chamber).minGasFlow.count(), ReportChoices());
  }

 private:
  void OpenLines();
  bool WaitForRows();
  bool Begin();
  void Carry(RunActions a);
  RunActions Answer(const RunDialogRequest& ask);
  void TakeMessages(Clock::time_point until);
  void Timers(Clock::time_point now);
  void StepChanged();
  void SaveAndAppend();
  void TellFolder();
  void Progress(const AutopilotDecision& d, Clock::time_point now);
  void Heed(const AutopilotDecision& d, Clock::time_point now);
  bool ResumeChecked(const SavedRun& saved);
  void Finish();
  RunEnvironment Env() const;
  RunReportFacts ReportChoices() const;

  const GraduateOptions& o_;
  CStopSignals signals_;  // first: every thread made from here inherits the blocked signals
  CDetectorTable table_;
  CRunDataWriter writer_;
  CReportingLine line_;
  CPostedQueue queue_;
  CChamberLink chamber_;
  CValveLink valves_;
  CGraduationRun run_;
  CAutopilotSession session_;
  std::optional<Clock::time_point> stabilizationAt_, completionAt_;
  Clock::time_point nextRecord_{}, nextProgress_{};
  int shownStage_ = 0, shownStep_ = -1;
  bool saveDue_ = false;
  int savedSeries_ = -1;
  bool lineOpen_ = false;
  bool lineLost_ = false;
  std::string toldFolderFailure_;
  bool workerRunning_ = false;
  std::string operatorName_;  // --operator, or the resumed run's own
  std::vector<std::string> notGraduated_;  // the run's notes of detectors it let go
  std::optional<SavedRun> saved_;          // the run to take up (--resume)

 public:
  const std::vector<std::string>& NotGraduated() const { return notGraduated_; }
};

CGraduate::CGraduate(const GraduateOptions& o)
    : o_(o),
      line_(o.lo, o.language, "kvlctl graduate: "),
      session_(chamber_, o.withoutGas ? nullptr : &valves_, RulesFromProfile(o.chamber)),
      operatorName_(o.operatorName) {
  table_.SetType(o.type);
  table_.SetMode(o.mode);
  table_.SetLanguage(o.language);
  table_.SetAddressList(o.devices);
  writer_.SetFolder(o.data);
  session_.SetDataFolder(o.data);
  run_.SetStabilizationMs(o.stabilizationS * 1000);
  // Every set point and valve change is a journal line, as the window's are.
  if (!o.lo.journal.empty()) {
    auto tell = [this](const DeviceEvent& e) { line_.journal.OnDeviceEvent(e.kind, e.value, e.result); };
    chamber_.SetEventSink(tell);
    valves_.SetEventSink(tell);
  }
}

CGraduate::~CGraduate() {
  if (workerRunning_) {
    valves_.Close();
    queue_.Close();
    line_.link.StopWorker();
  }
  chamber_.Close();
}

RunEnvironment CGraduate::Env() const {
  RunEnvironment env;
  env.table = &table_;
  env.type = o_.type;
  env.language = o_.language;
  env.dataFolder = o_.data;
  env.now = LocalNow();
  if (const ChamberReading c = chamber_.Last(); c.answered) {
    env.chamberSetPointC = c.setPoint;
    env.chamberMeasuredC = c.measured;
  }
  return env;
}

RunReportFacts CGraduate::ReportChoices() const {
  RunReportFacts f;
  f.autoMode = true;
  f.mode = o_.mode;
  f.medium = o_.medium;
  f.high = o_.high;
  f.chamberProfile = o_.chamber.name;
  f.chamberChecksum = FileChecksumText(o_.chamberFile);
  f.stabilizationS = o_.stabilizationS;
  f.operatorName = operatorName_;
  f.dataFolder = o_.data;
  return f;
}

void CGraduate::OpenLines() {
  CModbusSlave& link = line_.link;
  // A Z5's own graduation table is polled in either mode, so the log's point
  // lines show what each detector captured.
  const int pollSet = PollSetFor(o_.type, o_.type == kTypeZ5 ? kModeGraduationZ5 : o_.mode);
  const PollRequestLists requests = PollRequestTable();
  link.SetPollRequests(requests.firsts, requests.counts, requests.offsets);
  link.SelectPollSet(PollSetRequests(pollSet), pollSet);
  ApplyLinkOptions(link, o_.lo);
  // A detector line whose device goes away is waited for and reopened; the run holds meanwhile.
  link.SetReconnect(true);
  if (o_.valves && !o_.withoutGas) {
    if (o_.valves->line == ValveLine::kDetectorLine)
      valves_.AttachToDetectorLine(*o_.valves, link, o_.language);
    else
      valves_.OpenOwnLine(*o_.valves, o_.valvesLine, o_.language);
  }
  link.StartWorker(&queue_, 0, o_.lo.port, Format("%d", o_.lo.baud), o_.devices, "3", "0", "3", true);
  workerRunning_ = true;
  chamber_.Open(o_.chamber, o_.chamberLine, o_.language);
}

void CGraduate::TakeMessages(Clock::time_point until) {
  CModbusSlave& link = line_.link;
  Posted m{};
  while (Clock::now() < until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (!queue_.Next(&m, std::max(left, std::chrono::milliseconds(1)))) return;
    switch (m.message) {
      case WM_USER_DATA: {
        const PollOutcome outcome = table_.CompletedPoll(link.LastPosition(), link.ImagePollSet(),
                                                         std::span<const std::uint16_t>(link.PollImage(), kImageWords));
        if (outcome.slot >= 0) session_.OnPoll(table_, outcome.slot, o_.type, Clock::now());
        if (outcome.enableDone) Carry(run_.OnPollResult(true));
        if (outcome.resumeWorker) link.Resume();
        break;
      }
      case WM_USER_CLEAR:
        session_.OnMissedPoll(link.FailedPosition());
        table_.ClearedPosition(link.FailedPosition());
        break;
      case WM_USER_RESULT:
        if (IsDetectorLineCode(m.w)) table_.ReadResult(int(m.w), int(m.l));
        break;
      case WM_USER_PORT_OPEN:
        lineOpen_ = true;
        table_.PortOpened();
        if (lineLost_)
          Complain("graduate", Format(txt::kCtlLineBack(o_.language), link.DevicePath().c_str()));
        lineLost_ = false;
        session_.SetDetectorLineLost({});
        break;
      case WM_USER_LINE_LOST:
        // The rows keep their detectors: the run goes on with them once the line is back.
        lineOpen_ = false;
        lineLost_ = true;
        session_.SetDetectorLineLost(link.DevicePath());
        Complain("graduate", LineWatchNote(LineWatch::Waiting, link.DevicePath(), o_.language));
        break;
      case WM_USER_PORT_FAIL: throw DeviceError(OpenFailureText(o_.lo.port, link, link.LastError(), o_.language));
      default: break;
    }
  }
}

// Every detector of the list has answered a whole poll: the run reads their
// gas and LEL_CONC. A resume waits only for the detectors it still has, and
// names the ones missing itself, with their serial numbers.
bool CGraduate::WaitForRows() {
  auto needed = [&](std::size_t s) {
    const int a = o_.devices[s];
    return !saved_ || (std::count(saved_->dropped.begin(), saved_->dropped.end(), a) == 0 &&
                       std::count(o_.drop.begin(), o_.drop.end(), a) == 0);
  };
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    if (signals_.Pending()) return false;
    TakeMessages(Clock::now() + std::chrono::milliseconds(100));
    bool all = true;
    for (std::size_t s = 0; s < o_.devices.size(); ++s) all = all && (!needed(s) || table_.Slot(int(s)).HasDetector());
    if (all) return true;
  }
  if (saved_) return true;
  Complain("graduate", txt::kCtlNotAllAnswer(o_.language));
  return false;
}

// The saved run's detectors are the ones on the bus, or the operator named
// each one the run is to go on without.
bool CGraduate::ResumeChecked(const SavedRun& saved) {
  bool ok = true;
  for (const ResumeMismatch& m : ResumeMismatches(saved, table_, o_.type, o_.language)) {
    if (m.slot >= 0 && std::count(o_.drop.begin(), o_.drop.end(), m.address)) continue;
    Complain("graduate", m.slot < 0 ? m.text : m.text + Format(txt::kCtlDropHint(o_.language), m.address));
    ok = false;
  }
  return ok;
}

RunActions CGraduate::Answer(const RunDialogRequest& ask) {
  const RunEnvironment env = Env();
  switch (ask.kind) {
    case RunDialog::Password: return run_.OnPassword(std::string(kGraduationPassword), env);
    case RunDialog::StartChoice: {
      RunStartChoice choice;
      choice.stageIndex = o_.fromStage - 1;
      choice.valveMode = 1;
      choice.withoutGas = o_.withoutGas;
      return run_.OnStartChoice(choice, env);
    }
    case RunDialog::Concentrations:  // refused once (the run said why): nobody is there to type others
      return run_.OnConcentrations(ask.again ? std::nullopt : std::make_optional(std::make_pair(o_.medium, o_.high)),
                                   env);
    case RunDialog::StopQuestion: return run_.OnStopAnswer(true);
  }
  return {};
}

void CGraduate::Carry(RunActions a) {
  for (;;) {
    for (const std::string& m : a.messages) Complain("graduate", m);
    for (const std::string& n : a.notes) {
      std::printf("%s %s\n", Stamp().c_str(), n.c_str());
      notGraduated_.push_back(n);
    }
    WriteOrigin origin;
    origin.mode = "kvlctl graduate";
    origin.cause = "graduation run";
    session_.TakeActions(a, origin);  // the logs wait for the writes and the state save
    if (!a.writes.empty()) {
      std::vector<std::uint8_t> slaves;
      std::vector<std::uint16_t> regs, values;
      for (const RunWrite& w : a.writes) {
        slaves.push_back(w.slave);
        regs.push_back(w.reg);
        values.push_back(w.value);
      }
      line_.link.BeginWriteList(std::move(origin));
      line_.link.QueueWritesTo(slaves, regs, values, 6, 0);
      line_.link.EndWriteList();
    }
    if (a.clearSeen) table_.ClearStageSeen();
    if (a.recording) writer_.SetRecording(*a.recording, a.recordingNewSeries);
    if (a.stopStabilization) stabilizationAt_.reset();
    if (a.startStabilizationMs) stabilizationAt_ = Clock::now() + std::chrono::milliseconds(*a.startStabilizationMs);
    if (a.startCompletionMs) completionAt_ = Clock::now() + std::chrono::milliseconds(*a.startCompletionMs);
    if (!a.ask) break;
    a = Answer(*a.ask);
  }
  table_.SetGraduationStage(run_.View(Env()).seenStep);
  table_.SetStageExempt(run_.OutOfRun());
  StepChanged();
}

// One line per step change; the state is saved once the step's writes ran.
void CGraduate::StepChanged() {
  if (run_.Stage() == shownStage_ && run_.Step() == shownStep_) return;
  shownStage_ = run_.Stage();
  shownStep_ = run_.Step();
  if (shownStage_ == 0) return;  // the completion's message was told at stage 9
  const RunView view = run_.View(Env());
  std::printf("%s stage %d step %d: %s\n", Stamp().c_str(), shownStage_, shownStep_, view.message.c_str());
  std::fflush(stdout);
  if (shownStage_ >= 1 && shownStage_ <= kGraduationStages) saveDue_ = true;
}

// The step is saved as reached before its point lines go to the logs: a run
// cut off in between loses a log line it can rebuild, never writes one twice.
void CGraduate::SaveAndAppend() {
  if (!session_.Settled()) return;
  if (saveDue_ && run_.Stage() >= 1 && run_.Stage() <= kGraduationStages) {
    SavedRun saved;
    run_.SnapshotInto(saved);
    saved.type = o_.type;
    saved.medium = o_.medium;
    saved.high = o_.high;
    saved.series = writer_.NewSeriesPending() ? -1 : writer_.Series();
    for (std::uint8_t a : o_.devices) saved.addresses.push_back(a);
    saved.savedAt = Stamp();
    saved.operatorName = operatorName_;
    const int rc = SaveRunState(o_.data, saved);
    session_.FolderWrite(FolderWriter::kRunState, rc);
    // Not saved: tried again next time, and the point lines wait for it.
    if (rc != 0) return TellFolder();
    savedSeries_ = saved.series;
    saveDue_ = false;
  }
  // Once recording has found its series, the state says which it is.
  if (!writer_.NewSeriesPending() && writer_.Series() != savedSeries_ && savedSeries_ < 0) saveDue_ = true;
  session_.AppendSettledLogs([](const RunLogAppend& log) { return AppendGradLog(log.path, log.bytes); });
  TellFolder();
}

// A refusing folder is told once when it starts and once when it is over; the progress lines show the hold.
void CGraduate::TellFolder() {
  const std::string failure = session_.FolderFailure();
  if (failure == toldFolderFailure_) return;
  if (!failure.empty()) Complain("graduate", Format(txt::kApFolderFails(o_.language), failure.c_str()));
  toldFolderFailure_ = failure;
}

// What the autopilot found out besides the step: the windows the poll cycle
// gives, and the detectors silent for so long that the run goes on without them.
void CGraduate::Heed(const AutopilotDecision& d, Clock::time_point now) {
  if (const auto& w = d.windowsChanged) {
    auto seconds = [&](AutopilotRules::Seconds s) { return Format(txt::kApSeconds(o_.language), int(s.count())); };
    std::printf("%s %s\n", Stamp().c_str(),
                Format(txt::kApWindows(o_.language), w->cycleS, w->detectors, seconds(w->temperature).c_str(),
                       seconds(w->signal).c_str())
                    .c_str());
    std::fflush(stdout);
  }
  for (const AutopilotDecision::Silent& silent : d.drop) {
    const std::string since = WallClockText(silent.since, now, std::chrono::system_clock::now());
    Carry(run_.Drop(silent.slot, Format(txt::kApNoAnswerSince(o_.language), since.c_str()), Env()));
  }
}

void CGraduate::Progress(const AutopilotDecision& d, Clock::time_point now) {
  if (now < nextProgress_) return;
  nextProgress_ = now + std::chrono::milliseconds(static_cast<long long>(o_.progressS * 1000));
  std::printf("  %s\n", AutopilotStatus(d, now, std::chrono::system_clock::now(), o_.language).c_str());
  std::fflush(stdout);
}

void CGraduate::Timers(Clock::time_point now) {
  if (stabilizationAt_ && now >= *stabilizationAt_) {
    stabilizationAt_.reset();
    Carry(run_.OnStabilizationTimer());
  }
  if (completionAt_ && now >= *completionAt_) {
    completionAt_.reset();
    Carry(run_.OnCompletionTimer());
  }
  if (writer_.Recording() && lineOpen_ && now >= nextRecord_) {
    nextRecord_ = now + std::chrono::seconds(1);
    std::vector<RunDataRow> rows;
    for (int s = 0; s < int(o_.devices.size()); ++s)
      rows.push_back(RunDataRowFromView(table_.DescribeRow(s, true), table_.Slot(s)));
    writer_.Tick(rows, RunDataContext{o_.type, o_.mode, o_.language}, LocalNow());
    session_.FolderWrite(FolderWriter::kRunData, writer_.FailingNow());
  }
}

bool CGraduate::Begin() {
  if (saved_) {
    const SavedRun& saved = *saved_;
    bool taken = false;
    if (saved.addresses != std::vector<int>(o_.devices.begin(), o_.devices.end())) {
      Complain("graduate", txt::kCtlOtherDetectors(o_.language));
      return false;
    }
    if (!ResumeChecked(saved)) return false;
    RunActions a = run_.Resume(saved, Env(), &taken);
    if (!taken) {
      Complain("graduate", txt::kCtlOtherDetectors(o_.language));
      return false;
    }
    // Nothing goes to a detector the run is told to go on without.
    auto asked = [&](int address) { return std::count(o_.drop.begin(), o_.drop.end(), address) > 0; };
    std::erase_if(a.writes, [&](const RunWrite& w) { return asked(w.slave); });
    if (saved.series >= 0) writer_.ContinueSeries(saved.series);
    if (!o_.operatorGiven && !saved.operatorName.empty()) operatorName_ = saved.operatorName;
    std::printf("resuming %s, saved %s\n", Format(txt::kApStepWords(o_.language), saved.stage, saved.step).c_str(),
                saved.savedAt.c_str());
    Carry(std::move(a));
    for (int s = 0; s < kSlotCount; ++s)
      if (run_.InRun(s) && asked(run_.RunAddress(s))) Carry(run_.Drop(s, txt::kApDropAsked(o_.language), Env()));
  } else {
    Carry(run_.OnButton(Env()));
  }
  return run_.Running();
}

int CGraduate::Run() {
  if (o_.resume) {
    std::string why;
    saved_ = LoadRunState(o_.data, &why);
    if (!saved_) {
      Complain("graduate", Format(txt::kCtlNothingToResume(o_.language), o_.data.c_str()) +
                               (why.empty() ? "" : ": ") + why);
      return kExitFailed;
    }
  }
  OpenLines();
  if (!WaitForRows() || !Begin()) return signals_.Pending() ? kExitInterrupted : kExitFailed;
  for (;;) {
    if (signals_.Pending()) {
      std::printf("%s stopped; the run's state is kept for --resume\n", Stamp().c_str());
      saveDue_ = false;  // the saved step stays the one to take up
      Carry(run_.OnButton(Env()));  // "   Stop graduation", answered yes
      Finish();
      return kExitInterrupted;
    }
    TakeMessages(Clock::now() + std::chrono::milliseconds(100));
    const auto now = Clock::now();
    Timers(now);
    if (!run_.Running()) break;
    const AutopilotTick tick = session_.Tick(run_, Env(), now);
    Heed(tick.decision, now);
    if (tick.confirm) Carry(run_.OnDone(Env()));
    SaveAndAppend();
    if (!tick.confirm && run_.Stage() <= kGraduationStages) Progress(tick.decision, now);
  }
  // The last stage's point lines wait for its writes, which the link runs
  // between polls, and for a folder that takes them.
  for (int i = 0; i < 300 && !(session_.Settled() && !session_.LogsHeld()); ++i) {
    TakeMessages(Clock::now() + std::chrono::milliseconds(100));
    SaveAndAppend();
  }
  Finish();
  if (session_.LogsHeld()) {
    Complain("graduate", Format(txt::kApFolderFails(o_.language), session_.FolderFailure().c_str()));
    return kExitFailed;  // the state stays: the run can be taken up once the folder works
  }
  RemoveRunState(o_.data);
  // The link told each failed write as it came; the run went on, as the window's does.
  if (session_.FailedCaptures() > 0)
    Complain("graduate", Format(txt::kCtlCapturesFailed(o_.language), session_.FailedCaptures()));
  return kExitOk;
}

// Valves closed and the chamber parked before the lines go.
void CGraduate::Finish() {
  session_.Finish();
  const double park = o_.chamber.parkC;
  for (int i = 0; i < 100; ++i) {
    const ChamberReading r = chamber_.Last();
    const bool parked = r.answered && std::fabs(r.setPoint - park) < 0.05;
    const bool closed = o_.withoutGas || (valves_.Last().answered && valves_.Last().open == GasValve::kClosed);
    if (parked && closed) break;
    TakeMessages(Clock::now() + std::chrono::milliseconds(100));
  }
  writer_.Sync();
  valves_.Close();
  queue_.Close();
  line_.link.StopWorker();
  workerRunning_ = false;
  chamber_.Close();
}

std::vector<std::string> CGraduate::RunFiles() const {
  std::vector<std::string> files;
  for (int s = 0; s < int(o_.devices.size()); ++s)
    if (run_.InRun(s))
      files.push_back(RunDataFileName(
          o_.data, run_.RunSerial(s).empty() ? SerialNumberText(o_.type, table_.Slot(s).image, false) : run_.RunSerial(s),
          Series(), o_.mode));
  return files;
}

std::vector<std::string> CalcOptions(const GraduateOptions& o) {
  std::vector<std::string> c = {"--type", Format("%d", o.type), "--lang", o.language == kRussian ? "ru" : "en"};
  if (!o.report.empty()) c.insert(c.end(), {"--report", o.report});
  if (o.write) c.insert(c.end(), {"--write", "--port", o.lo.port, "--baud", Format("%d", o.lo.baud)});
  if (o.write && o.lo.echo) c.push_back("--echo");
  if (o.write && o.acceptOutliers) c.push_back("--accept-outliers");
  if (!o.lo.journal.empty()) c.insert(c.end(), {"--journal", o.lo.journal});
  return c;
}

int RunGraduate(const std::vector<std::string>& args) {
  CArgParser p = GraduateParser();
  if (!p.Parse(JoinConcentrations(args))) return kExitOk;
  const GraduateOptions o = ReadGraduateOptions(p);
  // The run's folders are made when missing: a night's run must not end without its reports.
  std::string why;
  for (const std::string& folder : {o.data, o.report})
    if (!folder.empty() && CreateFolders(folder, &why) != 0) throw UsageError(why);
  // One run per folder, from before anything is written or sent until its tables are calculated.
  CRunFolderLock folderLock;
  const FolderLockResult taken = folderLock.Take(o.data);
  if (taken != FolderLockResult::kTaken) Complain("graduate", folderLock.Message(o.language));
  if (!folderLock.Held()) return kExitFailed;
  std::vector<std::string> files, notGraduated;
  RunCalcFacts facts;
  {
    CGraduate g(o);
    const int rc = g.Run();
    if (rc != kExitOk) return rc;
    files = g.RunFiles();
    facts = g.CalcFacts();
    notGraduated = g.NotGraduated();
  }
  std::printf("%s graduation completed; calculating %zu table(s)\n", Stamp().c_str(), files.size());
  std::fflush(stdout);
  // The run went on without some: they are named again where the run's end is read.
  for (const std::string& n : notGraduated) Complain("graduate", n);
  bool everyTable = false;
  std::vector<std::string> options = CalcOptions(o);
  // The table is a clean-air curve: what was recorded while gas flowed stays out.
  if (const std::string spans = ComposeGasSpans(facts.gasSpans); !spans.empty())
    options.insert(options.end(), {"--leave-out", spans});
  // Every stage the run went through must have left clean air in every file.
  options.insert(options.end(), {"--stages", ComposeRunStages(facts.stages)});
  const int rc = CalculateRunFiles(options, files, &everyTable, facts.factors, facts.report ? &*facts.report : nullptr);
  if (rc != kExitOk) return rc;
  if (!everyTable || files.size() != o.devices.size()) {
    Complain("graduate", (o.write ? txt::kCtlNotEveryWritten : txt::kCtlNotEveryCalculated)(o.language));
    return kExitFailed;
  }
  return kExitOk;
}

const CommandRegistrar kGraduate{"graduate", "run a whole graduation with the chamber and the valves, unattended",
                                 &RunGraduate};

}  // namespace
}  // namespace kvl::ctl
