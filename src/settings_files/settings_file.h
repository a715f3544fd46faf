#pragma once
// Reading settings files (".set", written by settings_save.h) and graduation
// log files (".tab", whose run records carry the same keys and "G" lines)
// for one detector type. This file owns the line rules and the limits of the
// reader; it never talks to the link and never touches the window: what is
// done with the content is settings_apply.h.
//
// A file is read whole before anything is decided: a line that breaks a rule
// refuses the whole file (nothing of it is written), so a detector is never
// left half restored from a file known to be damaged.
//
// Lines: "*..." and blank lines are skipped, as are the header lines the
// saver writes ("DATE", "TIME", "MODBUS_NUM"). Otherwise the first token
// (blanks or tabs between tokens) decides:
//   - a key (SettingsKey) and one whole number of the number grammar
//     (number_grammar.h: leading zeros, a '+', "450.0" taken; "12a", "1.5"
//     refused) within the key's range; a number after it is a value split by
//     a blank, and refuses the line; words after it are a comment;
//   - "G0".."G7" and seven whole numbers, -32768..65535 (a graduation log
//     prints the temperature and signals signed; a negative value is the
//     register's two's complement); the log's trailing stage temperature
//     ("+20°") is no number and is ignored, an eighth number refuses the line;
//   - "R" and a register number, then the values of that register and the
//     ones after it. Type KVELT labels and values are hexadecimal in one case
//     (as the saver writes "R%02X" and " %04X"), every other type's decimal.
//     The line lies inside one of the saver's blocks (a label one off or a
//     value too many would write a register the block never holds); shorter
//     than its block it is a hand-written line and taken as it stands.
// The file as a whole: no register given twice (by a key, a G line or a
// register line), the G lines all eight or none, their T rising or falling
// from point to point, and a last line ended by its line end (one without may
// have been cut there: the refusal says to end it if the file is whole).
// Anything else refuses the file with kErrorInLine, the line's number,
// "\r\n", the line (shown printable) and why. A line longer than
// kMaxSettingsLineBytes refuses the file the same way; more than
// kMaxSettingsLines lines with kMoreThan1000Lines.
// Lines end with CR LF, LF or a lone CR; a leading UTF-8 byte-order mark is passed over.
// A file without any key, G or register line is refused with kDataNotFoundInFile.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "detector/detector_kinds.h"
#include "text/language.h"

namespace kvl {

inline constexpr int kMaxSettingsLines = 1000;
inline constexpr std::size_t kMaxSettingsLineBytes = 4096;

// The keys a file may carry, in the order compare lists them.
enum class SettingsKey : int { SerNum, Gas, LelConc, GradConc1, GradConc2, GradKur, GradKuw, GradPower };
inline constexpr int kSettingsKeyCount = 8;

struct SettingsKeyInfo {
  const char* name;      // "SER_NUM"...
  int z5Register;        // protocol address of type Z5 the key names
  std::uint32_t maximum; // 65535, SER_NUM 4294967295
};
const SettingsKeyInfo& KeyInfo(SettingsKey key);

// One key or graduation table value, as the file gives it.
struct SettingsPair {
  std::optional<SettingsKey> key;  // none: a "G" line value
  int z5Register = 0;              // the Z5 register it names
  std::uint32_t value = 0;         // a G value below 0 is already its 16-bit pattern
  bool operator==(const SettingsPair&) const = default;
};

// One "R" line: its values belong to first, first + 1, ...
struct SettingsRegisterLine {
  int first = 0;  // protocol address (label - 1)
  std::vector<std::uint16_t> words;
  bool operator==(const SettingsRegisterLine&) const = default;
};

struct SettingsFileContent {
  std::optional<std::uint32_t> serial;  // the last SER_NUM of the file
  std::optional<std::uint32_t> gas;     // the last GAS
  std::vector<SettingsPair> pairs;      // key and G lines, file order
  std::vector<SettingsRegisterLine> registerLines;  // file order
};

struct SettingsFileRead {
  bool ok = false;
  std::string message;  // refused: kErrorInLine + "\r\n" + the line (UTF-8), shown with OK
  SettingsFileContent content;
};

// Reads the text of a file (Windows-1251 or UTF-8 bytes) for a detector of `type`.
SettingsFileRead ReadSettingsText(std::string_view bytes, int type, LanguageIndex language);
// Reads the file itself; a file that cannot be read is refused with the
// system's reason as the message (nothing else is done with it), a refused
// one with "File <name>:" and a line end before the reader's message.
SettingsFileRead ReadSettingsFile(const std::string& path, int type, LanguageIndex language);

}  // namespace kvl
