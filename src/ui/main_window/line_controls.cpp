// The detector line's row (port, baud rate, pause, open check box) and the
// selectors that decide what is polled and shown: type, mode, the "KUR"
// view, the recording period and the relay test step.
#include <QCheckBox>
#include <QLineEdit>
#include <QStandardItemModel>

#include "link/serial_port.h"

#include "detector/poll_sets.h"
#include "imitation/imitation.h"
#include "ui/controls/note_button.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/main_window/edit_filters.h"
#include "sim/demo_bus.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/main_window/show_cleaned.h"

namespace kvl {

void CKvlDlg::ConnectLineControls() {
  connect(c_.port[0], &QComboBox::currentIndexChanged, this, [this] { OnPortSelected(); });
  // The operator may type any device (a simulator's pty, a by-id name) into the selector.
  c_.port[0]->setEditable(true);
  c_.port[0]->setInsertPolicy(QComboBox::NoInsert);
  connect(c_.port[0]->lineEdit(), &QLineEdit::editingFinished, this, [this] { OnPortTyped(); });
  connect(c_.baud[0], &QComboBox::currentIndexChanged, this, [this] { OnBaudSelected(); });
  for (int k = 0; k < kSerialLineCount; ++k) {
    connect(c_.pause[size_t(k)], &QLineEdit::textEdited, this, [this, k] { OnPauseEdited(k); });
    if (k == 0) continue;
    // Lines 2 to 4 only keep what is chosen.
    connect(c_.port[size_t(k)], &QComboBox::currentIndexChanged, this, [this, k] {
      config_.lines[size_t(k)].port = PortItem(c_.port[size_t(k)]);
      PostConfig();
    });
    connect(c_.baud[size_t(k)], &QComboBox::currentIndexChanged, this, [this, k] {
      config_.lines[size_t(k)].baud = c_.baud[size_t(k)]->currentText().toStdString();
      PostConfig();
    });
  }
  connect(c_.search, &QPushButton::clicked, this, [this] { OnSearchClicked(); });
  connect(c_.lineOpen[0], &QCheckBox::toggled, this, [this](bool checked) { OnLineOpenToggled(checked); });
  connect(c_.period, &QLineEdit::textEdited, this, [this] { OnPeriodEdited(); });
  connect(c_.relayTestStep, &QComboBox::currentIndexChanged, this, [this] { OnRelayTestStepSelected(); });
  connect(c_.typeSelector, &QComboBox::currentIndexChanged, this, [this](int i) { OnTypeSelected(i); });
  connect(c_.modeSelector, &QComboBox::currentIndexChanged, this, [this](int i) { OnModeSelected(i); });
  connect(c_.kurView, &QPushButton::toggled, this, [this](bool pressed) { OnKurToggled(pressed); });
}

std::string CKvlDlg::SelectedPortItem() const { return PortItem(c_.port[0]); }

void CKvlDlg::OnPortSelected() {
  const std::string item = SelectedPortItem();
  // The demo or test device is never saved: the configured port stays.
  if (item != linePortItem_) config_.lines[0].port = item;
  if (c_.lineOpen[0]->isChecked()) link_.OpenPort(LinkPortName(item));
  PostConfig();
}

void CKvlDlg::OnPortTyped() {
  QComboBox* combo = c_.port[0];
  const QString typed = combo->lineEdit()->text().trimmed();
  // An item's shown text (a device without its "/dev/") picks that item.
  int index = combo->findText(typed);
  if (index < 0 && !typed.isEmpty()) {
    const std::string item = PortItemFor(typed.toStdString());
    index = combo->findData(QString::fromStdString(item));
    if (index < 0) {
      AddPortItem(combo, item, 0);
      index = 0;
    }
  }
  if (index < 0) index = combo->currentIndex();
  if (index != combo->currentIndex())
    combo->setCurrentIndex(index);  // opens the line on it
  else
    combo->lineEdit()->setText(combo->itemText(index));
}

void CKvlDlg::OnBaudSelected() {
  config_.lines[0].baud = c_.baud[0]->currentText().toStdString();
  link_.SetBaud(config_.lines[0].baud);
  PostConfig();
}

void CKvlDlg::OnPauseEdited(int line) {
  CNoteEdit* edit = c_.pause[size_t(line)];
  const std::string cleaned = DigitsOnly(edit->text().toStdString());
  ShowCleaned(edit, cleaned);
  config_.lines[size_t(line)].pause = cleaned;
  if (line == 0) link_.SetPause(cleaned);
  PostConfig();
}

void CKvlDlg::OnLineOpenToggled(bool checked) {
  if (checked) {
    ResumeAfterCalculation();  // ticking the line again is the way back to live polling
    link_.OpenPort(LinkPortName(SelectedPortItem()));
    return;
  }
  link_.OpenPort(kClosePortName);
  EnableLineButtons(false);
  c_.done->setEnabled(false);
}

void CKvlDlg::OnPeriodEdited() {
  const std::string cleaned = DigitsOnly(c_.period->text().toStdString());
  ShowCleaned(c_.period, cleaned);
  config_.period = cleaned;
  RestartRecordingTimer();
  PostConfig();
}

void CKvlDlg::RestartRecordingTimer() {
  recordTimer_.stop();
  const long seconds = PeriodSeconds(config_.period);
  if (seconds > 0) recordTimer_.start(int(seconds * 1000));
}

void CKvlDlg::OnRelayTestStepSelected() {
  config_.relayTestStep = c_.relayTestStep->currentText().toStdString();
  PostConfig();
}

void CKvlDlg::OnTypeSelected(int index) {
  // Position 2 names no type: the list moves on to the next one.
  if (index == kType2) {
    c_.typeSelector->setCurrentIndex(kTypeZ40);
    return;
  }
  if (!IsValidDetectorType(index)) return;
  config_.detectorType = index;
  configuredType_ = -1;  // the operator's choice is the configuration's
  table_.SetType(index);
  OfferModesOfType();
  // A mode the new type does not offer ("Imitation", "Running-in" for Z5)
  // gives way to the one it gets instead, as in the mode list itself.
  if (ModeForType(index, config_.mode) != config_.mode)
    c_.modeSelector->setCurrentIndex(ModeForType(index, config_.mode));
  // Imitated detectors are built for their type: a new type imitates anew.
  else if (config_.mode == kModeImitation)
    ApplyImitationSwitch(imitation_.Enter(table_, config_.lines[0].baud));
  FillGasSelector();
  SelectPollSetForLayout();
  ApplyModeLayout();
  LayOutTableIfChanged();
  RedescribeAllRows();
  ShowGraphContext();
  emit DetectorTypeChanged(index);
  PostConfig();
}

void CKvlDlg::OfferModesOfType() {
  // Modes the type does not have cannot be chosen: the arrow keys pass over
  // them instead of landing on one that is redirected back.
  if (auto* model = qobject_cast<QStandardItemModel*>(c_.modeSelector->model()))
    for (int m = 0; m < model->rowCount(); ++m)
      if (QStandardItem* item = model->item(m)) item->setEnabled(ModeForType(config_.detectorType, m) == m);
}

void CKvlDlg::OnModeSelected(int index) {
  if (!IsValidOperatingMode(index)) return;
  // Type Z5 has neither "Imitation" nor "Running-in": the list moves to the mode it gets instead.
  if (const int mode = ModeForType(config_.detectorType, index); mode != index) {
    c_.modeSelector->setCurrentIndex(mode);
    return;
  }
  ResumeAfterCalculation();  // a change of mode is the other way back to live polling
  if (!run_.Running()) {
    run_.DismissCompletion();
    DriveRun({});
  }
  const int before = config_.mode;
  config_.mode = index;
  table_.SetMode(index);
  // A graduation is made in clean air: the demo's showcase gas leaves the
  // detector that saw it, before any line of the run's files is recorded.
  if (demoBus_ && (index == kModeGraduation || index == kModeGraduationZ5)) demoBus_->Bus().SetGasLel(0, 0);
  const bool tell = SwitchImitation(before);
  SelectPollSetForLayout();
  ApplyModeLayout();
  LayOutTableIfChanged();
  RedescribeAllRows();
  ShowGraphContext();
  PostConfig();
  if (tell) TellImitationWithoutMaster();  // over the window in its new mode
}

void CKvlDlg::OnKurToggled(bool pressed) {
  table_.SetKurView(pressed);
  LayOutTableIfChanged();
  RedescribeAllRows();
}

void CKvlDlg::SelectPollSetForLayout() {
  // A running address search keeps its own poll set; its end selects the
  // one for the type and mode of that moment.
  if (table_.Searching()) return;
  const int pollSet = PollSetFor(config_.detectorType, config_.mode);
  if (pollSet >= 0) link_.SelectPollSet(PollSetRequests(pollSet), pollSet);
}

}  // namespace kvl
