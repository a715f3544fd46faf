#pragma once
// One graduation run driven by its autopilot, between the run (the state
// machine), the chamber and valve links and whoever carries out the run's
// actions (the window, kvlctl graduate). It feeds the autopilot the
// detectors' polls, sends the chamber and the valves what the autopilot
// decides, tells when to confirm, counts a confirmation's capture writes as
// the link reports them done, and keeps that confirmation's log records and
// the state save until they are: a run cut off while its capture writes are
// still queued resumes at the step whose point was not taken, and a point
// line is never appended before its step is saved as passed.
//
// It also gathers what cuts the run's data: a detector line that is gone
// (the chamber's and the valves' lines say so in their readings) and a data
// folder that refuses the run data, a log record or the state. Either holds
// the run, and the step is taken afresh once it is over; a log record that
// could not be appended stays held until it is, so none is lost or doubled.
//
// What it owns: the autopilot, the count of outstanding capture lists, the
// held-back log records, the last outcome of each kind of folder write.
// What it never does: touch a file or the run itself.
#include <array>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "chamber/chamber_control.h"
#include "detector/detector_table.h"
#include "graduation/graduation_autopilot.h"
#include "graduation/graduation_run.h"
#include "link/write_list.h"

namespace kvl {

// The writes of a run into its data folder, each with its own last outcome.
enum class FolderWriter { kRunData, kGradLog, kRunState };

struct AutopilotTick {
  AutopilotDecision decision;
  bool confirm = false;  // call the run's OnDone now
};

class CAutopilotSession {
 public:
  // `valves` may be null for a run without gas.
  CAutopilotSession(IChamberControl& chamber, IValveControl* valves, AutopilotRules limits = {});

  // Every completed poll of a slot, after the table took it.
  void OnPoll(const CDetectorTable& table, int slot, int type, SteadyTime now);
  // Every poll of a slot that got no valid answer.
  void OnMissedPoll(int slot) { pilot_.OnMissedPoll(slot); }
  // The windows the steadiness is judged over now.
  AutopilotWindows Windows() const { return pilot_.Windows(); }
  // Decides, and sends the chamber and the valves what was decided. The
  // run's detectors are weighed whether they answer or not; one to let go
  // is in the decision's `drop`, for the caller to hand to the run's Drop.
  AutopilotTick Tick(const CGraduationRun& run, const RunEnvironment& env, SteadyTime now);

  // The run's actions of one event, before they are carried out: its log
  // records are held back while its writes run. `origin` gets a `done` that
  // counts the detectors' lists; pass it to BeginWriteList.
  void TakeActions(RunActions& actions, WriteOrigin& origin);
  // The held-back records once every write list of their confirmation ran
  // (the caller saves the run's state first, then appends them); empty otherwise.
  bool Settled() const { return pending_.load() == 0; }
  std::vector<RunLogAppend> TakeSettledLogs();
  // Appends the held-back records once settled, in order, with `append` (0 or
  // an errno value); the first that fails and those after it stay held for
  // the next call. Each outcome counts as a graduation log write. 0 or the failure.
  int AppendSettledLogs(const std::function<int(const RunLogAppend&)>& append);
  bool LogsHeld() const { return !heldLogs_.empty(); }
  int CapturesPending() const { return pending_.load(); }
  int FailedCaptures() const { return failed_.load(); }

  // The end of a run, completed or stopped: valves closed, chamber parked.
  void Finish();

  // The detector line's device while it is gone and waited for; "" once it is back.
  void SetDetectorLineLost(std::string device) { detectorLineLost_ = std::move(device); }
  // Where the run writes, for naming it in a hold ("" the working folder).
  void SetDataFolder(std::string folder) { folder_ = std::move(folder); }
  // The outcome of the last write of a kind: 0 written, else its errno value.
  void FolderWrite(FolderWriter who, int error) { folderErrors_[std::size_t(who)] = error; }
  // "folder: reason" while the last write of any kind failed, "" otherwise.
  std::string FolderFailure() const;

 private:
  IChamberControl& chamber_;
  IValveControl* valves_;
  CGraduationAutopilot pilot_;
  std::atomic<int> pending_{0};
  std::atomic<int> failed_{0};
  std::vector<RunLogAppend> heldLogs_;
  std::string detectorLineLost_;
  std::string folder_;
  std::array<int, 3> folderErrors_{};
};

}  // namespace kvl
