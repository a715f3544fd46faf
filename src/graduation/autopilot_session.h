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
// What it owns: the autopilot, the count of outstanding capture lists, the
// held-back log records. What it never does: touch a file or the run itself.
#include <atomic>
#include <functional>
#include <vector>

#include "chamber/chamber_control.h"
#include "detector/detector_table.h"
#include "graduation/graduation_autopilot.h"
#include "graduation/graduation_run.h"
#include "link/write_list.h"

namespace kvl {

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
  int CapturesPending() const { return pending_.load(); }
  int FailedCaptures() const { return failed_.load(); }

  // The end of a run, completed or stopped: valves closed, chamber parked.
  void Finish();

 private:
  IChamberControl& chamber_;
  IValveControl* valves_;
  CGraduationAutopilot pilot_;
  std::atomic<int> pending_{0};
  std::atomic<int> failed_{0};
  std::vector<RunLogAppend> heldLogs_;
};

}  // namespace kvl
