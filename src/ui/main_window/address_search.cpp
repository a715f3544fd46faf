// The address search from the window's side: the "Search"/"Stop" button, the
// controls a running search locks, and handing the search's address list and
// poll set to the link. Which rows the answers fill, and when the search ends
// by itself, is the detector table's business.
#include <QCheckBox>

#include "commands/command_catalog.h"
#include "detector/poll_sets.h"
#include "text/selector_lists.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

void CKvlDlg::OnSearchClicked() {
  if (!CommandAvailable(CommandId::AddressSearch, ContextOfRow(table_, -1))) return;
  if (table_.Searching()) {
    if (const std::optional<SearchEnd> end = table_.EndSearch()) ApplySearchEnd(*end);
    return;
  }
  StopRecording();
  const SearchStart start = table_.StartSearch();
  for (auto& [detector, memory] : tuning_) memory.firstTuning = true;
  LockForSearch(true);
  c_.search->SetTextIfChanged(std::string(kSearchButton[1](config_.language)));
  for (const RowView& row : start.rows) ShowRow(row);
  link_.SelectPollSet(PollSetRequests(start.pollSet), start.pollSet);
  link_.SetDeviceList(start.addressList, start.position, false);
  ClearGraphSelection();
}

// While a search runs the line's settings, the type and the mode stay as they
// are, and nothing but "Stop" acts on the line.
void CKvlDlg::LockForSearch(bool lock) {
  const bool enable = !lock;
  for (QWidget* w : {static_cast<QWidget*>(c_.port[0]), static_cast<QWidget*>(c_.baud[0]),
                     static_cast<QWidget*>(c_.pause[0]), static_cast<QWidget*>(c_.lineOpen[0]),
                     static_cast<QWidget*>(c_.typeSelector), static_cast<QWidget*>(c_.modeSelector)})
    w->setEnabled(enable);
  c_.recording->setEnabled(enable && table_.LineOpen());
  c_.graduation->setEnabled(enable && table_.LineOpen());
  c_.enterPassword->setEnabled(enable && table_.LineOpen());
  const bool modbus = table_.ModbusButtonsEnabled();
  for (QWidget* button : c_.cells[size_t(Column::ModbusNumber)]) button->setEnabled(modbus);
}

}  // namespace kvl
