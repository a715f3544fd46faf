#pragma once
// Where this program and its user's files are on this system. Reads the
// environment and the system; creates nothing and keeps no state.
#include <string>

namespace kvl::platform {

// Folder of the running executable with a trailing "/", "" if unknown.
// Folders are given with "/" on every system.
std::string ProgramFolder();
// The user's home folder ("" if unknown).
std::string HomeFolder();
// The folder the system keeps per-user configuration in, without the
// program's own subfolder; "" to fall back to the home folder's.
std::string UserConfigRoot();
// The subfolder of the home folder that holds configuration when there is no
// UserConfigRoot (".config/").
const char* HomeConfigSubfolder();
// A folder of installed programs, writable only to administrators even when
// the program runs as one: never used as a portable install.
bool IsSystemProgramFolder(const std::string& folder);
bool IsAbsolutePath(const std::string& path);

}  // namespace kvl::platform
