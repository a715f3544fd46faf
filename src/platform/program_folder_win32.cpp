#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "platform/program_folder.h"

namespace kvl::platform {
namespace {

std::string WithSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string Environment(const char* name) {
  const char* v = std::getenv(name);
  return v ? WithSlashes(v) : std::string();
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (prefix.empty() || text.size() < prefix.size()) return false;
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.c_str(), int(prefix.size()), prefix.c_str(),
                        int(prefix.size())) == CSTR_EQUAL;
}

}  // namespace

std::string ProgramFolder() {
  char buffer[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return {};
  const std::string exe = WithSlashes(std::string(buffer, n));
  const std::size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::string HomeFolder() { return Environment("USERPROFILE"); }

std::string UserConfigRoot() { return Environment("APPDATA"); }

const char* HomeConfigSubfolder() { return "AppData/Roaming/"; }

bool IsSystemProgramFolder(const std::string& folder) {
  for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
    std::string system = Environment(name);
    if (system.empty()) continue;
    if (system.back() != '/') system += '/';
    if (StartsWithNoCase(folder, system)) return true;
  }
  return false;
}

bool IsAbsolutePath(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && (path[2] == '/' || path[2] == '\\')) return true;
  return path.size() >= 2 && (path[0] == '/' || path[0] == '\\') && (path[1] == '/' || path[1] == '\\');
}

}  // namespace kvl::platform
