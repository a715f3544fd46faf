#pragma once
// One graduation per data folder. A run holds "graduation.lock" in its folder:
// the file names the holder (process id and host name), and the system's own
// lock on it says whether that holder still lives, since the system drops it
// with the process however the process ends. A lock file nobody holds is
// taken over with a note naming whose it was; a held one refuses the run.
//
// What it owns: the lock file's name, its lines and the rule above.
// What it never does: wait for a holder, decide what a refused run does
// instead, or touch anything else in the folder.
#include <string>
#include <string_view>

#include "text/language.h"

namespace kvl {

struct FolderHolder {
  unsigned long pid = 0;  // 0: not named (a damaged file)
  std::string host;
};

enum class FolderLockResult {
  kTaken,      // the folder was free
  kTakenOver,  // a run that has ended left its lock file: Message() names it
  kHeld,       // another run holds the folder: refused
  kOtherHost,  // the file names a run on another computer, whose life cannot be checked here: refused
  kFailed,     // the lock file cannot be made or locked: refused
};

// data folder + "graduation.lock"
std::string RunFolderLockPath(const std::string& dataFolder);
// The file's lines: "pid = 4711" and "host = stand-3", Windows-1251 and CR LF.
std::string ComposeFolderHolder(const FolderHolder& holder);
// Whatever cannot be read leaves its field empty (pid 0, host "").
FolderHolder ParseFolderHolder(std::string_view bytes);

class CRunFolderLock {
 public:
  CRunFolderLock() = default;
  ~CRunFolderLock() { Release(); }
  CRunFolderLock(const CRunFolderLock&) = delete;
  CRunFolderLock& operator=(const CRunFolderLock&) = delete;

  // Takes the folder (its text ends with "/") for this process; a folder held
  // here already is released first. `self` is who this process is.
  FolderLockResult Take(const std::string& dataFolder, const FolderHolder& self);
  // Take() as this process on this computer.
  FolderLockResult Take(const std::string& dataFolder);
  // Removes the lock file and lets go; nothing when nothing is held.
  void Release();
  bool Held() const { return fd_ >= 0; }
  // Who the lock file named at the last Take(): the holder that refused it,
  // or the one whose lock was taken over.
  const FolderHolder& Named() const { return named_; }
  // What the operator is told of the last Take(): "" when the folder was
  // free; the note of a lock taken over; the refusal.
  std::string Message(LanguageIndex lang) const;

 private:
  FolderLockResult Result(FolderLockResult r) { return result_ = r; }

  std::string folder_;
  std::string path_;
  int fd_ = -1;
  FolderLockResult result_ = FolderLockResult::kTaken;
  FolderHolder named_;
  int error_ = 0;
};

}  // namespace kvl
