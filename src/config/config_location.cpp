#include "config/config_location.h"

#include "config/configuration.h"
#include "platform/files.h"
#include "platform/program_folder.h"
#include "text/text_file.h"

namespace kvl {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// A program installed in a system folder (by the package manager, or under
// Program Files) must not turn that folder into a portable install full of
// configuration and data files, even when run by an administrator.
bool IsPortableProgramFolder(const std::string& folder) {
  return !platform::IsSystemProgramFolder(folder) && IsWritableDirectory(folder);
}

}  // namespace

std::string ProgramFolder() { return platform::ProgramFolder(); }

ConfigurationPlaces CurrentConfigurationPlaces(std::string explicitPath) {
  ConfigurationPlaces places;
  places.explicitPath = std::move(explicitPath);
  places.programFolder = ProgramFolder();
  places.xdgConfigHome = platform::UserConfigRoot();
  places.home = platform::HomeFolder();
  return places;
}

std::string ConfigurationFilePath(const ConfigurationPlaces& places) {
  if (!places.explicitPath.empty()) return places.explicitPath;
  if (IsPortableProgramFolder(places.programFolder)) return Join(places.programFolder, kConfigurationFileName);
  if (platform::IsAbsolutePath(places.xdgConfigHome)) {
    return Join(Join(places.xdgConfigHome, "kvlgrad/"), kConfigurationFileName);
  }
  if (!places.home.empty()) {
    return Join(Join(places.home, std::string(platform::HomeConfigSubfolder()) + "kvlgrad/"), kConfigurationFileName);
  }
  // Nowhere better: the file may still be readable beside the program.
  return Join(places.programFolder, kConfigurationFileName);
}

std::string ConfigurationReadPath(const ConfigurationPlaces& places) {
  const std::string saved = ConfigurationFilePath(places);
  if (!places.explicitPath.empty() || platform::TargetKindOf(saved) != platform::PathKind::kMissing) return saved;
  const std::string beside = Join(places.programFolder, kConfigurationFileName);
  if (!places.programFolder.empty() && platform::IsReadable(beside)) return beside;
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
