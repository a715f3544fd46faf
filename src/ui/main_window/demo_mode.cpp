// kvlgrad --demo: simulated detectors on a pseudo-terminal, polled by the
// window's own link like any bus. They are of the configured type unless the
// command line names one, and they follow the type selector.
#include <QComboBox>

#include "chamber/profiles.h"
#include "config/configuration.h"
#include "sim/demo_bus.h"
#include "ui/controls/note_combo_box.h"
#include "ui/main_window/kvl_dlg.h"

namespace kvl {

std::vector<std::uint8_t> DemoAddresses(int count) {
  std::vector<std::uint8_t> addresses;
  for (int a = 0; a < count; ++a) addresses.push_back(std::uint8_t(kDemoFirstAddress + a));
  return addresses;
}

void CKvlDlg::StartDemoBus() {
  const DemoOptions& demo = *options_.demo;
  if (demo.type && *demo.type != config_.detectorType) {
    configuredType_ = config_.detectorType;
    config_.detectorType = *demo.type;
  }
  auto bus = std::make_unique<CDemoBus>();
  std::string error;
  const int baud = std::atoi(config_.lines[0].baud.c_str());
  if (!bus->Start(config_.detectorType, demo.count, kDemoFirstAddress, baud > 0 ? baud : 9600, &error)) {
    if (operator_) operator_->ShowMessage(error, MessageIcon::Error);
    return;
  }
  // The demo's chamber answers on line 2 and its valves on the detector line,
  // as the shipped demo profiles say, unless profiles of the operator's are chosen.
  if (!bus->StartChamber(DemoAsciiChamberProfile(), &error) && operator_)
    operator_->ShowMessage(error, MessageIcon::Error);
  bus->StartValves(DemoValveProfile());
  demoBus_ = std::move(bus);
  linePortItem_ = demoBus_->DevicePath();
  // First in the list, where the operator looks for it.
  AddPortItem(c_.port[0], linePortItem_, 0);
  connect(this, &CKvlDlg::DetectorTypeChanged, this, [this](int type) {
    if (demoBus_) demoBus_->SetType(type);
  });
}

}  // namespace kvl
