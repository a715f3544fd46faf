#pragma once
// Whole-file reading, atomic replacement and appending for the text files the
// workstation keeps. Result codes are 0 or an errno value; `error` (if given)
// receives a sentence the window can show ("Cannot write /x/KvlGrad.cfg: ...").
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace kvl {

// Reads at most maxBytes bytes of the file into `out` (a longer file is cut
// there, which is not an error: readers of positional files stop early).
int ReadFileBytes(const std::string& path, std::string& out,
                  std::size_t maxBytes = std::numeric_limits<std::size_t>::max(),
                  std::string* error = nullptr);

// Replaces the file's content so that the old content stays whole until the
// new one is safely on disk: the bytes go to a temporary file beside it, are
// flushed to the device, and the temporary file is renamed over the old one.
// A failure at any step leaves the old file untouched and no temporary behind.
// The permissions of an existing file are kept; a symbolic link is written
// through (its target is replaced, the link stays).
int WriteFileAtomic(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Rewrites an existing file where it stands (truncate, write, flush to the
// device), for a file the user may write in a folder that refuses the
// temporary file an atomic replacement needs. Not crash-safe: a failure
// part-way leaves the file short, so use it only when nothing better is allowed.
int WriteFileInPlace(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Appends to the file, creating it when missing; never truncates.
int AppendToFile(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// Appends one record with a single write(), so that readers and a killed
// writer never leave half a record: a write that comes back short (disk
// full) is cut off again and fails with ENOSPC. With `kept`, a successful
// append leaves the file open for the caller (to sync it), and says whether
// the record was the file's first.
struct AppendedFile {
  int fd = -1;
  bool created = false;
};
int AppendRecord(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                 AppendedFile* kept = nullptr);

// Creates the folder and any missing parents (like mkdir -p). 0 when it exists afterwards.
int CreateFolders(const std::string& folder, std::string* error = nullptr);

// The last part of a path: the file's name without its folder.
std::string NameOf(const std::string& path);

bool IsExistingDirectory(const std::string& path);
bool IsWritableDirectory(const std::string& path);

// Splits text into lines at LF; a CR just before the LF is dropped, so CR LF
// and LF files read the same. A final line without LF still counts; the empty
// rest after a final LF does not.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace kvl
