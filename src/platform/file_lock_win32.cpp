#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>

#include "platform/file_lock.h"

namespace kvl::platform {
namespace {

// Windows locks are mandatory for the bytes they cover: the lock sits far
// past any content, so that others can still read who holds it.
constexpr DWORD kLockOffsetHigh = 0x40;

HANDLE HandleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

}  // namespace

int OpenLockFile(const std::string& path) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    errno = GetLastError() == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES;
    return -1;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY | _O_NOINHERIT | _O_RDWR);
  if (fd < 0) {
    CloseHandle(h);
    errno = EMFILE;
  }
  return fd;
}

int TryLockFile(int fd) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  if (LockFileEx(HandleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return 0;
  const DWORD error = GetLastError();
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? EWOULDBLOCK : EIO;
}

bool ReadWholeFile(int fd, std::string* content) {
  content->clear();
  if (_lseeki64(fd, 0, SEEK_SET) < 0) return false;
  char buffer[4096];
  for (;;) {
    const int r = _read(fd, buffer, sizeof buffer);
    if (r < 0) return false;
    if (r == 0) return true;
    content->append(buffer, std::size_t(r));
  }
}

int RewriteFile(int fd, std::string_view content) {
  if (_chsize_s(fd, 0) != 0 || _lseeki64(fd, 0, SEEK_SET) < 0) return EIO;
  if (!content.empty() && _write(fd, content.data(), unsigned(content.size())) != int(content.size())) return EIO;
  return FlushFileBuffers(HandleOf(fd)) ? 0 : EIO;
}

// A lock file removed while open stays pending deletion and refuses every
// new open, so the file a descriptor has is the one the path names.
bool IsSameFile(int /*fd*/, const std::string& /*path*/) { return true; }

}  // namespace kvl::platform
