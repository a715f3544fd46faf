#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/program_folder.h"

namespace kvl::platform {

std::string ProgramFolder() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  const std::string exe(buffer.data(), static_cast<std::size_t>(n));
  const std::size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
    return found->pw_dir;
  }
  return {};
}

std::string UserConfigRoot() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  return xdg ? xdg : "";
}

const char* HomeConfigSubfolder() { return ".config/"; }

// A program installed by the package manager lives in a system folder that is
// writable only to root; running it as root must not turn that folder into a
// portable install full of configuration and data files.
bool IsSystemProgramFolder(const std::string& folder) {
  for (const char* system : {"/usr/", "/bin/", "/sbin/"}) {
    if (folder.rfind(system, 0) == 0) return true;
  }
  return false;
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path.front() == '/'; }

}  // namespace kvl::platform
