#include "graduation/station_identity.h"

#include <cstdlib>

#include "platform/host_names.h"

namespace kvl {
namespace {

std::string FirstSet(std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (const char* v = std::getenv(n); v && *v) return v;
  return {};
}

}  // namespace

std::string StationHostName() {
  if (std::string name = platform::HostName(); !name.empty()) return name;
  return FirstSet({"HOSTNAME", "COMPUTERNAME"});
}

std::string OperatorLoginName() {
  // The login shell's names first: a program run by sudo reports its operator, not root.
  if (std::string name = FirstSet({"SUDO_USER", "LOGNAME", "USER", "USERNAME"}); !name.empty()) return name;
  return platform::LoginName();
}

}  // namespace kvl
