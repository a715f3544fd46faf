// Line endings, and the profiles the simulated chamber and valve module speak.
#include "chamber/profiles.h"

namespace kvl {

const char* LineEndingBytes(LineEnding ending) {
  switch (ending) {
    case LineEnding::kCr: return "\r";
    case LineEnding::kLf: return "\n";
    case LineEnding::kCrLf: return "\r\n";
  }
  return "\r";
}

const char* LineEndingItem(LineEnding ending) {
  switch (ending) {
    case LineEnding::kCr: return "CR";
    case LineEnding::kLf: return "LF";
    case LineEnding::kCrLf: return "CR LF";
  }
  return "CR";
}

bool LineEndingFromText(std::string_view text, LineEnding* out) {
  if (text == "CR" || text == "cr") *out = LineEnding::kCr;
  else if (text == "LF" || text == "lf") *out = LineEnding::kLf;
  else if (text == "CR LF" || text == "crlf") *out = LineEnding::kCrLf;
  else return false;
  return true;
}

namespace {

// What both demo chambers can do. The simulator's chamber and detectors run
// hundreds of times faster than real ones: the autopilot's windows and waits
// are seconds, not minutes.
ChamberProfile DemoChamber() {
  ChamberProfile p;
  p.setPointMin = -70;
  p.setPointMax = 100;
  p.tolerance = 0.5;
  p.parkC = 22;
  p.replyTimeoutMs = 1000;
  p.pollSeconds = 3;
  p.autopilot.steadyTemperatureLimitC = 0.3;
  p.autopilot.steadyTemperatureWindowS = 3;
  p.autopilot.steadySignalLimit = 15;
  p.autopilot.steadySignalWindowS = 3;
  p.autopilot.minGasFlowS = 3;
  p.autopilot.setPointReachTimeoutS = 600;
  p.autopilot.lostAfterPolls = 3;
  p.autopilot.dropAfterS = 60;
  return p;
}

}  // namespace

ChamberProfile DemoAsciiChamberProfile() {
  ChamberProfile p = DemoChamber();
  p.name = "demo-ascii.chamber";
  p.protocol = ChamberProtocol::kAscii;
  p.ascii.setCommand = "SP {T}";
  p.ascii.setDecimals = 1;
  p.ascii.setReply = "OK";
  p.ascii.readCommand = "RD";
  p.ascii.replySeparators = ",";
  p.ascii.measuredField = 1;
  p.ascii.setPointField = 2;
  p.ascii.startCommand = "START";
  p.ascii.stopCommand = "STOP";
  return p;
}

ChamberProfile DemoModbusChamberProfile() {
  ChamberProfile p = DemoChamber();
  p.name = "demo-modbus.chamber";
  p.protocol = ChamberProtocol::kModbus;
  p.modbus.address = 1;
  p.modbus.setPointRegister = 0;
  p.modbus.measuredRegister = 1;
  p.modbus.readFunction = 3;
  p.modbus.scale = 10;
  p.modbus.isSigned = true;
  p.modbus.runCoil = 0;
  return p;
}

ValveProfile DemoValveProfile() {
  ValveProfile p;
  p.name = "demo.valves";
  p.address = 240;
  p.line = ValveLine::kDetectorLine;
  p.coils = true;
  p.zeroCoil = 0;
  p.middleCoil = 1;
  p.highCoil = 2;
  p.replyTimeoutMs = 300;
  return p;
}

}  // namespace kvl
