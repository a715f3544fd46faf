#include "command_registry.h"

#include <algorithm>

namespace kvl::ctl {
namespace {

// A function-local static: the registrars of other files run during static
// initialisation, in an order nobody controls.
std::vector<CommandInfo>& Registry() {
  static std::vector<CommandInfo> commands;
  return commands;
}

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* summary, CommandFn run) {
  Registry().push_back({name, summary, run});
}

std::vector<CommandInfo> Commands() {
  std::vector<CommandInfo> sorted = Registry();
  std::sort(sorted.begin(), sorted.end(), [](const CommandInfo& a, const CommandInfo& b) { return a.name < b.name; });
  return sorted;
}

const CommandInfo* FindCommand(std::string_view name) {
  for (const CommandInfo& c : Registry())
    if (c.name == name) return &c;
  return nullptr;
}

}  // namespace kvl::ctl
