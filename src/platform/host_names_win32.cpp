#include <windows.h>

#include "platform/host_names.h"

namespace kvl::platform {

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string LoginName() {
  char name[257] = {};
  DWORD size = sizeof name;
  // The size counts the terminating zero.
  return GetUserNameA(name, &size) && size > 0 ? std::string(name, size - 1) : std::string();
}

}  // namespace kvl::platform
