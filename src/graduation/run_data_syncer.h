#pragma once
// Puts appended run data on the disk without the window's thread waiting for
// it: the writer hands over the descriptor it has just written through, and a
// small thread of this class calls fdatasync on it (and, for a file the write
// created, fsync on its folder so the new name survives a power cut too) and
// closes it, at most about a second after the write.
//
// Never blocks its callers on the disk: Submit only queues. Flush waits until
// everything handed over so far is synced (exit, tests).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvl {

class CFileSyncer {
 public:
  // A sync round starts when no descriptor has come for `delayMs`, and at
  // the latest a second after the first one waiting.
  explicit CFileSyncer(int delayMs = 20);
  ~CFileSyncer();  // syncs what is queued, then ends the thread
  CFileSyncer(const CFileSyncer&) = delete;
  CFileSyncer& operator=(const CFileSyncer&) = delete;

  // Takes ownership of `fd`. `file` names it: of several descriptors of one
  // file waiting in a round only one is synced (one fdatasync covers the
  // file), so a syncer that falls behind never has more syncs to do than
  // files. `folderToSync` non-empty: fsync that folder too.
  void Submit(int fd, std::string file, std::string folderToSync = {});
  // Returns once everything submitted before the call is synced and closed.
  void Flush();
  // fdatasync or folder fsync calls that failed (EIO, ENOSPC...).
  std::uint64_t FailedSyncs() const { return failed_.load(); }
  // Sync rounds run so far.
  std::uint64_t Rounds() const { return rounds_.load(); }

 private:
  struct Item {
    int fd;
    std::string file;
    std::string folder;
  };
  void Run();

  const int delayMs_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::condition_variable doneCv_;
  std::vector<Item> queue_;
  std::uint64_t submitted_ = 0;  // under mutex_
  std::uint64_t synced_ = 0;     // under mutex_
  bool flushWanted_ = false;
  bool stop_ = false;
  std::atomic<std::uint64_t> failed_{0};
  std::atomic<std::uint64_t> rounds_{0};
  std::thread thread_;
};

}  // namespace kvl
