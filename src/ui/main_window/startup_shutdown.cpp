// How the window comes up (settings, alarms, poll set, mode, recording tick,
// link) and how it goes down at a confirmed exit (recording off, alarms
// cancelled, timers killed, settings saved, link stopped).
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>
#include <cstdio>

#include "config/config_location.h"
#include "detector/poll_sets.h"
#include "link/serial_port.h"
#include "sim/demo_bus.h"
#include "text/format.h"
#include "text/main_window_texts.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/qt_texts.h"
#include "ui/main_window/show_cleaned.h"
#include "ui/qt_message_target.h"

namespace kvl {

namespace {

// Selects the item with this text; false (selection unchanged) when there is none.
bool SelectItem(QComboBox* combo, const std::string& item) {
  const int index = combo->findText(QString::fromStdString(item), Qt::MatchFixedString);
  if (index < 0) return false;
  const QSignalBlocker block(combo);
  combo->setCurrentIndex(index);
  return true;
}

void SetFieldText(QLineEdit* edit, const std::string& text) {
  const QSignalBlocker block(edit);
  edit->setText(QString::fromStdString(text));
}

}  // namespace

void CKvlDlg::SetUp() {
  // Settings first: what the configuration file holds, or the defaults.
  const ConfigurationPlaces places = CurrentConfigurationPlaces(options_.configPath);
  configPath_ = ConfigurationFilePath(places);
  programFolder_ = DefaultWorkFolder(places);
  ConfigurationContext context;
  context.programFolder = programFolder_;
  context.portItems = ListSerialPorts();
  std::vector<ConfigReplacement> replaced;
  LoadConfiguration(ConfigurationReadPath(places), context, config_, &replaced);
  if (!replaced.empty()) {
    // Told once the window is up, in the language the configuration chose.
    const std::string text = ConfigReplacementsText(replaced, config_.language);
    QTimer::singleShot(0, this, [this, text] { operator_->ShowMessage(text, MessageIcon::Warning); });
  }
  if (options_.demo) StartDemoBus();
  ApplyConfigurationToControls();

  for (int k = 0; k < int(alarms_.size()); ++k) alarms_[size_t(k)].Init(target_.get(), WM_USER_ALARM, k);
  if (config_.language != kEnglish) link_.SetLanguage(config_.language);
  ApplyGasPanelView();

  const PollRequestLists requests = PollRequestTable();
  link_.SetPollRequests(requests.firsts, requests.counts, requests.offsets);
  SelectPollSetForLayout();

  ApplyModeLayout();
  LayOutTableIfChanged();
  RedescribeAllRows();
  RestartRecordingTimer();

  ConnectLineControls();
  ConnectGasPanel();
  ConnectRowCommands();
  ConnectImitation();
  ConnectRecording();
  ConnectGraduation();
  ConnectSettingsFiles();
  if (options_.stabilizationMs) {
    run_.SetStabilizationMs(*options_.stabilizationMs);
    // A shortened wait on the demo bus: its detectors' model time runs as much faster.
    if (demoBus_) demoBus_->Bus().SetTimeScale(double(kStabilizationMs) / run_.StabilizationMs());
  }
  connect(c_.languageSelector, &QComboBox::currentIndexChanged, this, [this](int i) { OnLanguageSelected(i); });

  StartLink();
  ConnectChamberLine();
  settingUp_ = false;
  savedConfigText_ = ComposeConfiguration();
  configSaveTimer_.setSingleShot(true);
  connect(&configSaveTimer_, &QTimer::timeout, this, [this] { SaveConfigurationNow(); });
  PostConfig();
}

void CKvlDlg::ApplyConfigurationToControls() {
  for (int k = 0; k < kSerialLineCount; ++k) {
    const SerialLineSettings& line = config_.lines[size_t(k)];
    // A configured device that is absent today stays the choice, shown first.
    if (!SelectPortItem(c_.port[size_t(k)], line.port) && !line.port.empty()) {
      AddPortItem(c_.port[size_t(k)], line.port, 0);
      SelectPortItem(c_.port[size_t(k)], line.port);
    }
    SelectItem(c_.baud[size_t(k)], line.baud);
    SetFieldText(c_.pause[size_t(k)], line.pause);
  }
  // A device given for this run is polled instead of the configured port.
  if (!linePortItem_.empty()) SelectPortItem(c_.port[0], linePortItem_);
  SetFieldText(c_.period, config_.period);
  SelectItem(c_.relayTestStep, config_.relayTestStep);
  SetFieldText(c_.emitterPower, Format("%.3f", config_.emitterPower));
  SetFieldText(c_.limit[0], Format("%.3f", config_.lowLimit));
  SetFieldText(c_.limit[1], Format("%.3f", config_.highLimit));
  c_.dataFolderDisplay->SetTextIfChanged(config_.dataFolder);
  {
    const QSignalBlocker block(c_.languageSelector);
    c_.languageSelector->setCurrentIndex(config_.language == kEnglish ? 0 : 1);
  }

  table_.SetType(config_.detectorType);
  table_.SetMode(config_.mode);
  table_.SetLanguage(config_.language);
  table_.SetThresholds(config_.lowLimit, config_.highLimit);
  // The demo's detectors are polled instead of the configured list, which is kept.
  std::vector<std::uint8_t> addresses;
  for (unsigned a : config_.addresses) addresses.push_back(std::uint8_t(a));
  table_.SetAddressList(demoBus_ ? DemoAddresses(demoBus_->Count()) : addresses);

  // The captions and lists in the configured language, positions from the settings.
  setWindowTitle(QString::fromUtf8(txt::kWindowTitle(config_.language)));
  UseQtTranslations(config_.language);  // Qt's own dialog texts from the first dialog on
  RelabelControls();
  {
    const QSignalBlocker typeBlock(c_.typeSelector);
    const QSignalBlocker modeBlock(c_.modeSelector);
    const QSignalBlocker gasBlock(c_.gasSelector);
    RefillTextSelectors();
    c_.typeSelector->setCurrentIndex(config_.detectorType);
    c_.modeSelector->setCurrentIndex(config_.mode);
    c_.gasSelector->setCurrentIndex(config_.gasPosition);
    c_.stageControl->setCurrentIndex(0);  // "Manually"
  }
}

std::string CKvlDlg::LinkPortName(const std::string& item) const {
  // Numbered items are the old COM numbers; device paths open as they stand.
  if (item.find('/') != std::string::npos) return item;
  return "COM" + item;
}

std::string CKvlDlg::LinePortName() const { return SerialDevicePath(LinkPortName(SelectedPortItem())); }

void CKvlDlg::StartLink() {
  link_.SetOperator(linkOperator_.get());
  // An adapter unplugged and plugged back in is polled again by itself.
  link_.SetReconnect(true);
  link_.SetEcho(config_.lineEcho);
  link_.StartWorker(target_.get(), 0, LinkPortName(SelectedPortItem()), config_.lines[0].baud,
                    table_.AddressList(), "3", config_.lines[0].pause, "3", true);
}

std::string CKvlDlg::ComposeConfiguration() {
  // The list a search found or the operator edited is the one to keep; a
  // running search's probe list is not, and neither is the demo bus's own.
  // While the rows show data files, the list polled before them is kept.
  if (!table_.Searching() && (!demoBus_ || listChosen_)) {
    config_.addresses.clear();
    for (std::uint8_t a : calcSuspended_ ? listBeforeCalc_ : table_.AddressList()) config_.addresses.push_back(a);
  }
  // The type a --demo=TYPE run plays is not the operator's.
  if (configuredType_ >= 0) {
    Configuration kept = config_;
    kept.detectorType = configuredType_;
    return ComposeConfigurationText(kept);
  }
  return ComposeConfigurationText(config_);
}

void CKvlDlg::SaveConfigurationNow() {
  if (exited_ || configText_ == savedConfigText_) return;
  // Atomic as at exit; a failure is tried again with the next change and at exit.
  if (SaveConfiguration(configPath_, configText_) == 0) savedConfigText_ = configText_;
}

void CKvlDlg::ShutDown() {
  configSaveTimer_.stop();
  writer_.SetRecording(false);
  table_.SetResumeAfterData(false);
  for (CAlarmTimer& alarm : alarms_) alarm.Cancel();
  recordTimer_.stop();
  graduationTimer_.stop();
  // The text is composed once more: a change whose rebuild message is still
  // queued must not be lost.
  configText_ = ComposeConfiguration();
  std::string error;
  if (SaveConfiguration(configPath_, configText_, &error) != 0)
    std::fprintf(stderr, "kvlgrad: the configuration was not saved: %s\n", error.c_str());
  CloseDevices();
  link_.StopWorker();
  if (demoBus_) demoBus_->Stop();
}

}  // namespace kvl
