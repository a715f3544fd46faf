#pragma once
// The graduation run as a state machine without a window: the window feeds it
// events (its button, the operator's answers, "   Done", timer ends, poll
// results, the valve mode selector) and carries out what each event returns
// (RunActions): dialogs to ask, message boxes, register writes, graduation
// log appends, timers to start or stop, the recording switch, the gas
// selector. Between events the window draws View(). The run never waits: the
// 35-minute stabilisation and the 2-second pause after the last stage are
// timers the window runs, reported back with OnStabilizationTimer() and
// OnCompletionTimer().
//
// Driving it (window side):
//   button "   Start graduation"/"   Stop graduation" -> OnButton
//   ask == Password            -> OnPassword(text or nullopt on cancel)
//   ask == StartChoice         -> OnStartChoice(choice or nullopt)
//   ask == Concentrations      -> OnConcentrations(medium, high texts or nullopt);
//                                 refused values are asked again (ask.again), Cancel is no run
//   ask == StopQuestion        -> OnStopAnswer(yes)
//   "   Done"                  -> OnDone
//   timer 3 (startStabilizationMs) -> OnStabilizationTimer
//   the one-shot completion timer (startCompletionMs) -> OnCompletionTimer
//   valve mode selector        -> OnValveMode(index)
//   every completed poll       -> OnPollResult(outcome.enableDone)
// and after each: carry out the actions in the order of the RunActions
// members, then CDetectorTable::SetGraduationStage(View().seenStep) and draw
// the view. The seen flags that enable "   Done" after a gas step live in
// the detector table (its MarkStageSeen); the run clears them (clearSeen).
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "commands/command_types.h"
#include "detector/detector_table.h"
#include "graduation/graduation_run_stages.h"
#include "graduation/run_state_file.h"
#include "text/language.h"

namespace kvl {

inline constexpr int kStabilizationMs = 2100000;  // timer 3: 35 minutes
inline constexpr int kCompletionPauseMs = 2000;   // after the last stage, before the run ends
inline constexpr char kGraduationPassword[] = "6847";
inline constexpr std::uint16_t kGraduationPasswordCode = 6847;
inline constexpr int kRegGraduationCommand = 102;

// Graduation capture codes of register 102 (high byte; the point is the low byte).
inline constexpr unsigned kCaptureZeroGas = 0x11, kCaptureMiddleGas = 0x22, kCaptureHighGas = 0x33;

// What the run reads from the window at an event.
struct RunEnvironment {
  const CDetectorTable* table = nullptr;  // poll list, slot addresses, register images
  int type = kTypeZ5;
  LanguageIndex language = kRussian;
  int tLow = -50;   // configuration T[0], second number
  int tHigh = 85;   // configuration T[7], second number
  std::string dataFolder;  // where the graduation logs are
  std::tm now{};           // local time, for the log records
  // The chamber's last reading (degC), noted at each confirmation; none
  // while the chamber does not answer or without one.
  std::optional<double> chamberSetPointC, chamberMeasuredC;
};

enum class RunDialog {
  Password,        // one-edit dialog (CEnter1Edit), prompt in `prompt`
  StartChoice,     // CEnter2Combo2Check: prompt, stage and valve lists, caption, two checks
  Concentrations,  // CEnter2Edit, both edits empty
  StopQuestion,    // Yes/No question, text in `prompt`
};

struct RunDialogRequest {
  RunDialog kind = RunDialog::Password;
  std::string prompt;
  std::vector<std::string> stageItems;  // StartChoice: the eight stage temperatures
  std::vector<std::string> valveItems;  // StartChoice: "Manually", "Auto"
  int valveSelected = 0;
  std::string beginCaption, withoutGasCaption, withoutDelayCaption;
  // Concentrations asked again: the values given were refused (the messages
  // say why). A driver with nobody to type others answers nullopt.
  bool again = false;
};

struct RunStartChoice {
  int stageIndex = 0;  // 0..7: the run starts at stage index + 1
  int valveMode = 0;   // 0 "Manually", 1 "Auto"
  bool withoutGas = false;
  bool withoutDelay = false;
};

// One single-register write (function 6), as the detector commands write;
// the window queues them in order with QueueWritesTo.
using RunWrite = RegisterWrite;

struct RunLogAppend {
  std::string path;   // GradLogPath(data folder, serial)
  std::string bytes;  // Windows-1251; append with AppendGradLog (a run in Auto keeps a failed one for later)
};

// The pair of concentration texts of a gas and the gas to select.
struct RunGasSelection {
  int gasCode = 1;
  std::string first;   // the high concentration text
  std::string second;  // the medium concentration text
};

struct RunActions {
  std::vector<std::string> messages;     // message boxes with OK, in order
  // What the run tells without waiting for anyone (a detector let go): the
  // stage field, stdout, the journal; never a box.
  std::vector<std::string> notes;
  std::optional<RunDialogRequest> ask;   // then this dialog; its answer is the next event
  std::vector<RunWrite> writes;          // QueueWritesTo(..., function 6)
  std::vector<RunLogAppend> logs;
  std::optional<RunGasSelection> gas;    // store the pair, select the gas, run its handler
  std::optional<int> valveSelector;      // set the valve mode selector to this index
  bool hideValveSelector = false;
  bool clearSeen = false;                // CDetectorTable::ClearStageSeen()
  std::optional<bool> recording;         // recording switch, no confirmation
  bool recordingNewSeries = false;       // with `recording` on: begin a new series
  bool stopStabilization = false;        // kill timer 3
  std::optional<int> startStabilizationMs;  // (re)start timer 3 with this period
  std::optional<int> startCompletionMs;     // one-shot timer, then OnCompletionTimer()
};

// What the window shows of the run.
struct RunView {
  std::string buttonCaption;  // "   Start graduation" / "   Stop graduation"
  bool messageVisible = false;
  std::string message;        // stage message field
  bool doneVisible = false;
  bool doneEnabled = false;
  int valveMode = 0;
  int seenStep = 0;  // for CDetectorTable::SetGraduationStage: the step while a stage runs, else 0
};

// A saved run's detector that is not on the bus as the run left it.
struct ResumeMismatch {
  int slot = -1;  // -1: the whole run (another detector type)
  int address = 0;
  std::string text;  // names the address and both serial numbers
};

// Before a saved run is taken up, before anything is sent: every detector it
// graduates (those it let go aside) answers at its address with the serial
// number it had, and the type is the run's. Empty when the bus is the run's.
std::vector<ResumeMismatch> ResumeMismatches(const SavedRun& saved, const CDetectorTable& table, int type,
                                             LanguageIndex language);

class CGraduationRun {
 public:
  CGraduationRun();

  RunActions OnButton(const RunEnvironment& env);
  RunActions OnPassword(const std::optional<std::string>& text, const RunEnvironment& env);
  RunActions OnStartChoice(const std::optional<RunStartChoice>& choice, const RunEnvironment& env);
  // The medium and the high mixture's texts as typed. Nothing reaches a
  // detector before they are taken: the run begins with the password and
  // the concentrations written, in one list of writes.
  RunActions OnConcentrations(const std::optional<std::pair<std::string, std::string>>& texts,
                              const RunEnvironment& env);
  RunActions OnStopAnswer(bool yes);
  RunActions OnDone(const RunEnvironment& env);
  RunActions OnStabilizationTimer();
  RunActions OnCompletionTimer();
  RunActions OnValveMode(int mode);
  RunActions OnPollResult(bool enableDone);
  // The run's detectors: those that answered when its password was taken
  // (or the saved run's, resumed), by slot. One let go stays out of every
  // later capture and log line, and gets no table.
  bool InRun(int slot) const;
  bool WasDropped(int slot) const;
  int RunAddress(int slot) const;  // -1 for a slot not in the run
  std::string RunSerial(int slot) const;  // as the detector answered at the start
  // Rows of the poll list the running run does not wait for (let go, or
  // never in it): for CDetectorTable::SetStageExempt after every event.
  std::array<bool, kSlotCount> OutOfRun() const;
  // Lets the detector go, naming in its log when and why; the run goes on
  // without it. Nothing for a slot not in the run.
  RunActions Drop(int slot, const std::string& why, const RunEnvironment& env);

  // The operator acted elsewhere (a mode change): a kept "Graduation is
  // completed" goes.
  void DismissCompletion();

  RunView View(const RunEnvironment& env) const;

  // What a saved run keeps of this one: stage, step, choices and the log
  // headers still owed (the driver adds concentrations, series and time).
  void SnapshotInto(SavedRun& saved) const;
  // Takes up a run cut off by a crash or a power cut at its saved step: the
  // temperature step if that was not confirmed, else the saved gas step, with
  // the stabilisation wait or the seen flags afresh. Returns what a start
  // returns (the password and the saved concentrations written again, gas
  // selection, recording on into the same series); false in `taken` when the
  // saved poll list is not this one, or (said in messages) when the saved
  // concentrations no longer pass.
  RunActions Resume(const SavedRun& saved, const RunEnvironment& env, bool* taken);

  // The stabilisation wait timer 3 is started with: 35 minutes, or shorter
  // for a demonstration on a simulated bus whose model time runs faster.
  void SetStabilizationMs(int ms) { stabilizationMs_ = ms > 0 ? ms : kStabilizationMs; }
  int StabilizationMs() const { return stabilizationMs_; }

  // When this run fed gas: from each confirmation that opened a gas step to
  // the one that ended the last gas step of its stage (a span still open
  // while gas flows, and after a stop).
  const std::vector<GasSpan>& GasSpans() const { return gasSpans_; }
  // What the run noted at each confirmation: the chamber's reading and every
  // detector's own temperature, for the tables' reports.
  const std::vector<RunCapture>& Captures() const { return captures_; }

  int Stage() const { return stage_; }  // 0 idle, 1..8 running, 9 completed
  int FirstStage() const { return firstStage_; }  // the stage the run began at (kept by a resume)
  int Step() const { return step_; }    // 0 stabilisation, 1 zero, 2 high, 3 middle, 4 zero again
  bool WithoutGas() const { return withoutGas_; }
  int ValveMode() const { return valveMode_; }
  bool DoneEnabled() const { return doneEnabled_; }
  bool DoneShown() const { return doneVisible_; }
  bool Running() const { return stage_ != 0; }
  // The step message for a stage, step and valve mode ("+0°" written " 0°").
  static std::string StepMessage(int type, int stage, int step, int valveMode, int tLow, int tHigh,
                                 LanguageIndex language);

 private:
  enum class Shown { None, Step, Completed, Elapsed };
  void EndRun(RunActions& out);
  RunLogAppend LogRecord(const RunEnvironment& env, int slot, const std::string& pointLine);
  void TakeRoster(const CDetectorTable& t, int type);
  void RestoreRoster(const SavedRun& saved);
  void NoteGas(bool before, bool after, long long now);
  void NoteCapture(const RunEnvironment& env);
  void Record(RunActions& out);  // recording on, into a new series at a new run's first
  // The password and both concentration registers of every detector of the
  // run, as its start and its resume write them; false with `refusal` (and
  // `retype` when other texts could pass) when a value is illegal.
  bool StartWrites(const CDetectorTable& t, const std::string& medium, const std::string& high, LanguageIndex l,
                   std::vector<RunWrite>& writes, std::string& refusal, bool& retype) const;

  int stabilizationMs_ = kStabilizationMs;
  int stage_ = 0;
  int startStage_ = 1;       // chosen at the start, taken once the concentrations are
  bool seriesOwed_ = false;  // a new run's first recording begins a new series
  int firstStage_ = 1;
  int step_ = 0;
  int valveMode_ = 0;
  bool withoutGas_ = false;
  bool withoutDelay_ = false;
  bool doneEnabled_ = false;
  bool doneVisible_ = false;
  bool timerEverStarted_ = false;
  Shown shown_ = Shown::None;
  std::optional<RunDialog> awaiting_;
  std::array<bool, kSlotCount> logHeader_;
  std::array<int, kSlotCount> roster_;  // Modbus address by slot, -1 none
  std::array<bool, kSlotCount> dropped_{};
  std::array<std::string, kSlotCount> serials_;
  std::vector<GasSpan> gasSpans_;
  std::vector<RunCapture> captures_;
};

}  // namespace kvl
