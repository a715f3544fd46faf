#include "sim/demo_bus.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/sim_line.h"

namespace kvl {

CDemoBus::CDemoBus() = default;

CDemoBus::~CDemoBus() { Stop(); }

bool CDemoBus::Start(int type, int count, int firstAddress, int baud, std::string* error) {
  Stop();
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    Stop();
    return false;
  };
  SimPty pty;
  if (!OpenSimPty(pty, error)) {
    Stop();
    return false;
  }
  master_ = pty.master;
  slaveKeep_ = pty.slaveKeep;
  path_ = pty.path;
  type_ = type;
  count_ = count;
  first_ = firstAddress;
  Populate();
  if (!bus_.Start(MakeSimFdLine(master_, baud))) {
    errno = EBUSY;
    return fail("the simulated bus did not start");
  }
  return true;
}

void CDemoBus::Populate() {
  for (const auto& d : bus_.List()) bus_.RemoveDetector(d.address);
  bus_.AddDetectors(type_, count_, first_);
  // Something to watch: one detector sees gas, one is in fault.
  if (count_ > 1) bus_.SetGasLel(first_ + 1, 35);
  if (count_ > 3) bus_.SetServiceable(first_ + 3, false);
}

void CDemoBus::SetType(int type) {
  if (type == type_) return;
  type_ = type;
  Populate();
}

bool CDemoBus::StartChamber(const ChamberProfile& profile, std::string* error) {
  if (!Running() || chamber_) return false;
  if (!OpenSimPty(chamberPty_, error)) return false;
  chamber_ = std::make_unique<CSimChamber>(profile, bus_);
  return chamber_->Start(MakeSimFdLine(chamberPty_.master, 9600));
}

void CDemoBus::StartValves(const ValveProfile& profile) {
  if (!valves_) valves_ = std::make_unique<CSimRelayModule>(profile, bus_);
}

void CDemoBus::Stop() {
  chamber_.reset();
  if (chamberPty_.slaveKeep >= 0) close(chamberPty_.slaveKeep);
  if (chamberPty_.master >= 0) close(chamberPty_.master);
  chamberPty_ = SimPty{};
  bus_.Stop();
  valves_.reset();
  if (slaveKeep_ >= 0) close(slaveKeep_);
  if (master_ >= 0) close(master_);
  slaveKeep_ = master_ = -1;
  path_.clear();
}

}  // namespace kvl
