#pragma once
// The columns of the detector table: one control array of twenty rows per
// column, with the identifier of its row-0 control, its header control and
// the header's caption. The window builds its cells, headers and object names
// from this table alone, and routes a cell's identifier back to its column
// and row through it.
#include <array>
#include <optional>

#include "detector/decoding.h"
#include "text/language.h"

namespace kvl {

enum class Column : int {
  // Button columns, in the order the window creates them.
  ModbusNumber,     // "Modbus #": the row's address
  LelConc,          // LEL_CONC value (owner-drawn)
  SetZero,          // "Set 0"
  MainCalibr,       // "Main calibr."
  AddCalibr,        // "Add. calibr."
  MagnCalibr,       // "Magn. calibr.": shows the magnetic calibration value
  FactoryDefaults,  // "Factory defaults"
  SwitchToHart,     // "Switch to HART"
  GradRecalc,       // "Grad. recalc."
  SettToFile,       // "Sett. to file"
  SettFromFile,     // "Sett. from file"
  CompareSett,      // "Compare sett."
  Limit1,           // "Limit 1" value (owner-drawn)
  Limit2,           // "Limit 2" value (owner-drawn)
  PEmitter,         // "P emitter" value (owner-drawn)
  HeatingLimit,     // "Heating limit" value (owner-drawn)
  FlowLimit,        // "Flow limit" (owner-drawn; no detector type fills it)
  // Cell columns.
  Serial,  // "Serial #"
  Firmware,
  Gas,
  Disconnections,  // breaks counter
  MinCrosses,
  MaxCrosses,
  Flags,
  BadGraduation,
  ZeroShift,
  VolumePercent,
  Milliamps,  // "mA"
  Lel,        // the nine quantities "LEL%" .. "P heat"
  T,
  D,
  W,
  R,
  Dm,
  Wo,
  Ro,
  HeaterPower,
  ZeroingNegative,  // "Zeroing conc<0"
  Kur,
  Kuw,
  Ru6310,     // "RU6310 compl."
  FlowSpeed,  // no detector type fills it
  Relay1,     // relay test read-back
  Relay1Image,
  Relay2,
  Relay2Image,
  ConditionImage,
  Latching1,
  Latching2,
  Cv,
  CvVol,
  ShowNegative,       // "Show conc<0"
  SensorTemperature,  // "°C"
  RelayTest,          // three-state check box
  Imitation,          // imitation check box
};
inline constexpr int kColumnCount = int(Column::Imitation) + 1;

enum class ColumnKind {
  PushButton,       // plain command button (its caption is the window's)
  ValueButton,      // owner-drawn button showing a value
  Text,             // colour static text
  Image,            // relay or condition picture
  ThreeStateCheck,  // relay test switch
  Check,            // imitation switch
};

struct ColumnInfo {
  Column column;
  const char* key;  // ASCII stem for object names: "serial", "set_zero", ...
  ColumnKind kind;
  int firstId;               // identifier of the row-0 control
  int rowStride;             // identifier step from one row to the next (9 for the quantities)
  int headerId;              // header control; 0 = the column has none of its own
  const TextEntry* header;   // header caption; null when headerId is 0
  bool rightClick;           // reports right clicks (message 1025) with the cell identifier
  std::optional<Cell> cell;  // the decoded cell it shows, if any
};

// Every column, in Column order.
const std::array<ColumnInfo, kColumnCount>& Columns();
const ColumnInfo& ColumnOf(Column column);

// Identifier of a column's control in row r (0..19).
int CellId(Column column, int row);

struct CellAddress {
  Column column;
  int row;
};
// Column and row of a cell identifier, or nothing for an identifier outside the table.
std::optional<CellAddress> CellAt(int id);

// The header controls: one per distinct header identifier. Most head one
// column; "Relay 1" and "Relay 2" also head their relay images, and the relay
// test switch sits under two headers, "Relay test" and "On" below it.
struct HeaderInfo {
  int id;
  const TextEntry* text;
  Column column;  // the column it heads (the text cell where it heads two)
};
inline constexpr int kHeaderCount = 53;
const std::array<HeaderInfo, kHeaderCount>& Headers();

// The column showing a decoded cell.
Column ColumnForCell(Cell cell);

}  // namespace kvl
