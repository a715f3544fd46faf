#include "text/text_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace kvl {
namespace {

// strerror_r comes in two flavours; these overloads accept either.
[[maybe_unused]] const char* ErrorText(int /*result*/, const char* buffer) { return buffer; }
[[maybe_unused]] const char* ErrorText(const char* result, const char* /*buffer*/) { return result; }

std::string SystemMessage(int code) {
  char buffer[256] = {};
  return ErrorText(strerror_r(code, buffer, sizeof buffer), buffer);
}

int Fail(int code, const char* what, const std::string& path, std::string* error) {
  if (error) *error = std::string(what) + " " + path + ": " + SystemMessage(code);
  return code;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
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
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
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

// Writes through a symbolic link instead of replacing the link by a file.
std::string ResolveTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved(real);
  std::free(real);
  return resolved;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: some file systems refuse fsync on folders
  ::close(fd);
}

}  // namespace

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int ReadFileBytes(const std::string& path, std::string& out, std::size_t maxBytes, std::string* error) {
  out.clear();
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return Fail(errno, "Cannot open", path, error);
  char buffer[65536];
  while (out.size() < maxBytes) {
    const std::size_t want = std::min(sizeof buffer, maxBytes - out.size());
    const ssize_t n = ::read(fd.get(), buffer, want);
    if (n < 0) {
      if (errno == EINTR) continue;
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
  const std::string target = ResolveTarget(path);
  const std::string folder = FolderOf(target);

  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fdValue = -1;
  for (int attempt = 0; attempt < 100 && fdValue < 0; ++attempt) {
    temp = folder + "/." + NameOf(target) + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
    fdValue = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fdValue < 0 && errno != EEXIST) return Fail(errno, "Cannot write", path, error);
  }
  if (fdValue < 0) return Fail(EEXIST, "Cannot write", path, error);
  FileDescriptor fd(fdValue);

  auto abandon = [&](int code) {
    fd.Close();
    ::unlink(temp.c_str());
    return Fail(code, "Cannot write", path, error);
  };

  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd.get(), old.st_mode & 07777);  // keeping the mode is a courtesy, not a condition
  }
  if (int code = WriteAll(fd.get(), bytes)) return abandon(code);
  if (::fsync(fd.get()) != 0) return abandon(errno);
  if (int code = fd.Close()) {
    ::unlink(temp.c_str());
    return Fail(code, "Cannot write", path, error);
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int code = errno;
    ::unlink(temp.c_str());
    return Fail(code, "Cannot write", path, error);
  }
  SyncFolder(folder);
  return 0;
}

int WriteFileInPlace(const std::string& path, std::string_view bytes, std::string* error) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
  if (fd.get() < 0) return Fail(errno, "Cannot write", path, error);
  if (int code = WriteAll(fd.get(), bytes)) return Fail(code, "Cannot write", path, error);
  if (::fsync(fd.get()) != 0) return Fail(errno, "Cannot write", path, error);
  if (int code = fd.Close()) return Fail(code, "Cannot write", path, error);
  return 0;
}

int AppendToFile(const std::string& path, std::string_view bytes, std::string* error) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (fd.get() < 0) return Fail(errno, "Cannot open", path, error);
  if (int code = WriteAll(fd.get(), bytes)) return Fail(code, "Cannot write", path, error);
  if (int code = fd.Close()) return Fail(code, "Cannot write", path, error);
  return 0;
}

int AppendRecord(const std::string& path, std::string_view bytes, std::string* error, AppendedFile* kept) {
  FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (fd.get() < 0) return Fail(errno, "Cannot open", path, error);
  struct stat st {};
  const bool statOk = ::fstat(fd.get(), &st) == 0;
  const ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
  if (n != ssize_t(bytes.size())) {
    const int code = n < 0 ? errno : ENOSPC;
    if (n > 0 && statOk && ::ftruncate(fd.get(), st.st_size) != 0) {
      // The cut failed too: the rest of the record is lost either way.
    }
    return Fail(code, "Cannot write", path, error);
  }
  if (kept) {
    kept->created = statOk && st.st_size == 0;
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
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return Fail(errno, "Cannot create", part, error);
  }
  if (!IsExistingDirectory(folder)) return Fail(ENOTDIR, "Cannot create", folder, error);
  return 0;
}

bool IsExistingDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsWritableDirectory(const std::string& path) {
  return IsExistingDirectory(path) && ::access(path.c_str(), W_OK | X_OK) == 0;
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
