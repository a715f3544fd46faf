#include "config/config_location.h"

#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "config/configuration.h"
#include "text/text_file.h"

namespace kvl {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
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

// A program installed by the package manager lives in a system folder that is
// writable only to root; running it as root must not turn that folder into a
// portable install full of configuration and data files.
bool IsPortableProgramFolder(const std::string& folder) {
  for (const char* system : {"/usr/", "/bin/", "/sbin/"}) {
    if (folder.rfind(system, 0) == 0) return false;
  }
  return IsWritableDirectory(folder);
}

}  // namespace

std::string ProgramFolder() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  const std::string exe(buffer.data(), static_cast<std::size_t>(n));
  const std::size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

ConfigurationPlaces CurrentConfigurationPlaces(std::string explicitPath) {
  ConfigurationPlaces places;
  places.explicitPath = std::move(explicitPath);
  places.programFolder = ProgramFolder();
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) places.xdgConfigHome = xdg;
  places.home = HomeFolder();
  return places;
}

std::string ConfigurationFilePath(const ConfigurationPlaces& places) {
  if (!places.explicitPath.empty()) return places.explicitPath;
  if (IsPortableProgramFolder(places.programFolder)) return Join(places.programFolder, kConfigurationFileName);
  if (!places.xdgConfigHome.empty() && places.xdgConfigHome.front() == '/') {
    return Join(Join(places.xdgConfigHome, "kvlgrad/"), kConfigurationFileName);
  }
  if (!places.home.empty()) return Join(Join(places.home, ".config/kvlgrad/"), kConfigurationFileName);
  // Nowhere better: the file may still be readable beside the program.
  return Join(places.programFolder, kConfigurationFileName);
}

std::string ConfigurationReadPath(const ConfigurationPlaces& places) {
  const std::string saved = ConfigurationFilePath(places);
  if (!places.explicitPath.empty() || ::access(saved.c_str(), F_OK) == 0) return saved;
  const std::string beside = Join(places.programFolder, kConfigurationFileName);
  if (!places.programFolder.empty() && ::access(beside.c_str(), R_OK) == 0) return beside;
  return saved;
}

std::string DefaultWorkFolder(const ConfigurationPlaces& places) {
  if (IsPortableProgramFolder(places.programFolder)) return Join(places.programFolder, "");
  if (places.home.empty()) return Join(places.programFolder, "");
  const std::string folder = Join(places.home, "KvlGrad/");
  CreateFolders(folder.substr(0, folder.size() - 1));  // best effort: writing there reports its own failure
  return folder;
}

}  // namespace kvl
