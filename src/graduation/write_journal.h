#pragma once
// The write journal: every write list the program sends to a detector, one
// line each, appended to a daily file in the data folder
// (journal_<yyyy-mm-dd>.txt, UTF-8, LF). Each line goes out in one write() on
// a file opened for appending, so a killed program never leaves half a line
// and nothing written before is ever rewritten. Composes and appends lines;
// never decides what is written to a detector.
//
// A line (fields two blanks apart, values quoted when they hold a blank):
//   2026-12-07 14:03:12  mode=Tuning  serial=11005  addr=5  cause=limit1  f6@5=30  result=ok
//   ...  cause="7001 run.grad"  f16@104=554,625,...  f16@128=...  result=ok  readback=equal
// f6@REG=VALUE is a single write (a password's value shows as *), f16@FIRST=W,W,... a block from protocol
// address FIRST; result=ok, or failed:K/N (K of the N writes failed);
// readback (lists with blocks): equal, differs:REG=WRITTEN/READ,..., or none
// (no check read answered). serial is the one read from the detector just
// before the writes (empty when it did not answer); a list carrying a file's
// content adds file_serial=N, and one the identity check refused ends
//   ...  serial=2400003  addr=3  cause=2400017.tab  file_serial=2400017  result=refused  why="File ..."
//
// The climate chamber's set points and the gas valves' changes are lines of
// the same journal, of their own kind:
//   2026-12-07 14:05:40  kind=chamber-set  value=40.00  result=ok
//   2026-12-07 15:10:02  kind=valves  value=high  result="failed: no answer"
// (kinds: chamber-set, chamber-park, chamber-start, chamber-stop, valves), and
// what an unattended run had to say instead of a box:
//   2026-12-07 23:41:07  kind=run-note  value="2 of 2 tables written and verified"  result=""
// (run-note; result=hold for the start of a step the autopilot holds).
#include <atomic>
#include <ctime>
#include <mutex>
#include <string>

#include "link/write_list.h"

namespace kvl {

// folder + "journal_" + yyyy-mm-dd + ".txt" ("" folder = the working folder).
std::string JournalFileName(const std::string& folder, const std::tm& day);

// One journal line, ending with "\n".
std::string JournalLine(const LinkWriteList& list, const std::tm& now);

// One line of a chamber or valve event, ending with "\n".
std::string JournalEventLine(const std::string& kind, const std::string& value, const std::string& result,
                             const std::tm& now);

class CWriteJournal : public CWriteListener {
 public:
  // The data folder; "" leaves the journal off. Any thread.
  void SetFolder(const std::string& folder);
  std::string Folder() const;

  // Appends the list's line to today's file (local time). Any thread.
  void OnWriteList(const LinkWriteList& list) override;
  // Appends a chamber or valve event's line. Any thread.
  void OnDeviceEvent(const std::string& kind, const std::string& value, const std::string& result);

  // Lines that could not be appended, and the last reason.
  unsigned Failures() const { return failures_.load(); }
  std::string LastFailure() const;

 private:
  mutable std::mutex mutex_;
  std::string folder_;
  std::string lastFailure_;
  std::atomic<unsigned> failures_{0};

  void Append(const std::tm& now, const std::string& line);
};

}  // namespace kvl
