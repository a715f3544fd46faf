#pragma once
// File primitives on plain descriptors, with the same meaning on every
// system: binary (no line-end translation ever), not inherited by child
// processes, errno codes for failures. Owns nothing: the caller closes what
// it opens. Never decides about formats, folders or names.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kvl::platform {

enum class OpenMode { kRead, kAppend, kCreateNew, kTruncate };

// A descriptor, or -1 with errno set. kAppend creates a missing file;
// kCreateNew fails with EEXIST when the file is there.
int OpenFile(const std::string& path, OpenMode mode);
// Bytes read or written, or -1 with errno set (EINTR is retried inside).
long ReadFile(int fd, void* buffer, std::size_t n);
long WriteFile(int fd, const void* data, std::size_t n);
// Bytes read at the offset without moving the file position; -1 on failure.
long ReadFileAt(int fd, void* buffer, std::size_t n, std::int64_t offset);
// 0, or the errno.
int CloseFile(int fd);
// The file's data (and what is needed to read it back) on the device: 0 or the errno.
int SyncFile(int fd);
int TruncateFile(int fd, std::int64_t size);
// Size of an open file, -1 on failure.
std::int64_t FileSize(int fd);
// Size of the regular file at the path (a link followed), -1 for anything else.
std::int64_t SizeOfFile(const std::string& path);

enum class PathKind { kMissing, kFile, kFolder, kLink, kDevice, kOther };
// What the path names, a symbolic link not followed.
PathKind KindOf(const std::string& path);
// Like KindOf, a link followed to what it names.
PathKind TargetKindOf(const std::string& path);
bool IsWritable(const std::string& path);
bool IsReadable(const std::string& path);
// 0 when made, or the errno (EEXIST when it is there).
int MakeFolder(const std::string& folder);
// The path with its symbolic links resolved; the path itself when it is none.
std::string ResolveLink(const std::string& path);
// Gives the file open at fd the permission bits of the file at `from`, best effort.
void CopyPermissions(int fd, const std::string& from);
// A number no other running process of this system has (temporary names).
unsigned long ProcessId();

// A read-only view of a whole regular file, where the system can map it.
struct MappedFile {
  const char* data = nullptr;
  std::size_t size = 0;
};
MappedFile MapWholeFile(int fd);
void UnmapFile(const MappedFile& view);

// The system's sentence for an errno code.
std::string ErrorText(int code);

}  // namespace kvl::platform
