#pragma once
// The operator settings kept between runs in KvlGrad.cfg: one positional text
// file (no keys, no header; a value is known by its line number). The window
// keeps the composed file text in memory, rebuilds it after every settings
// change and writes it when the operator confirms exit.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "detector/calibration_gas.h"
#include "detector/detector_kinds.h"
#include "text/language.h"
#include "text/selector_lists.h"

namespace kvl {

inline constexpr char kConfigurationFileName[] = "KvlGrad.cfg";
inline constexpr int kSerialLineCount = 4;
inline constexpr std::size_t kMaxPollAddresses = 20;

// One serial line's selector and field texts. Line 1 is the detector bus; lines
// 2 to 4 open nothing and only keep what the operator chose.
struct SerialLineSettings {
  std::string port;   // item of the port selector ("1".."256" or a device path)
  std::string baud;   // item of the line's baud selector
  std::string pause;  // "Pause,ms" field, digits only
  bool operator==(const SerialLineSettings&) const = default;
};

// Display limits of one per-detector quantity (cells outside them are marked).
struct DisplayLimits {
  int min = 0;
  int max = 0;
  bool operator==(const DisplayLimits&) const = default;
};

// Graduation check records: one signed value per detector type (index = type).
enum CheckRecordIndex : int { kTminMin, kTminMax, kTmaxMin, kTmaxMax, kCheckT0, kCheckT7 };
inline constexpr int kCheckRecordCount = 6;
using CheckRecord = std::array<int, kDetectorTypeCount>;

struct Configuration {
  std::array<SerialLineSettings, kSerialLineCount> lines;
  std::string period;                 // recording period, seconds, digits only
  LanguageIndex language = kRussian;  // 0 English, 1 Russian
  std::string dataFolder;             // ends with "/"
  std::string graduationFolder;       // ends with "/"
  int detectorType = 1;
  int mode = 0;
  double emitterPower = 1.8;          // target of the "P emitter" command
  double spareNumber = 6526.0;        // kept in the file, used by nothing
  std::string workingFactor;          // last correction factors entered, as typed
  std::string referenceFactor;
  std::array<DisplayLimits, kQuantityCount> displayLimits;
  std::array<CheckRecord, kCheckRecordCount> checkRecords;
  std::uint16_t deltaDmax = 100;
  bool extrapolation = true;          // deltaDmax takes extrapolated D[i] into account
  std::string relayTestStep;          // item of the relay test step selector
  int gasPosition = 0;                // gas selector position (gas code - 1)
  int gasDialogPosition = 0;          // last position chosen in the gas-name dialog
  GasCalibrationTable gases;
  double lowLimit = -5.0;             // "<=min" crossing threshold
  double highLimit = 5.0;             // ">=max" crossing threshold
  std::vector<unsigned> addresses;    // Modbus addresses polled, in row order
  // Keyed lines after the address list (older readers stop before them):
  bool lineEcho = false;              // "echo=1": the detector line's adapter echoes (two-wire RS-485)
  std::string chamberProfile;         // "chamber=PATH": line 2's chamber profile; "" none
  std::string valveProfile;           // "valves=PATH": the gas valves' relay module profile; "" none
  std::string lineEnding = "CR";      // "lineend=CR|LF|CR LF": line 2's line-ending selector item

  bool operator==(const Configuration&) const = default;
};

// What reading needs from outside the file.
struct ConfigurationContext {
  // Fallback for both working folders (ends with "/").
  std::string programFolder;
  // Items of the port selectors; empty means "1" to "256".
  std::vector<std::string> portItems;
};

// Selector items the configuration lines are matched against.
// Baud selector items of serial line k (0..3): doubling from its start rate to its end rate.
std::vector<std::string> BaudItems(int line);
extern const char* const kRelayTestSteps[11];  // "+20" .. "  0" .. "-20"
inline constexpr char kRelayTestStepDefault[] = "  0";

// The selector's item equal to `text` ignoring letter case; else the item equal
// to `fallback`; else "" (nothing selected).
std::string MatchItem(std::string_view text, const std::vector<std::string>& items, std::string_view fallback);

// Defaults a pair of display limits falls back to when max is not above min.
DisplayLimits DefaultDisplayLimits(int detectorType, int quantity);
const CheckRecord& DefaultCheckRecord(int record);

// Settings of a run without a configuration file.
Configuration DefaultConfiguration(const ConfigurationContext& context);

// Key of the detector line's echo option: the line "echo=1" after the address
// list. Written only when the option is on, so a file without it keeps the
// layout line for line.
inline constexpr char kEchoKey[] = "echo";
// Keys of line 2's chamber profile, the valve profile and line 2's line
// ending, after the address list; each written only when it differs from
// its default, so a file without them keeps the layout line for line.
inline constexpr char kChamberProfileKey[] = "chamber";
inline constexpr char kValveProfileKey[] = "valves";
inline constexpr char kLineEndingKey[] = "lineend";

// Reads file content of any kind (empty, short, long, binary, CR LF or LF,
// Windows-1251 or UTF-8): every missing or unusable value takes its default.
Configuration ParseConfiguration(std::string_view bytes, const ConfigurationContext& context);

// 0 when the file was read, 1 when it could not be opened (`out` then holds the defaults).
int LoadConfiguration(const std::string& path, const ConfigurationContext& context, Configuration& out);

// The configuration text (UTF-8) in the settings' language, line for line as
// the file holds it: CR LF line ends, bare LF inside the per-gas blocks, between
// the two limit values and between the addresses.
std::string ComposeConfigurationText(const Configuration& settings);

// The bytes written to disk: Windows-1251. A line with characters Windows-1251
// lacks (a folder named in another script) stays UTF-8, which reads back as it was.
std::string EncodeConfigurationText(std::string_view text);

// Writes the text to the file, atomically: an interrupted or failed write leaves
// the previous file whole. An empty text writes nothing. Missing parent folders
// are created. 0 or an errno value; *error gets a sentence for the operator.
int SaveConfiguration(const std::string& path, std::string_view text, std::string* error = nullptr);

}  // namespace kvl
