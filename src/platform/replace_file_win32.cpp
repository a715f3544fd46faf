#include <windows.h>

#include <cerrno>

#include "platform/replace_file.h"

namespace kvl::platform {

// ReplaceFile keeps the target's attributes and permissions; where it cannot
// (no target yet, a file system without it), the move replaces the entry and
// is written through before it returns.
int ReplaceWithFile(const std::string& temporary, const std::string& target) {
  if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
      ReplaceFileA(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
    return 0;
  if (MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  switch (GetLastError()) {
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_SHARING_VIOLATION: return EBUSY;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND: return ENOENT;
    default: return EIO;
  }
}

// The folder entry of a replacement is written through by the move, and a
// file's own flush carries its entry; a folder has nothing more to flush.
int SyncFolder(const std::string& /*folder*/) { return 0; }

}  // namespace kvl::platform
