#pragma once
// The program's command line:
//   --config FILE             the configuration file instead of the usual place
//   --demo[=TYPE[:COUNT]]     play a simulated bus instead of opening a port;
//                             TYPE KVELT, Z, Z40, Z5 (or 0, 1, 3, 4), COUNT 1..20
//   --stabilization=SECONDS   the graduation run's stabilisation wait
//   --help                    usage
// Parsed before the QApplication exists, so Qt's own options are not taken:
// choose the platform with QT_QPA_PLATFORM instead.
#include <optional>
#include <string>
#include <vector>

namespace kvl {

inline constexpr int kDefaultDemoCount = 8;
inline constexpr int kMaxDemoCount = 20;

struct CommandLine {
  std::string configPath;        // "" = the usual place (see config_location.h)
  bool demo = false;
  std::optional<int> demoType;   // detector type; none = the configured type
  int demoCount = kDefaultDemoCount;
  std::optional<int> stabilizationSeconds;  // the graduation run's wait; none = 35 minutes
  bool help = false;
};

// Reads the arguments after the program name. On a bad argument returns false
// with a one-line reason in *error ("unknown option '--x'").
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error);

// The --help text.
std::string CommandLineUsage();

// Whether Qt can open a window: a display is named (X11 or Wayland), or a
// platform plugin was chosen explicitly (offscreen, vnc...). Without either,
// Qt would abort with a message about plugins.
bool HasGraphicalDisplay();
inline constexpr char kNoDisplayMessage[] =
    "kvlgrad needs a graphical display: run it on a desktop, or set QT_QPA_PLATFORM=offscreen / use "
    "xvfb-run\n";

}  // namespace kvl
