#include "detector/detector_table.h"

#include <algorithm>
#include <stdexcept>

#include "detector/poll_sets.h"
#include "detector/register_map.h"
#include "text/format.h"
#include "text/operator_input.h"

namespace kvl {
namespace {

constexpr std::size_t kStatisticsMaxChars = 17;
constexpr std::size_t kStatisticsWideBelow = 14;
constexpr long long kMaxPolledAddress = 247;

bool InModes(int mode, std::initializer_list<int> modes) {
  return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

}  // namespace

bool ColumnShown(Column column, const TableLayout& layout, bool relayTestOn) {
  const int mode = layout.mode;
  const int type = layout.type;
  const bool z5 = type == kTypeZ5;
  const bool z40 = type == kTypeZ40;
  const bool tuning = mode == kModeTuning;
  // The cells that make up a row of every mode; nothing hides them.
  switch (column) {
    case Column::ModbusNumber:
    case Column::Serial:
    case Column::Firmware:
    case Column::Gas:
    case Column::ZeroShift:
    case Column::VolumePercent:
    case Column::Lel:
    case Column::T:
    case Column::D:
    case Column::W:
    case Column::R:
    case Column::Dm:
    case Column::HeaterPower:
      return true;
    // No detector type reports a flow: the columns exist, empty and hidden.
    case Column::FlowSpeed:
    case Column::FlowLimit:
      return false;
    default:
      break;
  }
  // The address search reads too little for anything below.
  if (layout.pollSetEcho == kPollSetAddressSearch) return false;
  switch (column) {
    case Column::Disconnections:
      return mode != kModeImitation;
    case Column::MinCrosses:
    case Column::MaxCrosses:
      return mode == kModeRunningIn;
    case Column::SetZero:
      return InModes(mode, {kModeTuning, kModeCalibration, kModeRunningIn});
    case Column::MainCalibr:
    case Column::AddCalibr:
    case Column::FactoryDefaults:
      return mode == kModeCalibration;
    case Column::MagnCalibr:
      return mode == kModeCalibration && type != kTypeKvelt;
    case Column::LelConc:
      return tuning && type != kTypeKvelt;
    case Column::Limit1:
    case Column::Limit2:
      return InModes(mode, {kModeCalibration, kModeSaveSettings, kModeImitation});
    case Column::PEmitter:
      return InModes(mode, {kModeTuning, kModeGraduation, kModeGraduationZ5});
    case Column::HeatingLimit:
    case Column::SwitchToHart:
    case Column::SensorTemperature:
    case Column::ShowNegative:
      return tuning && z5;
    case Column::Flags:
      return mode == kModeCalibration && z5;
    case Column::Kur:
    case Column::Kuw:
      return mode == kModeGraduation && z5 && layout.kurView;
    case Column::BadGraduation:
    case Column::Cv:
    case Column::CvVol:
    case Column::GradRecalc:
      return mode == kModeGraduationZ5 && z5;
    case Column::SettToFile:
    case Column::SettFromFile:
      return mode == kModeSaveSettings && (type == kTypeKvelt || z5);
    case Column::CompareSett:
      return mode == kModeSaveSettings && z5;
    case Column::RelayTest:
      return tuning;
    case Column::Relay1:
    case Column::Relay2:
    case Column::ZeroingNegative:
      return tuning && !z40;
    case Column::Ru6310:
      return tuning && z40;
    // The Z5 latching cells share their place with the relay test read-backs.
    case Column::Latching1:
    case Column::Latching2:
      return tuning && (z40 || (z5 && !relayTestOn));
    case Column::Relay1Image:
    case Column::Relay2Image:
    case Column::ConditionImage:
      return !layout.rawView && InModes(mode, {kModeTuning, kModeCalibration, kModeImitation});
    case Column::Wo:
    case Column::Ro:
      return InModes(mode, {kModeTuning, kModeGraduationZ5, kModeRunningIn}) ||
             (mode == kModeGraduation && !(z5 && layout.kurView));
    case Column::Milliamps:
      return InModes(mode, {kModeTuning, kModeCalibration});
    case Column::Imitation:
      return mode == kModeImitation;
    default:
      return false;
  }
}

bool HiddenInEmptyRow(Column column) {
  const ColumnInfo& info = ColumnOf(column);
  if (column == Column::ModbusNumber) return false;
  if (info.kind != ColumnKind::Text) return true;  // buttons, pictures, check boxes
  switch (column) {
    case Column::Kur:
    case Column::Kuw:
    case Column::ZeroingNegative:
    case Column::FlowSpeed:
    case Column::Ru6310:
    case Column::Relay1:
    case Column::Relay2:
    case Column::Latching1:
    case Column::Latching2:
      return true;
    default:
      return false;
  }
}

StatisticsView StatisticsText(const LineCounters& c) {
  using U = unsigned long long;
  const U others = U(c[2]) + U(c[3]) + U(c[4]);
  StatisticsView view;
  view.text = Format("%llu:%llu:%llu", U(c[0]), U(c[1]), others);
  if (view.text.size() > kStatisticsMaxChars) view.text = Format("%llu:%llu", U(c[0]), U(c[1]));
  if (view.text.size() > kStatisticsMaxChars) view.text = Format("%llu", U(c[0]));
  view.fontWidth = view.text.size() < kStatisticsWideBelow ? kFontWidth7 : kFontWidth5;
  return view;
}

// ---------------------------------------------------------------------------

CDetectorTable::CDetectorTable() : addresses_{1} {}

void CDetectorTable::SetThresholds(double atOrBelowMin, double atOrAboveMax) {
  minThreshold_ = atOrBelowMin;
  maxThreshold_ = atOrAboveMax;
}

bool CDetectorTable::SetTableWriting(bool writing) {
  tableWriting_ = writing;
  if (writing) return false;
  const bool held = heldHandOver_;
  heldHandOver_ = false;
  return held;
}

void CDetectorTable::ClearStageSeen() {
  for (SlotState& s : slots_) s.stageSeen = false;
}

void CDetectorTable::SetAddressList(const std::vector<std::uint8_t>& addresses) {
  addresses_ = addresses;
  if (!search_ && addresses_.size() > kMaxListEntries) addresses_.resize(kMaxListEntries);
}

const SlotState& CDetectorTable::Slot(int slot) const {
  if (slot < 0 || slot >= kSlotCount) throw std::out_of_range(Format("detector slot %d outside 0..19", slot));
  return slots_[std::size_t(slot)];
}

SlotState& CDetectorTable::MutableSlot(int slot) {
  if (slot < 0 || slot >= kSlotCount) throw std::out_of_range(Format("detector slot %d outside 0..19", slot));
  return slots_[std::size_t(slot)];
}

DecodeContext CDetectorTable::Context() const {
  DecodeContext c;
  c.type = layout_.type;
  c.mode = layout_.mode;
  c.language = language_;
  c.rawView = layout_.rawView;
  c.searchRunning = search_;
  c.fromAddressSearch = layout_.pollSetEcho == kPollSetAddressSearch;
  return c;
}

// ---------------------------------------------------------------------------
// Completed poll.

PollOutcome CDetectorTable::Ignored(PollDisposition why) {
  PollOutcome out;
  out.disposition = why;
  out.resumeWorker = resumeAfterData_;
  return out;
}

PollOutcome CDetectorTable::CompletedPoll(int linkPosition, int linkPollSet,
                                          std::span<const std::uint16_t> pollImage) {
  if (tableWriting_) {
    // The writer suspended the link; resuming here would restart polling
    // under it. The worker keeps waiting and SetTableWriting(false) says so.
    heldHandOver_ = true;
    PollOutcome out = Ignored(PollDisposition::WhileTableWriting);
    out.resumeWorker = false;
    return out;
  }
  // The line turned slave while this poll was on its way: its image must not
  // overwrite an imitated detector.
  if (layout_.mode == kModeImitation) return Ignored(PollDisposition::WhileImitating);
  PollOutcome out;
  out.resumeWorker = resumeAfterData_;
  bool twentyFound = false;
  if (!search_) {
    if (linkPollSet == kPollSetAddressSearch) return Ignored(PollDisposition::LateSearchAnswer);
    if (linkPosition < 0 || linkPosition >= kSlotCount || std::size_t(linkPosition) >= addresses_.size())
      return Ignored(PollDisposition::OutsideList);
    current_ = linkPosition;
    slots_[std::size_t(current_)].address = addresses_[std::size_t(current_)];
    layout_.pollSetEcho = linkPollSet;
  } else {
    if (linkPollSet != kPollSetAddressSearch) return Ignored(PollDisposition::NotSearchAnswer);
    layout_.pollSetEcho = kPollSetAddressSearch;
    if (linkPosition < 0 || std::size_t(linkPosition) >= probe_.size())
      return Ignored(PollDisposition::OutsideList);
    const int probed = probe_[std::size_t(linkPosition)];
    // A detector that answers again in the same search keeps its row.
    int slot = -1;
    for (int s = 0; s < found_; ++s)
      if (slots_[std::size_t(s)].address == probed) slot = s;
    if (slot < 0) {
      if (found_ >= kSlotCount) return Ignored(PollDisposition::OutsideList);
      slot = found_;
      slots_[std::size_t(slot)].address = probed;
      addresses_[std::size_t(slot)] = std::uint8_t(probed);
      ++found_;
      out.newDetector = true;
      twentyFound = found_ == kSlotCount;
    }
    current_ = slot;
  }

  SlotState& st = slots_[std::size_t(current_)];
  const std::size_t n = std::min<std::size_t>(pollImage.size(), kImageWords);
  std::copy_n(pollImage.begin(), n, st.image.begin());

  out.disposition = PollDisposition::Refreshed;
  out.slot = current_;
  out.row = RefreshRow(current_, true);
  MarkStageSeen(current_, out);
  // The row above was still drawn as search data; the search ends after it.
  if (twentyFound) out.searchEnd = EndSearch();
  return out;
}

void CDetectorTable::MarkStageSeen(int slot, PollOutcome& out) {
  if (stage_ < 1 || stage_ > 4) return;
  // A row already seen waits for the others; once the run lets a silent one
  // go, there may be nobody left to answer last.
  if (slots_[std::size_t(slot)].stageSeen && !stageExempt_[std::size_t(slot)]) {
    const int listed = int(std::min<std::size_t>(addresses_.size(), kSlotCount));
    bool all = true;
    for (int s = 0; s < listed; ++s) all = all && (slots_[std::size_t(s)].stageSeen || stageExempt_[std::size_t(s)]);
    out.enableDone = all;
    return;
  }
  const int listed = int(std::min<std::size_t>(addresses_.size(), kSlotCount));
  bool othersSeen = true;
  for (int s = 0; s < listed; ++s)
    if (s != slot && !slots_[std::size_t(s)].stageSeen && !stageExempt_[std::size_t(s)]) othersSeen = false;
  // The last detector to answer leaves its flag clear: the next poll of any
  // row enables the button again rather than nothing.
  if (othersSeen)
    out.enableDone = true;
  else
    slots_[std::size_t(slot)].stageSeen = true;
}

// ---------------------------------------------------------------------------
// Address list edits.

std::optional<ListEdit> CDetectorTable::PollNumber(int slot, std::string_view numberText) {
  if (slot < 0 || slot >= kSlotCount || std::size_t(slot) >= addresses_.size()) return std::nullopt;
  const std::string text = TrimBlanks(numberText);
  // The removed row's history goes with it; the rows below bring theirs up.
  if (text.empty()) return RemoveRow(slot);
  slots_[std::size_t(slot)].history.Clear();
  const auto n = WholeNumber(text);
  if (!n || *n < 1 || *n > kMaxPolledAddress) return std::nullopt;
  return SetRowAddress(slot, int(*n));
}

std::optional<ListEdit> CDetectorTable::RemoveRow(int slot) {
  const int listed = int(addresses_.size());
  if (slot < 0 || slot >= kSlotCount || slot >= listed) return std::nullopt;
  if (listed <= 1) {
    ListEdit kept;
    kept.addressList = addresses_;
    kept.handToLink = false;
    kept.lastRowKept = true;
    return kept;
  }
  const int last = std::min(listed, kSlotCount) - 1;
  for (int s = slot; s < last; ++s) {
    SlotState& to = slots_[std::size_t(s)];
    const SlotState& from = slots_[std::size_t(s + 1)];
    to.address = from.address;
    // What the row shows and plots goes with its detector.
    to.values = from.values;
    to.image = from.image;
    to.history = from.history;
  }
  // The last row's detector moved up: its old slot is no row any more.
  slots_[std::size_t(last)].address = -1;
  slots_[std::size_t(last)].values.gasNameText.clear();
  slots_[std::size_t(last)].history.Clear();
  addresses_.erase(addresses_.begin() + slot);
  ListEdit edit;
  edit.addressList = addresses_;
  edit.position = slot - 1;
  // Redrawn, not refreshed: a moved row has no new sample to count.
  for (int s = slot; s <= last; ++s) edit.rows.push_back(DescribeRow(s, true));
  return edit;
}

std::optional<ListEdit> CDetectorTable::SetRowAddress(int slot, int address) {
  if (slot < 0 || slot >= kSlotCount || std::size_t(slot) >= addresses_.size()) return std::nullopt;
  addresses_[std::size_t(slot)] = std::uint8_t(address);
  ListEdit edit;
  edit.addressList = addresses_;
  edit.position = slot - 1;
  if (layout_.mode == kModeImitation) {
    edit.handToLink = false;
  } else {
    SlotState& st = slots_[std::size_t(slot)];
    st.address = -1;
    st.values.gasNameText.clear();
  }
  edit.rows.push_back(RefreshRow(slot, true));
  return edit;
}

// ---------------------------------------------------------------------------
// Other messages.

std::optional<RowView> CDetectorTable::ClearedPosition(int failedPosition) {
  if (search_) {
    current_ = found_;
    // The next free row shows the address being probed.
    if (std::size_t(found_) < addresses_.size() && failedPosition >= 0 &&
        std::size_t(failedPosition) < probe_.size())
      addresses_[std::size_t(found_)] = probe_[std::size_t(failedPosition)];
  } else {
    current_ = failedPosition;
  }
  if (current_ < 0 || current_ >= kSlotCount) return std::nullopt;
  slots_[std::size_t(current_)].address = -1;
  return RefreshRow(current_, true);
}

std::optional<StatisticsView> CDetectorTable::ReadResult(int result, int position) {
  if (result < 0 || result >= kResultCodeCount) return std::nullopt;
  // Playing detectors, "nothing" is a quiet line between another master's
  // requests, not a request left without an answer: a line without a master
  // (the demo bus) would count up for ever.
  if (layout_.mode == kModeImitation && result == 1) return std::nullopt;
  ++counters_[std::size_t(result)];
  if (position >= 0 && position < kSlotCount && !search_) CountResult(slots_[std::size_t(position)], result);
  if (search_) searchReach_ = std::max(searchReach_, position);
  return StatisticsText(counters_);
}

std::optional<SearchEnd> CDetectorTable::CycleCompleted() {
  if (!search_) return std::nullopt;
  // A cycle over the list polled before the search (its message was on its
  // way when the search began) is no pass of the search: the probe must have
  // reached the last address first.
  if (searchReach_ < int(probe_.size()) - 1) return std::nullopt;
  return EndSearch();
}

std::vector<RowView> CDetectorTable::PortFailed() {
  lineOpen_ = false;
  for (SlotState& s : slots_) s.address = -1;
  return RefreshAll(true);
}

// ---------------------------------------------------------------------------
// Address search.

SearchStart CDetectorTable::StartSearch() {
  std::vector<std::uint8_t> order(kSearchListEntries);
  for (std::size_t i = 0; i < kSearchListEntries; ++i) order[i] = std::uint8_t((i + 1) & 0xFF);
  return StartSearch(order);
}

SearchStart CDetectorTable::StartSearch(const std::vector<std::uint8_t>& probeOrder) {
  search_ = true;
  found_ = 0;
  searchReach_ = -1;
  probe_ = probeOrder;
  if (probe_.size() > kSearchListEntries) probe_.resize(kSearchListEntries);
  addresses_ = probe_;
  for (SlotState& s : slots_) {
    s.address = -1;
    s.values.gasNameText.clear();
  }
  SearchStart start;
  start.addressList = addresses_;
  start.pollSet = kPollSetAddressSearch;
  // Without the addresses: the rows wait for detectors, not for list entries.
  start.rows = RefreshAll(false);
  return start;
}

std::optional<SearchEnd> CDetectorTable::EndSearch() {
  if (!search_) return std::nullopt;
  search_ = false;
  if (found_ <= 0 || found_ > kSlotCount)
    addresses_.assign(1, 1);
  else
    addresses_.resize(std::size_t(found_));
  SearchEnd end;
  end.addressList = addresses_;
  end.pollSet = PollSetFor(layout_.type, layout_.mode);
  // The list is cut first, so the row that showed the probed address loses it.
  if (found_ < kSlotCount) end.row = RefreshRow(found_, true);
  return end;
}

// ---------------------------------------------------------------------------
// Rows.

RowView CDetectorTable::RefreshRow(int slot, bool showAddress) {
  SlotState& st = MutableSlot(slot);
  if (!st.HasDetector() && layout_.mode != kModeImitation) return DescribeRow(slot, showAddress);

  const DecodeContext ctx = Context();
  const bool searchData = ctx.fromAddressSearch;
  UpdateSlotValues(st.values, st.image, ctx);
  if (!searchData || layout_.mode == kModeImitation)
    CountCrossings(st, ConcentrationLel(st.image), minThreshold_, maxThreshold_);
  CountStatusEdges(st, StatusBits(st.image));
  if (!searchData) st.history.Append(SampleFromImage(layout_.type, st.image));

  RowView view = DescribeRow(slot, showAddress);
  view.redrawGraph = !searchData && !search_;
  return view;
}

std::vector<RowView> CDetectorTable::RefreshAll(bool showAddress) {
  std::vector<RowView> rows;
  rows.reserve(kSlotCount);
  for (int s = 0; s < kSlotCount; ++s) rows.push_back(RefreshRow(s, showAddress));
  return rows;
}

RowView CDetectorTable::DescribeRow(int slot, bool showAddress) const {
  const SlotState& st = Slot(slot);
  RowView view;
  view.slot = slot;
  view.relayTestStepEnabled = layout_.pollSetEcho != kPollSetAddressSearch;

  // The button names the list's address for the row: the detector's own
  // address once one answered, the address that failed or is being probed
  // while the row is empty.
  CellView& modbus = view[Column::ModbusNumber];
  modbus.visible = true;
  if (showAddress && std::size_t(slot) < addresses_.size())
    modbus.text = Format("%u", unsigned(addresses_[std::size_t(slot)]));

  view.emptied = !st.HasDetector() && layout_.mode != kModeImitation;
  if (view.emptied) {
    for (const ColumnInfo& c : Columns()) {
      if (c.column == Column::ModbusNumber) continue;
      view[c.column].visible = !HiddenInEmptyRow(c.column) && ColumnShown(c.column, layout_, false);
    }
    return view;
  }

  const RowCells cells = DecodeRow(st.image, Context());
  view.relayTest = cells.relayTest;
  view.relay1On = cells.relay1On;
  view.relay2On = cells.relay2On;
  view.conditionOn = cells.conditionOn;
  const bool testOn = cells.relayTest == RelayTestBox::On;
  for (const ColumnInfo& c : Columns()) {
    if (c.column == Column::ModbusNumber) continue;
    CellView& cell = view[c.column];
    if (c.cell) {
      cell.text = cells[*c.cell].text;
      cell.fontWidth = cells[*c.cell].fontWidth;
    }
    cell.visible = ColumnShown(c.column, layout_, testOn);
  }
  auto counter = [&](Column column, std::uint32_t value) {
    CellView& cell = view[column];
    cell.text = Format("%u", unsigned(value));
    cell.fontWidth = FitFont(cell.text);
  };
  counter(Column::Disconnections, st.counters.breaks);
  counter(Column::MinCrosses, st.counters.minCrossing);
  counter(Column::MaxCrosses, st.counters.maxCrossing);
  return view;
}

}  // namespace kvl
