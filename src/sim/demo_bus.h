#pragma once
// The built-in simulated detector bus of `kvlgrad --demo`: simulated detectors
// answering on one side of a pseudo-terminal whose other side the window's
// link opens by path, like any serial adapter. Lets every type and mode be
// tried without hardware.
#include <memory>
#include <string>

#include "chamber/profiles.h"
#include "sim/sim_bus.h"
#include "sim/sim_chamber.h"
#include "sim/sim_relay_module.h"

namespace kvl {

class CDemoBus {
 public:
  CDemoBus();
  ~CDemoBus();
  CDemoBus(const CDemoBus&) = delete;
  CDemoBus& operator=(const CDemoBus&) = delete;

  // Creates the pty and starts `count` detectors of `type` at consecutive
  // addresses from `firstAddress`, answering at `baud`. False with a reason.
  bool Start(int type, int count, int firstAddress, int baud, std::string* error);
  void Stop();
  bool Running() const { return master_ >= 0; }

  // The device the link opens.
  const std::string& DevicePath() const { return path_; }
  // Replaces the detectors by as many of another type at the same addresses
  // (the demo follows the window's type selector).
  void SetType(int type);
  int Type() const { return type_; }
  int Count() const { return count_; }
  CSimBus& Bus() { return bus_; }

  // The demo's climate chamber on a pty of its own (line 2's device), and the
  // valves' relay module on the detector bus. After Start(); false with a reason.
  bool StartChamber(const ChamberProfile& profile, std::string* error);
  const std::string& ChamberPath() const { return chamberPty_.path; }
  CSimChamber* Chamber() { return chamber_.get(); }
  void StartValves(const ValveProfile& profile);
  CSimRelayModule* Valves() { return valves_.get(); }

 private:
  void Populate();

  CSimBus bus_;
  int master_ = -1;
  int slaveKeep_ = -1;  // keeps the pty alive while the link closes and reopens it
  std::string path_;
  int type_ = kTypeZ5;
  int count_ = 0;
  int first_ = 1;
  SimPty chamberPty_;
  std::unique_ptr<CSimChamber> chamber_;
  std::unique_ptr<CSimRelayModule> valves_;
};

}  // namespace kvl
