#pragma once
// The atomic step of replacing a file: a complete, synced temporary file
// takes the target's place in one step, so a reader or a crash sees the old
// file or the new one, never a mixture. Never writes content itself.
#include <string>

namespace kvl::platform {

// 0, or the errno; on failure the target is untouched and the temporary stays.
int ReplaceWithFile(const std::string& temporary, const std::string& target);
// Makes the folder's entries (a new or renamed file) durable: 0 or the errno
// (some file systems refuse, which callers may take as best effort).
int SyncFolder(const std::string& folder);

}  // namespace kvl::platform
