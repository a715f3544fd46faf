#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"

namespace kvl::platform {
namespace {

// strerror_r comes in two flavours; these overloads accept either.
[[maybe_unused]] const char* PickText(int /*result*/, const char* buffer) { return buffer; }
[[maybe_unused]] const char* PickText(const char* result, const char* /*buffer*/) { return result; }

PathKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return PathKind::kFile;
  if (S_ISDIR(mode)) return PathKind::kFolder;
  if (S_ISLNK(mode)) return PathKind::kLink;
  if (S_ISCHR(mode)) return PathKind::kDevice;
  return PathKind::kOther;
}

}  // namespace

int OpenFile(const std::string& path, OpenMode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::kRead: flags |= O_RDONLY; break;
    case OpenMode::kAppend: flags |= O_WRONLY | O_APPEND | O_CREAT; break;
    case OpenMode::kCreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    case OpenMode::kTruncate: flags |= O_WRONLY | O_TRUNC; break;
  }
  return ::open(path.c_str(), flags, 0666);
}

long ReadFile(int fd, void* buffer, std::size_t n) {
  for (;;) {
    const ssize_t r = ::read(fd, buffer, n);
    if (r >= 0 || errno != EINTR) return static_cast<long>(r);
  }
}

long WriteFile(int fd, const void* data, std::size_t n) {
  for (;;) {
    const ssize_t w = ::write(fd, data, n);
    if (w >= 0 || errno != EINTR) return static_cast<long>(w);
  }
}

long ReadFileAt(int fd, void* buffer, std::size_t n, std::int64_t offset) {
  return static_cast<long>(::pread(fd, buffer, n, static_cast<off_t>(offset)));
}

int CloseFile(int fd) { return ::close(fd) == 0 ? 0 : errno; }

int SyncFile(int fd) { return ::fdatasync(fd) == 0 ? 0 : errno; }

int TruncateFile(int fd, std::int64_t size) { return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno; }

std::int64_t FileSize(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

std::int64_t SizeOfFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : -1;
}

PathKind KindOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? KindOfMode(st.st_mode) : PathKind::kMissing;
}

PathKind TargetKindOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? KindOfMode(st.st_mode) : PathKind::kMissing;
}

bool IsWritable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }
bool IsReadable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

int MakeFolder(const std::string& folder) { return ::mkdir(folder.c_str(), 0777) == 0 ? 0 : errno; }

std::string ResolveLink(const std::string& path) {
  if (KindOf(path) != PathKind::kLink) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return path;
  std::string resolved(real);
  std::free(real);
  return resolved;
}

void CopyPermissions(int fd, const std::string& from) {
  struct stat old {};
  if (::stat(from.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
}

unsigned long ProcessId() { return static_cast<unsigned long>(::getpid()); }

MappedFile MapWholeFile(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return {};
  void* p = ::mmap(nullptr, std::size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  if (p == MAP_FAILED) return {};
  ::madvise(p, std::size_t(st.st_size), MADV_SEQUENTIAL);
  return {static_cast<const char*>(p), std::size_t(st.st_size)};
}

void UnmapFile(const MappedFile& view) {
  if (view.data) ::munmap(const_cast<char*>(view.data), view.size);
}

std::string ErrorText(int code) {
  char buffer[256] = {};
  return PickText(strerror_r(code, buffer, sizeof buffer), buffer);
}

}  // namespace kvl::platform
