#pragma once
// Where the configuration file and the default working folders are. The
// program's own folder is used when it is writable and not a system folder
// (/usr/..., /bin/, /sbin/): a portable install;
// otherwise the user's configuration folder and ~/KvlGrad/.
#include <string>

namespace kvl {

struct ConfigurationPlaces {
  std::string explicitPath;   // given on the command line; wins when not empty
  std::string programFolder;  // folder of the executable, ending with "/"
  std::string xdgConfigHome;  // $XDG_CONFIG_HOME (ignored unless absolute)
  std::string home;           // $HOME
};

// Folder of the running executable with a trailing "/", "" if unknown.
std::string ProgramFolder();

// The places of this process: its executable's folder and environment.
ConfigurationPlaces CurrentConfigurationPlaces(std::string explicitPath = {});

// The configuration file the settings are saved to: the explicit path; else
// KvlGrad.cfg in the program folder when that is a writable, non-system folder; else
// $XDG_CONFIG_HOME/kvlgrad/KvlGrad.cfg; else ~/.config/kvlgrad/KvlGrad.cfg.
std::string ConfigurationFilePath(const ConfigurationPlaces& places);

// The configuration file the settings are read from: the file they are saved
// to when it exists; while a read-only program folder has no per-user file
// yet, the KvlGrad.cfg beside the program (one copied there from another
// machine, say), so that its settings are taken over into the per-user file.
std::string ConfigurationReadPath(const ConfigurationPlaces& places);

// Default data and graduation folder (ending with "/"): the program folder when
// writable and not a system folder, else ~/KvlGrad/, which is created when missing.
std::string DefaultWorkFolder(const ConfigurationPlaces& places);

}  // namespace kvl
