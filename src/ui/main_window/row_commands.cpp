// Per-detector commands from the window's side: which control stands for
// which command, and carrying out what a command decided (the writes queued
// on the link as one write list, the image changed in "Imitation", the
// refusal shown, the address list edited). Whether a command is offered and
// every rule of what it writes are the core's (command_catalog.h,
// command_rules.h); the dialogs are asked in command_dialogs.cpp. Nothing
// here waits for the line: the link reports the writes' outcome itself.
#include <QCheckBox>
#include <QPushButton>
#include <algorithm>

#include "commands/command_catalog.h"
#include "commands/command_rules.h"
#include "detector/serial_read.h"
#include "text/flow_texts.h"
#include "text/selector_lists.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

namespace {

// The command of a button column (a click).
std::optional<CommandId> ButtonCommand(Column column) {
  switch (column) {
    case Column::ModbusNumber: return CommandId::ModbusAddress;
    case Column::LelConc: return CommandId::LelConc;
    case Column::SetZero: return CommandId::SetZero;
    case Column::MainCalibr: return CommandId::MainCalibration;
    case Column::AddCalibr: return CommandId::AdditionalCalibration;
    case Column::MagnCalibr: return CommandId::MagneticCalibration;
    case Column::FactoryDefaults: return CommandId::FactoryDefaults;
    case Column::SwitchToHart: return CommandId::SwitchToHart;
    case Column::GradRecalc: return CommandId::GradRecalc;
    case Column::Limit1: return CommandId::Limit1;
    case Column::Limit2: return CommandId::Limit2;
    case Column::PEmitter: return CommandId::EmitterPower;
    case Column::HeatingLimit: return CommandId::HeatingLimit;
    default: return std::nullopt;
  }
}

// The command of a value cell's right-click (message 1025).
std::optional<CommandId> RightClickCommand(Column column) {
  switch (column) {
    case Column::Serial: return CommandId::Serial;
    case Column::Gas: return CommandId::Gas;
    case Column::ZeroingNegative: return CommandId::ZeroingNegative;
    case Column::ShowNegative: return CommandId::ShowNegative;
    case Column::W: return CommandId::WorkingFactor;
    case Column::R: return CommandId::ReferenceFactor;
    default: return std::nullopt;
  }
}

// The command of a left click on a cell or picture.
std::optional<CommandId> ClickCommand(Column column) {
  switch (column) {
    case Column::Latching1: return CommandId::Latching1;
    case Column::Latching2: return CommandId::Latching2;
    case Column::Ru6310: return CommandId::Ru6310;
    case Column::Relay1Image:
    case Column::Relay2Image:
    case Column::ConditionImage: return CommandId::RelayPicture;
    default: return std::nullopt;
  }
}

}  // namespace

void CKvlDlg::ConnectRowCommands() {
  for (const ColumnInfo& info : Columns()) {
    for (int r = 0; r < kSlotCount; ++r) {
      QWidget* w = c_.cells[size_t(info.column)][size_t(r)];
      if (const auto id = ButtonCommand(info.column)) {
        connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this,
                [this, id, r, column = info.column] { OnRowCommand(*id, r, column); });
      } else if (const auto click = ClickCommand(info.column)) {
        connect(static_cast<CColorStaticST*>(w), &CColorStaticST::Clicked, this,
                [this, click, r, column = info.column] { OnRowCommand(*click, r, column); });
      } else if (info.column == Column::RelayTest) {
        auto* box = static_cast<QCheckBox*>(w);
        // The click decides by what the box showed, before the click moved it on.
        connect(box, &QCheckBox::pressed, this, [this, r, box] {
          const Qt::CheckState shown = box->checkState();
          relayBoxBefore_[size_t(r)] = shown == Qt::Checked            ? RelayTestBox::On
                                       : shown == Qt::PartiallyChecked ? RelayTestBox::Mixed
                                                                       : RelayTestBox::Off;
        });
        connect(box, &QCheckBox::clicked, this, [this, r] { OnRowCommand(CommandId::RelayTest, r, Column::RelayTest); });
      }
    }
  }
  connect(c_.enterPassword, &QPushButton::clicked, this, [this] { OnEnterPassword(); });
}

void CKvlDlg::OnCellRightClick(int cellId) {
  const std::optional<CellAddress> cell = CellAt(cellId);
  if (!cell) return;
  if (cell->column == Column::Lel) OnImitationConcentration(cell->row);
  if (const auto id = RightClickCommand(cell->column)) OnRowCommand(*id, cell->row, cell->column);
}

void CKvlDlg::OnRowCommand(CommandId id, int slot, Column column) {
  if (!CommandAvailable(id, ContextOfRow(table_, slot))) {
    // A relay test box the command does not take keeps the state the detector reports.
    if (id == CommandId::RelayTest) ShowRow(table_.DescribeRow(slot, true));
    return;
  }
  const std::optional<CommandTarget> target = TargetOfRow(table_, slot);
  if (!target) return;
  if (std::optional<CommandOutcome> outcome = AskAndDecide(id, slot, column, *target)) CarryOut(slot, *outcome, id);
}

void CKvlDlg::CarryOut(int slot, const CommandOutcome& out, CommandId id) {
  if (out.selectGas >= 0 && out.selectGas != c_.gasSelector->currentIndex())
    c_.gasSelector->setCurrentIndex(out.selectGas);  // as if the operator had chosen it
  if (out.rejected) {
    if (!out.message.empty()) operator_->ShowMessage(out.message, MessageIcon::None);
    if (out.focusConcentration == 0 || out.focusConcentration == 1)
      c_.concentration[size_t(out.focusConcentration)]->setFocus();
    return;
  }
  if (out.rememberGas >= 0) {
    config_.gasDialogPosition = out.rememberGas;
    PostConfig();
  }
  if (out.emptyLatchingCells) {
    for (Column c : {Column::Latching1, Column::Latching2})
      static_cast<CColorStaticST*>(c_.cells[size_t(c)][size_t(slot)])->SetTextIfChanged(std::string());
  }
  if (out.relayStepListEnabled) c_.relayTestStep->setEnabled(*out.relayStepListEnabled);
  if (!out.writes.empty()) {
    link_.BeginWriteList(OriginOf(CommandKey(id)));
    QueueWriteList(out.writes);
    link_.EndWriteList();
  }
  if (!out.imageChanges.empty()) {
    RegisterImage& image = table_.MutableSlot(slot).image;
    for (const ImageChange& change : out.imageChanges)
      if (change.reg < image.size()) image[change.reg] = change.value;
    ShowRow(table_.RefreshRow(slot, true));
  }
  if (out.newListAddress >= 0) {
    if (const std::optional<ListEdit> edit = table_.SetRowAddress(slot, out.newListAddress)) ApplyListEdit(*edit);
  }
}

WriteOrigin CKvlDlg::OriginOf(const std::string& cause) const {
  WriteOrigin origin;
  const TextList modes = OperatingModes();
  origin.mode = modes[std::size_t(std::clamp(config_.mode, 0, int(modes.size()) - 1))](kEnglish);
  origin.cause = cause;
  // Every list names the serial number read from each detector just before its writes.
  origin.identity.read = SerialReaderFor(config_.detectorType);
  for (int s = 0; s < kSlotCount; ++s) {
    const int address = table_.Slot(s).address;
    if (address >= 0 && address <= 255) origin.serials.push_back({std::uint8_t(address), CellText(Column::Serial, s)});
  }
  return origin;
}

void CKvlDlg::QueueWriteList(const std::vector<RegisterWrite>& writes) {
  if (writes.empty()) return;
  std::vector<std::uint8_t> slaves;
  std::vector<std::uint16_t> regs, values;
  for (const RegisterWrite& w : writes) {
    slaves.push_back(w.slave);
    regs.push_back(w.reg);
    values.push_back(w.value);
  }
  link_.QueueWritesTo(slaves, regs, values, 6, 0);
}

void CKvlDlg::ApplyListEdit(const ListEdit& edit) {
  if (edit.lastRowKept) {
    operator_->ShowMessage(txt::kLastRowStays(config_.language), MessageIcon::None);
    return;
  }
  for (const RowView& row : edit.rows) ShowRow(row);
  if (edit.handToLink) {
    link_.SetDeviceList(edit.addressList, edit.position, true);
    listChosen_ = true;
  }
  PostConfig();
}

}  // namespace kvl
