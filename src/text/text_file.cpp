#include "text/text_file.h"

#include <cerrno>

#include <algorithm>
#include <atomic>

#include <cstdio>

#include "platform/files.h"
#include "platform/replace_file.h"

namespace kvl {
namespace {

namespace os = platform;

int Fail(int code, const char* what, const std::string& path, std::string* error) {
  if (error) *error = std::string(what) + " " + path + ": " + os::ErrorText(code);
  return code;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) os::CloseFile(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Hands the descriptor to the caller, who closes it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now and reports the result: a delayed write error can surface here.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return os::CloseFile(fd);
  }

 private:
  int fd_;
};

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const long n = os::WriteFile(fd, bytes.data(), bytes.size());
    if (n < 0) return errno;
    if (n == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int ReadFileBytes(const std::string& path, std::string& out, std::size_t maxBytes, std::string* error) {
  out.clear();
  FileDescriptor fd(os::OpenFile(path, os::OpenMode::kRead));
  if (fd.get() < 0) return Fail(errno, "Cannot open", path, error);
  char buffer[65536];
  while (out.size() < maxBytes) {
    const std::size_t want = std::min(sizeof buffer, maxBytes - out.size());
    const long n = os::ReadFile(fd.get(), buffer, want);
    if (n < 0) {
      const int code = errno;
      out.clear();
      return Fail(code, "Cannot read", path, error);
    }
    if (n == 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return 0;
}

int WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error) {
  if (path.empty()) return Fail(ENOENT, "Cannot write", path, error);
  // Writes through a symbolic link instead of replacing the link by a file.
  const std::string target = os::ResolveLink(path);
  const std::string folder = FolderOf(target);

  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fdValue = -1;
  for (int attempt = 0; attempt < 100 && fdValue < 0; ++attempt) {
    temp = folder + "/." + NameOf(target) + ".tmp-" + std::to_string(os::ProcessId()) + "-" +
           std::to_string(counter.fetch_add(1));
    fdValue = os::OpenFile(temp, os::OpenMode::kCreateNew);
    if (fdValue < 0 && errno != EEXIST) return Fail(errno, "Cannot write", path, error);
  }
  if (fdValue < 0) return Fail(EEXIST, "Cannot write", path, error);
  FileDescriptor fd(fdValue);

  auto abandon = [&](int code) {
    fd.Close();
    std::remove(temp.c_str());
    return Fail(code, "Cannot write", path, error);
  };

  os::CopyPermissions(fd.get(), target);  // keeping the mode is a courtesy, not a condition
  if (int code = WriteAll(fd.get(), bytes)) return abandon(code);
  if (int code = os::SyncFile(fd.get())) return abandon(code);
  if (int code = fd.Close()) {
    std::remove(temp.c_str());
    return Fail(code, "Cannot write", path, error);
  }
  if (const int code = os::ReplaceWithFile(temp, target)) {
    std::remove(temp.c_str());
    return Fail(code, "Cannot write", path, error);
  }
  os::SyncFolder(folder);  // best effort: some file systems refuse to sync folders
  return 0;
}

int WriteFileInPlace(const std::string& path, std::string_view bytes, std::string* error) {
  FileDescriptor fd(os::OpenFile(path, os::OpenMode::kTruncate));
  if (fd.get() < 0) return Fail(errno, "Cannot write", path, error);
  if (int code = WriteAll(fd.get(), bytes)) return Fail(code, "Cannot write", path, error);
  if (int code = os::SyncFile(fd.get())) return Fail(code, "Cannot write", path, error);
  if (int code = fd.Close()) return Fail(code, "Cannot write", path, error);
  return 0;
}

int AppendToFile(const std::string& path, std::string_view bytes, std::string* error) {
  FileDescriptor fd(os::OpenFile(path, os::OpenMode::kAppend));
  if (fd.get() < 0) return Fail(errno, "Cannot open", path, error);
  if (int code = WriteAll(fd.get(), bytes)) return Fail(code, "Cannot write", path, error);
  if (int code = fd.Close()) return Fail(code, "Cannot write", path, error);
  return 0;
}

int AppendRecord(const std::string& path, std::string_view bytes, std::string* error, AppendedFile* kept) {
  FileDescriptor fd(os::OpenFile(path, os::OpenMode::kAppend));
  if (fd.get() < 0) return Fail(errno, "Cannot open", path, error);
  const std::int64_t size = os::FileSize(fd.get());
  const bool statOk = size >= 0;
  const long n = os::WriteFile(fd.get(), bytes.data(), bytes.size());
  if (n != long(bytes.size())) {
    const int code = n < 0 ? errno : ENOSPC;
    if (n > 0 && statOk && os::TruncateFile(fd.get(), size) != 0) {
      // The cut failed too: the rest of the record is lost either way.
    }
    return Fail(code, "Cannot write", path, error);
  }
  if (kept) {
    kept->created = statOk && size == 0;
    kept->fd = fd.Release();
    return 0;
  }
  if (int code = fd.Close()) return Fail(code, "Cannot write", path, error);
  return 0;
}

int CreateFolders(const std::string& folder, std::string* error) {
  if (folder.empty()) return 0;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = folder.find('/', pos + 1);
    const std::string part = folder.substr(0, pos);
    if (part.empty() || IsExistingDirectory(part)) continue;
    if (const int code = os::MakeFolder(part); code != 0 && code != EEXIST) return Fail(code, "Cannot create", part, error);
  }
  if (!IsExistingDirectory(folder)) return Fail(ENOTDIR, "Cannot create", folder, error);
  return 0;
}

bool IsExistingDirectory(const std::string& path) {
  return !path.empty() && os::TargetKindOf(path) == os::PathKind::kFolder;
}

bool IsWritableDirectory(const std::string& path) {
  return IsExistingDirectory(path) && os::IsWritable(path);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (lf == std::string_view::npos) break;
    text.remove_prefix(lf + 1);
  }
  return lines;
}

}  // namespace kvl
