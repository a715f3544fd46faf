// kvlctl cmd: one per-detector command through the workstation's own command
// rules: the detector's poll set is read as its table row would hold it, the
// answer is checked and converted as the dialog's answer would be, and the
// resulting write list is sent and reported as the window sends it.
#include <cstdio>
#include <optional>
#include <vector>

#include "command_registry.h"
#include "commands/command_catalog.h"
#include "commands/command_rules.h"
#include "commands/emitter_tuning.h"
#include "console_operator.h"
#include "ctl_error.h"
#include "detector/decoding.h"
#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "detector_options.h"
#include "json.h"
#include "link_options.h"
#include "reporting_line.h"
#include "stop_signals.h"
#include "text/ctl_texts.h"
#include "text/ascii_case.h"
#include "text/format.h"
#include "text/gas_tables.h"
#include "text/selector_lists.h"

namespace kvl::ctl {
namespace {

constexpr const char* kNames =
    "address, zero, hart, grad-recalc, factory-defaults, calibrate-main, calibrate-additional, lel, limit1, "
    "limit2, magnetic, heat-limit, emitter-power, serial, gas, zeroing, show-negative, relay-test, latching1, "
    "latching2, ru6310, kuw, kur, password";

// Commands kvlctl does not offer: the picture clicks and the search have their own ways.
bool Offered(CommandId id) {
  return id != CommandId::RelayPicture && id != CommandId::AddressSearch;
}

// Commands that need an answer on the command line.
bool NeedsAnswer(CommandId id, int type) {
  switch (id) {
    case CommandId::ModbusAddress:
    case CommandId::LelConc:
    case CommandId::Limit1:
    case CommandId::Limit2:
    case CommandId::MagneticCalibration:
    case CommandId::HeatingLimit:
    case CommandId::EmitterPower:
    case CommandId::Serial:
    case CommandId::Gas:
    case CommandId::RelayTest:
    case CommandId::WorkingFactor:
    case CommandId::ReferenceFactor:
    case CommandId::Password:
      return true;
    case CommandId::FactoryDefaults:
      return type == kTypeZ5;
    default:
      return false;
  }
}

// "before:after" split at the first colon; `after` empty without one.
std::pair<std::string, std::string> SplitColon(const std::string& text) {
  const auto c = text.find(':');
  if (c == std::string::npos) return {text, ""};
  return {text.substr(0, c), text.substr(c + 1)};
}

// The first mode (in list order, "Imitation" last) that offers the command for the type.
int FirstModeOffering(CommandId id, int type) {
  CommandContext c;
  c.type = type;
  c.rowInList = c.rowHasDetector = c.lineOpen = true;
  for (int m = 0; m < kOperatingModeCount; ++m) {
    c.mode = m;
    if (CommandAvailable(id, c)) return m;
  }
  return -1;
}

struct Run {
  CommandOutcome outcome;
  std::string question;  // asked before the writes (KVELT tuning at its limits)
};

// factory-defaults of a Z5: which of the three resets.
CalibrationReset Z5Reset(const std::string& lower) {
  if (lower == "grad" || lower == "graduation") return CalibrationReset::Graduation;
  if (lower == "methane") return CalibrationReset::Methane;
  if (lower == "propane") return CalibrationReset::Propane;
  throw UsageError("factory-defaults of a Z5 takes grad, methane or propane");
}

// The gas panel as the window would hold it, with the answer as the row's
// gas's concentration when one is given.
CommandOutcome Calibration(const CommandTarget& t, bool main, const std::string& answer) {
  const std::string gas = GasNameText(t.type, GasCode(t.image), t.language);
  GasCalibrationTable gases = DefaultGasCalibrations();
  const int g = GasListPosition(t.type, t.language, gas);
  if (g >= 0 && !answer.empty()) gases[std::size_t(g)].concentration[main ? 0 : 1] = answer;
  return CalibrationCommand(t, main, gas, gases, g);
}

// heat-limit on|off|keep[:VALUE].
CommandOutcome HeatingLimit(const CommandTarget& t, const std::string& answer) {
  const std::string state = SplitColon(AsciiLower(answer)).first;
  int s = 2;
  if (state == "on")
    s = 1;
  else if (state == "off")
    s = 0;
  else if (state != "keep")
    throw UsageError("heat-limit takes on, off or keep, then :VALUE");
  return HeatingLimitCommand(t, s, SplitColon(answer).second);
}

// emitter-power: auto:TARGET tunes a KVELT; the other types take a
// coefficient, or (Z5) graduation.
Run EmitterPower(const CommandTarget& t, const std::string& answer) {
  const std::string lower = AsciiLower(answer);
  Run run;
  if (t.type == kTypeKvelt) {
    auto [head, target] = SplitColon(lower);
    if (head != "auto" || target.empty()) throw UsageError("emitter-power of a KVELT takes auto:TARGET");
    double want = 0;
    if (!ParseDouble(target, &want)) throw UsageError("emitter-power: '" + target + "' is not a power");
    // kvlctl has no memory of an earlier tuning: always a first tuning.
    EmitterTuningMemory memory;
    const EmitterTuningStep step =
        ComputeEmitterTuning(memory, KveltEmitterPower(t.image[56], t.image[57]), t.image[55], want, t.language);
    run.question = step.question;
    run.outcome = CommitEmitterTuning(memory, t, step);
  } else {
    const bool grad = lower == "graduation";
    if (grad && t.type != kTypeZ5) throw UsageError("emitter-power graduation is for Z5 detectors");
    run.outcome = EmitterPowerCommand(t, grad ? "" : answer, grad);
  }
  return run;
}

// A gas by its code (1-based) or by its name in either language, any ASCII
// case, "- " or not.
int GasPosition(const CommandTarget& t, const std::string& answer) {
  int position = -1;
  bool digits = !answer.empty();
  for (char c : answer) digits = digits && c >= '0' && c <= '9';
  if (digits && answer.size() <= 3) {
    position = std::stoi(answer) - 1;
  } else {
    const std::string wanted = SelectorGasName(answer);
    const TextList names = GasTable(t.type);
    for (LanguageIndex l : {t.language, t.language == kEnglish ? kRussian : kEnglish})
      for (int g = 0; g < kGasCount && position < 0; ++g)
        if (EqualsIgnoringCase(SelectorGasName(names[std::size_t(g)](l)), wanted)) position = g;
  }
  if (position < 0 || position >= kGasCount) throw UsageError("gas: '" + answer + "' names no gas of the type");
  return position;
}

// kuw/kur: 1, graduation, proportional, or (any other answer) the wanted level.
FactorKind Factor(const std::string& lower) {
  if (lower == "1") return FactorKind::SetOne;
  if (lower == "graduation") return FactorKind::AsInGraduation;
  if (lower == "proportional") return FactorKind::InProportion;
  return FactorKind::Irrespective;
}

Run Apply(CommandId id, const CommandTarget& t, const std::string& answer, int lineBaud) {
  Run run;
  CommandOutcome& out = run.outcome;
  const std::string lower = AsciiLower(answer);
  switch (id) {
    case CommandId::ModbusAddress: {
      auto [number, baud] = SplitColon(answer);
      out = AssignAddressCommand(t, number, baud.empty() ? Format("%d", lineBaud) : baud);
      break;
    }
    case CommandId::SetZero: out = SetZeroCommand(t); break;
    case CommandId::SwitchToHart: out = SwitchToHartCommand(t); break;
    case CommandId::GradRecalc: out = GradRecalcCommand(t); break;
    case CommandId::FactoryDefaults:
      out = FactoryDefaultsCommand(t, t.type == kTypeZ5 ? Z5Reset(lower) : CalibrationReset::Cancel);
      break;
    case CommandId::MainCalibration: out = Calibration(t, true, answer); break;
    case CommandId::AdditionalCalibration: out = Calibration(t, false, answer); break;
    case CommandId::LelConc: out = LelConcCommand(t, answer); break;
    case CommandId::Limit1: out = LimitCommand(t, 1, answer); break;
    case CommandId::Limit2: out = LimitCommand(t, 2, answer); break;
    case CommandId::MagneticCalibration: out = MagneticCalibrationCommand(t, answer); break;
    case CommandId::HeatingLimit: out = HeatingLimit(t, answer); break;
    case CommandId::EmitterPower: run = EmitterPower(t, answer); break;
    case CommandId::Serial: out = SerialCommand(t, answer); break;
    case CommandId::Gas: out = GasCommand(t, GasPosition(t, answer)); break;
    case CommandId::ZeroingNegative: out = ZeroingNegativeCommand(t); break;
    case CommandId::ShowNegative: out = ShowNegativeCommand(t); break;
    case CommandId::RelayTest: {
      auto [state, step] = SplitColon(lower);
      if (state != "on" && state != "off") throw UsageError("relay-test takes on:STEP or off");
      out = RelayTestCommand(t, state == "on", step);
      break;
    }
    case CommandId::Latching1: out = LatchingCommand(t, 1); break;
    case CommandId::Latching2: out = LatchingCommand(t, 2); break;
    case CommandId::Ru6310: out = Ru6310Command(t); break;
    case CommandId::WorkingFactor: out = CorrectionFactorCommand(t, false, Factor(lower), answer); break;
    case CommandId::ReferenceFactor: out = CorrectionFactorCommand(t, true, Factor(lower), answer); break;
    default: break;
  }
  return run;
}

std::string WritesJson(const std::vector<RegisterWrite>& writes) {
  std::string s = "[";
  for (std::size_t i = 0; i < writes.size(); ++i)
    s += Format("%s[%u, %u, %u]", i ? ", " : "", unsigned(writes[i].slave), unsigned(writes[i].reg),
                unsigned(writes[i].value));
  return s + "]";
}

CArgParser CmdParser() {
  CArgParser p("cmd", "NAME [ANSWER] --port DEV --type T --addr A [options]",
               std::string("Runs one per-detector command with the workstation's own rules: reads the\n"
                           "detector's poll set (its table row), checks and converts ANSWER as the command's\n"
                           "dialog would, prints one line \"write ADDR REG VALUE\" per register write in\n"
                           "order, sends them (unless --dry-run) and prints the link's report. A refused\n"
                           "answer prints the command's own message and writes nothing (exit status 1).\n"
                           "NAME: address, zero, hart, grad-recalc, factory-defaults, calibrate-main,\n"
                           "calibrate-additional, lel, limit1, limit2, magnetic, heat-limit, emitter-power,\n"
                           "serial, gas, zeroing, show-negative, relay-test, latching1, latching2, ru6310,\n"
                           "kuw, kur, password.\n") +
                   "ANSWER: address N[:BAUD]; factory-defaults (Z5) grad|methane|propane;\n"
                   "calibrate-main/-additional the concentration (vol.%; default the gas panel's);\n"
                   "heat-limit on|off|keep[:VALUE]; emitter-power a coefficient, graduation (Z5) or\n"
                   "auto:TARGET (KVELT tuning); gas a name or code; relay-test on:STEP or off;\n"
                   "kuw/kur 1, graduation, proportional or the wanted level; the others their value.\n"
                   "JSON: {\"result\": 0, \"writes\": [[addr, reg, value], ...], \"report\": \"...\"}\n"
                   "or {\"result\": 1, \"rejected\": true, \"message\": \"...\"}.");
  AddLinkOptions(p);
  p.AddOption("--type", "T", "detector type: KVELT, Z, Z40, Z5 or 0..4", "", true);
  p.AddOption("--addr", "A", "slave address 1..247 (password: A1,A2-A3,... all take it)", "", true);
  p.AddOption("--mode", "M", "operating mode 0..6 or its name; default the first mode offering the command");
  p.AddOption("--lang", "en|ru", "language of the messages and gas names", "en");
  p.AddFlag("--dry-run", "only print the writes");
  p.AddFlag("--yes", "answer OK to the command's question (KVELT tuning at 0 or 4095)");
  p.AddNote(LinkOptionsNote());
  return p;
}

// NAME and ANSWER stand before the options; they are taken off `args`.
struct NameAndAnswer {
  std::string name, answer;
  bool haveAnswer = false;
};
NameAndAnswer TakeNameAndAnswer(std::vector<std::string>& args) {
  NameAndAnswer n;
  if (!args.empty() && args.front().rfind("--", 0) != 0) {
    n.name = args.front();
    args.erase(args.begin());
    if (!args.empty() && args.front().rfind("--", 0) != 0) {
      n.answer = args.front();
      n.haveAnswer = true;
      args.erase(args.begin());
    }
  }
  return n;
}

// --mode, or the first mode offering the command; refused where the window
// would not offer it.
int ModeFor(const CArgParser& p, CommandId id, int type, const std::string& name) {
  const int mode = p.Has("--mode") ? ParseModeOption(p.Text("--mode")) : FirstModeOffering(id, type);
  if (mode < 0) throw UsageError(Format("'%s' is not offered for type %s", name.c_str(), DetectorTypeName(type)));
  CommandContext c;
  c.type = type;
  c.mode = mode;
  c.rowInList = c.rowHasDetector = c.lineOpen = true;
  if (!CommandAvailable(id, c))
    throw UsageError(Format("'%s' is not offered for type %s in mode %s", name.c_str(), DetectorTypeName(type),
                            kOperatingModes[mode](kEnglish)));
  return mode;
}

// The row's poll set into the target's image; a failed read is printed and
// gives the exit status, a successful one nothing.
std::optional<int> ReadRow(CModbusSlave& link, const LinkOptions& lo, CommandTarget& target, CStopSignals& signals) {
  const PollSetRead read = ReadPollSet(link, target.slave, PollSetFor(target.type, target.mode), target.image, signals);
  if (read.interrupted || signals.Pending()) {
    link.Close();
    return ReportInterrupted("cmd", target.language);
  }
  if (read.result != 0) {
    link.Close();
    if (lo.json) std::printf("{\"result\": %d, \"writes\": []}\n", read.result);
    ReportReadFailure("cmd", target.slave, read.failedCount, read.failedFirst, read.result, target.language);
    return kExitFailed;
  }
  return std::nullopt;
}

// A refused answer, or a question not answered by --yes: the message, nothing written.
int Refuse(const Run& run, const LinkOptions& lo, LanguageIndex language) {
  std::string message = run.outcome.Rejected() ? run.outcome.message : run.question;
  if (message.empty()) message = txt::kCtlNotAccepted(language);
  if (lo.json)
    std::printf("{\"result\": 1, \"rejected\": true, \"message\": %s}\n", JsonString(message).c_str());
  else
    std::printf("%s\n", message.c_str());
  return kExitFailed;
}

// The lines "image REG VALUE" and "write ADDR REG VALUE" of the outcome.
void PrintWrites(const CommandOutcome& out) {
  std::string lines;
  for (const ImageChange& c : out.imageChanges) lines += Format("image %u %u\n", unsigned(c.reg), unsigned(c.value));
  for (const RegisterWrite& w : out.writes)
    lines += Format("write %u %u %u\n", unsigned(w.slave), unsigned(w.reg), unsigned(w.value));
  if (out.writes.empty() && out.imageChanges.empty()) lines += "nothing to write\n";
  std::fputs(lines.c_str(), stdout);
  std::fflush(stdout);
}

// One write list, announced as one batch: the link shows its outcome once.
// 0 when every write was answered, else 1.
int SendWrites(CReportingLine& line, CommandId id, const CommandTarget& target, const CommandOutcome& out) {
  CModbusSlave& link = line.link;
  int result = 0;
  link.BeginBatch(int(out.writes.size()));
  // A journalled list names each detector's serial number as read just before
  // its writes: the password's detectors too, whose rows were not read.
  line.BeginList("cmd", CommandKey(id), target.type);
  for (const RegisterWrite& w : out.writes)
    if (link.WriteRegister(w.slave, 6, w.reg, w.value) != 0) result = 1;
  link.EndWriteList();
  return result;
}

int RunCmd(const std::vector<std::string>& all) {
  CArgParser p = CmdParser();
  std::vector<std::string> args = all;
  const NameAndAnswer n = TakeNameAndAnswer(args);
  if (!p.Parse(args)) return kExitOk;
  if (n.name.empty()) throw UsageError("no command NAME given (one of " + std::string(kNames) + ")");
  const auto id = CommandFromKey(AsciiLower(n.name));
  if (!id || !Offered(*id)) throw UsageError("'" + n.name + "' is not a command (" + std::string(kNames) + ")");

  const LinkOptions lo = ReadLinkOptions(p);
  CommandTarget target;
  target.type = ParseTypeOption(p.Text("--type"));
  target.language = ParseLanguageOption(p.Text("--lang"));
  if (NeedsAnswer(*id, target.type) && !n.haveAnswer) throw UsageError("'" + n.name + "' needs an ANSWER");
  target.mode = ModeFor(p, *id, target.type, n.name);
  std::vector<std::uint8_t> slaves;
  if (*id == CommandId::Password) {
    for (long a : p.IntList("--addr", 1, 247, 256)) slaves.push_back(std::uint8_t(a));
  } else {
    slaves.push_back(std::uint8_t(p.Int("--addr", 1, 247)));
  }
  target.slave = slaves.front();

  CStopSignals signals;
  CReportingLine line(lo, target.language);
  CModbusSlave& link = line.link;
  OpenLine(link, lo);
  Run run;
  if (*id == CommandId::Password) {
    run.outcome = PasswordCommand(n.answer, slaves, target.language);
  } else {
    if (const std::optional<int> failed = ReadRow(link, lo, target, signals)) return *failed;
    run = Apply(*id, target, n.answer, lo.baud);
  }
  const CommandOutcome& out = run.outcome;
  if (out.Rejected() || (!run.question.empty() && !p.Has("--yes"))) {
    link.Close();
    return Refuse(run, lo, target.language);
  }
  if (!lo.json) PrintWrites(out);
  const int result = !p.Has("--dry-run") && !out.writes.empty() ? SendWrites(line, *id, target, out) : 0;
  link.Close();

  const std::string report = line.op.Report();
  if (lo.json) {
    std::printf("{\"result\": %d, \"writes\": %s, \"report\": %s}\n", result, WritesJson(out.writes).c_str(),
                JsonString(report).c_str());
  } else if (!report.empty()) {
    std::fputs(report.c_str(), stdout);
    if (report.back() != '\n') std::fputc('\n', stdout);
  }
  if (signals.Pending()) return ReportInterrupted("cmd", target.language);
  return line.Status(result == 0 ? kExitOk : kExitFailed);
}

const CommandRegistrar kCmd{"cmd", "run one per-detector command (limits, gas, serial, address...) by its rules",
                            &RunCmd};

}  // namespace
}  // namespace kvl::ctl
