#pragma once
// Turns a slot's register image into the texts of its table row, in the
// normal view or in the raw view (register number and hexadecimal word), with
// the font each cell picks for its text. Pure functions: the window sets its
// widgets from the result (changing a widget only when its text changes).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "detector/detector_kinds.h"
#include "text/language.h"

namespace kvl {

// The value cells of a row that the register image fills. The window's
// counters ("Disconnections", "Min crosses", "Max crosses") and the "Modbus #"
// button are not here: they do not come from the image.
enum class Cell : int {
  SerialNumber,         // "Serial #"
  Firmware,             // "Firmware"
  Gas,                  // "Gas"
  Flags,                // "Flags" (Z5)
  BadGraduation,        // "Bad graduation" (Z5)
  ZeroShift,            // "Zero shift"
  VolumePercent,        // "Volume %"
  Current,              // "mA" (the "Current" of run data files)
  LelConc,              // LEL_CONC button, "LEL / Vol%"
  Limit1,               // "Limit 1" button
  Limit2,               // "Limit 2" button
  EmitterPower,         // "P emitter" button
  HeatingLimit,         // "Heating limit" button
  MagneticCalibration,  // "Magn. calibr." button
  // The nine quantities, in the order of their column identifiers.
  Lel,                  // "LEL%"
  T,
  D,
  W,
  R,
  Dm,
  Wo,
  Ro,
  HeaterPower,          // "P heat"
  ZeroingNegative,      // "Zeroing conc<0"
  Kur,                  // "KUR" (Z5)
  Kuw,                  // "KUW" (Z5)
  Ru6310,               // "RU6310 compl." (Z40)
  Relay1,               // "Relay 1": relay test read-back
  Relay2,               // "Relay 2"
  Latching1,            // "Latching 1" (Z40, Z5)
  Latching2,            // "Latching 2"
  Cv,                   // "CV" (Z5)
  CvVol,                // "CV_VOL" (Z5)
  ShowNegative,         // "Show conc<0" (Z5)
  SensorTemperature,    // "°C" (Z5)
};
inline constexpr int kCellCount = int(Cell::SensorTemperature) + 1;

// Cell of quantity q (0 "LEL%" .. 8 "P heat"), the order of the quantity list.
constexpr Cell QuantityCell(int q) { return Cell(int(Cell::Lel) + q); }

// A stable ASCII name of a cell for tools and logs ("serial", "lel", "p_heat"...).
const char* CellKey(Cell cell);

// Character widths of the window's cell fonts (all "Arial", height 16).
inline constexpr int kFontWidth4 = 4;
inline constexpr int kFontWidth5 = 5;
inline constexpr int kFontWidth6 = 6;
inline constexpr int kFontWidth7 = 7;

struct CellText {
  std::string text;  // UTF-8; "" = empty cell
  int fontWidth = kFontWidth6;
  bool operator==(const CellText&) const = default;
};

enum class RelayTestBox { Off, On, Mixed };

struct DecodeContext {
  int type = kTypeKvelt;
  int mode = kModeTuning;
  LanguageIndex language = kRussian;
  bool rawView = false;
  bool searchRunning = false;      // an address search is running now
  bool fromAddressSearch = false;  // the data were read in the address-search poll set (echo 8)
};

struct RowCells {
  std::array<CellText, kCellCount> cells;
  RelayTestBox relayTest = RelayTestBox::Off;
  // "On" picture of the relay 1, relay 2 and condition images.
  bool relay1On = false;
  bool relay2On = false;
  bool conditionOn = false;

  const CellText& operator[](Cell c) const { return cells[std::size_t(c)]; }
  CellText& operator[](Cell c) { return cells[std::size_t(c)]; }
};

// Every image-backed cell of one row. Cells that the type does not have are
// empty; which cells are shown is the window's business.
RowCells DecodeRow(ImageView image, const DecodeContext& context);

// Keys that toggle the raw view: "R" in either case and the Cyrillic letter
// on the same key, as Windows-1251 codes (0xCA, 0xEA) or as Unicode
// (U+041A, U+043A), so both a byte-oriented and a Unicode key event work.
constexpr bool IsRawViewKey(unsigned code) {
  return code == 'R' || code == 'r' || code == 0xCA || code == 0xEA || code == 0x41A || code == 0x43A;
}

// ---------------------------------------------------------------------------
// The pieces, for the callers that need one value alone.

// Gas name as the gas cell shows it: the type's table entry in the language,
// "? <code>" for a code outside 1..85 or an entry naming no gas.
std::string GasName(int type, unsigned code, LanguageIndex language);

// The slot's gas name text used in files and messages: the name with every "- " removed.
std::string GasNameText(int type, unsigned code, LanguageIndex language);

// Serial number cell text in the normal view ("" while a search runs and the
// number is 32-bit).
std::string SerialNumberText(int type, ImageView image, bool searchRunning);

// Relay test check box state from the type's relay test register.
RelayTestBox RelayTestState(int type, ImageView image);

// "%.<decimals>f" with trailing "0" characters and then a trailing "." removed.
std::string TrimmedFixed(double value, int decimals);

// Font pickers.
int FitFont(std::string_view text);        // most value cells
int FitFontNarrow4(std::string_view text); // 7 up to 4 characters, 5 above
int FitFontNarrow5(std::string_view text); // 7 up to 5 characters, 5 above

// Length in characters of a UTF-8 text (a Russian letter counts one).
std::size_t CharCount(std::string_view utf8);

}  // namespace kvl
