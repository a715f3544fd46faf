// The keys of the chamber and valve profiles, and the checks across them.
#include <span>
#include <string>

#include "chamber/keyed_profile.h"
#include "chamber/profiles.h"
#include "text/chamber_texts.h"
#include "text/cp1251.h"
#include "text/text_file.h"

namespace kvl {
namespace {

constexpr double kTemperatureLimit = 300;  // no chamber goes beyond; a profile that does is a typo
constexpr double kDayS = 86400;

void AddAutopilotKeys(CKeyedProfile& keys, AutopilotLimits& a) {
  keys.Decimal("steady_temperature_limit", 0.001, 50, &a.steadyTemperatureLimitC);
  keys.Decimal("steady_temperature_window", 1, kDayS, &a.steadyTemperatureWindowS);
  keys.Decimal("steady_signal_limit", 0.001, 65535, &a.steadySignalLimit);
  keys.Decimal("steady_signal_window", 1, kDayS, &a.steadySignalWindowS);
  keys.Decimal("min_gas_flow_time", 0, kDayS, &a.minGasFlowS);
  keys.Decimal("set_point_reach_timeout", 1, kDayS, &a.setPointReachTimeoutS);
  keys.Whole("lost_after", 1, 1000, &a.lostAfterPolls);
  keys.Decimal("drop_after", 1, kDayS, &a.dropAfterS);
}

void AddChamberKeys(CKeyedProfile& keys, ChamberProfile& p, int* protocol) {
  keys.Choice("protocol", {"ascii", "modbus"}, protocol);
  keys.Decimal("set_point_min", -kTemperatureLimit, kTemperatureLimit, &p.setPointMin);
  keys.Decimal("set_point_max", -kTemperatureLimit, kTemperatureLimit, &p.setPointMax);
  keys.Decimal("tolerance", 0.001, 50, &p.tolerance);
  keys.Decimal("park", -kTemperatureLimit, kTemperatureLimit, &p.parkC);
  keys.Whole("reply_timeout", 10, 60000, &p.replyTimeoutMs);
  keys.Whole("poll_interval", 1, 3600, &p.pollSeconds);
  AsciiChamberCommands& a = p.ascii;
  keys.Text("set_command", &a.setCommand);
  keys.Whole("set_decimals", 0, 4, &a.setDecimals);
  keys.Text("set_reply", &a.setReply);
  keys.Text("read_command", &a.readCommand);
  keys.Text("reply_separators", &a.replySeparators);
  keys.Whole("measured_field", 1, 64, &a.measuredField);
  keys.Whole("set_point_field", 0, 64, &a.setPointField);
  keys.Text("start_command", &a.startCommand);
  keys.Text("stop_command", &a.stopCommand);
  ModbusChamberRegisters& m = p.modbus;
  keys.Whole("address", 1, 247, &m.address);
  keys.Whole("set_point_register", 0, 65535, &m.setPointRegister);
  keys.Whole("measured_register", 0, 65535, &m.measuredRegister);
  keys.Whole("read_function", 3, 4, &m.readFunction);
  keys.Decimal("scale", 0.001, 10000, &m.scale);
  keys.Flag("signed", &m.isSigned);
  keys.Whole("run_register", 0, 65535, &m.runRegister);
  keys.Whole("run_coil", 0, 65535, &m.runCoil);
  keys.Whole("run_on", 0, 65535, &m.runOn);
  keys.Whole("run_off", 0, 65535, &m.runOff);
  AddAutopilotKeys(keys, p.autopilot);
}

// The keys of the other protocol would be silently passed over: refuse them.
bool CheckProtocolKeys(const CKeyedProfile& keys, bool ascii, std::string* error) {
  static const char* const kAsciiKeys[] = {"set_command",    "set_decimals",  "set_reply",
                                           "read_command",   "reply_separators", "measured_field",
                                           "set_point_field", "start_command", "stop_command"};
  static const char* const kModbusKeys[] = {"address", "set_point_register", "measured_register", "read_function",
                                            "scale",   "signed",             "run_register",      "run_coil",
                                            "run_on",  "run_off"};
  for (const char* k : ascii ? std::span<const char* const>(kModbusKeys) : std::span<const char* const>(kAsciiKeys))
    if (keys.LineOf(k)) {
      *error = keys.Conflict(k, "protocol");
      return false;
    }
  static const char* const kAsciiRequired[] = {"set_command", "read_command"};
  static const char* const kModbusRequired[] = {"address", "set_point_register", "measured_register"};
  for (const char* k : ascii ? std::span<const char* const>(kAsciiRequired) : std::span<const char* const>(kModbusRequired))
    if (!keys.LineOf(k)) {
      *error = keys.MissingKey(k);
      return false;
    }
  return true;
}

bool CheckChamber(const CKeyedProfile& keys, const ChamberProfile& p, std::string* error) {
  for (const char* k : {"protocol", "set_point_min", "set_point_max"})
    if (!keys.LineOf(k)) {
      *error = keys.MissingKey(k);
      return false;
    }
  if (!CheckProtocolKeys(keys, p.protocol == ChamberProtocol::kAscii, error)) return false;
  if (p.setPointMax <= p.setPointMin) *error = keys.Conflict("set_point_max", "set_point_min");
  else if (!p.InRange(p.parkC)) *error = keys.Conflict("park", "set_point_min");
  else if (p.protocol == ChamberProtocol::kAscii && p.ascii.setCommand.find("{T}") == std::string::npos)
    *error = keys.Conflict("set_command", "{T}");
  else if (p.protocol == ChamberProtocol::kAscii && p.ascii.setPointField == p.ascii.measuredField)
    *error = keys.Conflict("set_point_field", "measured_field");
  else if (p.protocol == ChamberProtocol::kModbus && p.modbus.runRegister >= 0 && p.modbus.runCoil >= 0)
    *error = keys.Conflict("run_coil", "run_register");
  else
    return true;
  return false;
}

std::string ReadProfileText(const std::string& path, LanguageIndex lang, bool* ok, std::string* error) {
  std::string bytes, why;
  // A profile is a page of text; a bigger file is no profile.
  *ok = ReadFileBytes(path, bytes, 1 << 20, &why) == 0;
  if (!*ok) {
    *error = path + ": " + txt::kProfileCannotRead(lang) + (why.empty() ? "" : " (" + why + ")");
    return {};
  }
  return IsValidUtf8(bytes) ? bytes : DecodeCp1251(bytes);
}

}  // namespace

bool ParseChamberProfile(std::string_view text, const std::string& fileName, LanguageIndex lang,
                         ChamberProfile* out, std::string* error) {
  ChamberProfile p;
  p.name = fileName;
  int protocol = 0;
  CKeyedProfile keys(fileName, lang);
  AddChamberKeys(keys, p, &protocol);
  std::string why;
  if (!keys.Read(text, &why)) {
    if (error) *error = why;
    return false;
  }
  p.protocol = protocol == 0 ? ChamberProtocol::kAscii : ChamberProtocol::kModbus;
  if (!CheckChamber(keys, p, &why)) {
    if (error) *error = why;
    return false;
  }
  *out = p;
  return true;
}

bool ParseValveProfile(std::string_view text, const std::string& fileName, LanguageIndex lang, ValveProfile* out,
                       std::string* error) {
  ValveProfile p;
  p.name = fileName;
  int line = 0, kind = 0;
  CKeyedProfile keys(fileName, lang);
  keys.Whole("address", 1, 247, &p.address);
  keys.Choice("line", {"1", "3"}, &line);
  keys.Choice("outputs", {"coils", "registers"}, &kind);
  keys.Whole("zero", 0, 65535, &p.zeroCoil);
  keys.Whole("middle", 0, 65535, &p.middleCoil);
  keys.Whole("high", 0, 65535, &p.highCoil);
  keys.Whole("reply_timeout", 10, 60000, &p.replyTimeoutMs);
  std::string why;
  if (!keys.Read(text, &why)) {
    if (error) *error = why;
    return false;
  }
  for (const char* k : {"address", "zero", "middle", "high"})
    if (!keys.LineOf(k)) {
      if (error) *error = keys.MissingKey(k);
      return false;
    }
  if (p.zeroCoil == p.middleCoil || p.zeroCoil == p.highCoil || p.middleCoil == p.highCoil) {
    // Two gases on one output would flow together.
    if (error) *error = keys.Conflict("high", "zero");
    return false;
  }
  p.line = line == 0 ? ValveLine::kDetectorLine : ValveLine::kLine3;
  p.coils = kind == 0;
  *out = p;
  return true;
}

bool LoadChamberProfile(const std::string& path, LanguageIndex lang, ChamberProfile* out, std::string* error) {
  bool ok = false;
  const std::string text = ReadProfileText(path, lang, &ok, error);
  return ok && ParseChamberProfile(text, NameOf(path), lang, out, error);
}

bool LoadValveProfile(const std::string& path, LanguageIndex lang, ValveProfile* out, std::string* error) {
  bool ok = false;
  const std::string text = ReadProfileText(path, lang, &ok, error);
  return ok && ParseValveProfile(text, NameOf(path), lang, out, error);
}

}  // namespace kvl
