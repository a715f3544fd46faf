#pragma once
// The subcommands of kvlctl. Each cmd_<name>.cpp registers itself with a
// static CommandRegistrar, so a new subcommand is one new file and main.cpp
// never changes:
//
//   namespace {
//   int RunRow(const std::vector<std::string>& args) { ... }
//   const kvl::ctl::CommandRegistrar kRow{"row", "read and decode one detector row", &RunRow};
//   }
//
// A run function gets the arguments after the subcommand name and returns the
// process exit status; bad input and unusable devices are thrown as CtlError
// (ctl_error.h), which main() prints with a usage hint.
#include <string>
#include <string_view>
#include <vector>

namespace kvl::ctl {

using CommandFn = int (*)(const std::vector<std::string>& args);

struct CommandInfo {
  std::string name;
  std::string summary;  // one line for the global help
  CommandFn run = nullptr;
};

// Every registered subcommand, sorted by name.
std::vector<CommandInfo> Commands();
// Null when no subcommand has that name.
const CommandInfo* FindCommand(std::string_view name);

class CommandRegistrar {
 public:
  CommandRegistrar(const char* name, const char* summary, CommandFn run);
};

}  // namespace kvl::ctl
