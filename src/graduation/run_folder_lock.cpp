#include "graduation/run_folder_lock.h"

#include <cerrno>
#include <cstdio>

#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/host_names.h"
#include "text/ascii_case.h"
#include "text/cp1251.h"
#include "text/format.h"
#include "text/graduation_texts.h"
#include "text/number_grammar.h"

namespace kvl {
namespace {

// A holder that removes its file just as we open it leaves us a file no one
// else will see: that open is thrown away and the name opened again.
constexpr int kOpenAttempts = 4;

std::string_view ValueOf(std::string_view line, std::string_view key) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos || TrimBlanks(line.substr(0, eq)) != key) return {};
  return TrimBlanks(line.substr(eq + 1));
}

}  // namespace

std::string RunFolderLockPath(const std::string& dataFolder) { return dataFolder + "graduation.lock"; }

std::string ComposeFolderHolder(const FolderHolder& holder) {
  std::string host;
  EncodeCp1251(holder.host, host);
  return Format("pid = %lu\r\nhost = ", holder.pid) + host + "\r\n";
}

FolderHolder ParseFolderHolder(std::string_view bytes) {
  const std::string text = DecodeTextBytes(bytes);
  FolderHolder holder;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    long long pid = 0;
    if (const std::string_view v = ValueOf(line, "pid"); !v.empty())
      holder.pid = ParseWholeToken(v, 1, 0xFFFFFFFFLL, &pid) == TokenVerdict::kGood ? static_cast<unsigned long>(pid) : 0;
    if (const std::string_view v = ValueOf(line, "host"); !v.empty()) holder.host = std::string(v);
    at = end + 1;
  }
  return holder;
}

FolderLockResult CRunFolderLock::Take(const std::string& dataFolder) {
  return Take(dataFolder, FolderHolder{platform::ProcessId(), platform::HostName()});
}

FolderLockResult CRunFolderLock::Take(const std::string& dataFolder, const FolderHolder& self) {
  Release();
  folder_ = dataFolder;
  path_ = RunFolderLockPath(dataFolder);
  named_ = {};
  error_ = 0;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    const int fd = platform::OpenLockFile(path_);
    if (fd < 0) {
      error_ = errno;
      return Result(FolderLockResult::kFailed);
    }
    const int locked = platform::TryLockFile(fd);
    std::string content;
    platform::ReadWholeFile(fd, &content);
    named_ = ParseFolderHolder(content);
    if (locked != 0 || !platform::IsSameFile(fd, path_)) {
      platform::CloseFile(fd);
      if (locked == 0) continue;
      error_ = locked;
      return Result(locked == EWOULDBLOCK ? FolderLockResult::kHeld : FolderLockResult::kFailed);
    }
    // The system's lock does not always reach across a network share: a run
    // named by another computer may be alive although nothing here holds it.
    if (!named_.host.empty() && !EqualsIgnoringCase(named_.host, self.host)) {
      platform::CloseFile(fd);
      return Result(FolderLockResult::kOtherHost);
    }
    if (const int err = platform::RewriteFile(fd, ComposeFolderHolder(self))) {
      platform::CloseFile(fd);
      error_ = err;
      return Result(FolderLockResult::kFailed);
    }
    fd_ = fd;
    return Result(content.empty() ? FolderLockResult::kTaken : FolderLockResult::kTakenOver);
  }
  error_ = EAGAIN;
  return Result(FolderLockResult::kFailed);
}

void CRunFolderLock::Release() {
  if (fd_ < 0) return;
  // Removed while still locked: whoever opens the name meanwhile finds it gone once it has the lock.
  std::remove(path_.c_str());
  platform::CloseFile(fd_);
  fd_ = -1;
}

std::string CRunFolderLock::Message(LanguageIndex lang) const {
  const char* folder = folder_.c_str();
  const char* host = named_.host.empty() ? "?" : named_.host.c_str();
  switch (result_) {
    case FolderLockResult::kTaken: return {};
    case FolderLockResult::kTakenOver: return Format(txt::kFolderTakenOver(lang), folder, named_.pid, host);
    case FolderLockResult::kHeld: return Format(txt::kFolderInUse(lang), folder, named_.pid, host);
    case FolderLockResult::kOtherHost:
      return Format(txt::kFolderOtherHost(lang), folder, named_.pid, host, path_.c_str());
    case FolderLockResult::kFailed:
      return Format(txt::kFolderNotLocked(lang), folder, platform::ErrorText(error_).c_str());
  }
  return {};
}

}  // namespace kvl
