#pragma once
// The system's own lock on a file, taken through an open descriptor: it goes
// with the descriptor's close and with the process's end, however that ends,
// so a lock file whose lock nobody holds was left by a process that is gone.
// Owns no descriptor (the caller closes what it opens) and never decides what
// the file holds or what a held lock means.
#include <string>
#include <string_view>

namespace kvl::platform {

// Opens the file for reading and writing, made when missing, not inherited by
// child processes: a descriptor, or -1 with errno set.
int OpenLockFile(const std::string& path);
// Takes the exclusive lock without waiting: 0; EWOULDBLOCK while another
// descriptor (of any process, this one too) holds it; or the errno.
int TryLockFile(int fd);
// The whole content of the open file; false when it cannot be read.
bool ReadWholeFile(int fd, std::string* content);
// Replaces the whole content of the open file and flushes it: 0 or the errno.
int RewriteFile(int fd, std::string_view content);
// The path still names the file open at fd (not removed or replaced since).
bool IsSameFile(int fd, const std::string& path);

}  // namespace kvl::platform
