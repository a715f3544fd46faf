#pragma once
// What a settings or graduation log file does to a detector: the check of
// its serial number and gas, the writes that restore it (single writes and
// blocks of at most 32 registers, announced as one batch), and the
// comparison of a Z5 detector with it. Pure functions of the file's content
// (settings_file.h) and the row's register image: the caller asks the
// question and queues the writes; nothing here talks to the link.
//
// The window's side of "Sett. from file" and "Compare sett." on row s (mode
// "Save settings"; write: KVELT and Z5, compare: Z5):
//   the row must hold a detector;
//   open a file dialog titled txt::kSelectSetOrTabFile with the filter
//     "set files (*.set)|*.set|tab files (*.tab)|*.tab||"; Cancel ends;
//   table.SetTableWriting(true)   // polls are ignored while the questions are open
//   SettingsFileRead f = ReadSettingsFile(path, type, language);
//   if (!f.ok) show f.message with OK, and end;
//   write:
//     SettingsTarget t{type, slave, image, language};
//     SettingsWritePlan plan = PlanSettingsWrite(f.content, t, fileName, false);
//     if (!plan.question.empty()) {              // the gas check's warning
//       if (Ask(plan.question, Question, YesNo) != kAnswerYes) end;
//       plan = PlanSettingsWrite(f.content, t, fileName, true);
//     }
//     if (plan.Refused()) show plan.message with OK, and end;
//     if (plan.BatchCount() > 0) {
//       link.BeginBatch(plan.BatchCount());
//       QueueWriteList(plan.singleWrites);       // one write list (CKvlDlg's helper)
//       for (b : plan.blockWrites) link.QueueBlockWrite(slave, b.first, b.words, b.report);
//     }
//   compare:
//     SettingsComparison c = CompareWithSettings(f.content, image, language);
//     show c.message with OK;
//   end: if (table.SetTableWriting(false)) link.Resume();
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_types.h"
#include "settings_files/settings_file.h"

namespace kvl {

// Most registers one block write of a file carries.
inline constexpr std::size_t kSettingsChunkWords = 32;

// A settings file's blocks are read back and compared whole: a register that
// reads back other than written fails the write and is listed. None of the
// blocks' registers is one the detector changes on its own: a KVELT's 24..47
// and a Z5's 96..100 and 104..159 are settings and its graduation table, which
// a Z5 rewrites only when it captures a graduation point on command (never
// sent with a settings file), and the measured registers lie outside every
// block. Should a register of a block ever change by itself, it is to be left
// out of the comparison here, by name, with its reason.
inline constexpr bool kVerifySettingsBlocks = true;

struct SettingsTarget {
  int type = kTypeKvelt;
  std::uint8_t slave = 0;
  RegisterImage image{};  // the row's image as last read (serial number, gas code)
  LanguageIndex language = kRussian;
};

struct SettingsBlockWrite {
  std::uint16_t first = 0;  // protocol address
  std::vector<std::uint16_t> words;
  bool report = true;       // the link shows "Recorded" after it (the file's last block only)
  bool operator==(const SettingsBlockWrite&) const = default;
};

struct SettingsWritePlan {
  // Refused: show with OK; nothing is written.
  std::string message;
  // The gas check found something: ask with Yes and No, then plan again with
  // the warning accepted (No: nothing is written).
  std::string question;
  // Function 6 writes to target.slave, as one write list: the register lines'
  // values outside a KVELT's block range first, then the key and G values.
  std::vector<RegisterWrite> singleWrites;
  // Function 16 writes, file order.
  std::vector<SettingsBlockWrite> blockWrites;

  bool Refused() const { return !message.empty(); }
  int BatchCount() const { return int(singleWrites.size() + blockWrites.size()); }
};

// The register a key is written to on a detector of `type`, or -1 when it is
// only checked (SER_NUM: the check has shown it equal, and its register
// holds 16 of its 32 bits) or not the type's (the keys name Z5 registers: a
// KVELT takes only LEL_CONC, into its own register 71; its gas setting
// travels in its register lines, and it has no graduation settings).
int KeyRegisterFor(int type, SettingsKey key);

// The serial and gas check, then the writes. A file that gives nothing to
// write is not checked and plans nothing.
SettingsWritePlan PlanSettingsWrite(const SettingsFileContent& file, const SettingsTarget& target,
                                    std::string_view fileName, bool gasWarningAccepted);

struct SettingsComparison {
  bool equal = false;
  std::string list;     // "%3u " of each differing register number
  std::string message;  // kSettingsEqual, or kSettingsNotEqual + "\n" + list
};

// Compares the file with a Z5's image: every address the file does not give
// counts as 255; the eight key registers (key order), then 104..159.
SettingsComparison CompareWithSettings(const SettingsFileContent& file, ImageView image, LanguageIndex language);

}  // namespace kvl
