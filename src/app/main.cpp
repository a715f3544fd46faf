// kvlgrad: the workstation program. Reads the command line, makes sure a
// display is there (Qt would otherwise abort with a message about platform
// plugins), then runs the application.
#include <cstdio>
#include <string>
#include <vector>

#include "app/qm_app.h"
#include "ui/command_line.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  kvl::CommandLine commandLine;
  std::string error;
  if (!kvl::ParseCommandLine(args, &commandLine, &error)) {
    std::fprintf(stderr, "kvlgrad: %s\nTry 'kvlgrad --help'.\n", error.c_str());
    return 2;
  }
  if (commandLine.help) {
    std::fputs(kvl::CommandLineUsage().c_str(), stdout);
    return 0;
  }
  if (!kvl::HasGraphicalDisplay()) {
    std::fputs(kvl::kNoDisplayMessage, stderr);
    return 1;
  }
  // Our arguments are ours: Qt sees only the program name. QApplication also
  // sets the C library's locale from the environment; the core's numbers do
  // not depend on it.
  static int qtArgc = 1;
  kvl::CQmApp app(qtArgc, argv);
  return app.Run(commandLine);
}
