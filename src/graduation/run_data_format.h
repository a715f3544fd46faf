#pragma once
// The bytes of a run data file: its name, the five-line header block and the
// data line of one detector, in Windows-1251 with CR LF, for the interface
// language of the moment. Pure functions; writing them is run_data_writer.h.
//
// The recording reads a row as the window shows it (RunDataRow), so the file
// carries exactly the texts on screen; RunDataRowFromView builds that row
// from the detector table's RowView and slot state.
#include <array>
#include <ctime>
#include <string>

#include "detector/detector_table.h"
#include "detector/slot_state.h"
#include "text/language.h"
#include "text/selector_lists.h"

namespace kvl {

// One table row as the recording reads it. Texts are UTF-8; "" is an empty cell.
struct RunDataRow {
  std::string serial;        // "Serial #" cell
  std::string modbusNumber;  // "Modbus #" cell
  std::string gasCell;       // gas cell (must not be empty)
  std::string gasName;       // the detector's gas name text (written after "Gas=")
  std::array<std::string, kQuantityCount> values;  // "LEL%" .. "P heat" cells
  std::string current;       // "mA" cell
  SlotCounters counters;
  // Type Z5 in "Graduation" mode only: the header's Power/KUR/KUW continuation.
  std::string power, kur, kuw;
};

// What the whole tick shares.
struct RunDataContext {
  int type = kTypeKvelt;
  int mode = kModeTuning;
  LanguageIndex language = kRussian;
};

// The row of a slot as the window shows it (the row's cells as DescribeRow or
// RefreshRow gave them, the slot's counters and gas name text).
RunDataRow RunDataRowFromView(const RowView& row, const SlotState& slot);

// A row is recorded only with its serial, Modbus number, gas and all nine values.
bool IsCompleteRunDataRow(const RunDataRow& row);

// folder + serial + "_" + series + ".mon" in "Running-in", ".grad" otherwise.
// The folder is used as it stands (it ends with "/" once chosen; "" = working folder).
std::string RunDataFileName(const std::string& folder, const std::string& serial, int series, int mode);

// Header lines 1 and 2 without the Power/KUR/KUW continuation, CR LF each:
// the text whose change starts a new header block (the date is in it).
std::string RunDataHeaderKey(const RunDataRow& row, const RunDataContext& context, const std::tm& now);

// The five header lines, Windows-1251, CR LF each.
std::string RunDataHeaderBlock(const RunDataRow& row, const RunDataContext& context, const std::tm& now);

// One data line, Windows-1251, CR LF.
std::string RunDataLine(const RunDataRow& row, const RunDataContext& context, const std::tm& now);

// UTF-8 -> Windows-1251 for file bytes; a character the code page lacks becomes "?".
std::string FileBytes(const std::string& utf8);

}  // namespace kvl
