#pragma once
// The state of an unfinished graduation run, kept in the data folder so that
// a run cut off by a crash or a power cut can be taken up where it was: the
// stage and step, the choices made at its start, the concentrations, the
// series its run data goes into, which graduation log headers are still
// owed and when it fed gas. Written whole by atomic replacement at every step change, so the file
// is always one complete state; removed when the run completes.
//
// What it owns: the file's name, its lines and their strict reading.
// What it never does: decide where a run resumes (the run does), or touch a
// detector.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "detector/detector_kinds.h"
#include "graduation/gas_spans.h"
#include "graduation/run_captures.h"

namespace kvl {

struct SavedRun {
  int type = kTypeZ5;
  int stage = 1;      // 1..8
  int step = 0;       // 0..4: the step the run was in, not yet confirmed
  int valveMode = 1;  // 0 "Manually", 1 "Auto"
  bool withoutGas = false;
  std::string medium, high;  // the concentration texts as typed
  int series = -1;           // the run data series, -1 none yet
  std::vector<int> addresses;  // the poll list, in slot order
  std::array<bool, kSlotCount> logHeaderOwed{};  // by slot: the run's log header is not written yet
  std::string savedAt;  // "dd.mm.yyyy hh:mm:ss", local
  std::vector<GasSpan> gasSpans;  // when the run fed gas so far
  // By slot, the serial number each detector of the run answered at its
  // start (empty in a state of an earlier version): a resume checks the bus
  // against them.
  std::vector<std::string> serials;
  std::vector<int> dropped;  // addresses of the detectors the run let go
  std::vector<RunCapture> captures;  // what the run noted at each confirmation so far
  std::string operatorName;          // who runs it ("" unknown)
  int firstStage = 1;             // the stage it began at
};

// data folder + "graduation.run"
std::string RunStatePath(const std::string& dataFolder);

std::string ComposeRunState(const SavedRun& run);
// Nothing but a whole, valid state is taken: a line that does not belong,
// a number out of range or a missing key refuses the file, naming it in `error`.
std::optional<SavedRun> ParseRunState(const std::string& text, const std::string& path, std::string* error);

// 0 or an errno value; the old state stays whole until the new one is on disk.
int SaveRunState(const std::string& dataFolder, const SavedRun& run, std::string* error = nullptr);
// No file: nullopt with `error` empty. A file that cannot be read: nullopt and the reason.
std::optional<SavedRun> LoadRunState(const std::string& dataFolder, std::string* error);
void RemoveRunState(const std::string& dataFolder);

}  // namespace kvl
