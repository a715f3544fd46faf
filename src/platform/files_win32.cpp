#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace kvl::platform {
namespace {

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_NAME: return EINVAL;
    default: return EIO;
  }
}

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

PathKind KindOfAttributes(DWORD a, bool followLinks) {
  if (a == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  if ((a & FILE_ATTRIBUTE_REPARSE_POINT) && !followLinks) return PathKind::kLink;
  return (a & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
}

}  // namespace

// Files are opened through the system so that others may read them, and a
// file being replaced or deleted meanwhile does not fail on our handle; the
// C library's descriptor then carries it, always binary.
int OpenFile(const std::string& path, OpenMode mode) {
  DWORD access = GENERIC_WRITE, disposition = OPEN_EXISTING;
  int flags = _O_BINARY | _O_NOINHERIT;
  switch (mode) {
    case OpenMode::kRead: access = GENERIC_READ, flags |= _O_RDONLY; break;
    case OpenMode::kAppend: disposition = OPEN_ALWAYS, flags |= _O_WRONLY | _O_APPEND; break;
    case OpenMode::kCreateNew: disposition = CREATE_NEW, flags |= _O_WRONLY; break;
    case OpenMode::kTruncate: disposition = TRUNCATE_EXISTING, flags |= _O_WRONLY; break;
  }
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = ErrnoOf(GetLastError());
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags);
  if (fd < 0) {
    CloseHandle(h);
    errno = EMFILE;
  }
  return fd;
}

long ReadFile(int fd, void* buffer, std::size_t n) {
  return _read(fd, buffer, unsigned(std::min<std::size_t>(n, 1u << 30)));
}

long WriteFile(int fd, const void* data, std::size_t n) {
  return _write(fd, data, unsigned(std::min<std::size_t>(n, 1u << 30)));
}

long ReadFileAt(int fd, void* buffer, std::size_t n, std::int64_t offset) {
  if (_lseeki64(fd, offset, SEEK_SET) < 0) return -1;
  return ReadFile(fd, buffer, n);
}

int CloseFile(int fd) { return _close(fd) == 0 ? 0 : errno; }

int SyncFile(int fd) { return FlushFileBuffers(HandleOf(fd)) ? 0 : ErrnoOf(GetLastError()); }

int TruncateFile(int fd, std::int64_t size) { return _chsize_s(fd, size); }

std::int64_t FileSize(int fd) { return _filelengthi64(fd); }

std::int64_t SizeOfFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (std::int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

PathKind KindOf(const std::string& path) { return KindOfAttributes(GetFileAttributesA(path.c_str()), false); }

PathKind TargetKindOf(const std::string& path) {
  return KindOfAttributes(GetFileAttributesA(path.c_str()), true);
}

// A folder's read-only flag means nothing on Windows: whether a file can be
// made in it is known only by making one.
bool IsWritable(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return !(a & FILE_ATTRIBUTE_READONLY);
  std::string probe = path;
  if (!probe.empty() && probe.back() != '/' && probe.back() != '\\') probe += '/';
  probe += ".kvlgrad-probe-" + std::to_string(GetCurrentProcessId());
  HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool IsReadable(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int MakeFolder(const std::string& folder) {
  return CreateDirectoryA(folder.c_str(), nullptr) ? 0 : ErrnoOf(GetLastError());
}

// Links are rare on the workstations and the replacement keeps them anyway.
std::string ResolveLink(const std::string& path) { return path; }

// A new file takes its folder's permissions, which is what Windows users expect.
void CopyPermissions(int /*fd*/, const std::string& /*from*/) {}

unsigned long ProcessId() { return GetCurrentProcessId(); }

// Windows keeps a mapped file from being replaced: files are read instead.
MappedFile MapWholeFile(int /*fd*/) { return {}; }
void UnmapFile(const MappedFile& /*view*/) {}

std::string ErrorText(int code) {
  char buffer[256] = {};
  if (strerror_s(buffer, sizeof buffer, code) != 0) return "Unknown error " + std::to_string(code);
  return buffer;
}

}  // namespace kvl::platform
