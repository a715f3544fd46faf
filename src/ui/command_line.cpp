#include "ui/command_line.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "detector/detector_kinds.h"

namespace kvl {

namespace {

// A whole decimal number in [lo, hi], nothing else.
std::optional<int> SmallNumber(std::string_view text, int lo, int hi) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < lo || value > hi) return std::nullopt;
  return value;
}

// Type 2 has a register layout but no name and is never selectable, so the
// demo does not offer it either.
std::optional<int> DemoType(std::string_view text) {
  const int type = DetectorTypeFromName(text);
  if (type < 0 || type == kType2) return std::nullopt;
  return type;
}

bool ParseDemo(std::string_view value, CommandLine* out, std::string* error) {
  const auto colon = value.find(':');
  const std::string_view typeText = value.substr(0, colon);
  if (typeText.empty() && colon != std::string_view::npos) {
    *error = "--demo: the detector type is missing before ':'";
    return false;
  }
  if (!typeText.empty()) {
    out->demoType = DemoType(typeText);
    if (!out->demoType) {
      *error = "--demo: unknown detector type '" + std::string(typeText) +
               "' (use KVELT, Z, Z40, Z5 or 0, 1, 3, 4)";
      return false;
    }
  }
  if (colon != std::string_view::npos) {
    const std::string_view countText = value.substr(colon + 1);
    auto count = SmallNumber(countText, 1, kMaxDemoCount);
    if (!count) {
      *error = "--demo: the detector count must be a number from 1 to 20, not '" + std::string(countText) + "'";
      return false;
    }
    out->demoCount = *count;
  }
  return true;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error) {
  CommandLine line;
  bool configSeen = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
    } else if (arg == "--config" || arg.rfind("--config=", 0) == 0) {
      if (configSeen) {
        *error = "--config given twice";
        return false;
      }
      configSeen = true;
      if (arg == "--config") {
        if (i + 1 >= args.size()) {
          *error = "--config needs a file name";
          return false;
        }
        line.configPath = args[++i];
      } else {
        line.configPath = arg.substr(9);
      }
      if (line.configPath.empty()) {
        *error = "--config needs a file name";
        return false;
      }
    } else if (arg == "--demo") {
      line.demo = true;
    } else if (arg.rfind("--demo=", 0) == 0) {
      line.demo = true;
      if (!ParseDemo(std::string_view(arg).substr(7), &line, error)) return false;
    } else if (arg.rfind("--stabilization=", 0) == 0) {
      // The graduation run's 35-minute wait, shortened for a simulated bus.
      const std::string value = arg.substr(16);
      int seconds = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
      if (value.empty() || ec != std::errc() || end != value.data() + value.size() || seconds < 1 || seconds > 2100) {
        *error = "--stabilization: the wait must be a number of seconds from 1 to 2100, not '" + value + "'";
        return false;
      }
      line.stabilizationSeconds = seconds;
    } else if (!arg.empty() && arg[0] == '-') {
      *error = "unknown option '" + arg + "'";
      return false;
    } else {
      *error = "unexpected argument '" + arg + "'";
      return false;
    }
  }
  *out = line;
  return true;
}

std::string CommandLineUsage() {
  return "Usage: kvlgrad [--config FILE] [--demo[=TYPE[:COUNT]]] [--stabilization=SECONDS]\n"
         "\n"
         "KvlGrad: factory set-up workstation for KVELT gas detectors on an RS-485 Modbus RTU bus.\n"
         "\n"
         "  --config FILE          read and save the configuration in FILE instead of\n"
         "                         KvlGrad.cfg beside the program (or ~/.config/kvlgrad/)\n"
         "  --demo[=TYPE[:COUNT]]  play simulated detectors instead of opening a serial port;\n"
         "                         TYPE is KVELT, Z, Z40 or Z5 (or 0, 1, 3, 4; default: the\n"
         "                         configured type), COUNT 1 to 20 detectors (default 8)\n"
         "  --stabilization=SECONDS  the graduation run's stabilisation wait (default 35\n"
         "                         minutes), shorter to watch a whole run on the demo bus\n"
         "  --help                 show this text\n"
         "\n"
         "A graphical display is needed; set QT_QPA_PLATFORM to choose the Qt platform\n"
         "(for example QT_QPA_PLATFORM=offscreen), or run under xvfb-run.\n"
         "Exit status: 0 normally, 1 without a display, 2 for a bad command line.\n";
}

bool HasGraphicalDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace kvl
