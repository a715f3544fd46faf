// Line 2 (the climate chamber) and the gas valves: line 2's row opens the
// chamber link with its port, baud rate, pause and line ending; the "T="
// field shows what the chamber last said, or "—" and why it said nothing.
// The valve module is driven on the detector line between polls, or on line 3.
// Both links have threads of their own and only post here.
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <cmath>

#include "chamber/profiles.h"
#include "sim/demo_bus.h"
#include "text/chamber_texts.h"
#include "text/format.h"
#include "ui/controls/color_static_st.h"
#include "ui/controls/note_combo_box.h"
#include "ui/controls/note_edit.h"
#include "ui/main_window/kvl_dlg.h"
#include "ui/qt_texts.h"

namespace kvl {
namespace {

constexpr int kLine2 = 1, kLine3 = 2;

DeviceLineSettings LineSettings(const SerialLineSettings& line, const std::string& portName, const std::string& ending) {
  DeviceLineSettings s;
  s.port = portName;
  s.baud = std::atoi(line.baud.c_str());
  s.pauseMs = std::atoi(line.pause.c_str());
  LineEndingFromText(ending, &s.ending);
  return s;
}

}  // namespace

void CKvlDlg::ConnectChamberLine() {
  {
    const QSignalBlocker block(c_.lineEnding);
    c_.lineEnding->setCurrentText(QString::fromStdString(config_.lineEnding));
  }
  // The demo's chamber is shown where line 2's device is (never saved).
  if (demoBus_ && demoBus_->Chamber() && config_.chamberProfile.empty()) {
    const QSignalBlocker block(c_.port[kLine2]);
    AddPortItem(c_.port[kLine2], demoBus_->ChamberPath(), 0);
    SelectPortItem(c_.port[kLine2], demoBus_->ChamberPath());
  }
  // Line 2 opens at start only when a chamber profile is chosen (or the demo plays one).
  {
    const QSignalBlocker block(c_.lineOpen[kLine2]);
    c_.lineOpen[kLine2]->setChecked(!config_.chamberProfile.empty() || (demoBus_ && demoBus_->Chamber()));
  }
  auto reopen = [this] {
    if (c_.lineOpen[kLine2]->isChecked()) OpenChamberLine();
  };
  connect(c_.lineOpen[kLine2], &QCheckBox::toggled, this, [this](bool on) { OnChamberLineToggled(on); });
  connect(c_.port[kLine2], &QComboBox::currentIndexChanged, this, reopen);
  connect(c_.baud[kLine2], &QComboBox::currentIndexChanged, this, reopen);
  connect(c_.pause[kLine2], &QLineEdit::editingFinished, this, reopen);
  connect(c_.lineEnding, &QComboBox::currentIndexChanged, this, [this, reopen] {
    config_.lineEnding = c_.lineEnding->currentText().toStdString();
    PostConfig();
    reopen();
  });
  chamber_.SetEventSink([this](const DeviceEvent& e) { journal_.OnDeviceEvent(e.kind, e.value, e.result); });
  chamber_.SetChangeListener([this] { QMetaObject::invokeMethod(this, [this] { ShowChamberReading(); }, Qt::QueuedConnection); });
  valves_.SetEventSink([this](const DeviceEvent& e) { journal_.OnDeviceEvent(e.kind, e.value, e.result); });
  if (c_.lineOpen[kLine2]->isChecked()) OpenChamberLine();
  OpenValves();
}

void CKvlDlg::OnChamberLineToggled(bool on) {
  if (!on) {
    chamber_.Close();
    ShowChamberReading();
    return;
  }
  if (config_.chamberProfile.empty() && !(demoBus_ && demoBus_->Chamber()) && !ChooseDeviceProfile(true)) {
    const QSignalBlocker block(c_.lineOpen[kLine2]);
    c_.lineOpen[kLine2]->setChecked(false);
    return;
  }
  OpenChamberLine();
}

void CKvlDlg::OpenChamberLine() {
  ChamberProfile profile;
  std::string error;
  std::string port = LinkPortName(PortItem(c_.port[kLine2]));
  if (demoBus_ && demoBus_->Chamber() && config_.chamberProfile.empty()) {
    profile = DemoAsciiChamberProfile();
    port = demoBus_->ChamberPath();
  } else if (!LoadChamberProfile(config_.chamberProfile, config_.language, &profile, &error)) {
    chamber_.Close();
    ShowChamberReading();
    if (operator_) operator_->ShowMessage(error, MessageIcon::Error);
    return;
  }
  chamber_.Open(profile, LineSettings(config_.lines[kLine2], port, config_.lineEnding), config_.language);
  ShowChamberReading();
}

void CKvlDlg::OpenValves() {
  valves_.Close();
  ValveProfile profile;
  std::string error;
  if (demoBus_ && demoBus_->Valves() && config_.valveProfile.empty()) {
    profile = DemoValveProfile();
  } else if (config_.valveProfile.empty()) {
    return;
  } else if (!LoadValveProfile(config_.valveProfile, config_.language, &profile, &error)) {
    if (operator_) operator_->ShowMessage(error, MessageIcon::Error);
    return;
  }
  if (profile.line == ValveLine::kDetectorLine) {
    valves_.AttachToDetectorLine(profile, link_, config_.language);
  } else {
    const SerialLineSettings& line3 = config_.lines[kLine3];
    valves_.OpenOwnLine(profile, LineSettings(line3, LinkPortName(line3.port), "CR"), config_.language);
  }
}

bool CKvlDlg::ChooseDeviceProfile(bool chamber) {
  const TextEntry& title = chamber ? txt::kSelectChamberProfile : txt::kSelectValveProfile;
  const std::string extension = chamber ? "chamber" : "valves";
  std::string& kept = chamber ? config_.chamberProfile : config_.valveProfile;
  const std::string start = kept.empty() ? config_.dataFolder : kept.substr(0, kept.find_last_of('/') + 1);
  std::string path;
  if (options_.chooseFiles) {
    const std::vector<std::string> paths = options_.chooseFiles(title(config_.language), start, extension);
    if (!paths.empty()) path = paths.front();
  } else {
    const QString filter = QStringLiteral("%1 (*.%1)").arg(QString::fromStdString(extension));
    path = QFileDialog::getOpenFileName(this, TitleText(title(config_.language)), QString::fromStdString(start), filter)
               .toStdString();
  }
  if (path.empty()) return false;
  kept = path;
  PostConfig();
  return true;
}

void CKvlDlg::ShowChamberReading() {
  const ChamberReading r = chamber_.Last();
  QString measured = QStringLiteral("—"), setPoint;
  if (!chamber_.IsOpen()) {
    measured = QStringLiteral("-");
    setPoint = QStringLiteral("-");
  } else if (r.answered) {
    measured = QString::fromStdString(Format("%.1f", r.measured));
    setPoint = std::isnan(r.setPoint) ? QStringLiteral("-") : QString::fromStdString(Format("→ %.1f", r.setPoint));
  } else {
    setPoint = QString::fromStdString(r.reason);
  }
  c_.temperatureValue[0]->SetTextIfChanged(measured);
  c_.temperatureValue[1]->SetTextIfChanged(setPoint);
  c_.temperatureValue[1]->setToolTip(r.answered ? QString() : QString::fromStdString(r.reason));
}

void CKvlDlg::CloseDevices() {
  // The valves first: at exit no gas is left flowing, and their closing goes
  // over the detector line while its worker still serves it. A worker waiting
  // for the window to take a poll would not get to it: nothing is taken now.
  if (valves_.IsOpen()) link_.Resume();
  valves_.Close();
  chamber_.Close();
}

}  // namespace kvl
