#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_lock.h"

namespace kvl::platform {

int OpenLockFile(const std::string& path) { return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666); }

// flock, not fcntl: an fcntl lock would go with the close of any descriptor
// of the file in this process, and a lock's holder is its open file.
int TryLockFile(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
  return errno == EWOULDBLOCK ? EWOULDBLOCK : errno;
}

bool ReadWholeFile(int fd, std::string* content) {
  content->clear();
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t r = ::pread(fd, buffer, sizeof buffer, at);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) return true;
    content->append(buffer, std::size_t(r));
    at += r;
  }
}

int RewriteFile(int fd, std::string_view content) {
  if (::ftruncate(fd, 0) != 0) return errno;
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t w = ::pwrite(fd, content.data() + done, content.size() - done, off_t(done));
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return errno;
    done += std::size_t(w);
  }
  return ::fdatasync(fd) == 0 ? 0 : errno;
}

bool IsSameFile(int fd, const std::string& path) {
  struct stat open {}, named {};
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

}  // namespace kvl::platform
