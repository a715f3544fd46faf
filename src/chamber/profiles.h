#pragma once
// What a climate chamber and a gas valve module are to this program: the
// profiles (*.chamber, *.valves) that describe how each one is spoken to,
// and the limits the graduation autopilot judges steadiness by.
//
// A profile is a text file of `key = value` lines; `#` starts a comment (at
// the start of a line, or after an unquoted value); a text value may be put
// in double quotes to keep blanks or a `#`, with \r \n \t \\ \" and \xHH
// inside. Every number goes through the one number grammar; an unknown or
// repeated key, a bad number or a missing required key refuses the whole
// file, naming file, line and token.
//
// What it owns: the profile structures, their defaults and their reading.
// What it never does: open a line or talk to a device (chamber_link.h,
// valve_link.h do).
#include <string>
#include <string_view>

#include "text/language.h"

namespace kvl {

enum class ChamberProtocol { kAscii, kModbus };

// Line 2's line-ending selector: "CR", "LF", "CR LF".
enum class LineEnding { kCr, kLf, kCrLf };
const char* LineEndingBytes(LineEnding ending);
// "CR", "LF", "CR LF" (the selector's items) or "cr", "lf", "crlf"; false otherwise.
bool LineEndingFromText(std::string_view text, LineEnding* out);
const char* LineEndingItem(LineEnding ending);  // "CR", "LF", "CR LF"

// The graduation autopilot's limits: a step is confirmed only when the
// chamber has reached its set point and every detector has been steady for
// long enough. Kept in the chamber profile because they belong to the
// chamber's own behaviour (how fast it settles, how much it wanders).
struct AutopilotLimits {
  // Detector housing temperature: spread (max - min) within the window, degC.
  double steadyTemperatureLimitC = 0.5;
  double steadyTemperatureWindowS = 600;
  // Detector signal (the working and reference channel readings): spread
  // within the window, in the detector's own units.
  double steadySignalLimit = 20;
  double steadySignalWindowS = 180;
  // Shortest time a gas flows before its step may be confirmed, seconds.
  double minGasFlowS = 300;
  // Longest wait for the chamber to reach a set point before the run stops
  // and asks the operator, seconds.
  double setPointReachTimeoutS = 3 * 3600;
  // A detector that missed this many of its polls in a row holds the run,
  // named; one silent for this long (seconds) while the others answer is
  // left out of the run, which goes on without it.
  int lostAfterPolls = 3;
  double dropAfterS = 1800;

  bool operator==(const AutopilotLimits&) const = default;
};

struct AsciiChamberCommands {
  std::string setCommand;     // template; {T} is the temperature with `setDecimals` decimals
  int setDecimals = 1;
  std::string setReply;       // "" none awaited; else the exact reply line the set command gets
  std::string readCommand;    // asks for the measured temperature and the set point
  std::string replySeparators = " ,;\t";  // split the reply line into fields
  int measuredField = 1;      // fields counted from 1
  int setPointField = 2;      // 0: the reply carries no set point
  std::string startCommand;   // "" none
  std::string stopCommand;    // "" none
  bool operator==(const AsciiChamberCommands&) const = default;
};

struct ModbusChamberRegisters {
  int address = 1;            // slave address
  int setPointRegister = 0;   // protocol address (0-based), written with function 6, read with 3
  int measuredRegister = 1;   // protocol address, read with readFunction
  int readFunction = 3;       // 3 or 4
  double scale = 10;          // register = temperature x scale
  bool isSigned = true;       // registers hold two's complement values
  int runRegister = -1;       // -1 none; else written runOn / runOff with function 6
  int runCoil = -1;           // -1 none; else switched with function 5
  int runOn = 1;
  int runOff = 0;
  bool operator==(const ModbusChamberRegisters&) const = default;
};

struct ChamberProfile {
  std::string name;           // the file's name, for messages
  ChamberProtocol protocol = ChamberProtocol::kAscii;
  AsciiChamberCommands ascii;
  ModbusChamberRegisters modbus;
  double setPointMin = -60;
  double setPointMax = 100;
  double tolerance = 0.5;     // |measured - set point| within this counts as reached
  double parkC = 22;          // where a finished or stopped run leaves the chamber
  int replyTimeoutMs = 1000;
  int pollSeconds = 3;        // how often the link asks for the temperature
  AutopilotLimits autopilot;

  bool InRange(double c) const { return c >= setPointMin && c <= setPointMax; }
  bool Reached(double measured, double setPoint) const {
    return measured >= setPoint - tolerance && measured <= setPoint + tolerance;
  }
  bool operator==(const ChamberProfile&) const = default;
};

// Where the relay module answers: on the detector line between polls, or on line 3 of its own.
enum class ValveLine { kDetectorLine, kLine3 };

struct ValveProfile {
  std::string name;
  int address = 32;           // the module's Modbus slave address
  ValveLine line = ValveLine::kDetectorLine;
  bool coils = true;          // true: coils (functions 5 and 1); false: registers (6 and 3), 1 on, 0 off
  int zeroCoil = 0;           // coil (or register) that opens the zero gas
  int middleCoil = 1;
  int highCoil = 2;
  int replyTimeoutMs = 300;
  bool operator==(const ValveProfile&) const = default;
};

// Reads a profile's text; `fileName` names it in a refusal. False with the
// refusal in *error, in `lang`: "demo.chamber, line 7: not a number: '4O'".
bool ParseChamberProfile(std::string_view text, const std::string& fileName, LanguageIndex lang,
                         ChamberProfile* out, std::string* error);
bool ParseValveProfile(std::string_view text, const std::string& fileName, LanguageIndex lang, ValveProfile* out,
                       std::string* error);
// Reads the file (UTF-8 or Windows-1251) and parses it.
bool LoadChamberProfile(const std::string& path, LanguageIndex lang, ChamberProfile* out, std::string* error);
bool LoadValveProfile(const std::string& path, LanguageIndex lang, ValveProfile* out, std::string* error);

// The profiles the simulator and the demo bus speak: profiles/demo-ascii.chamber,
// demo-modbus.chamber and demo.valves say the same (a test holds them to it).
ChamberProfile DemoAsciiChamberProfile();
ChamberProfile DemoModbusChamberProfile();
ValveProfile DemoValveProfile();

}  // namespace kvl
