#include "sim/sim_commands.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "text/ascii_case.h"
#include "text/format.h"

namespace kvl {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

bool ParseInt(const std::string& text, long lo, long hi, long* out) {
  if (text.empty() || text.size() > 9) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  long v = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    v = v * 10 + (text[i] - '0');
  }
  if (text[0] == '-') v = -v;
  if (v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool ParseNumber(const std::string& text, double* out) {
  std::size_t used = 0;
  double v = 0;
  if (!ParseDouble(text, &v, &used) || used != text.size()) return false;
  *out = v;
  return true;
}

// "all" is address 0; otherwise a detector address 1..247.
bool ParseTarget(const std::string& text, long* address) {
  if (AsciiLower(text) == "all") {
    *address = 0;
    return true;
  }
  return ParseInt(text, 1, 247, address);
}

std::string Error(const std::string& what) { return "error: " + what; }

std::string NoDetector(long address) {
  return address == 0 ? Error("no detectors on the bus") : Error(Format("no detector at address %ld", address));
}

std::string ListLine(const SimDetectorInfo& d) {
  return Format("%3u %-5s serial %u gas %d T %.1f C feed %.3f vol.%% reading %.1f %%LEL %.3f vol.%% %s baud %d fault %s",
                unsigned(d.address), DetectorTypeName(d.type), unsigned(d.serial), d.gasCode, d.temperature, d.gasVolume,
                d.readingLel, d.readingVolume, d.serviceable ? "ok" : "FAIL", BaudOfCode(d.baudCode),
                SimFaultText(d.fault).c_str());
}

std::string CmdList(CSimBus& bus) {
  const auto list = bus.List();
  std::string out = Format("chamber %.1f C, %zu detector(s), %d baud", bus.ChamberTemperature(), list.size(),
                           bus.LineBaud());
  for (const auto& d : list) out += "\n" + ListLine(d);
  return out;
}

std::string CmdTemp(CSimBus& bus, const std::vector<std::string>& w) {
  if (w.size() == 1) return Format("chamber %.1f C", bus.ChamberTemperature());
  double c = 0;
  if (w.size() != 2 || !ParseNumber(w[1], &c) || c < -80 || c > 150)
    return Error("usage: temp C (a temperature from -80 to 150)");
  bus.SetChamberTemperature(c);
  return Format("chamber %.1f C", c);
}

std::string CmdGas(CSimBus& bus, const std::vector<std::string>& w) {
  long address = 0;
  double x = 0;
  const std::string unit = w.size() == 4 ? AsciiLower(w[3]) : "vol";
  if (w.size() < 3 || w.size() > 4 || !ParseTarget(w[1], &address) || !ParseNumber(w[2], &x) || x < 0 ||
      (unit != "vol" && unit != "lel"))
    return Error("usage: gas ADDR|all X [vol|lel] (X from 0, vol.% unless lel)");
  if (unit == "vol" ? x > 100 : x > 1000) return Error("concentration too high");
  const bool ok = unit == "vol" ? bus.SetGasVolume(int(address), x) : bus.SetGasLel(int(address), x);
  if (!ok) return NoDetector(address);
  return Format("gas %s %.3f %s", w[1].c_str(), x, unit == "vol" ? "vol.%" : "%LEL");
}

// stage S [TLOW THIGH]: the chamber at a graduation stage's temperature.
std::string CmdStage(CSimBus& bus, const std::vector<std::string>& w) {
  long stage = 0, tLow = -50, tHigh = 85;
  if ((w.size() != 2 && w.size() != 4) || !ParseInt(w[1], 1, 8, &stage) ||
      (w.size() == 4 && (!ParseInt(w[2], -80, 150, &tLow) || !ParseInt(w[3], -80, 150, &tHigh))))
    return Error("usage: stage S [TLOW THIGH] (S from 1 to 8; TLOW, THIGH: the T[0] and T[7] settings, degC)");
  const auto t = bus.SetGraduationStage(int(stage), int(tLow), int(tHigh));
  if (!t) return NoDetector(0);
  return Format("stage %ld chamber %d C", stage, *t);
}

// gasstep ADDR|all zero|middle|high: the graduation step's gas by each detector's GRAD_CONC1/2.
std::string CmdGasStep(CSimBus& bus, const std::vector<std::string>& w) {
  long address = 0;
  const std::string mix = w.size() == 3 ? AsciiLower(w[2]) : "";
  const int mixture = mix == "zero" ? 0 : mix == "middle" ? 1 : mix == "high" ? 2 : -1;
  if (w.size() != 3 || !ParseTarget(w[1], &address) || mixture < 0)
    return Error("usage: gasstep ADDR|all zero|middle|high");
  if (!bus.FeedGraduationGas(int(address), mixture)) return NoDetector(address);
  return "gasstep " + w[1] + " " + mix;
}

std::string CmdFault(CSimBus& bus, const std::vector<std::string>& w) {
  static const char* kUsage = "usage: fault ADDR|all silent|slow MS|crc|short|wrongaddr|exception CODE|nostore|none";
  long address = 0;
  if (w.size() < 3 || !ParseTarget(w[1], &address)) return Error(kUsage);
  const std::string kind = AsciiLower(w[2]);
  SimFault f;
  long param = 0;
  if (kind == "slow" || kind == "exception") {
    const bool ok = w.size() == 4 && (kind == "slow" ? ParseInt(w[3], 0, 60000, &param) : ParseInt(w[3], 1, 255, &param));
    if (!ok) return Error(kind == "slow" ? "usage: fault ADDR slow MS (0 to 60000)" : "usage: fault ADDR exception CODE (1 to 255)");
    f.kind = kind == "slow" ? SimFaultKind::Slow : SimFaultKind::Exception;
    f.param = int(param);
  } else {
    if (w.size() != 3) return Error(kUsage);
    if (kind == "none")
      f.kind = SimFaultKind::None;
    else if (kind == "silent")
      f.kind = SimFaultKind::Silent;
    else if (kind == "crc")
      f.kind = SimFaultKind::Crc;
    else if (kind == "short")
      f.kind = SimFaultKind::Short;
    else if (kind == "wrongaddr")
      f.kind = SimFaultKind::WrongAddress;
    else if (kind == "nostore")
      f.kind = SimFaultKind::NoStore;
    else
      return Error(kUsage);
  }
  if (!bus.SetFault(int(address), f)) return NoDetector(address);
  return "fault " + w[1] + " " + SimFaultText(f);
}

std::string CmdStatus(CSimBus& bus, const std::vector<std::string>& w) {
  long address = 0;
  const std::string s = w.size() == 3 ? AsciiLower(w[2]) : "";
  if (w.size() != 3 || !ParseTarget(w[1], &address) || (s != "ok" && s != "fail"))
    return Error("usage: status ADDR|all ok|fail");
  if (!bus.SetServiceable(int(address), s == "ok")) return NoDetector(address);
  return "status " + w[1] + " " + s;
}

std::string CmdAdd(CSimBus& bus, const std::vector<std::string>& w) {
  long address = 0, count = 1;
  const int type = w.size() >= 3 ? DetectorTypeFromName(w[1]) : -1;
  if (w.size() < 3 || w.size() > 4 || type < 0 || !ParseInt(w[2], 1, 247, &address) ||
      (w.size() == 4 && !ParseInt(w[3], 1, 247, &count)))
    return Error("usage: add KVELT|Z|Z40|Z5 ADDR [COUNT]");
  if (!bus.AddDetectors(type, int(count), int(address)))
    return Error("an address is taken or beyond 247");
  return Format("added %ld %s detector(s) from address %ld", count, DetectorTypeName(type), address);
}

std::string CmdRemove(CSimBus& bus, const std::vector<std::string>& w) {
  long address = 0;
  if (w.size() != 2 || !ParseInt(w[1], 1, 247, &address)) return Error("usage: remove ADDR");
  if (!bus.RemoveDetector(int(address))) return NoDetector(address);
  return Format("removed %ld", address);
}

std::string CmdRead(CSimBus& bus, const std::vector<std::string>& w) {
  long address = 0, reg = 0, count = 1;
  if (w.size() < 3 || w.size() > 4 || !ParseInt(w[1], 1, 247, &address) || !ParseInt(w[2], 0, kImageWords - 1, &reg) ||
      (w.size() == 4 && !ParseInt(w[3], 1, kImageWords, &count)))
    return Error("usage: read ADDR REG [COUNT] (REG from 0 to 160)");
  if (reg + count > kImageWords) return Error("registers beyond 160");
  const auto regs = bus.Registers(int(address));
  if (!regs) return NoDetector(address);
  std::string out;
  for (long r = reg; r < reg + count; ++r) {
    if (!out.empty()) out += "\n";
    out += Format("%ld: %u 0x%04X", r, unsigned((*regs)[std::size_t(r)]), unsigned((*regs)[std::size_t(r)]));
  }
  return out;
}

std::string CmdSpeed(CSimBus& bus, const std::vector<std::string>& w) {
  double x = 0;
  if (w.size() == 1) return Format("speed %g", bus.TimeScale());
  if (w.size() != 2 || !ParseNumber(w[1], &x) || x < 0 || x > 10000) return Error("usage: speed X (0 to 10000)");
  bus.SetTimeScale(x);
  return Format("speed %g", x);
}

std::string CmdAdvance(CSimBus& bus, const std::vector<std::string>& w) {
  double s = 0;
  if (w.size() != 2 || !ParseNumber(w[1], &s) || s < 0 || s > 86400) return Error("usage: advance SECONDS (0 to 86400)");
  bus.Advance(s);
  return Format("advanced %g s", s);
}

}  // namespace

std::string SimCommandHelp() {
  return "temp [C]                      chamber temperature, degC\n"
         "gas ADDR|all X [vol|lel]      gas fed to a detector (vol.% unless lel: %LEL)\n"
         "stage S [TLOW THIGH]          chamber at graduation stage S (1..8); TLOW/THIGH for non-Z5\n"
         "gasstep ADDR|all zero|middle|high  the graduation step's gas (GRAD_CONC1/2 of each)\n"
         "fault ADDR|all silent|slow MS|crc|short|wrongaddr|exception CODE|nostore|none\n"
         "status ADDR|all ok|fail       detector fault state\n"
         "add KVELT|Z|Z40|Z5 ADDR [N]   add detectors\n"
         "remove ADDR                   remove a detector\n"
         "read ADDR REG [COUNT]         show registers (protocol addresses 0..160)\n"
         "speed X                       model seconds per real second (0 freezes)\n"
         "advance SECONDS               let model time pass at once\n"
         "list                          the detectors\n"
         "help                          this text";
}

std::string ApplySimCommand(CSimBus& bus, const std::string& line) {
  const std::vector<std::string> w = Words(line);
  if (w.empty() || w[0][0] == '#') return "";
  const std::string cmd = AsciiLower(w[0]);
  if (cmd == "help" || cmd == "?") return SimCommandHelp();
  if (cmd == "list") return w.size() == 1 ? CmdList(bus) : Error("usage: list");
  if (cmd == "temp") return CmdTemp(bus, w);
  if (cmd == "gas") return CmdGas(bus, w);
  if (cmd == "fault") return CmdFault(bus, w);
  if (cmd == "stage") return CmdStage(bus, w);
  if (cmd == "gasstep") return CmdGasStep(bus, w);
  if (cmd == "status") return CmdStatus(bus, w);
  if (cmd == "add") return CmdAdd(bus, w);
  if (cmd == "remove") return CmdRemove(bus, w);
  if (cmd == "read") return CmdRead(bus, w);
  if (cmd == "speed") return CmdSpeed(bus, w);
  if (cmd == "advance") return CmdAdvance(bus, w);
  return Error("unknown command '" + w[0] + "' (try help)");
}

}  // namespace kvl
