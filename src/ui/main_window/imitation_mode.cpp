// "Imitation" from the window's side: entering and leaving the mode (the
// link's role and list, the rows, the tick boxes), the ticks themselves, the
// operator's concentration on a row, and answering each request the line
// receives in slave role. What an imitated detector holds and answers is the
// imitation core's (imitation/imitation.h); nothing here decides a word of an
// answer, and nothing here ever waits for the line.
#include <QCheckBox>

#include "imitation/imitation_runner.h"
#include "sim/demo_bus.h"
#include "text/command_texts.h"
#include "text/flow_texts.h"
#include "text/message_texts.h"
#include "ui/dialogs/dialog_results.h"
#include "ui/dialogs/enter_limit.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

void CKvlDlg::ConnectImitation() {
  for (int r = 0; r < kSlotCount; ++r) {
    auto* box = static_cast<QCheckBox*>(c_.cells[size_t(Column::Imitation)][size_t(r)]);
    connect(box, &QCheckBox::toggled, this, [this, r](bool ticked) { imitation_.SetTicked(r, ticked); });
  }
}

bool CKvlDlg::SwitchImitation(int before) {
  const int now = config_.mode;
  if (now == kModeImitation && before != kModeImitation) {
    // The line stops polling: a recording would go on writing the last values as if they were measured.
    if (writer_.Recording()) {
      StopRecording();
      operator_->ShowMessage(txt::kRecordingStoppedForImitation(config_.language), MessageIcon::Information);
    }
    ApplyImitationSwitch(imitation_.Enter(table_, config_.lines[0].baud));
    // The demo's simulated detectors answer; they never ask. The mode still
    // works on any other port the operator picks.
    return demoBus_ && SelectedPortItem() == linePortItem_;
  } else if (before == kModeImitation && now != kModeImitation) {
    ImitationSwitch sw = imitation_.Leave(table_, now);
    // Back to the demo's detectors rather than the single address 1.
    if (demoBus_) {
      table_.SetAddressList(DemoAddresses(demoBus_->Count()));
      sw.addressList = table_.AddressList();
    }
    ApplyImitationSwitch(sw);
  }
  return false;
}

void CKvlDlg::TellImitationWithoutMaster() {
  operator_->ShowMessage(txt::kImitationWithoutMaster(config_.language), MessageIcon::Information);
}

void CKvlDlg::ApplyImitationSwitch(const ImitationSwitch& sw) {
  link_.SetMasterRole(sw.masterRole);
  link_.SetDeviceList(sw.addressList, -1, false);
  for (const RowView& row : sw.rows) ShowRow(row);
  for (int r = 0; r < kSlotCount; ++r) {
    auto* box = static_cast<QCheckBox*>(c_.cells[size_t(Column::Imitation)][size_t(r)]);
    const QSignalBlocker block(box);
    box->setChecked(imitation_.Ticked(r));
  }
  // Search and the password talk as the master: not while another master owns the line.
  EnableLineButtons(table_.LineOpen());
  PostConfig();
}

void CKvlDlg::OnImitationRequest() {
  // The worker waits for this answer; a request that outlived the mode is
  // left unanswered, and the worker goes on either way.
  const ImitationOutcome outcome = ServeImitationRequest(link_, imitation_, table_);
  for (const RowView& row : outcome.rows) ShowRow(row);
}

void CKvlDlg::OnImitationConcentration(int slot) {
  if (config_.mode != kModeImitation || slot < 0 || slot >= kSlotCount) return;
  const LanguageIndex lang = config_.language;
  CEnterLimit dialog(txt::kEnterNewConcentration(lang), CellText(Column::Lel, slot), lang, this);
  if (RunDialog(dialog) != kIdSet) return;
  if (const std::optional<RowView> row = imitation_.SetConcentration(table_, slot, dialog.Value())) ShowRow(*row);
}

}  // namespace kvl
