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

void CDemoBus::Stop() {
  bus_.Stop();
  if (slaveKeep_ >= 0) close(slaveKeep_);
  if (master_ >= 0) close(master_);
  slaveKeep_ = master_ = -1;
  path_.clear();
}

}  // namespace kvl
