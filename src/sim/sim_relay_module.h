#pragma once
// A simulated relay module that opens the gas valves, answering on the
// detector bus at its own address (functions 1, 3, 5 and 6). The gas it lets
// flow reaches every detector of the bus; the detectors' readings follow it
// with their own lag. Which output opens which gas comes from the valve
// profile; no output or more than one on feeds clean air.
//
// What it owns: the outputs. What it never does: answer for a detector.
#include <array>
#include <optional>
#include <mutex>

#include "chamber/profiles.h"
#include "link/modbus_frames.h"
#include "sim/sim_bus.h"

namespace kvl {

class CSimRelayModule {
 public:
  // Installs itself as the bus's side slave; the bus must outlive it... and
  // the module outlive the bus's serving (Detach() or the bus's Stop()).
  CSimRelayModule(const ValveProfile& profile, CSimBus& bus);
  ~CSimRelayModule();
  CSimRelayModule(const CSimRelayModule&) = delete;
  CSimRelayModule& operator=(const CSimRelayModule&) = delete;

  // The answer to a request for this module; nothing for another address.
  std::optional<Bytes> Answer(const Bytes& request);
  // The gas that flows: -1 none (clean air), else the graduation mixture 0 zero, 1 middle, 2 high.
  int Mixture() const;

 private:
  bool* Output(int number);
  void FeedLocked();

  ValveProfile profile_;
  CSimBus& bus_;
  mutable std::mutex mutex_;
  std::array<bool, 3> on_{};  // zero, middle, high
};

}  // namespace kvl
