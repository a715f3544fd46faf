#pragma once
// Saving a detector's settings registers to a settings file: the file name
// search, the file's text byte for byte, and the question about registers
// that hold 0. Owns nothing of the window: the caller asks the question and
// decides; the file is written only by SaveSettingsFile.
//
// The window's side of "Sett. to file" on row s (mode "Save settings", types
// KVELT and Z5):
//   SettingsSaveRequest q{type, image, address, row's "Serial #" text
//     (SerialNumberText, normal view), "Modbus #" text, SlotValues::gasNameText,
//     data folder, local time now, language};
//   SettingsSave save = PrepareSettingsSave(q);
//   if (!save.Ready()) return;                       // an empty text, or no free name
//   if (!save.zeroQuestion.empty() &&
//       Ask(save.zeroQuestion, Question, YesNo) != kAnswerYes) return;
//   SaveSettingsFile(save, &error);                  // a failure: show `error` with OK
// Saving reads only the register image: no table-writing flag, no link.
#include <cstdint>
#include <ctime>
#include <span>
#include <string>

#include "detector/detector_kinds.h"
#include "text/language.h"

namespace kvl {

inline constexpr int kMaxSettingsFileNumber = 9999;

// A settings block: protocol addresses first..last, one register line each in
// a saved file. The reader knows a saved line cut short by them.
struct SettingsBlock {
  int first;
  int last;
};
// The type's blocks in file order; empty for types without settings registers.
std::span<const SettingsBlock> SettingsBlocks(int type);

struct SettingsSaveRequest {
  int type = kTypeKvelt;
  RegisterImage image{};
  unsigned address = 0;     // the row's Modbus address (MODBUS_NUM)
  std::string serialText;   // the row's "Serial #" text: names the file
  std::string modbusText;   // the row's "Modbus #" text
  std::string gasText;      // the row's gas name text
  std::string dataFolder;   // ends with "/" (or is empty: the working folder)
  std::tm now{};            // local date and time for DATE and TIME
  LanguageIndex language = kRussian;
};

struct SettingsSave {
  std::string path;          // empty: nothing to do (an empty row text, or every name taken)
  std::string bytes;         // the file's content, Windows-1251 with CR LF
  // Non-empty: some settings registers hold 0. Ask with Yes and No; on No
  // nothing is written.
  std::string zeroQuestion;

  bool Ready() const { return !path.empty(); }
};

// Data folder + serial text + "_" + n + ".set" for the smallest n 0..9999
// whose file does not exist; empty when all are taken.
std::string FreeSettingsFileName(const std::string& dataFolder, const std::string& serialText);

// The file's text for the type. Types other than KVELT and Z5 get the header
// lines only. `zeroList` (if given) receives the registers at 0 in the
// question's wording: "  %X" (KVELT, register 41 = address 40 left out) or
// "  %u" (Z5) of each register number.
std::string SettingsFileText(int type, ImageView image, unsigned address, const std::tm& now,
                             std::string* zeroList = nullptr);

SettingsSave PrepareSettingsSave(const SettingsSaveRequest& request);

// Writes the prepared file. Refuses (EEXIST) when a file of that name has
// appeared meanwhile: a settings file is never replaced. 0 or an errno
// value; `error` receives a sentence to show.
int SaveSettingsFile(const SettingsSave& save, std::string* error = nullptr);

}  // namespace kvl
