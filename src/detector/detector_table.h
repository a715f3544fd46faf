#pragma once
// The detector table without its window: which detector sits in which row,
// what the detector line's messages do to the rows, the address search's
// bookkeeping, the line statistics, and the complete contents of a row
// (texts, fonts, pictures, check box state and which cells are shown). The
// window only puts on screen what these calls return, and does the talking
// to the link (Resume, SetDeviceList, SelectPollSet) that the outcomes ask for.
//
// Calls named Refresh*, the message handlers and the search calls change slot
// state (counters, band and status edges, history); Describe* and the const
// accessors never do, so a row can be redrawn for a new language, view or
// layout without counting anything twice.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "detector/decoding.h"
#include "detector/slot_state.h"
#include "detector/table_columns.h"

namespace kvl {

// What decides which columns are shown.
struct TableLayout {
  int type = kTypeKvelt;
  int mode = kModeTuning;
  bool kurView = false;  // the window's "KUR" push button is pressed
  bool rawView = false;
  int pollSetEcho = 0;  // poll set the shown data were read in
};

// Whether a column is part of the layout: headers and cells of rows with a
// detector. `relayTestOn` is the row's relay test box (the Z5 latching cells
// give way to the relay test); for headers pass false.
bool ColumnShown(Column column, const TableLayout& layout, bool relayTestOn = false);

// Columns a row without a detector hides whatever the layout: the command
// buttons, pictures, check boxes and the cells that only mean something for
// a detector.
bool HiddenInEmptyRow(Column column);

struct CellView {
  std::string text;  // UTF-8; "" = empty
  int fontWidth = kFontWidth6;
  bool visible = false;
  bool operator==(const CellView&) const = default;
};

struct RowView {
  int slot = -1;
  bool emptied = true;  // a slot without a detector outside "Imitation": every cell empty
  std::array<CellView, kColumnCount> cells;
  RelayTestBox relayTest = RelayTestBox::Off;
  bool relay1On = false;  // "on" pictures of the relay and condition images
  bool relay2On = false;
  bool conditionOn = false;
  bool relayTestStepEnabled = true;  // the window's relay test step list
  bool redrawGraph = false;          // a sample was added outside an address search

  const CellView& operator[](Column c) const { return cells[std::size_t(c)]; }
  CellView& operator[](Column c) { return cells[std::size_t(c)]; }
};

struct StatisticsView {
  std::string text = "0";
  int fontWidth = kFontWidth7;
};

// Result codes of one read transaction: 0 good answer, 1 no answer, 2 short
// or unreadable answer, 3 CRC error, 4 wrong address, function or length.
inline constexpr int kResultCodeCount = 5;
using LineCounters = std::array<std::uint64_t, kResultCodeCount>;

// "good:none:other", shortened to "good:none" and then "good" while longer
// than 17 characters; the narrow font from 14 characters on.
StatisticsView StatisticsText(const LineCounters& counters);

// The link's messages carry line x 100 + code in their first parameter; the
// table acts on the detector line (0) and codes 0..4 only.
constexpr bool IsDetectorLineCode(long long wParam) {
  return wParam >= 0 && wParam < kResultCodeCount;
}

// What the window must do when an address search has ended.
struct SearchEnd {
  std::vector<std::uint8_t> addressList;  // hand to the link
  int pollSet = -1;                       // select on the link (derived from type and mode)
  std::optional<RowView> row;             // the row at the found count, when there is one
};

struct SearchStart {
  std::vector<std::uint8_t> addressList;  // 1, 2, ..., 255, 0: hand to the link
  int position = -1;                      // hand with the list: the probe starts at its first entry
  int pollSet = 8;                        // select on the link
  std::vector<RowView> rows;              // every row, emptied
};

// What the window hands the link after an edit of the address list.
struct ListEdit {
  std::vector<std::uint8_t> addressList;  // SetDeviceList(addressList, position, ...)
  int position = -1;                      // the entry before the edited row: polling goes on with the row
  bool handToLink = true;                 // false in "Imitation": only the row changes
  std::vector<RowView> rows;              // rows to redraw
  // Nothing changed: the row to remove is the only one, and a list without
  // entries would leave nothing polled and every "Modbus #" button dead.
  bool lastRowKept = false;
};

enum class PollDisposition {
  Refreshed,          // a slot took the image; `slot` and `row` are set
  WhileTableWriting,  // ignored; the worker is held (see SetTableWriting)
  LateSearchAnswer,   // ignored: read by an address search that has ended
  NotSearchAnswer,    // ignored: read before the search's poll set took over
  OutsideList,        // ignored: the position names no row of the list
  WhileImitating,     // ignored: a poll of the master role that ended after "Imitation" began
};

struct PollOutcome {
  PollDisposition disposition = PollDisposition::OutsideList;
  int slot = -1;
  std::optional<RowView> row;
  bool newDetector = false;            // an address search found a detector not seen before
  bool enableDone = false;             // enable the graduation stage's "   Done" button
  std::optional<SearchEnd> searchEnd;  // the search ended here (20 found)
  // Call Resume on the link. Every outcome resumes it except while a table is
  // written (the writer suspended the link) and after the window cleared its
  // resume-after-data flag at exit: an ignored message must not leave the
  // worker waiting for a hand-over nobody will make.
  bool resumeWorker = true;
};

class CDetectorTable {
 public:
  static constexpr std::size_t kMaxListEntries = kSlotCount;  // outside an address search
  static constexpr std::size_t kSearchListEntries = 256;

  CDetectorTable();

  // ---- Window-wide settings (no slot state changes; redraw with DescribeRow) ----
  void SetType(int type) { layout_.type = type; }
  void SetMode(int mode) { layout_.mode = mode; }
  void SetKurView(bool pressed) { layout_.kurView = pressed; }
  void SetRawView(bool raw) { layout_.rawView = raw; }
  void ToggleRawView() { layout_.rawView = !layout_.rawView; }
  void SetLanguage(LanguageIndex language) { language_ = language; }
  void SetThresholds(double atOrBelowMin, double atOrAboveMax);
  // The exit path clears it: the next completed poll is not resumed.
  void SetResumeAfterData(bool resume) { resumeAfterData_ = resume; }
  // While a table or settings file is processed completed polls are ignored
  // and the worker is not resumed. Returns true when switching off finds a
  // worker held that way: it waits for Resume.
  bool SetTableWriting(bool writing);
  // 0 none, 1..4 a graduation stage waits for the operator.
  void SetGraduationStage(int stage) { stage_ = stage; }
  void ClearStageSeen();
  // Rows a graduation run has let go (or never had): "   Done" does not
  // wait for them to answer.
  void SetStageExempt(const std::array<bool, kSlotCount>& exempt) { stageExempt_ = exempt; }
  void SetLineOpen(bool open) { lineOpen_ = open; }

  const TableLayout& Layout() const { return layout_; }
  LanguageIndex Language() const { return language_; }
  bool TableWriting() const { return tableWriting_; }
  int GraduationStage() const { return stage_; }
  bool Searching() const { return search_; }
  int FoundCount() const { return found_; }
  int CurrentPosition() const { return current_; }
  int PollSetEcho() const { return layout_.pollSetEcho; }
  bool LineOpen() const { return lineOpen_; }
  // "Modbus #" buttons take commands only on an open line outside a search.
  bool ModbusButtonsEnabled() const { return lineOpen_ && !search_; }
  double MinThreshold() const { return minThreshold_; }
  double MaxThreshold() const { return maxThreshold_; }

  // ---- Address list and slots ----
  // The list the link polls. Outside a search it holds at most 20 entries
  // (more are dropped); an empty list is kept empty.
  const std::vector<std::uint8_t>& AddressList() const { return addresses_; }
  void SetAddressList(const std::vector<std::uint8_t>& addresses);
  const SlotState& Slot(int slot) const;  // throws std::out_of_range outside 0..19
  SlotState& MutableSlot(int slot);       // for commands and file operations
  void SetSlotAddress(int slot, int address) { MutableSlot(slot).address = address; }

  // ---- Address list edits of the "Modbus #" dialog ----
  // "Poll number": the row's history is emptied; an empty (blank) text
  // removes the row, a number 1..247 becomes its list entry; anything else
  // changes nothing more (and gives nothing).
  std::optional<ListEdit> PollNumber(int slot, std::string_view numberText);
  // Removes row `slot` from the list: every following row moves up (address,
  // gas name text, register image), the vacated last slot is emptied.
  // Nothing for a slot outside the list; the only row stays (lastRowKept).
  std::optional<ListEdit> RemoveRow(int slot);
  // The row's list entry becomes `address`. Outside "Imitation" the row is
  // emptied until its detector answers at the new address and polling goes
  // on with this row; in "Imitation" the row keeps its image and the link is
  // not told. Nothing for a slot outside the list.
  std::optional<ListEdit> SetRowAddress(int slot, int address);

  // ---- The detector line's messages ----
  // WM_USER_DATA: the link's last position, the poll set its image was read
  // in, and its poll image (at least 161 words; shorter images are padded
  // with the slot's old words).
  PollOutcome CompletedPoll(int linkPosition, int linkPollSet, std::span<const std::uint16_t> pollImage);
  // WM_USER_CLEAR: the link's failed position. The emptied row, if the
  // position is a row.
  std::optional<RowView> ClearedPosition(int failedPosition);
  // WM_USER_RESULT: counts the result and, for rows 0..19 outside a search,
  // the row's breaks. Nothing (and nothing counted) for a code outside 0..4.
  std::optional<StatisticsView> ReadResult(int result, int position);
  // WM_USER_CYCLE: ends a running address search once its probe has reached
  // the end of the list (results counted by ReadResult).
  std::optional<SearchEnd> CycleCompleted();
  // WM_USER_PORT_OPEN / WM_USER_PORT_FAIL of the detector line. A failed
  // line empties every row (returned, slot order).
  void PortOpened() { lineOpen_ = true; }
  std::vector<RowView> PortFailed();

  const LineCounters& Counters() const { return counters_; }
  StatisticsView Statistics() const { return StatisticsText(counters_); }

  // ---- Address search ----
  SearchStart StartSearch();
  // A search over some addresses only, probed in the given order (at most
  // 256; the tools' --from/--to). Every other rule is the full search's.
  SearchStart StartSearch(const std::vector<std::uint8_t>& probeOrder);
  // "Stop", 20 found, or a full pass. Nothing when no search runs.
  std::optional<SearchEnd> EndSearch();

  // ---- Rows ----
  // Takes the slot's image into its counters, bands, status edges and
  // history, then describes it.
  RowView RefreshRow(int slot, bool showAddress);
  std::vector<RowView> RefreshAll(bool showAddress);
  // The row as it stands, changing nothing.
  RowView DescribeRow(int slot, bool showAddress) const;
  DecodeContext Context() const;

 private:
  PollOutcome Ignored(PollDisposition why);
  void MarkStageSeen(int slot, PollOutcome& out);

  std::array<SlotState, kSlotCount> slots_;
  std::vector<std::uint8_t> addresses_;
  TableLayout layout_;
  LanguageIndex language_ = kRussian;
  double minThreshold_ = -5.0;
  double maxThreshold_ = 5.0;
  int current_ = 0;
  int found_ = 0;
  bool search_ = false;
  int searchReach_ = -1;  // the furthest list position the running search has probed
  // The running search's probe order as handed to the link. The rows' list
  // entries take the found addresses over the front of `addresses_`, so the
  // address a link position names is looked up here.
  std::vector<std::uint8_t> probe_;
  bool tableWriting_ = false;
  bool heldHandOver_ = false;
  bool resumeAfterData_ = true;
  bool lineOpen_ = false;
  int stage_ = 0;
  std::array<bool, kSlotCount> stageExempt_{};
  LineCounters counters_{};
};

}  // namespace kvl
