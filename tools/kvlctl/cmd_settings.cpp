// kvlctl settings: a detector's settings saved to a settings file, a settings
// or graduation log file written back into it, and a Z5 compared with a file,
// by the workstation's own settings file rules. The detector's registers are
// read as its "Save settings" row would hold them; questions the window asks
// are answered No unless --yes is given.
#include <cstdio>
#include <ctime>
#include <vector>

#include "command_registry.h"
#include "console_operator.h"
#include "ctl_error.h"
#include "detector/decoding.h"
#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "detector_options.h"
#include "link_options.h"
#include "platform/clock.h"
#include "reporting_line.h"
#include "settings_files/settings_apply.h"
#include "settings_files/settings_file.h"
#include "settings_files/settings_save.h"
#include "stop_signals.h"
#include "text/format.h"
#include "text/text_file.h"

namespace kvl::ctl {
namespace {

constexpr const char* kActions = "save, write or compare";

void Print(const std::string& text) {
  std::string line = text;
  if (line.empty() || line.back() != '\n') line += '\n';
  std::fputs(line.c_str(), stdout);
  std::fflush(stdout);
}

// The detector line opened for the tool's own transactions.
struct Session {
  Session(const LinkOptions& lo, LanguageIndex l) : language(l), line(lo, l) {}
  LanguageIndex language;
  CStopSignals signals;
  CReportingLine line;
  CModbusSlave& link = line.link;
  CConsoleOperator& op = line.op;
};

// Reads the row as "Save settings" polls it. A KVELT's LEL_CONC (71) is
// outside that poll set: the window holds it from the modes before, so the
// tool reads the type's ordinary poll set first.
int ReadDetector(Session& s, std::uint8_t slave, int type, RegisterImage& image) {
  std::vector<int> sets;
  if (type == kTypeKvelt) sets.push_back(PollSetFor(type, kModeTuning));
  sets.push_back(PollSetFor(type, kModeSaveSettings));
  for (int set : sets) {
    const PollSetRead read = ReadPollSet(s.link, slave, set, image, s.signals);
    if (read.interrupted || s.signals.Pending()) return ReportInterrupted("settings", s.language);
    if (read.result != 0) {
      ReportReadFailure("settings", slave, read.failedCount, read.failedFirst, read.result, s.language);
      return kExitFailed;
    }
  }
  return kExitOk;
}

int Save(const CArgParser& p, int type, std::uint8_t slave, LanguageIndex language,
         const RegisterImage& image) {
  SettingsSaveRequest q;
  q.type = type;
  q.image = image;
  q.address = slave;
  q.serialText = SerialNumberText(type, image, false);
  q.modbusText = Format("%u", unsigned(slave));
  q.gasText = GasNameText(type, GasCode(image), language);
  q.dataFolder = p.Text("--folder");
  if (!q.dataFolder.empty() && q.dataFolder.back() != '/') q.dataFolder += '/';
  const std::time_t now = std::time(nullptr);
  q.now = platform::LocalTime(now);
  q.language = language;

  const SettingsSave save = PrepareSettingsSave(q);
  if (!save.Ready()) {
    Print("nothing written: no free file name " + q.dataFolder + q.serialText + "_0.." +
          Format("%d", kMaxSettingsFileNumber) + ".set");
    return kExitFailed;
  }
  if (!save.zeroQuestion.empty()) {
    Print(save.zeroQuestion);
    if (!p.Has("--yes")) {
      Print("nothing written (answered No; --yes answers Yes)");
      return kExitFailed;
    }
  }
  std::string error;
  if (SaveSettingsFile(save, &error) != 0) {
    Print(error);
    return kExitFailed;
  }
  Print(save.path);
  return kExitOk;
}

int Write(Session& s, const CArgParser& p, const std::string& file, int type, std::uint8_t slave,
          LanguageIndex language, const RegisterImage& image) {
  const SettingsFileRead f = ReadSettingsFile(file, type, language);
  if (!f.ok) {
    Print(f.message);
    return kExitFailed;
  }
  SettingsTarget t;
  t.type = type;
  t.slave = slave;
  t.image = image;
  t.language = language;
  SettingsWritePlan plan = PlanSettingsWrite(f.content, t, NameOf(file), false);
  if (!plan.question.empty()) {
    Print(plan.question);
    if (!p.Has("--yes")) {
      Print("nothing written (answered No; --yes answers Yes)");
      return kExitFailed;
    }
    plan = PlanSettingsWrite(f.content, t, NameOf(file), true);
  }
  if (plan.Refused()) {
    Print(plan.message);
    return kExitFailed;
  }
  if (plan.BatchCount() == 0) {
    Print("nothing to write");
    return kExitOk;
  }
  std::string lines;
  for (const RegisterWrite& w : plan.singleWrites)
    lines += Format("write %u %u %u\n", unsigned(w.slave), unsigned(w.reg), unsigned(w.value));
  for (const SettingsBlockWrite& b : plan.blockWrites)
    lines += Format("block %u %u %zu\n", unsigned(slave), unsigned(b.first), b.words.size());
  std::fputs(lines.c_str(), stdout);
  std::fflush(stdout);

  // As the worker serves them: the single writes' queue before the blocks'.
  int result = 0;
  s.link.BeginBatch(plan.BatchCount());
  s.line.BeginList("settings", NameOf(file), FileIdentity(type, NameOf(file), f.content.serial, {slave}),
                   type);
  for (const RegisterWrite& w : plan.singleWrites)
    if (s.link.WriteRegister(w.slave, 6, w.reg, w.value) != 0) result = 1;
  for (const SettingsBlockWrite& b : plan.blockWrites)
    if (s.link.WriteRegisters(slave, b.first, b.words, b.report, kVerifySettingsBlocks) != 0) result = 1;
  s.link.EndWriteList();
  const std::string report = s.op.Report();
  if (!report.empty()) Print(report);
  return result == 0 ? kExitOk : kExitFailed;
}

int Compare(const std::string& file, int type, LanguageIndex language, const RegisterImage& image) {
  const SettingsFileRead f = ReadSettingsFile(file, type, language);
  if (!f.ok) {
    Print(f.message);
    return kExitFailed;
  }
  const SettingsComparison c = CompareWithSettings(f.content, image, language);
  Print(c.message);
  return c.equal ? kExitOk : kExitFailed;
}

int RunSettings(const std::vector<std::string>& all) {
  CArgParser p("settings", "save|write|compare [FILE] --port DEV --type T --addr A [options]",
               "Settings files of a detector, by the workstation's rules:\n"
               "  save     reads the detector's settings registers (KVELT, Z5) and writes them to\n"
               "           FOLDER/SERIAL_N.set (N the first free number), printing the file name;\n"
               "           registers at 0 make it ask first (No unless --yes).\n"
               "  write    writes a settings file or graduation log (.set, .tab) FILE into the\n"
               "           detector (KVELT, Z5) after the serial number and gas check, printing\n"
               "           \"write ADDR REG VALUE\" and \"block ADDR FIRST COUNT\" lines, then the link's\n"
               "           report; the gas question answers No unless --yes. The serial number is read\n"
               "           again just before the first write; a block that reads back otherwise fails.\n"
               "  compare  compares a Z5 with FILE: exit status 0 when equal, 1 with the list.\n"
               "A refused file or check prints the workstation's message (exit status 1).");
  std::vector<std::string> args = all;
  std::string action, file;
  if (!args.empty() && args.front().rfind("--", 0) != 0) {
    action = args.front();
    args.erase(args.begin());
    if (!args.empty() && args.front().rfind("--", 0) != 0) {
      file = args.front();
      args.erase(args.begin());
    }
  }
  AddLinkOptions(p);
  p.AddOption("--type", "T", "detector type: KVELT or Z5 (compare: Z5)", "", true);
  p.AddOption("--addr", "A", "slave address 1..247", "", true);
  p.AddOption("--folder", "DIR", "save: the data folder", ".");
  p.AddOption("--lang", "en|ru", "language of the messages and the gas name", "en");
  p.AddFlag("--yes", "answer Yes to the question (registers at 0, gas check)");
  p.AddNote(LinkOptionsNote());
  if (!p.Parse(args)) return kExitOk;
  if (action != "save" && action != "write" && action != "compare")
    throw UsageError(action.empty() ? std::string("no action given (") + kActions + ")"
                                    : "'" + action + "' is not an action (" + kActions + ")");
  if (action == "save" && !file.empty()) throw UsageError("save takes no FILE (the name is found: --folder)");
  if (action != "save" && file.empty()) throw UsageError(action + " needs a FILE");

  const LinkOptions lo = ReadLinkOptions(p);
  if (lo.json) throw UsageError("settings prints plain text only (no --json)");
  const int type = ParseTypeOption(p.Text("--type"));
  if (action == "compare" ? type != kTypeZ5 : (type != kTypeKvelt && type != kTypeZ5))
    throw UsageError(Format("settings %s is for %s detectors", action.c_str(),
                            action == "compare" ? "Z5" : "KVELT and Z5"));
  const auto slave = std::uint8_t(p.Int("--addr", 1, 247));
  const LanguageIndex language = ParseLanguageOption(p.Text("--lang"));

  Session s(lo, language);
  OpenLine(s.link, lo);
  RegisterImage image{};
  int status = ReadDetector(s, slave, type, image);
  if (status == kExitOk) {
    if (action == "save")
      status = Save(p, type, slave, language, image);
    else if (action == "write")
      status = Write(s, p, file, type, slave, language, image);
    else
      status = Compare(file, type, language, image);
  }
  s.link.Close();
  if (status != kExitInterrupted && s.signals.Pending()) return ReportInterrupted("settings", language);
  return s.line.Status(status);
}

const CommandRegistrar kSettings{"settings", "save a detector's settings to a file, write one back, compare",
                                 &RunSettings};

}  // namespace
}  // namespace kvl::ctl
