#pragma once
// Run data recording: the recording switch, the series number and its search,
// the header repetition rule and the appending of each tick's lines, one file
// per detector and series. Owns no timer and no widget: the window calls
// Tick() from its recording timer (only while no address search runs and the
// line is polled) and shows Recording(), RecordedCount() and FailedWrites().
//
// Durability without stalls: each detector's bytes of one tick (header block
// and data line) go to its file in one write() on a descriptor opened with
// O_APPEND, so a killed process never leaves half a line; a write that comes
// back short is cut off again. The descriptor is then handed to a background
// syncer (run_data_syncer.h) that fdatasyncs and closes it, so the calling
// thread never waits on the disk. A file is opened afresh each tick: a folder
// that went away (unplugged stick, full or read-only disk) costs that
// detector its line, counted in FailedWrites() and told by FailingNow() (a
// graduation run holds on it), and recording goes on by itself once the
// folder is back.
#include <array>
#include <atomic>
#include <ctime>
#include <memory>
#include <span>
#include <string>

#include "graduation/run_data_format.h"
#include "graduation/run_data_syncer.h"

namespace kvl {

inline constexpr int kMaxSeriesNumber = 99;

class CRunDataWriter {
 public:
  // `syncDelayMs`: the pause in writing after which the syncer starts a round.
  explicit CRunDataWriter(int syncDelayMs = 20);
  ~CRunDataWriter();  // everything written is synced first

  // The data folder ("" = the working folder; otherwise it ends with "/").
  void SetFolder(const std::string& folder) { folder_ = folder; }
  const std::string& Folder() const { return folder_; }

  // The recording switch. Switching on with `newSeries` (the button, the
  // schedule) starts a new series and sets the recorded count to 0; the
  // graduation run switches on without a new series.
  void SetRecording(bool on, bool newSeries = true);
  bool Recording() const { return recording_; }
  // A new series begins at the next tick that writes (start-up, after an
  // address search, "Start recording").
  void StartNewSeries() {
    newSeries_ = true;
    seriesFound_ = false;
  }
  bool NewSeriesPending() const { return newSeries_; }
  int Series() const { return series_; }
  // A resumed graduation run records on into the series it began: no new
  // series is looked for, and each file starts again with its header block.
  void ContinueSeries(int series) {
    series_ = series;
    newSeries_ = false;
    lastHeader_.fill({});
  }
  // Ticks that wrote at least one line since the switch last went on.
  unsigned RecordedCount() const { return recorded_; }

  // The recording step of one timer tick, for the rows of the poll list in
  // table order. Does nothing while the switch is off. True when at least one
  // line was written (the recorded count has then grown by one).
  bool Tick(std::span<const RunDataRow> rows, const RunDataContext& context, const std::tm& now);

  // Lines that could not be opened, written or synced since construction.
  std::uint64_t FailedWrites() const { return failedWrites_ + syncer_.FailedSyncs(); }
  // The system's reason of the last failed open or write ("" when none).
  const std::string& LastFailure() const { return lastFailure_; }
  // The errno value of a line the last tick that wrote anything could not
  // write; 0 once a tick wrote every line it had. A run holds on it.
  int FailingNow() const { return failingNow_; }

  // Waits until every line written so far is on the disk.
  void Sync() { syncer_.Flush(); }

 private:
  bool FindSeries(std::span<const RunDataRow> rows, int mode);
  // 0 or the errno value.
  int Append(const std::string& path, const std::string& bytes);

  std::string folder_;
  bool recording_ = false;
  bool newSeries_ = true;
  // The new series' number was found: a folder that refuses its first lines
  // (and leaves their files empty) does not push it on to the next number.
  bool seriesFound_ = false;
  int series_ = 0;
  unsigned recorded_ = 0;
  std::array<std::string, kSlotCount> lastHeader_;
  std::uint64_t failedWrites_ = 0;
  std::string lastFailure_;
  int failingNow_ = 0;
  CFileSyncer syncer_;
};

}  // namespace kvl
