#include "graduation/station_identity.h"

#include <cstdlib>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace kvl {
namespace {

std::string FirstSet(std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (const char* v = std::getenv(n); v && *v) return v;
  return {};
}

}  // namespace

std::string StationHostName() {
#ifdef _WIN32
  return FirstSet({"COMPUTERNAME"});
#else
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) == 0 && name[0]) return name;
  return FirstSet({"HOSTNAME"});
#endif
}

std::string OperatorLoginName() {
  // The login shell's names first: a program run by sudo reports its operator, not root.
  std::string name = FirstSet({"SUDO_USER", "LOGNAME", "USER", "USERNAME"});
#ifndef _WIN32
  if (name.empty())
    if (const char* l = ::getlogin(); l && *l) name = l;
  if (name.empty())
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) name = pw->pw_name;
#endif
  return name;
}

}  // namespace kvl
